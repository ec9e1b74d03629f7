// The slot's part in measuring how much of its ad is seen: when a measurement starts and ends,
// the unit of each sample, and what the core page answers.
#include "ads/core/DZAd.h"
#include "ads/core/slot/DZSlot.h"
#include "ads/foundation/DZApplication.h"
#include "ads/render/view/DZAdView.h"
#include "ads/render/viewability/DZZadavaDuruUnit.h"
#include "platform/ui/View.h"

bool DZSlot::canEnableZadavaDuruMonitoring() const {
    if (mediatingFormat() || !viewHasMadeImpression_) return false;
    return (ad_ && ad_->zadavaDuruConfigurations()) || isMRAIDEnabled();
}

void DZSlot::startZadavaDuruReportingIfEnabled() {
    if (!canEnableZadavaDuruMonitoring()) return;
    if (!zadavaDuruMonitor_) createZadavaDuruMonitor();
    // Held: a sample tells this slot, whose answer may end the measurement.
    auto monitor = zadavaDuruMonitor_;
    if (!monitor) return;
    monitor->sample();
    if (monitoredViewIsSubviewOfDeviceScreen()) monitor->startMonitoring();
}

std::shared_ptr<platform::ui::View> DZSlot::zadavaDuruMonitoredView() const {
    if (monitoredViewNamed_) return zadavaDuruMonitoredView_.lock();
    return adView_;
}

bool DZSlot::monitoredViewIsSubviewOfDeviceScreen() const {
    auto view = zadavaDuruMonitoredView();
    return view && view->window();
}

void DZSlot::createZadavaDuruMonitor() {
    std::weak_ptr<DZSDKCoreController> weakController = coreController_;
    auto controller = weakController.lock();
    if (!controller) controller = DZSDKCoreController::sharedInstance();
    zadavaDuruMonitor_ = DZZadavaDuruMonitor::initWithView(zadavaDuruMonitoredView(), [weakController] {
        auto c = weakController.lock();
        if (!c) c = DZSDKCoreController::sharedInstance();
        return c->zadavaDuruSamplingInterval();
    });
    if (!zadavaDuruMonitor_) return;
    zadavaDuruID_ = DZApplication::sharedInstance()->nextZadavaDuruID();
    zadavaDuruCoreWebView_ = controller->SDKCoreWebViewForZadavaDuruProcessing();
    auto self = shared_from_this();
    if (zadavaDuruCoreWebView_) zadavaDuruCoreWebView_->setZadavaDuruObserver(self, zadavaDuruID_);
    zadavaDuruMonitor_->setDelegate(std::weak_ptr<DZZadavaDuruMonitorDelegate>(self));
}

std::optional<nlohmann::json> DZSlot::zadavaDuruParameters(const DZZadavaDuruMonitor& monitor,
                                                           bool unloaded) const {
    DZZadavaDuruUnit::Slot slot;
    slot.zadavaDuruID = zadavaDuruID_;
    slot.MRAIDEnabled = isMRAIDEnabled();
    slot.interstitial = adType_.isInterstitial();
    if (ad_) slot.configuration = ad_->zadavaDuruConfigurations();
    return DZZadavaDuruUnit::parameters(monitor, unloaded, slot);
}

void DZSlot::sendZadavaDuruUnit(const DZZadavaDuruMonitor& monitor, bool unloaded) {
    auto command = DZZadavaDuruUnit::JSCommandWithParams(zadavaDuruParameters(monitor, unloaded));
    if (!command || !zadavaDuruCoreWebView_) return;
    zadavaDuruCoreWebView_->enqueueJavaScriptCommand(*command);
    ++zadavaDuruUnitsSent_;
}

void DZSlot::zadavaDuruMonitorDidRefresh(DZZadavaDuruMonitor& monitor) {
    sendZadavaDuruUnit(monitor, false);
    // Held: the creative's handler is this slot, which the unit's answer may have let go of.
    auto handler = ad_ ? ad_->MRAIDEventHandler() : nullptr;
    if (auto view = monitor.monitoredView(); handler && view) handler->updatePositionFromView(*view);
}

void DZSlot::zadavaDuruMonitorWillUnload() {
    if (zadavaDuruMonitor_) sendZadavaDuruUnit(*zadavaDuruMonitor_, true);
}

void DZSlot::finishZadavaDuruReporting() {
    if (auto monitor = zadavaDuruMonitor_) {
        monitor->stopMonitoring();
        monitor->setDelegate({});
        zadavaDuruMonitorWillUnload();
        zadavaDuruMonitor_.reset();
    }
    if (auto webView = std::move(zadavaDuruCoreWebView_)) {
        zadavaDuruCoreWebView_.reset();
        webView->removeZadavaDuruObserverForZadavaDuruID(zadavaDuruID_);
        auto controller = coreController_.lock();
        if (!controller) controller = DZSDKCoreController::sharedInstance();
        controller->finishedUsingSDKCoreWebViewForZadavaDuruProcessing(webView);
    }
}

void DZSlot::adViewDidChangeZadavaDuruVisibility(bool visible) {
    if (zadavaDuruVisibilityHandler_) zadavaDuruVisibilityHandler_(visible);
    if (!isMRAIDEnabled()) return;
    // The answer to the last sample of a closed ad (or of one that left its window) comes after
    // the page heard it was hidden: measured no more, the ad is not seen again.
    if (visible && !(zadavaDuruMonitor_ && zadavaDuruMonitor_->isMonitoring())) return;
    if (auto handler = ad_->MRAIDEventHandler()) handler->updateVisibility(visible);
}

void DZSlot::adViewDidStopZadavaDuruMonitoring() {
    finishZadavaDuruReporting();
}

void DZSlot::appDidEnterBackground() {
    if (auto monitor = zadavaDuruMonitor_) monitor->sample();
}
