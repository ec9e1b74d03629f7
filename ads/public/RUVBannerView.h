#pragma once
// The ad-manager banner: a banner view that also hears app events from its ads, accepts several
// sizes (the server picks one, which resizes the banner without a new request), shares a
// correlator with other slots, can record its impression itself, and may hand an ad to the app
// to draw. Main thread only.
#include <cstdint>
#include <initializer_list>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "ads/public/DZBannerView.h"
#include "ads/public/RUVCustomRenderingOwner.h"

class RUVBannerView;
class RUVInterstitial;

// The app hears the named events that its ads send, banner or interstitial.
class DZAppEventDelegate {
  public:
    virtual ~DZAppEventDelegate() = default;
    virtual void adViewDidReceiveAppEvent(RUVBannerView&, const std::string& name,
                                          const std::optional<std::string>& info) {}
    virtual void interstitialDidReceiveAppEvent(RUVInterstitial&, const std::string& name,
                                                const std::optional<std::string>& info) {}
};

// Told before the server's choice among the valid sizes resizes the banner.
class DZAdSizeDelegate {
  public:
    virtual ~DZAdSizeDelegate() = default;
    virtual void adViewWillChangeAdSizeTo(RUVBannerView&, DZAdSize size) = 0;
};

// The app that draws custom-rendered ads itself: it receives each such ad once the banner's slot
// has started rendering it, and reports through it. Without this delegate the slot hears that
// the hand-over was not taken.
class RUVCustomRenderedBannerViewDelegate {
  public:
    virtual ~RUVCustomRenderedBannerViewDelegate() = default;
    virtual void bannerViewDidReceiveCustomRenderedAd(RUVBannerView& bannerView,
                                                      const std::shared_ptr<RUVCustomRenderedAd>& ad) = 0;
};

class RUVBannerView : public DZBannerView, public RUVCustomRenderingOwner {
  public:
    static std::shared_ptr<RUVBannerView> create(DZAdSize adSize);
    static std::shared_ptr<RUVBannerView> create(platform::Rect frame, DZAdSize adSize);
    const char* className() const override { return "RUVBannerView"; }

    void setAppEventDelegate(std::weak_ptr<DZAppEventDelegate> d) { appEventDelegate_ = std::move(d); }
    void setAdSizeDelegate(std::weak_ptr<DZAdSizeDelegate> d) { adSizeDelegate_ = std::move(d); }
    void setCustomRenderedBannerViewDelegate(std::weak_ptr<RUVCustomRenderedBannerViewDelegate> d) {
        customRenderedDelegate_ = std::move(d);
    }
    const std::vector<DZAdSize>& validAdSizesOfBanner() const { return validAdSizes_; }
    void setValidAdSizes(std::vector<DZAdSize> sizes) { validAdSizes_ = std::move(sizes); }
    void setValidAdSizesWithSizes(std::initializer_list<DZAdSize> sizes) { validAdSizes_ = sizes; }
    const std::shared_ptr<DZCorrelator>& correlator() const { return slot()->correlator(); }
    void setCorrelator(std::shared_ptr<DZCorrelator> correlator) {
        slot()->setCorrelator(std::move(correlator));
    }
    bool enableManualImpressions() const { return slot()->manualImpressionsEnabled(); }
    void setEnableManualImpressions(bool enabled) { slot()->setManualImpressionsEnabled(enabled); }

    // Resizes without a new request.
    void resize(DZAdSize size) { setAdSizeAndReload(size, false); }
    // With manual impressions on, the app tells when its ad was seen.
    void recordImpression();

    // DZSlotDelegate
    std::optional<std::vector<DZAdSize>> validAdSizes() override;
    void slotWillResizeToAdSize(DZSlot&, DZAdSize size) override;
    void slotDidReceiveAppEvent(DZSlot&, const std::string& name,
                                const std::optional<std::string>& info) override;
    void slotWillLoadAdWithRequest(DZSlot&, const DZRequest&) override;
    std::optional<bool> slotShouldPreemptInProgressRequest(DZSlot&) override;

    // Hands the ad to the custom-rendering delegate; without one, false with a code 12 error.
    std::optional<bool> slotNotifyPublisherToRenderCustomRenderingAd(DZSlot&, const std::shared_ptr<DZAd>& ad,
                                                                     platform::ErrorRef* error) override;

    explicit RUVBannerView(platform::Rect frame) : DZBannerView(frame) {}  // use create()

  private:
    DZSlot* customRenderingSlot() const override { return slot().get(); }

    std::weak_ptr<DZAppEventDelegate> appEventDelegate_;
    std::weak_ptr<DZAdSizeDelegate> adSizeDelegate_;
    std::weak_ptr<RUVCustomRenderedBannerViewDelegate> customRenderedDelegate_;
    std::vector<DZAdSize> validAdSizes_;
    uint64_t previousCorrelationID_ = 0;
};
