#include "ads/core/slot/DZSlot.h"

#include <cmath>
#include <cstdio>
#include <mutex>
#include <random>

#include "ads/core/DZAd.h"
#include "ads/core/DZAdCoreHooks.h"
#include "ads/core/DZCorrelator.h"
#include "ads/core/DZRequest.h"
#include "ads/foundation/DZAbsoluteTime.h"
#include "ads/foundation/DZCSI.h"
#include "ads/foundation/DZCSITimeRecorder.h"
#include "ads/foundation/DZSlotStatistics.h"
#include "ads/foundation/DZStatisticDictionary.h"
#include "ads/foundation/DZWeakTargetAdditions.h"
#include "ads/mediation/DZMAdManager.h"
#include "ads/render/overlay/DZViewController.h"
#include "ads/render/sampling/DZContentSampler.h"
#include "ads/render/view/DZAdView.h"
#include "ads/render/view/DZBannerAdViewDelegate.h"
#include "ads/render/view/DZMRAIDInterceptor.h"
#include "platform/dispatch/MainLoopTimer.h"
#include "platform/ui/NotificationCenter.h"
#include "platform/ui/Window.h"

using platform::ui::NotificationCenter;

namespace {

std::shared_ptr<DZCSITimeRecorder> loadRecorder() {
    auto csi = DZCSI::sharedInstance();
    return csi ? csi->timeRecorderForAction("load_ad_ios") : nullptr;
}

void sendCSIReport() {
    if (auto csi = DZCSI::sharedInstance()) csi->sendReport();
}

nlohmann::json now() {
    return DZAbsoluteTime::absoluteTimeInMilliseconds();
}

int32_t randomIdentifier() {
    static thread_local std::mt19937 random{std::random_device{}()};
    return static_cast<int32_t>(random());
}

}  // namespace

std::shared_ptr<DZSlot> DZSlot::create(platform::Rect frame) {
    static std::once_flag once;
    std::call_once(once, [] {
        // The server's sampling switch reaches the page-content sampler, unless the app put its
        // own hook in; a slot exists before any answer of the server can say it.
        if (!DZAdCoreHooks::setContentHashingEnabled) {
            DZAdCoreHooks::setContentHashingEnabled = [](bool enabled) {
                auto sampler = DZContentSampler::shared();
                if (enabled) {
                    sampler->startContentHashing();
                } else {
                    sampler->stopContentHashing();
                }
            };
        }
    });
    auto slot = std::make_shared<DZSlot>(frame);
    slot->construct();
    return slot;
}

DZSlot::DZSlot(platform::Rect frame) : frame_(frame) {}

void DZSlot::construct() {
    state_ = 0;
    reloadInterval_ = kDefaultReloadInterval;
    adView_ = DZAdView::create(frame_);
    if (auto csi = DZCSI::sharedInstance()) csi->recordTimestampForLabel("native:view_create");
    adViewDelegate_ = DZBannerAdViewDelegate::create(weak_from_this());
    adView_->setDelegate(adViewDelegate_);

    auto& center = NotificationCenter::defaultCenter();
    const auto observe = [&](const std::string& name, void (DZSlot::*method)()) {
        center.addObserver(
            name,
            [weak = weak_from_this(), method](const platform::ui::Notification&) {
                if (auto self = weak.lock()) ((*self).*method)();
            },
            this);
    };
    observe(platform::ui::kApplicationWillResignActiveNotification, &DZSlot::appWillBecomeInactive);
    observe(platform::ui::kApplicationDidBecomeActiveNotification, &DZSlot::appDidBecomeActive);
    observe(platform::ui::kApplicationDidEnterBackgroundNotification, &DZSlot::appDidEnterBackground);
    observe(DZViewController::kWillPresentFullScreenNotification, &DZSlot::adWillPresentFullScreen);
    observe(DZViewController::kDidDismissFullScreenNotification, &DZSlot::adDidRelinquishFullScreen);

    adType_ = DZAdType::interstitialAdType();
    slotStats_ = std::make_shared<DZSlotStatistics>();
    mediationManager_ = std::make_shared<DZMAdManager>();
    mediationManager_->setSlot(weak_from_this());

    CSIIdentifier_ = randomIdentifier();
    const std::string id = std::to_string(static_cast<long>(CSIIdentifier_));
    adResponseKey_ = "arf_ios" + id;
    netWorkLatencyKey_ = "nwl_ios" + id;
    adRenderingKey_ = "awr_ios" + id;
    totalTimeKey_ = "ttc_ios" + id;
}

