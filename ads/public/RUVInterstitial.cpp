#include "ads/public/RUVInterstitial.h"

#include "ads/core/DZCorrelator.h"
#include "ads/core/slot/DZSlot.h"
#include "ads/foundation/DZLogger.h"

std::shared_ptr<RUVInterstitial> RUVInterstitial::create(const std::optional<std::string>& adUnitID) {
    auto interstitial = std::make_shared<RUVInterstitial>();
    interstitial->commonInit(adUnitID);
    return interstitial;
}

void RUVInterstitial::presentFromRootViewController(
    const std::shared_ptr<platform::ui::ViewController>& root) {
    if (customAdRenderingEnabled_) {
        DZLog(
            "Error: Custom ad rendering is enabled. Please present interstitial view from rootViewController "
            "manually.");
        return;
    }
    DZInterstitial::presentFromRootViewController(root);
}

void RUVInterstitial::slotDidReceiveAppEvent(DZSlot&, const std::string& name,
                                             const std::optional<std::string>& info) {
    auto hold = shared_from_this();
    if (auto delegate = appEventDelegate_.lock()) delegate->interstitialDidReceiveAppEvent(*this, name, info);
}

void RUVInterstitial::slotWillLoadAdWithRequest(DZSlot& slot, const DZRequest&) {
    previousCorrelationID_ = slot.correlator() ? slot.correlator()->correlationID() : 0;
}

std::optional<bool> RUVInterstitial::slotShouldPreemptInProgressRequest(DZSlot& slot) {
    return previousCorrelationID_ != 0 && slot.correlator() &&
           slot.correlator()->correlationID() != previousCorrelationID_;
}

std::optional<bool> RUVInterstitial::slotNotifyPublisherToRenderCustomRenderingAd(
    DZSlot&, const std::shared_ptr<DZAd>&, platform::ErrorRef* error) {
    // No app can take a custom-rendered ad until the ad that it draws exists.
    if (error) {
        const std::string delegate =
            customRenderedDelegate_.expired() ? "(null)" : "RUVCustomRenderedInterstitialDelegate";
        *error = DZRequestError::errorWithCodeCustomMessage(
            kDZErrorInvalidArgument,
            "Ignoring delegate callback. Delegate does not conform to "
            "RUVCustomRenderedInterstitialDelegate.\nInterstitial: " +
                description() + "\nDelegate: " + delegate);
    }
    return false;
}
