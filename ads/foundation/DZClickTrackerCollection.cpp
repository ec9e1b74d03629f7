#include "ads/foundation/DZClickTrackerCollection.h"

#include <algorithm>
#include <iterator>
#include <stdexcept>
#include <utility>

#include "ads/foundation/DZApplication.h"
#include "ads/foundation/DZLogger.h"
#include "ads/foundation/DZMUtilities.h"
#include "ads/foundation/DZPinger.h"
#include "platform/dispatch/DispatchQueue.h"
#include "platform/foundation/Log.h"
#include "platform/http/HttpUrl.h"

namespace {

// `call` with its lines charged to `charge`, where there is one.
template <typename Call>
auto chargedTo(const DZLogChargeScope::Charge& charge, Call call) {
    return [charge, call = std::move(call)](const auto&... args) {
        std::optional<DZLogChargeScope> scope;
        if (charge) scope.emplace(charge);
        return call(args...);
    };
}

}  // namespace

std::shared_ptr<DZClickTrackerCollection> DZClickTrackerCollection::sharedInstance() {
    // Never destroyed: at exit its trackers' fetches may still report to it. The process's
    // mediation reports are numbered by the application state.
    static const auto* shared = new std::shared_ptr<DZClickTrackerCollection>([] {
        auto collection = create();
        auto application = DZApplication::sharedInstance();
        collection->setMediationReportSource(
            {[application] { return application->nextSequenceNumberAsString(); },
             [application] { return application->currentSession().uniqueID(); }});
        return collection;
    }());
    return *shared;
}

DZClickTrackerCollection::DZClickTrackerCollection()
    : deadlineTimer_([](double seconds, std::function<void()> fire) {
          // The global queue counts real time; the deadline is then decided on the main thread.
          platform::DispatchQueue::global()->after(seconds, [fire = std::move(fire)] {
              try {
                  platform::DispatchQueue::main()->async(fire);
              } catch (const std::logic_error&) {
                  // No main loop: the process is ending, and nothing waits for the slot any more.
              }
          });
      }) {}

std::shared_ptr<DZClickTrackerCollection> DZClickTrackerCollection::create() {
    return std::shared_ptr<DZClickTrackerCollection>(new DZClickTrackerCollection());
}

DZClickTrackerCollection::~DZClickTrackerCollection() {
    for (const auto& tracker : trackers_) {
        tracker->setDelegate({});
        tracker->reset();
    }
}

void DZClickTrackerCollection::trackURL(const std::string& url, DZPingAsker asker, bool cacheEnabled,
                                        DZClickTracker::HopCheck check) {
    Waiting ping{url, asker, cacheEnabled, DZLogChargeScope::current(), std::move(check)};
    // Never ahead of the asker's own waiting pings: an asker's pings go out in order.
    const std::size_t own = waitingFor(asker);
    if (hasSlotFor(asker) && own == 0) {
        start(std::move(ping));
        return;
    }
    if (own >= kMaxWaitingPerAsker || (waiting_.size() >= kMaxWaiting && !makeRoomFor(own))) {
        // Other askers' pings coming and going do not make it say so again: only this asker's
        // line emptying does.
        if (toldRefused_.insert(asker).second)
            DZLogText(
                "DZClickTrackerCollection: too many pings waiting for their turn; new ones are dropped");
        return;
    }
    waiting_.push_back(std::move(ping));
}

bool DZClickTrackerCollection::makeRoomFor(std::size_t waitingOfAsker) {
    // The asker with the most waiting gives up its newest, unless that is the one asking: then
    // many askers filling the places together still leave one with few a place.
    std::map<DZPingAsker, std::size_t> counts;
    for (const auto& waiting : waiting_) ++counts[waiting.asker];
    auto most = counts.begin();
    for (auto it = counts.begin(); it != counts.end(); ++it)
        if (it->second > most->second) most = it;
    if (most == counts.end() || most->second <= waitingOfAsker + 1) return false;
    const DZPingAsker evicted = most->first;
    auto newest = std::find_if(waiting_.rbegin(), waiting_.rend(),
                               [evicted](const Waiting& waiting) { return waiting.asker == evicted; });
    waiting_.erase(std::next(newest).base());
    return true;
}

bool DZClickTrackerCollection::hasSlotFor(DZPingAsker asker) const {
    return trackersInFlight() < kMaxTrackersInFlight && inFlightFor(asker) < kMaxInFlightPerAsker;
}

void DZClickTrackerCollection::start(Waiting ping) {
    auto tracker = DZClickTracker::create();
    tracker->setDelegate(weak_from_this());
    tracker->setCacheEnabled(ping.cacheEnabled);
    if (ping.check) {
        // A hop is decided long after the asker's scope ended: its lines are the asker's.
        DZClickTracker::HopCheck check = std::move(ping.check);
        if (check.url) check.url = chargedTo(ping.charge, std::move(check.url));
        if (check.refused) check.refused = chargedTo(ping.charge, std::move(check.refused));
        tracker->setHopCheck(std::move(check));
    }
    tracker->trackURL(ping.url);
    askers_[tracker.get()] = {ping.asker, std::move(ping.charge)};
    std::weak_ptr<DZClickTrackerCollection> weakSelf = weak_from_this();
    std::weak_ptr<DZClickTracker> weakTracker = tracker;
    trackers_.insert(std::move(tracker));
    deadlineTimer_(kMaxAnswerSeconds, [weakSelf, weakTracker] {
        auto self = weakSelf.lock();
        auto late = weakTracker.lock();
        if (self && late && !late->hasTracked()) self->giveUp(late);
    });
}

