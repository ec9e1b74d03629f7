#pragma once
// The ad component's process-wide state: it starts the component's background services once the
// app has finished launching, holds the session and the process statistics sent with every ad
// request, collects the statistics of ads that changed since the last request, keeps one
// statistic dictionary per slot, measures how long a user stayed away after an ad click, hands
// out visibility-report IDs and keeps the list of mediation adapters present in the process.
//
// Threads: the ad requests' parameters are read on worker queues while slots and the activity
// notice use the object on the main thread; the statistic dictionaries' change notices arrive on
// the notification queue, which alone touches the pending ad statistics (the others sync onto it).
#include <atomic>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "ads/foundation/DZSession.h"
#include "ads/foundation/DZStatisticDictionary.h"
#include "platform/foundation/Error.h"

// The registry kind that mediation adapters register under.
inline constexpr const char* kDZMAdNetworkAdapterKind = "DZMAdNetworkAdapter";
// The user-defaults switch of on-screen content sampling.
inline const std::string kDZContentURLEnabledKey = "/rerive/ads/content_url_enabled";

// The start-up steps that belong to the ad layers above this one, each set by its own layer
// before launching finishes; a step that is not set is skipped.
struct DZEarlyActivityHooks {
    // Lets the page-script interceptor answer "mraid.js" requests (rendering layer).
    std::function<void()> allowMRAIDInterceptor;
    // Makes the shared token dispenser (signed-in ads format).
    std::function<void()> createTokenDispenser;
    // Enables the purchase reporter when it says it should be (purchase format).
    std::function<void()> enablePurchaseReportingWhenDue;
    // Starts on-screen content sampling; called only while kDZContentURLEnabledKey is on.
    std::function<void()> startContentHashing;
};

// The file at path as a property-list dictionary: nothing and the private error 1 ("File could
// not be read.") when it cannot be read, nothing and the parser's reason when it is no
// dictionary property list.
std::optional<nlohmann::json> DZDictionaryFromPropertyListFile(const std::filesystem::path& path,
                                                               platform::ErrorRef* error = nullptr);

class DZApplication : public DZStatisticDictionaryDelegate,
                      public std::enable_shared_from_this<DZApplication> {
  public:
    static std::shared_ptr<DZApplication> sharedInstance();
    // An instance of its own (tests); the shared one is made the same way.
    static std::shared_ptr<DZApplication> create();
    ~DZApplication() override;
    DZApplication(const DZApplication&) = delete;
    DZApplication& operator=(const DZApplication&) = delete;

    // The start-up work, once per process, on the main thread (a call from elsewhere goes there):
    // device facts and the web engine's user agent, the hooks' steps, the pinger, crash reports.
    void runEarlyActivities();
    static void setEarlyActivityHooks(DZEarlyActivityHooks hooks);
    // Sets one step and keeps the others: a layer registers its own without knowing the rest.
    static void setEarlyActivityHook(std::function<void()> DZEarlyActivityHooks::*step,
                                     std::function<void()> action);
    // The did-finish-launching notice: launching is done, then runEarlyActivities().
    void applicationDidFinishLaunching();

    const std::string& version() const { return version_; }
    const std::optional<std::string>& mainBundleIdentifier() const { return mainBundleIdentifier_; }
    const DZSession& currentSession() const { return currentSession_; }
    const std::shared_ptr<DZStatisticDictionary>& statistics() const { return statistics_; }
    // False only in the background after launching has finished. Any thread.
    bool isAppActive() const;

    // The app container's store metadata file, and its dictionary (read once per process; empty
    // when missing or malformed).
    static std::optional<std::filesystem::path> iTunesMetadataPath();
    nlohmann::json iTunesMetadata() const;

    uint32_t nextZadavaDuruID();
    std::optional<std::vector<std::string>> availableAdapterNames() const;
    void setAvailableAdapterNames(const std::optional<std::vector<std::string>>& names);
    // The built-in adapters plus the server's names, kept when registered as adapters.
    void updateAvailableAdapterNamesWithPotentialAdapterNames(
        const std::optional<std::vector<std::string>>& names);

    // DZStatisticDictionaryDelegate: the ads' statistics report here.
    std::shared_ptr<platform::DispatchQueue> notificationQueue() override;
    void didUpdateStatisticDictionary(const std::shared_ptr<DZStatisticDictionary>& dictionary) override;

    using StatisticsSet = std::set<std::shared_ptr<DZStatisticDictionary>>;
    // Takes the ads' statistics changed since the last call.
    StatisticsSet pendingAdStatistics();
    // Puts back what a request did not send.
    void didNotSendAdStatistics(const StatisticsSet& statistics);
    std::shared_ptr<DZStatisticDictionary> slotStatisticsForSlotID(const std::string& slotID);
    // Slot ID -> snapshot of the slot's statistics.
    nlohmann::json slotStatisticsDictionary();

    void incrementTotalAdRequestCount();
    void decrementTotalAdRequestCount();
    void incrementTotalAdClickCount();
    void incrementSequenceNumber();
    // Uses up one sequence number and returns it ("seq_num").
    std::string nextSequenceNumberAsString();
    // The current "seq_num" (0 before the first).
    int64_t sequenceNumber() const;
    uint64_t timeSinceFirstAdRequestInMilliseconds() const;
    // Stamps and counts one ad request of a slot and returns the process statistics with it. A
    // mediating slot's request goes to the ad networks, not to our server, and is not counted.
    nlohmann::json nextRequestStatisticsDictionaryForSlot(bool slotIsMediating);
    // The click on this ad (its statistics) sends the user out of the app.
    void willLeaveApplicationDueToClickOnAd(const std::shared_ptr<DZStatisticDictionary>& adStatistics);
    // Back in the app: the click-away ad's "tclick" gets [its "tclickcurr", now].
    void didBecomeActive();

  private:
    DZApplication();

    std::vector<uint64_t> observers_;
    // The adapter names (set as the page's constants arrive, read by request building on worker
    // queues) and the ID counter (slots on the main thread, tests from several threads).
    mutable std::mutex ivarMutex_;
    std::optional<std::vector<std::string>> availableAdapterNames_;  // ivarMutex_
    uint32_t zadavaDuruID_ = 0;                                      // ivarMutex_
    std::string version_;
    std::optional<std::string> mainBundleIdentifier_;
    std::atomic<bool> appFinishedLaunching_{false};
    DZSession currentSession_;
    std::shared_ptr<DZStatisticDictionary> statistics_;
    std::shared_ptr<platform::DispatchQueue> notificationSerialQueue_;
    StatisticsSet adStatistics_;  // notificationSerialQueue_
    // Makes the multi-step request statistics one step each: requests are stamped from slots on
    // the main thread and their parameters built on worker queues.
    std::mutex statisticsMutex_;
    std::shared_ptr<DZStatisticDictionary> backgroundingAd_;                        // statisticsMutex_
    std::map<std::string, std::shared_ptr<DZStatisticDictionary>> slotStatistics_;  // statisticsMutex_
};
