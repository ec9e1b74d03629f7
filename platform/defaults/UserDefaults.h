#pragma once
// Stands in for the platform's user defaults: a thread-safe store of named values, kept as a
// binary property list (readable with plistutil and other plist tools). The standard store is
// Library/Preferences/tikoleap.plist in the app's folders (under --home DIR in headless runs).
//
// Changes apply in memory at once and are saved soon after, on the store's own queue, several
// changes in one write. synchronize() waits for that and writes what is still unsaved. At the
// application's will-terminate notice the store synchronizes, so queued saves are on disk before
// the run ends. Saving goes through the plist file layer: an atomic write, and a file that could
// not be read is kept aside rather than overwritten.
//
// Reads answer as the platform's defaults do: the number getters also read numeric text ("10"),
// boolForKey reads "YES"/"true" and non-zero numbers as true; an absent key, or a value that
// does not convert, gives nothing so that callers can fall back to their compiled-in default.
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/plist/PlistDict.h"

namespace platform {

class DispatchQueue;

class UserDefaults : public std::enable_shared_from_this<UserDefaults> {
  public:
    inline static const char* kStandardFileName = "tikoleap.plist";

    // Loads the store kept at path: a missing file is an empty store, and so is one that cannot
    // be read (with one WARN line).
    static std::shared_ptr<UserDefaults> open(const std::filesystem::path& path);
    // Writes what is unsaved.
    ~UserDefaults();
    UserDefaults(const UserDefaults&) = delete;
    UserDefaults& operator=(const UserDefaults&) = delete;

    // The process's store at AppPaths::libraryDirectory()/Preferences, opened on first use.
    static std::shared_ptr<UserDefaults> standard();
    static std::filesystem::path standardPath();
    // Synchronizes and forgets the standard store; the next standard() opens it again under the
    // app folders of that time (after --home, and between tests).
    static void resetStandard();

    const std::filesystem::path& path() const { return path_; }

    bool contains(const std::string& key) const;
    PlistType typeOf(const std::string& key) const;
    std::optional<std::string> stringForKey(const std::string& key) const;
    std::optional<int64_t> integerForKey(const std::string& key) const;
    std::optional<double> doubleForKey(const std::string& key) const;
    std::optional<bool> boolForKey(const std::string& key) const;
    std::optional<std::vector<uint8_t>> dataForKey(const std::string& key) const;
    std::optional<PlistArray> arrayForKey(const std::string& key) const;
    std::optional<PlistDict> dictionaryForKey(const std::string& key) const;
    // A copy of every entry.
    PlistDict dictionaryRepresentation() const;

    void setString(const std::string& key, std::string_view value);
    void setInteger(const std::string& key, int64_t value);
    void setDouble(const std::string& key, double value);
    void setBool(const std::string& key, bool value);
    void setData(const std::string& key, const std::vector<uint8_t>& value);
    void setArray(const std::string& key, PlistArray value);
    void setDictionary(const std::string& key, PlistDict value);
    void removeObjectForKey(const std::string& key);

    // Waits for queued saves and writes any unsaved change now; false when the write failed
    // (the change stays unsaved and the next save tries again).
    bool synchronize();
    // The same, waiting at most timeout for the store's queue; false when that was not enough
    // (the write still happens once the queue gets to it).
    bool synchronize(std::chrono::milliseconds timeout);

  private:
    explicit UserDefaults(std::filesystem::path path);
    void changed();
    // Writes the unsaved state; runs on the save queue (or in the destructor, when nothing else can).
    bool save();

    const std::filesystem::path path_;
    // A queue for the work (the disk writes), not a lock.
    std::shared_ptr<DispatchQueue> saveQueue_;
    // Any thread reads and writes values; the save queue reads them to write the file.
    mutable std::mutex mutex_;
    PlistDict values_;
    bool dirty_ = false;
    bool saveQueued_ = false;
    std::uint64_t observer_ = 0;
};

}  // namespace platform
