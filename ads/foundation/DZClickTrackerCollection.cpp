#include "ads/foundation/DZClickTrackerCollection.h"

#include <utility>

#include "ads/foundation/DZApplication.h"
#include "ads/foundation/DZMUtilities.h"
#include "ads/foundation/DZPinger.h"
#include "platform/dispatch/DispatchQueue.h"
#include "platform/foundation/Log.h"
#include "platform/http/HttpUrl.h"

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

std::shared_ptr<DZClickTrackerCollection> DZClickTrackerCollection::create() {
    return std::shared_ptr<DZClickTrackerCollection>(new DZClickTrackerCollection());
}

DZClickTrackerCollection::~DZClickTrackerCollection() {
    for (const auto& tracker : trackers_) {
        tracker->setDelegate({});
        tracker->reset();
    }
}

void DZClickTrackerCollection::trackURL(const std::string& url) {
    trackURL(url, true);
}

void DZClickTrackerCollection::trackURL(const std::string& url, bool cacheEnabled) {
    if (waiting_.empty() && trackersInFlight() < kMaxTrackersInFlight) {
        start(url, cacheEnabled);
        return;
    }
    if (waiting_.size() >= kMaxWaiting) {
        if (!std::exchange(refusingOwn_, true))
            platform::logMessage("DZClickTrackerCollection", 3,
                                 "too many pings waiting for their turn; new ones are dropped");
        return;
    }
    refusingOwn_ = false;
    waiting_.push_back({url, cacheEnabled});
}

void DZClickTrackerCollection::trackPageURL(const std::string& url, bool cacheEnabled) {
    if (pageTrackersInFlight() >= kMaxPageTrackersInFlight || trackersInFlight() >= kMaxTrackersInFlight) {
        if (!std::exchange(refusingPages_, true))
            platform::logMessage("DZClickTrackerCollection", 3,
                                 "too many pages' pings waiting for an answer; new ones are dropped");
        return;
    }
    refusingPages_ = false;
    pageTrackers_.insert(&start(url, cacheEnabled));
}

DZClickTracker& DZClickTrackerCollection::start(const std::string& url, bool cacheEnabled) {
    auto tracker = DZClickTracker::create();
    DZClickTracker& started = *tracker;
    tracker->setDelegate(weak_from_this());
    tracker->setCacheEnabled(cacheEnabled);
    tracker->trackURL(url);
    trackers_.insert(std::move(tracker));
    return started;
}

void DZClickTrackerCollection::startWaiting() {
    while (!waiting_.empty() && trackersInFlight() < kMaxTrackersInFlight) {
        const Waiting next = std::move(waiting_.front());
        waiting_.pop_front();
        start(next.url, next.cacheEnabled);
    }
}

void DZClickTrackerCollection::trackURLs(const nlohmann::json& urls, bool cacheEnabled) {
    if (!urls.is_array()) return;
    for (const auto& element : urls) {
        if (!element.is_string()) continue;
        const std::string text = element.get<std::string>();
        if (!platform::parseUrl(text)) continue;
        trackURL(text, cacheEnabled);
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
        if (url) trackURL(*url);
    }
}

void DZClickTrackerCollection::trackerDidRedirect(DZClickTracker&, const std::string&) {
    scheduleCleanup();
}

void DZClickTrackerCollection::trackerDidFailWithError(DZClickTracker&, platform::ErrorRef) {
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
            pageTrackers_.erase(it->get());
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

std::size_t DZClickTrackerCollection::pageTrackersInFlight() const {
    std::size_t count = 0;
    for (const auto& tracker : trackers_)
        if (pageTrackers_.count(tracker.get()) &&
            tracker->backgroundTaskID() != platform::kInvalidBackgroundTask)
            ++count;
    return count;
}

std::size_t dz_pingsInFlight() {
    const auto collection = DZClickTrackerCollection::sharedInstance();
    return DZPinger::sharedInstance()->pingsInFlight() + collection->trackersInFlight() +
           collection->waitingCount();
}
