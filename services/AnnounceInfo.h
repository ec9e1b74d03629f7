#pragma once
// One announcement list, parsed: the files to cache, the banner's items and their actions, the
// check intervals, the banner's size, the server's ad settings and the pop-up item. The list is
// an array of items, each an array whose element 0 names its command; numbers inside items are
// decimal strings.
#include <cstddef>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/geometry/Geometry.h"
#include "platform/plist/PlistDict.h"

class AnnounceInfo {
  public:
    // Check intervals above this (30 days, in seconds) are cut down to it.
    static constexpr double kMaxCheckInterval = 2592000;
    // A list naming more files than this is refused whole: the cache and its downloads stay bounded.
    static constexpr std::size_t kMaxFiles = 256;
    // A list with more items than this is refused whole.
    static constexpr std::size_t kMaxItems = 4096;
    // Cache file names longer than this (the name and ".%08x") are refused.
    static constexpr std::size_t kMaxFileNameBytes = 200;

    AnnounceInfo() = default;

    // Processes the items in order; later items override earlier ones of the same key or command.
    // False for a malformed item (not an array, no command string), a version other than "Am1",
    // or a list beyond the bounds above; the items before it stay in the object.
    bool parse(const platform::PlistArray& list);

    const std::map<std::string, platform::PlistArray>& files() const { return files_; }
    const std::map<std::string, platform::PlistArray>& actions() const { return actions_; }
    const std::vector<platform::PlistArray>& uiitems() const { return uiitems_; }
    // "./" until the list names one; nothing when the list's base is not a string.
    const std::optional<std::string>& fileUrlBase() const { return fileUrlBase_; }
    void setFileUrlBase(std::optional<std::string> base) { fileUrlBase_ = std::move(base); }
    double checkIntervalAfterSuccess() const { return checkIntervalAfterSuccess_; }
    void setCheckIntervalAfterSuccess(double seconds) { checkIntervalAfterSuccess_ = seconds; }
    double checkIntervalAfterFailure() const { return checkIntervalAfterFailure_; }
    void setCheckIntervalAfterFailure(double seconds) { checkIntervalAfterFailure_ = seconds; }
    platform::Size viewSize() const { return viewSize_; }
    void setViewSize(platform::Size size) { viewSize_ = size; }
    const std::map<std::string, std::string>& amProperties() const { return amProperties_; }
    const std::optional<platform::PlistArray>& popupAdInfo() const { return popupAdInfo_; }

    // The server's ad settings a "SetP" item may set (AnnounceManager::isValidAmPropertyKey).
    static bool isValidAmPropertyKey(const std::string& key);
    // Whether a cache file name from a "Fi" item stays inside the cache folder: not empty, no "/",
    // no NUL, no "..", not starting with "." (the folder's own hidden files), not too long.
    static bool isSafeFileName(const std::string& name);

    // Element reads of an item, as the list format reads them: a string, or a decimal string's
    // value (0 for anything else, and for text that does not start with a number).
    static std::optional<std::string> stringAt(const platform::PlistArray& item, std::size_t index);
    static double doubleAt(const platform::PlistArray& item, std::size_t index);
    // The same as a length in points, held within +-kMaxPoints (no screen is larger).
    static float pointsAt(const platform::PlistArray& item, std::size_t index);
    static constexpr double kMaxPoints = 100000;
    static int intAt(const platform::PlistArray& item, std::size_t index);

  private:
    // The key of a keyed item ("AS", "AU", "Fi"); an item without a string key is logged and skipped.
    bool keyOf(const platform::PlistArray& item, const std::string& command, std::string& key) const;
    // Records a "Fi" item (an unsafe name is logged and skipped); false when the list names too
    // many files to be taken at all.
    bool acceptFile(const platform::PlistArray& item, const std::string& key);

    std::map<std::string, platform::PlistArray> files_;
    std::map<std::string, platform::PlistArray> actions_;
    std::vector<platform::PlistArray> uiitems_;
    std::optional<std::string> fileUrlBase_ = std::string("./");
    double checkIntervalAfterSuccess_ = 0;
    double checkIntervalAfterFailure_ = 0;
    platform::Size viewSize_{0, 0};
    std::map<std::string, std::string> amProperties_;
    std::optional<platform::PlistArray> popupAdInfo_;
};
