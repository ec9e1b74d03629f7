#pragma once
// The persistent string lists of one ad unit (the slot statistics keep adapter durations and
// exit codes in it), in the standard user defaults under "rerive_stats_" + the ad unit ID.
// Changes run in order on the store's serial queue and save the whole store; reads wait for
// them. The queue is real work, not a lock: it keeps the saves to disk off the caller's thread
// (slots on the main thread) in the order they were asked for. Before an identifier is set (or
// with an empty one) the lists live in memory only.
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace platform {
class DispatchQueue;
}

class DZStatisticsCore : public std::enable_shared_from_this<DZStatisticsCore> {
  public:
    static std::shared_ptr<DZStatisticsCore> init();
    ~DZStatisticsCore();
    DZStatisticsCore(const DZStatisticsCore&) = delete;
    DZStatisticsCore& operator=(const DZStatisticsCore&) = delete;

    // Binds the store to an ad unit: what the defaults hold for it is added over the lists in
    // memory (nothing is cleared).
    void setIdentifier(const std::string& identifier);
    std::optional<std::vector<std::string>> arrayForKey(const std::string& key) const;
    void appendStringToArrayForKey(const std::string& string, const std::string& key);
    void removeObjectForKey(const std::string& key);

    // Waits for everything queued.
    void applicationWillTerminate();

  private:
    DZStatisticsCore();
    // On the queue.
    void savePersistentStatistics();

    std::shared_ptr<platform::DispatchQueue> lockQueue_;
    std::map<std::string, std::vector<std::string>> statistics_;  // lockQueue_ only
    std::optional<std::string> userDefaultsKey_;                  // lockQueue_ only
    uint64_t observer_ = 0;
};
