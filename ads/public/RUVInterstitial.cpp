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
    DZSlot& slot, const std::shared_ptr<DZAd>& ad, platform::ErrorRef* error) {
    auto hold = shared_from_this();
    const std::shared_ptr<RUVCustomRenderedAdDelegate> self(std::static_pointer_cast<RUVInterstitial>(hold),
                                                            this);
    Deliver deliver;
    if (auto delegate = customRenderedDelegate_.lock()) {
        deliver = [this, delegate](const std::shared_ptr<RUVCustomRenderedAd>& customAd) {
            // Set before the app hears of it: an app presenting from there is already refused.
            customAdRenderingEnabled_ = true;
            delegate->interstitialDidReceiveCustomRenderedAd(*this, customAd);
        };
    }
    return handOverCustomRenderedAd(slot, ad, self, deliver, "RUVCustomRenderedInterstitialDelegate",
                                    "Interstitial", description(), error);
}