DZSlot::~DZSlot() {
    stateChangeHandler_ = nullptr;  // nobody is told of a slot that is going
    zadavaDuruVisibilityHandler_ = nullptr;
    finishZadavaDuruReporting();
    if (adFetcher_) adFetcher_->cancel();
    deactivateReloadTimer();
    NotificationCenter::defaultCenter().removeObserversOf(this);
    invalidate();
    if (mediationManager_) mediationManager_->setSlot({});
    if (!pendingAdStatistics_.empty())
        DZApplication::sharedInstance()->didNotSendAdStatistics(pendingAdStatistics_);
}

std::string DZSlot::description() const {
    char address[32];
    std::snprintf(address, sizeof address, "%p", static_cast<const void*>(this));
    return "<DZSlot: " + std::string(address) + ">\nad unit ID:" + adUnitID_;
}

void DZSlot::setState(int state) {
    if (state_ == 8 || state == state_ || state < 0 || state > 8) return;
    const int from = state_;
    state_ = state;
    if (from == 0 && state == 2) {
        DZMRAIDInterceptor::enableCanInitWithRequest();
    } else if (state == 1 || state == 6 || state == 7) {
        DZMRAIDInterceptor::disableCanInitWithRequest();
    }
    if (stateChangeHandler_) {
        auto hold = weak_from_this().lock();
        auto handler = stateChangeHandler_;
        handler(from, state);
    }
}

void DZSlot::setAdUnitID(const std::string& adUnitID) {
    adUnitID_ = adUnitID;
    slotStats_->setIdentifier(adUnitID);
}

void DZSlot::setAdTypeAndReloadRequest(const DZAdType& type, bool reload) {
    if (type == adType_) return;
    auto hold = weak_from_this().lock();
    adType_ = type;
    if (reload && newAdSize_ == platform::Size{} && adView_) adView_->setHidden(true);
    if (mediationManager_->isMediating()) {
        if (mediationManager_->changeAdTypeTo(type)) return;
        if (auto delegate = slotDelegate()) delegate->slotDidReceiveAdView(*this, nullptr);
    }
    if (!reload) return;
    if (isMakingRequest()) cancelPendingActions();
    if (attemptedOnce_) loadNextRequestWithAutoRefresh(false);
}

void DZSlot::setNextRequest(const std::shared_ptr<DZRequest>& request) {
    nextRequest_ = request ? request->copy() : nullptr;
}

void DZSlot::setReloadInterval(double seconds) {
    // A timer holds at most kDZMaxReloadInterval; NaN falls to "off".
    reloadInterval_ = seconds >= 1.0 ? std::min(seconds, kDZMaxReloadInterval) : 0;
}

bool DZSlot::isReloadTimerArmed() const {
    return reloadTimer_ && reloadTimer_->isValid();
}

// Refresh and cancellation.

void DZSlot::scheduleAdReloadTimer() {
    deactivateReloadTimer();
    if (!reloadable_ || !attemptedOnce_ || !(reloadInterval_ > 0)) return;
    reloadTimer_ = dz_scheduledTimerWithTimeInterval(
        reloadInterval_, false, 0, [weak = weak_from_this()](platform::MainLoopTimer& fired) {
            auto self = weak.lock();
            if (!self) return;
            if (self->reloadTimer_.get() == &fired) self->reloadTimer_.reset();
            self->reloadCurrentRequest();
        });
}

void DZSlot::deactivateReloadTimer() {
    if (reloadTimer_) reloadTimer_->invalidate();
    reloadTimer_.reset();
}

void DZSlot::reloadCurrentRequest() {
    if (!reloadable_) return;
    auto hold = weak_from_this().lock();
    auto delegate = slotDelegate();
    if (delegate && delegate->slotShouldReloadCurrentRequest(*this).value_or(false)) {
        loadNextRequestWithAutoRefresh(true);
        // A refresh refused (a load still running, the app inactive) would otherwise leave the
        // banner with no timer at all: nothing else arms it until a load ends.
        if (!lastLoadStarted_ && state_ != 8) scheduleAdReloadTimer();
    } else {
        scheduleAdReloadTimer();
    }
}

void DZSlot::cancelLoad() {
    auto hold = weak_from_this().lock();
    // A script ad's rendering check must not end a later load.
    restoreBannerAdViewDelegate();
    if (adFetcher_) adFetcher_->cancel();
    adFetcher_.reset();
    loadingAd_.reset();
    resetState();
}

void DZSlot::cancelPendingActions() {
    deactivateReloadTimer();
    cancelLoad();
    mediationManager_->cancel();
}

