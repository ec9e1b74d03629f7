#include "ads/core/slot/DZSlot.h"

#include <cmath>
#include <cstdio>
#include <mutex>
#include <random>

#include "ads/core/DZAd.h"
#include "ads/core/DZAdCoreHooks.h"
#include "ads/core/DZRequest.h"
#include "ads/core/slot/DZSlotFormat.h"
#include "ads/core/slot/DZSlotLoads.h"
#include "ads/foundation/DZCSI.h"
#include "ads/foundation/DZSlotStatistics.h"
#include "ads/foundation/DZWeakTargetAdditions.h"
#include "ads/render/overlay/DZViewController.h"
#include "ads/render/sampling/DZContentSampler.h"
#include "ads/render/view/DZAdView.h"
#include "ads/render/view/DZBannerAdViewDelegate.h"
#include "ads/render/view/DZMRAIDInterceptor.h"
#include "ads/render/view/DZOpener.h"
#include "platform/dispatch/MainLoopTimer.h"
#include "platform/ui/NotificationCenter.h"

using platform::ui::NotificationCenter;

namespace {

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
    state_ = kDZSlotStateIdle;
    reloadInterval_ = kDefaultReloadInterval;
    adView_ = DZAdView::create(frame_);
    if (auto csi = DZCSI::sharedInstance()) csi->recordTimestampForLabel("native:view_create");
    // Protected before any ad arrives: not every ad comes by way of the core page's ad URL.
    autoClickProtected_ = DZOpener::autoClickProtectionByDefault();
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
    DZSlotLoads::slotEntered(this, false);
    if (!pendingAdStatistics_.empty())
        DZApplication::sharedInstance()->didNotSendAdStatistics(pendingAdStatistics_);
}

std::string DZSlot::description() const {
    char address[32];
    std::snprintf(address, sizeof address, "%p", static_cast<const void*>(this));
    return "<DZSlot: " + std::string(address) + ">\nad unit ID:" + adUnitID_;
}

void DZSlot::setState(DZSlotState state) {
    if (state_ == kDZSlotStateInvalidated || state == state_ || state < kDZSlotStateIdle ||
        state > kDZSlotStateInvalidated)
        return;
    const DZSlotState from = state_;
    state_ = state;
    DZSlotLoads::slotEntered(this, state >= kDZSlotStateAdURLRequested && state <= kDZSlotStateRendering);
    if (from == kDZSlotStateIdle && state == kDZSlotStateAdURLRequested) {
        DZMRAIDInterceptor::enableCanInitWithRequest();
    } else if (state == kDZSlotStateCorePageFailed || state == kDZSlotStateValidAd ||
               state == kDZSlotStateFailed) {
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
    // Asked before the type changes: a change from an interstitial is never the network's.
    const bool takenByNetwork = changeAdTypeTo(type);
    const bool mediating = isMediating();
    adType_ = type;
    if (reload && newAdSize_ == platform::Size{} && adView_) adView_->setHidden(true);
    if (mediating) {
        if (takenByNetwork) return;
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
        if (!lastLoadStarted_ && state_ != kDZSlotStateInvalidated) scheduleAdReloadTimer();
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
    cancelFormats();
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
