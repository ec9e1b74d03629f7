#pragma once
// The process-wide owner of click trackers: starts them, keeps each alive until it has reported,
// and builds the mediation report URLs from their templates. Every ping names who asked for it (an
// ad, the page it shows, the purchases' reports): each asker holds at most a share of the slots and of the
// waiting places, and a ping without an answer in kMaxAnswerSeconds of real time gives its slot up,
// so URLs that never answer, whoever names them, cannot hold back any other asker's. Main thread
// only.
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "ads/foundation/DZClickTracker.h"
#include "ads/foundation/DZLogCharge.h"
#include "ads/foundation/DZPingAsker.h"

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

    // Pings waiting for their answer at once. Beyond this, or beyond its asker's share, a ping
    // waits its turn, up to kMaxWaiting of them (kMaxWaitingPerAsker of one asker's, and when all
    // are taken the asker holding most gives up its newest); past that a new one is dropped, logged
    // once for its asker until the asker's waiting pings have all gone out. A freed slot goes to the
    // waiting asker holding fewest. The lines a ping causes (its drop, its give-up) are logged under
    // the log charge that was in force where it was asked for: a page pays for its own.
    static constexpr std::size_t kMaxTrackersInFlight = 64;
    static constexpr std::size_t kMaxWaiting = 256;
    static constexpr std::size_t kMaxInFlightPerAsker = 8;
    static constexpr std::size_t kMaxWaitingPerAsker = 32;
    // A ping still without an answer this long after it went out is given up and its slot freed
    // (each hop alone may take the network's whole time-out).
    static constexpr double kMaxAnswerSeconds = 30;
    // What runs `fire` on the main thread `seconds` of real time from now. The network's time is
    // real time, so the answer deadline is too: the main loop's clock is virtual in a headless
    // run and may run far ahead of any server. Tests hand in their own.
    using DeadlineTimer = std::function<void(double seconds, std::function<void()> fire)>;
    void setDeadlineTimer(DeadlineTimer timer) { deadlineTimer_ = std::move(timer); }

    // `asker` is who asked: the ad whose impressions or clicks these are, the page that sent the
    // message, the asker that a kind of report shares (purchases, mediation reports); every ping
    // asked for by nobody in particular shares a single asker's share. `check`, when given, decides
    // on the URL and on each redirect before it is requested, and on each hop once it is connected
    // (DZClickTracker::HopCheck); its lines are charged as the ping's.
    void trackURL(const std::string& url, DZPingAsker asker, bool cacheEnabled = true,
                  DZClickTracker::HopCheck check = {});
    // Each element that is a text making a URL is tracked; anything else is skipped.
    void trackURLs(const nlohmann::json& urls, DZPingAsker asker, bool cacheEnabled,
                   const DZClickTracker::HopCheck& check = {});
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
    // Pings waiting for a slot.
    std::size_t waitingCount() const { return waiting_.size(); }
    // Those of one asker's in flight and waiting.
    std::size_t inFlightFor(DZPingAsker asker) const;
    std::size_t waitingFor(DZPingAsker asker) const;

    // DZClickTrackerDelegate
    void trackerDidRedirect(DZClickTracker& tracker, const std::string& url) override;
    void trackerDidFailWithError(DZClickTracker& tracker, platform::ErrorRef error) override;

  private:
    struct Waiting {
        std::string url;
        DZPingAsker asker;
        bool cacheEnabled;
        DZLogChargeScope::Charge charge;
        DZClickTracker::HopCheck check;
    };
    // Who asked for a ping in flight, and what its lines are charged to.
    struct Owner {
        DZPingAsker asker;
        DZLogChargeScope::Charge charge;
    };
    DZClickTrackerCollection();
    void scheduleCleanup();
    void start(Waiting ping);
    bool hasSlotFor(DZPingAsker asker) const;
    // With every waiting place taken: drops a waiting ping of another asker holding more than
    // waitingOfAsker + 1 of them; false when there is none.
    bool makeRoomFor(std::size_t waitingOfAsker);
    // Starts the waiting pings slots have come free for, in order, each as its asker's share allows.
    void startWaiting();
    // Lets go of a ping that had no answer in time, and gives its slot to the next.
    void giveUp(const std::shared_ptr<DZClickTracker>& tracker);

    std::set<std::shared_ptr<DZClickTracker>> trackers_;
    std::map<const DZClickTracker*, Owner> askers_;
    std::deque<Waiting> waiting_;
    std::optional<DZMediationReportSource> reportSource_;
    // The mediation reports' one share.
    const DZPingAsker reportsAsker_ = DZPingAsker::next();
    DeadlineTimer deadlineTimer_;
    // Askers told that their pings are dropped, while they still have pings waiting.
    std::set<DZPingAsker> toldRefused_;
    bool givingUp_ = false;
};

// Pings sent and not yet answered, by the shared pinger and the shared trackers, and those waiting
// their turn: what a run that is about to end gives a little time to reach its servers.
std::size_t dz_pingsInFlight();
