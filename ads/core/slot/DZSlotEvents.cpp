// What the slot hears from the ad it shows and from the app: clicks, screens over the app, the
// window and the application's activity.
#include "ads/core/slot/DZSlot.h"

#include "ads/core/DZAd.h"
#include "ads/foundation/DZAbsoluteTime.h"
#include "ads/foundation/DZStatisticDictionary.h"
#include "platform/ui/NotificationCenter.h"
#include "platform/ui/Window.h"

using platform::ui::NotificationCenter;

bool DZSlot::mayTakeClicks() const {
    switch (state_) {
        case kDZSlotStateIdle:
        case kDZSlotStateAdURLRequested:
        case kDZSlotStateAdURLReceived:
        case kDZSlotStateFetching:
        case kDZSlotStateValidAd:
        case kDZSlotStateFailed:
            return true;
        case kDZSlotStateCorePageFailed:
        case kDZSlotStateRendering:
        case kDZSlotStateInvalidated:
            break;
    }
    return false;
}

void DZSlot::openWasBlocked(const nlohmann::json& info) {
    if (auto core = sdkCoreController()) {
        if (auto page = core->activeSDKCoreWebView()) page->postJSNotification("navigationBlocked", info);
    }
}

void DZSlot::adDidReceiveAppEvent(const std::string& name, const std::optional<std::string>& info) {
    auto self = shared_from_this();
    if (auto owner = slotDelegate()) owner->slotDidReceiveAppEvent(*this, name, info);
}

void DZSlot::adWasClicked() {
    ++adClickCount_;
    DZApplication::sharedInstance()->incrementTotalAdClickCount();
    if (!ad_) return;
    auto statistics = ad_->statistics();
    statistics->setObjectForKeyedSubscript(DZAbsoluteTime::absoluteTimeInMilliseconds(), "tclickcurr");
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
    NotificationCenter::defaultCenter().post(kDidLeaveWindowNotification, static_cast<const DZAdHost*>(this));
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
