#pragma once
// The process-wide owner of click trackers: starts them, keeps each alive until it has reported,
// and builds the mediation report URLs from their templates. Main thread only.
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

    // A page may ask for pings as fast as it can send messages: beyond this many waiting for
    // their answer, a new URL is dropped (logged once each time the limit is reached).
    static constexpr std::size_t kMaxTrackersInFlight = 64;

    void trackURL(const std::string& url);
    void trackURL(const std::string& url, bool cacheEnabled);
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

    // DZClickTrackerDelegate
    void trackerDidRedirect(DZClickTracker& tracker, const std::string& url) override;
    void trackerDidFailWithError(DZClickTracker& tracker, platform::ErrorRef error) override;

  private:
    DZClickTrackerCollection() = default;
    void scheduleCleanup();

    std::set<std::shared_ptr<DZClickTracker>> trackers_;
    std::optional<DZMediationReportSource> reportSource_;
    bool refusing_ = false;
};

// Pings sent and not yet answered, by the shared pinger and the shared trackers: what a run that
// is about to end gives a little time to reach its servers.
std::size_t dz_pingsInFlight();