void DZSlot::cancelPendingAndFutureActions() {
    cancelPendingActions();
    // A store page already up stays until its Done: the slot holds itself for it.
    unscheduleSwipeToViewControllerChecker();
    disableSwipeToViewController();
    slotDelegate_.reset();
    reloadable_ = false;
    deactivateReloadTimer();
    invalidateState();
}

void DZSlot::invalidate() {
    if (adViewDelegate_) adViewDelegate_->opener().clearContext();
    adViewDelegate_.reset();
    if (adView_) {
        adView_->setDelegate({});
        adView_->removeFromSuperview();
        adView_.reset();
    }
    invalidateState();
}

void DZSlot::resetRequestState() {
    unloadMRAIDAd(ad_);
    ad_.reset();
    resetState();
}

void DZSlot::mediatedAdNetworkAutoRefreshed() {
    hasAutoRefreshed_ = true;
}

// State transitions.

void DZSlot::resetState() {
    setState(0);
}

void DZSlot::willRequestAdURL() {
    if (state_ == 8) return;
    setState(2);
    applicationStatistics_ = DZApplication::sharedInstance()->nextRequestStatisticsDictionaryForSlot(
        mediationManager_->isMediating());
}

void DZSlot::didFailToRetrieveSDKCoreWithError(const DZRequestError::Ref& error) {
    auto hold = weak_from_this().lock();
    setState(1);
    adFailedToReceiveContentWithError(error);
}

void DZSlot::didReceiveAdURL() {
    setState(3);
}

void DZSlot::willFetchAdContent() {
    if (state_ == 8) return;
    setState(4);
    if (!loadingAd_) return;
    auto statistics = loadingAd_->statistics();
    const auto at = [&](const char* key) -> nlohmann::json {
        auto it = applicationStatistics_.find(key);
        return it == applicationStatistics_.end() ? nlohmann::json() : *it;
    };
    const nlohmann::json requested = at("currts");
    statistics->setObjectForKeyedSubscript(requested.is_null() ? now() : requested, "treq");
    statistics->setObjectForKeyedSubscript(now(), "tfetch");
    if (!adUnitID_.empty()) statistics->setObjectForKeyedSubscript(adUnitID_, "slotid");
    if (auto sequence = at("seq_num"); !sequence.is_null())
        statistics->setObjectForKeyedSubscript(sequence, "seq_num");
}

void DZSlot::didFetchAdContent() {
    if (loadingAd_) loadingAd_->statistics()->setObjectForKeyedSubscript(now(), "tresponse");
    auto app = DZApplication::sharedInstance()->statistics();
    for (const char* key : {"oar", "bas_on", "bas_off"}) app->setObjectForKeyedSubscript(0, key);
}

void DZSlot::willProcessMediationResponse() {
    if (state_ == 8) return;
    setState(4);
    if (loadingAd_) loadingAd_->statistics()->setObjectForKey(true, "ismediation", true);
}

void DZSlot::didFailToReceiveAdWithError(const DZRequestError::Ref& error, bool shouldCancelPendingActions) {
    auto hold = weak_from_this().lock();
    if (shouldCancelPendingActions) cancelPendingActions();
    didReceiveInvalidAd();
    adFailedToReceiveContentWithError(error ? error : DZRequestError::errorWithCode(kDZErrorInternalError));
}

void DZSlot::didReceiveInvalidAd() {
    if (state_ == 8 || state_ == 7) return;
    setState(7);
    if (auto recorder = loadRecorder()) {
        recorder->cancelTimingVariableWithName("awr_ios", adRenderingKey_);
        recorder->cancelTimingVariableWithName("ttc_ios", totalTimeKey_);
    }
    sendCSIReport();
    loadingAd_.reset();
    // Handed back once: a later request carries them, and the slot no longer does.
    auto unsent = std::move(pendingAdStatistics_);
    pendingAdStatistics_.clear();
    if (!unsent.empty()) DZApplication::sharedInstance()->didNotSendAdStatistics(unsent);
}

void DZSlot::didReceiveValidAd() {
    if (state_ == 8 || state_ == 6) return;
    setState(6);
    if (auto recorder = loadRecorder()) {
        recorder->endTimingVariableWithName("awr_ios", adRenderingKey_);
        recorder->endTimingVariableWithName("ttc_ios", totalTimeKey_);
    }
    sendCSIReport();
    pendingAdStatistics_.clear();
}

void DZSlot::willStartAdRendering() {
    setState(5);
}

void DZSlot::willLoadAdHTMLInWebView() {
    willStartAdRendering();
}

void DZSlot::didLoadAdHTMLInWebView() {
    finishedLoadingAdResponse(loadingAd_);
    if (adView_) adView_->setTouched(false);
    const uint64_t loaded = DZAbsoluteTime::absoluteTimeInMilliseconds();
    if (ad_) ad_->statistics()->setObjectForKey(loaded, "tload", true);
    timeLastLoaded_ = loaded;
}

