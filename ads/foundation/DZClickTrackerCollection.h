#pragma once
// The process-wide owner of click trackers: starts them, keeps each alive until it has reported,
// and builds the mediation report URLs from their templates. Pages' pings and the component's own
// (impressions, clicks, conversions, mediation reports) share its slots, pages only a part of them,
// so a page whose pings never get an answer cannot hold back the component's. Main thread only.
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "ads/foundation/DZClickTracker.h"

// Where the mediation reports take their session and sequence numbers from: the application
// state's current session ID and its next request sequence number.
struct DZMediationReportSource {
    std::function<std::string()> nextSequenceNumberAsString;
    std::function<std::string()> sessionID;
};

class DZClickTrackerCollection : public DZClickTrackerDelegate,
                                 public std::enable_shared_from_this<DZClickTrackerCollection> {
  public:
    // The process's collection, its reports numbered by DZApplication's shared instance.
    static std::shared_ptr<DZClickTrackerCollection> sharedInstance();
    // A collection of its own (tests), without a report source.
    static std::shared_ptr<DZClickTrackerCollection> create();
    // Resets every tracker still held.
    ~DZClickTrackerCollection() override;

    // Pings waiting for their answer at once. The component's own beyond this wait their turn, in
    // order, up to kMaxWaiting of them (past that a new one is dropped, logged once each time).
    static constexpr std::size_t kMaxTrackersInFlight = 64;
    static constexpr std::size_t kMaxWaiting = 256;
    // What pages' pings may hold of those: a page may ask for pings as fast as it can send messages,
    // so beyond this many of theirs in flight a new one is dropped (logged once each time).
    static constexpr std::size_t kMaxPageTrackersInFlight = kMaxTrackersInFlight / 2;

    // The component's own pings.
    void trackURL(const std::string& url);
    void trackURL(const std::string& url, bool cacheEnabled);
    // A ping a page asked for.
    void trackPageURL(const std::string& url, bool cacheEnabled = true);
    // Each element that is a text making a URL is tracked; anything else is skipped.
    void trackURLs(const nlohmann::json& urls, bool cacheEnabled);
    // Fills each template (or the default template alone when there is no list) and tracks the
    // URL; each template uses up one sequence number. Tracks nothing until a report source is set.
    void trackMediationURLsFromTemplates(const std::optional<nlohmann::json>& templates,
                                         const std::optional<std::string>& defaultTemplate,
                                         const std::string& networkID, const std::string& allocationID,
                                         const std::optional<std::string>& qData, const std::string& appKey,
                                         bool refresh, const std::string& durations,
                                         const std::string& exitCodes);
    void setMediationReportSource(DZMediationReportSource source) { reportSource_ = std::move(source); }

    // Lets go of every tracker that has reported.
    void cleanupTrackers();
    const std::set<std::shared_ptr<DZClickTracker>>& trackers() const { return trackers_; }
    // Trackers still waiting for their answer (each holds a background task until then).
    std::size_t trackersInFlight() const;
    // The component's pings waiting for a slot.
    std::size_t waitingCount() const { return waiting_.size(); }

    // DZClickTrackerDelegate
    void trackerDidRedirect(DZClickTracker& tracker, const std::string& url) override;
    void trackerDidFailWithError(DZClickTracker& tracker, platform::ErrorRef error) override;

  private:
    struct Waiting {
        std::string url;
        bool cacheEnabled;
    };
    DZClickTrackerCollection() = default;
    void scheduleCleanup();
    DZClickTracker& start(const std::string& url, bool cacheEnabled);
    // Starts the waiting pings slots have come free for.
    void startWaiting();
    std::size_t pageTrackersInFlight() const;

    std::set<std::shared_ptr<DZClickTracker>> trackers_;
    // Those of trackers_ pages asked for.
    std::set<const DZClickTracker*> pageTrackers_;
    std::deque<Waiting> waiting_;
    std::optional<DZMediationReportSource> reportSource_;
    bool refusingPages_ = false;
    bool refusingOwn_ = false;
};

// Pings sent and not yet answered, by the shared pinger and the shared trackers, and those waiting
// their turn: what a run that is about to end gives a little time to reach its servers.
std::size_t dz_pingsInFlight();
