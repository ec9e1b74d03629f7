#pragma once
// Fire-and-forget HTTP GETs ("pings") that report events to servers. The important ones are also
// kept in a retry store in the user defaults, so that a ping that did not get through is sent
// again at a fixed interval, a limited number of times, after a restart too.
//
// All state lives on the serial queue "com.rerive.didaz.pinger", which is real work, not a lock:
// it sends the pings, takes their answers and runs the retry passes in order. Every
// read-modify-write of the retry store also holds the store's lock, which is what lets the crash
// reporter write it synchronously from whatever thread is going down.
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <vector>

namespace platform {
class DispatchQueue;
class UserDefaults;
class PlistDict;
}  // namespace platform
class DZScheduler;

inline const std::string kDZPingIntervalKey = "/rerive/ads/ping_interval";
inline const std::string kDZMaximumRetryURLCountKey = "/rerive/ads/maximum_retry_url_count";
inline const std::string kDZURLTimeToLiveKey = "/rerive/ads/url_time_to_live";
inline const std::string kDZRetryGroupKeysKey = "/rerive/ads/retry_group_keys";
inline const std::string kDZRetryCountKey = "/rerive/ads/retry_count";

class DZPinger : public std::enable_shared_from_this<DZPinger> {
  public:
    static constexpr double kDefaultPingInterval = 60.0;
    static constexpr std::int32_t kDefaultMaximumRetryURLCount = 10;
    static constexpr std::int32_t kDefaultURLRetryCount = 3;

    // The process's pinger, on the standard user defaults.
    static std::shared_ptr<DZPinger> sharedInstance();
    // A pinger on the given store (tests; a restarted process reads the same file).
    static std::shared_ptr<DZPinger> create(std::shared_ptr<platform::UserDefaults> defaults);
    ~DZPinger();
    DZPinger(const DZPinger&) = delete;
    DZPinger& operator=(const DZPinger&) = delete;

    // Starts the retry passes: the first comes one interval from now.
    void start();

    // Sends a GET to url; completion(success) runs on the pinger's queue. Success is a 2xx answer.
    // Without a completion nothing is sent; an empty text or one that is no URL completes with false.
    void pingURLString(const std::string& url, std::function<void(bool)> completion);
    // Keeps retryURLString in the group's retry store, pings url, and drops the stored text once
    // the ping got through. Nothing unless all three are given.
    void pingWithRetryGroupKey(const std::string& groupKey, const std::string& url,
                               const std::string& retryURLString);
    // Adds retryURLString to the group (asynchronously on the queue).
    void storeRetryURLString(const std::string& retryURLString, const std::string& groupKey);
    // The same, done now on the calling thread under the store's lock and written to disk before
    // returning; false when the lock and the write together took longer than timeout, or the
    // write failed. For a thread that is about to end the process.
    bool storeRetryURLStringNow(const std::string& retryURLString, const std::string& groupKey,
                                std::chrono::milliseconds timeout = std::chrono::seconds(2));
    // One retry pass (asynchronously on the queue).
    void pingRetryURLs();

    std::int32_t maximumRetryURLCount() const { return maximumRetryURLCount_; }
    std::int32_t URLRetryCount() const { return URLRetryCount_; }
    double pingInterval() const { return pingInterval_; }
    const std::shared_ptr<platform::DispatchQueue>& lockQueue() const { return lockQueue_; }
    // Waits until everything queued so far has run (tests; the will-terminate wait).
    void drain();
    // Pings sent and not yet answered.
    std::size_t pingsInFlight();

  private:
    explicit DZPinger(std::shared_ptr<platform::UserDefaults> defaults);
    void readSettings();

    // On the queue:
    void ping(const std::string& url, const std::string& retryText, std::function<void(bool)> completion);
    void store(const std::string& retryURLString, const std::string& groupKey);
    // The same, with storeMutex_ held by the caller.
    void storeLocked(const std::string& retryURLString, const std::string& groupKey);
    void retryPass();
    void removeRetryURL(const std::string& retryURLString, const std::string& groupKey);
    // The group's dictionary; a value of another type is moved aside first (WARN) and reads as empty.
    platform::PlistDict readGroup(const std::string& groupKey);

    std::shared_ptr<platform::UserDefaults> defaults_;
    std::shared_ptr<platform::DispatchQueue> lockQueue_;
    std::shared_ptr<DZScheduler> scheduler_;
    std::int32_t schedulerTask_ = -1;
    double pingInterval_ = kDefaultPingInterval;
    std::int32_t maximumRetryURLCount_ = kDefaultMaximumRetryURLCount;
    std::int32_t URLRetryCount_ = kDefaultURLRetryCount;
    std::vector<std::string> retryGroupKeys_;
    // Texts whose ping is in flight: the sent URLs, and the retry texts they stand for, so a pass
    // never resends a stored text whose first ping is still under way.
    std::multiset<std::string> pingedURLs_;  // lockQueue_ only
    std::size_t inFlight_ = 0;               // lockQueue_ only
    // The retry store in the defaults and retryGroupKeys_: the queue, and the crash reporter's
    // storeRetryURLStringNow on whatever thread is failing.
    std::mutex storeMutex_;
    std::uint64_t terminateObserver_ = 0;
};