void DZClickTrackerCollection::giveUp(const std::shared_ptr<DZClickTracker>& tracker) {
    if (!trackers_.count(tracker)) return;
    if (!std::exchange(givingUp_, true)) {
        DZLogChargeScope charge(askers_.at(tracker.get()).charge);
        DZLogText("DZClickTrackerCollection: a ping had no answer in " +
                  std::to_string(static_cast<int>(kMaxAnswerSeconds)) + " s; given up to free its slot");
    }
    tracker->setDelegate({});
    tracker->reset();
    askers_.erase(tracker.get());
    trackers_.erase(tracker);
    startWaiting();
}

void DZClickTrackerCollection::startWaiting() {
    while (!waiting_.empty() && trackersInFlight() < kMaxTrackersInFlight) {
        // A free slot goes to the asker holding fewest, so askers whose pings never answer cannot
        // take back every slot they give up.
        std::map<DZPingAsker, std::size_t> held;
        for (const auto& tracker : trackers_)
            if (tracker->backgroundTaskID() != platform::kInvalidBackgroundTask)
                ++held[askers_.at(tracker.get()).asker];
        auto next = waiting_.end();
        for (auto it = waiting_.begin(); it != waiting_.end(); ++it) {
            const std::size_t holds = held[it->asker];
            if (holds < kMaxInFlightPerAsker && (next == waiting_.end() || holds < held[next->asker]))
                next = it;
        }
        if (next == waiting_.end()) break;
        Waiting chosen = std::move(*next);
        waiting_.erase(next);
        start(std::move(chosen));
    }
    // An asker with nothing waiting any more is told again of its next dropped ping.
    std::erase_if(toldRefused_, [this](DZPingAsker asker) { return waitingFor(asker) == 0; });
}

void DZClickTrackerCollection::trackURLs(const nlohmann::json& urls, DZPingAsker asker, bool cacheEnabled,
                                         const DZClickTracker::HopCheck& check) {
    if (!urls.is_array()) return;
    for (const auto& element : urls) {
        if (!element.is_string()) continue;
        const std::string text = element.get<std::string>();
        if (!platform::parseUrl(text)) continue;
        trackURL(text, asker, cacheEnabled, check);
    }
}

void DZClickTrackerCollection::trackMediationURLsFromTemplates(
    const std::optional<nlohmann::json>& templates, const std::optional<std::string>& defaultTemplate,
    const std::string& networkID, const std::string& allocationID, const std::optional<std::string>& qData,
    const std::string& appKey, bool refresh, const std::string& durations, const std::string& exitCodes) {
    nlohmann::json list = nlohmann::json::array();
    if (templates) {
        if (templates->is_array()) list = *templates;
    } else if (defaultTemplate) {
        list.push_back(*defaultTemplate);
    }
    if (list.empty()) return;
    if (!reportSource_) {
        platform::logMessage("DZClickTrackerCollection", 3,
                             "no application state to number mediation reports");
        return;
    }
    for (const auto& element : list) {
        if (!element.is_string()) continue;
        const std::string sequenceNumber = reportSource_->nextSequenceNumberAsString();
        const std::string sessionID = reportSource_->sessionID();
        auto url = DZMUtilities::mediationURLFrom(element.get<std::string>(), appKey, refresh, allocationID,
                                                  networkID, qData.value_or(std::string()), sessionID,
                                                  sequenceNumber, exitCodes, durations);
        // The reports share one asker's share: the server names their templates.
        if (url) trackURL(*url, reportsAsker_);
    }
}

void DZClickTrackerCollection::trackerDidRedirect(DZClickTracker&, const std::string&) {
    givingUp_ = false;
    scheduleCleanup();
}

void DZClickTrackerCollection::trackerDidFailWithError(DZClickTracker&, platform::ErrorRef) {
    givingUp_ = false;
    scheduleCleanup();
}

void DZClickTrackerCollection::scheduleCleanup() {
    std::weak_ptr<DZClickTrackerCollection> weak = weak_from_this();
    platform::DispatchQueue::main()->async([weak] {
        if (auto self = weak.lock()) self->cleanupTrackers();
    });
}

void DZClickTrackerCollection::cleanupTrackers() {
    for (auto it = trackers_.begin(); it != trackers_.end();) {
        if ((*it)->hasTracked()) {
            (*it)->setDelegate({});
            askers_.erase(it->get());
            it = trackers_.erase(it);
        } else {
            ++it;
        }
    }
    startWaiting();
}

std::size_t DZClickTrackerCollection::trackersInFlight() const {
    std::size_t count = 0;
    for (const auto& tracker : trackers_)
        if (tracker->backgroundTaskID() != platform::kInvalidBackgroundTask) ++count;
    return count;
}

std::size_t DZClickTrackerCollection::inFlightFor(DZPingAsker asker) const {
    std::size_t count = 0;
    for (const auto& tracker : trackers_)
        if (tracker->backgroundTaskID() != platform::kInvalidBackgroundTask &&
            askers_.at(tracker.get()).asker == asker)
            ++count;
    return count;
}

std::size_t DZClickTrackerCollection::waitingFor(DZPingAsker asker) const {
    std::size_t count = 0;
    for (const auto& waiting : waiting_)
        if (waiting.asker == asker) ++count;
    return count;
}

std::size_t dz_pingsInFlight() {
    const auto collection = DZClickTrackerCollection::sharedInstance();
    return DZPinger::sharedInstance()->pingsInFlight() + collection->trackersInFlight() +
           collection->waitingCount();
}
