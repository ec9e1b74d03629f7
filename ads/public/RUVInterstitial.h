#pragma once
// The ad-manager interstitial: an interstitial that also hears app events from its ad, shares a
// correlator with other slots and may hand its ad to the app to draw. Main thread only.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "ads/public/DZInterstitial.h"
#include "ads/public/RUVBannerView.h"
#include "ads/public/RUVCustomRenderingOwner.h"

class DZCorrelator;

// The app that draws custom-rendered interstitials itself: it receives each such ad once the
// slot has started rendering it, and presents it itself. Without this delegate the slot hears
// that the hand-over was not taken.
class RUVCustomRenderedInterstitialDelegate {
  public:
    virtual ~RUVCustomRenderedInterstitialDelegate() = default;
    virtual void interstitialDidReceiveCustomRenderedAd(RUVInterstitial& interstitial,
                                                        const std::shared_ptr<RUVCustomRenderedAd>& ad) = 0;
};

class RUVInterstitial : public DZInterstitial, public RUVCustomRenderingOwner {
  public:
    static std::shared_ptr<RUVInterstitial> create(const std::optional<std::string>& adUnitID = std::nullopt);
    const char* className() const override { return "RUVInterstitial"; }

    void setAppEventDelegate(std::weak_ptr<DZAppEventDelegate> d) { appEventDelegate_ = std::move(d); }
    void setCustomRenderedInterstitialDelegate(std::weak_ptr<RUVCustomRenderedInterstitialDelegate> d) {
        customRenderedDelegate_ = std::move(d);
    }
    bool isCustomAdRenderingEnabled() const { return customAdRenderingEnabled_; }
    const std::shared_ptr<DZCorrelator>& correlator() const { return slot()->correlator(); }
    void setCorrelator(std::shared_ptr<DZCorrelator> correlator) {
        slot()->setCorrelator(std::move(correlator));
    }

    // An ad the app took to draw itself is the app's to present: refused here.
    void presentFromRootViewController(const std::shared_ptr<platform::ui::ViewController>& root) override;

    // DZSlotDelegate
    void slotDidReceiveAppEvent(DZSlot&, const std::string& name,
                                const std::optional<std::string>& info) override;
    void slotWillLoadAdWithRequest(DZSlot&, const DZRequest&) override;
    std::optional<bool> slotShouldPreemptInProgressRequest(DZSlot&) override;
    // Hands the ad to the custom-rendering delegate; without one, false with a code 12 error.
    std::optional<bool> slotNotifyPublisherToRenderCustomRenderingAd(DZSlot&, const std::shared_ptr<DZAd>& ad,
                                                                     platform::ErrorRef* error) override;

    RUVInterstitial() = default;  // use create()

  private:
    DZSlot* customRenderingSlot() const override { return slot().get(); }

    std::weak_ptr<DZAppEventDelegate> appEventDelegate_;
    std::weak_ptr<RUVCustomRenderedInterstitialDelegate> customRenderedDelegate_;
    // Set only when the app has taken a custom-rendered ad: one it declined leaves the
    // interstitial free to load and present an ordinary ad.
    bool customAdRenderingEnabled_ = false;
    uint64_t previousCorrelationID_ = 0;
};