void DZSlot::didMakeAdImpression() {
    DZApplication::sharedInstance()->statistics()->incrementNumberForKey("pimp", false);
    pingImpressionURLs();
    viewHasMadeImpression_ = true;
    startZadavaDuruReportingIfEnabled();
}

void DZSlot::willLeaveAppDueToClick() {
    if (ad_) ad_->statistics()->setObjectForKey(true, "pclb", true);
}

void DZSlot::invalidateState() {
    setState(8);
}

// Ad events.

void DZSlot::willProcessAd() {
    finishZadavaDuruReporting();
    endSwipeToViewController();
}

void DZSlot::adFailedToReceiveContentWithError(const DZRequestError::Ref& error) {
    auto hold = weak_from_this().lock();
    if (auto delegate = adLoadDelegate_.lock()) delegate->slotDidFailToLoadAdContent(*this, error);
}

void DZSlot::adFinishedLoadingContent() {
    auto hold = weak_from_this().lock();
    if (ad_ && ad_->swipeConfigurations()) scheduleSwipeToViewControllerChecker();
    if (auto delegate = adLoadDelegate_.lock()) delegate->slotFinishedLoadingAdContent(*this);
}

void DZSlot::adWasClicked() {
    ++adClickCount_;
    DZApplication::sharedInstance()->incrementTotalAdClickCount();
    if (!ad_) return;
    auto statistics = ad_->statistics();
    statistics->setObjectForKeyedSubscript(now(), "tclickcurr");
    statistics->incrementNumberForKey("pcc", true);
}

void DZSlot::adWillPresentScreen() {
    auto hold = weak_from_this().lock();
    if (auto delegate = adEventDelegate_.lock()) delegate->slotWillPresentScreen(*this);
}

void DZSlot::adWillDismissScreen() {
    auto hold = weak_from_this().lock();
    if (auto delegate = adEventDelegate_.lock()) delegate->slotWillDismissScreen(*this);
}

void DZSlot::adDidDismissScreen() {
    auto hold = weak_from_this().lock();
    if (auto delegate = adEventDelegate_.lock()) delegate->slotDidDismissScreen(*this);
}

void DZSlot::adWillLeaveApplication() {
    auto hold = weak_from_this().lock();
    DZApplication::sharedInstance()->willLeaveApplicationDueToClickOnAd(ad_ ? ad_->statistics() : nullptr);
    if (auto delegate = adEventDelegate_.lock()) delegate->slotWillLeaveApplication(*this);
}

// Views and windows. Visibility measurement starts and stops here once it exists.

void DZSlot::bannerDidMoveToWindow(const std::shared_ptr<platform::ui::Window>& window) {
    auto hold = weak_from_this().lock();
    auto monitor = zadavaDuruMonitor_;
    if (window) {
        if (monitor) monitor->startMonitoring();
        return;
    }
    if (monitor) {
        monitor->sample();
        monitor->stopMonitoring();
    }
    NotificationCenter::defaultCenter().post(kDidLeaveWindowNotification, this);
}

void DZSlot::interstitialViewWillAppear() {
    if (auto monitor = zadavaDuruMonitor_) monitor->startMonitoring();
}

void DZSlot::interstitialViewWillDisappear() {
    auto hold = weak_from_this().lock();
    if (auto monitor = zadavaDuruMonitor_) {
        monitor->sample();
        monitor->stopMonitoring();
    }
}

void DZSlot::updateContentSize(platform::Size size) {
    const auto& shown = ad_ ? ad_ : loadingAd_;
    platform::Size passed;
    if (shown && shown->fluid()) {
        passed = size;
    } else if (ad_) {
        passed = DZCGSizeFromAdSizeString(ad_->customAdSizeString());
    }
    auto hold = weak_from_this().lock();
    if (auto delegate = slotDelegate()) delegate->slotContentSizeDidChange(*this, passed);
}

// Application activity and full-screen notices. A fresh full interval follows each return: the
// time left before leaving is not kept.

void DZSlot::appWillBecomeInactive() {
    deactivateReloadTimer();
    if (auto monitor = zadavaDuruMonitor_) monitor->sample();
}

void DZSlot::appDidBecomeActive() {
    scheduleAdReloadTimer();
    if (auto monitor = zadavaDuruMonitor_) monitor->sample();
}

void DZSlot::adWillPresentFullScreen() {
    deactivateReloadTimer();
}

void DZSlot::adDidRelinquishFullScreen() {
    scheduleAdReloadTimer();
}
