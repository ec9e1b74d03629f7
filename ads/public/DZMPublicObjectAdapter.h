#pragma once
// What the two built-in adapters that serve the component's own ads through its public objects
// share: the banner view or interstitial they load (delegate the adapter, a banner that never
// refreshes by itself, the root view controller and auto-click protection from the connector),
// and the public objects' events passed on to the connector. After stopBeingDelegate nothing
// more reaches the connector. Main thread only.
#include <atomic>
#include <memory>
#include <optional>
#include <string>

#include "ads/mediation/DZMAdNetworkAdapter.h"
#include "ads/public/DZBannerView.h"
#include "ads/public/DZInterstitial.h"

class DZMPublicObjectAdapter : public DZMAdNetworkAdapter,
                               public DZBannerViewDelegate,
                               public DZInterstitialDelegate,
                               public std::enable_shared_from_this<DZMPublicObjectAdapter> {
  public:
    ~DZMPublicObjectAdapter() override;

    const std::shared_ptr<DZBannerView>& bannerView() const { return bannerView_; }
    const std::shared_ptr<DZInterstitial>& interstitial() const { return interstitial_; }

    // DZMAdNetworkAdapter (in part)
    void stopBeingDelegate() override;
    bool isBannerAnimationOK(int) override { return true; }
    void presentInterstitialFromRootViewController(
        const std::shared_ptr<platform::ui::ViewController>& rootViewController) override;
    bool changeAdSizeTo(DZAdSize size) override;

    // DZBannerViewDelegate
    void adViewDidReceiveAd(DZBannerView& view) override;
    void adViewDidFailToReceiveAd(DZBannerView& view, const DZRequestError::Ref& error) override;
    void adViewWillPresentScreen(DZBannerView& view) override;
    void adViewWillDismissScreen(DZBannerView& view) override;
    void adViewDidDismissScreen(DZBannerView& view) override;
    void adViewWillLeaveApplication(DZBannerView& view) override;
    // DZInterstitialDelegate
    void interstitialDidReceiveAd(DZInterstitial& interstitial) override;
    void interstitialDidFailToReceiveAd(DZInterstitial& interstitial,
                                        const DZRequestError::Ref& error) override;
    void interstitialWillPresentScreen(DZInterstitial& interstitial) override;
    void interstitialWillDismissScreen(DZInterstitial& interstitial) override;
    void interstitialDidDismissScreen(DZInterstitial& interstitial) override;
    void interstitialWillLeaveApplication(DZInterstitial& interstitial) override;
    void interstitialDidReceiveAdClick(DZInterstitial& interstitial) override;

  protected:
    // clicksOnBannerScreens: a banner's full screen or leaving the app also counts as its click.
    explicit DZMPublicObjectAdapter(bool clicksOnBannerScreens)
        : clicksOnBannerScreens_(clicksOnBannerScreens) {}

    // Made, set up and kept; null (the connector told) for a size no banner takes.
    std::shared_ptr<DZBannerView> makeBannerView(DZAdSize size, const DZMAdNetworkConnector& connector);
    std::shared_ptr<DZInterstitial> makeInterstitial(const std::optional<std::string>& adUnitID,
                                                     const DZMAdNetworkConnector& connector);
    // The connector, while the adapter still speaks to it.
    std::shared_ptr<DZMAdNetworkConnector> liveConnector() const;

  private:
    std::shared_ptr<DZBannerView> bannerView_;
    std::shared_ptr<DZInterstitial> interstitial_;
    const bool clicksOnBannerScreens_;
    std::atomic<bool> stopped_{false};
};
