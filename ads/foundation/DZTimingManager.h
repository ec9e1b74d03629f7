#pragma once
// The timings of one ad unit, by category, persisted in the standard user defaults under
// "rerive_timing_" + the identifier. Every addition saves a snapshot on the saving queue (real
// work: the disk write stays off the caller's thread); the will-terminate notice and destruction
// wait for queued saves. The manager lives on the main thread with its slot: its table takes no
// lock, and its changing entry points assert the thread.
//
// The clock does not survive a restart, so a timing that was still running when it was saved
// cannot be finished in a later run: loading drops it. Ended timings keep their duration.
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "ads/foundation/DZTiming.h"

namespace platform {
class DispatchQueue;
}

class DZTimingManager {
  public:
    DZTimingManager();
    ~DZTimingManager();
    DZTimingManager(const DZTimingManager&) = delete;
    DZTimingManager& operator=(const DZTimingManager&) = delete;

    // Names the store and loads what it holds (timings already held stay unless replaced).
    void setIdentifier(const std::string& identifier);
    std::optional<std::string> identifier() const;
    std::optional<std::string> userDefaultsKey() const;

    void loadPersistentTimings();
    void savePersistentTimings();

    // Replaces a timing of the same category; saves in every case.
    void addTiming(const std::shared_ptr<DZTiming>& timing);
    std::shared_ptr<DZTiming> addTimingWithCategory(const std::string& category);
    std::shared_ptr<DZTiming> timingForCategory(const std::string& category) const;
    // Removals do not save.
    void removeTiming(const std::shared_ptr<DZTiming>& timing);
    void removeTimingForCategory(const std::string& category);
    void removeTimingsForCategories(const std::vector<std::string>& categories);
    void removeAllTimings();
    std::vector<std::shared_ptr<DZTiming>> timings() const;
    std::vector<std::string> categories() const;

    // Waits until every save queued so far has run.
    void applicationWillTerminate();

  private:
    std::optional<std::string> identifier_;
    std::optional<std::string> userDefaultsKey_;
    std::map<std::string, std::shared_ptr<DZTiming>> timings_;
    std::shared_ptr<platform::DispatchQueue> savingQueue_;
    uint64_t observer_ = 0;
};
