#pragma once
// The built-in adapter for networks whose ad is a piece of HTML inside the mediation response
// ("zdxtym_html"). The page loads in an ad view of its own under the ad server's base URL and is
// delivered as the banner only once it has visibly drawn; a navigation to the response's passback
// URL ("zdxtym_passback_url") or to any "passback:" URL is the network's no fill. Both checks are
// the rendering layer's script-ad checks: the adapter is the ad view's host, and its delegate is
// that layer's script-ad delegate. Banners only. Main thread only.
#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "ads/core/DZAdType.h"
#include "ads/mediation/DZMAdNetworkAdapter.h"
#include "ads/render/host/DZAdHost.h"

class DZAdNetworkJavaScriptAdViewDelegate;

class DZMAdapterHTML : public DZMAdNetworkAdapter,
                       public DZAdHost,
                       public std::enable_shared_from_this<DZMAdapterHTML> {
  public:
    inline static const std::string kClassName = "DZMAdapterHTML";
    inline static const std::string kHTMLKey = "zdxtym_html";
    inline static const std::string kPassbackURLKey = "zdxtym_passback_url";

    static void registerClass();
    ~DZMAdapterHTML() override;

    const std::optional<std::string>& passbackURL() const { return passbackURL_; }
    const std::shared_ptr<DZAdNetworkJavaScriptAdViewDelegate>& adViewDelegate() const {
        return adViewDelegate_;
    }

    // DZMAdNetworkAdapter
    void getBannerWithSize(DZAdSize size) override;
    void getInterstitial() override;
    void stopBeingDelegate() override;
    bool isBannerAnimationOK(int) override { return true; }
    void presentInterstitialFromRootViewController(
        const std::shared_ptr<platform::ui::ViewController>&) override;
    std::string adapterVersion() const override { return "1.1"; }
    std::optional<std::string> networkExtrasClass() const override { return std::nullopt; }
    // Once its page has loaded and drawn, the page's draw checks and the network's time-out run
    // on the component's clock; before that the page is at work in real time. The engine may draw
    // a loaded page's background before its content, so the page counts as drawn once it has
    // drawn nothing new for kStillAfterDraw, or kMostAfterDraw after it first drew (a page that
    // keeps moving).
    bool waitsOnlyOnClock() const override;

    // DZAdHost: what the page's load comes to reaches the connector; the rest of a slot's work
    // (pings, refresh, measurement) is the waterfall's.
    const std::shared_ptr<DZAd>& ad() const override;
    const std::shared_ptr<DZAdView>& adView() const override { return adView_; }
    const DZAdType& adType() const override { return adType_; }
    const std::shared_ptr<DZRequest>& request() const override;
    std::optional<uint64_t> timeLastLoaded() const override { return timeLastLoaded_; }
    bool isMRAIDEnabled() const override { return false; }
    bool isRenderingAd() const override { return loading_; }
    bool hasValidAd() const override { return delivered_; }
    bool mayTakeClicks() const override { return delivered_ && !stopped_; }
    void willLoadAdHTMLInWebView() override {}
    void didReceiveValidAd() override;
    void didLoadAdHTMLInWebView() override {}
    void didMakeAdImpression() override {}
    void adFinishedLoadingContent() override;
    void didFailToReceiveAdWithError(const DZRequestError::Ref& error,
                                     bool shouldCancelPendingActions) override;
    void scheduleAdReloadTimer() override {}
    void updateContentSize(platform::Size) override {}
    void adWasClicked() override;
    void pingClickURLs() override {}
    std::string gestureClickURLWithURL(const std::string& url) override { return url; }
    void adWillLeaveApplication() override;
    void willLeaveAppDueToClick() override {}
    void openWasBlocked(const nlohmann::json& info) override;
    // As the connector's slot is; protected once the connector has gone.
    bool isAutoClickProtected() const override;
    const std::shared_ptr<DZIntermission>& intermission() const override { return intermission_; }
    void setIntermission(std::shared_ptr<DZIntermission> intermission) override {
        intermission_ = std::move(intermission);
    }
    void adWillPresentScreen() override;
    void adWillDismissScreen() override;
    void adDidDismissScreen() override;
    void interstitialViewWillAppear() override {}
    void interstitialViewWillDisappear() override {}
    void adDidReceiveAppEvent(const std::string&, const std::optional<std::string>&) override {}
    void didReceiveInAppPurchase(const std::shared_ptr<DZInAppPurchase>&) override {}
    void enableSwipeToViewController() override {}
    void disableSwipeToViewController() override {}
    void notifyScreenAndDeviceFeaturesToPage(DZAdView&) override {}
    // DZMRAIDEventHandling: the page is no rich-media creative of ours.
    void MRAIDAdDidLoad() override {}
    void MRAIDAdDidUnload() override {}
    void updateVisibility(bool) override {}
    void updatePositionFromView(platform::ui::View&) override {}
    void handleError(const std::string&, const std::string&) override {}

  private:
    // Stops the checks and lets the ad view go (its web view back to the spares).
    void clearWebView();
    void fail(long code, const std::string& text);
    // The connector, while the adapter still speaks to it.
    std::shared_ptr<DZMAdNetworkConnector> liveConnector() const;

    std::shared_ptr<DZAdView> adView_;
    std::shared_ptr<DZAdNetworkJavaScriptAdViewDelegate> adViewDelegate_;
    std::optional<std::string> passbackURL_;
    std::shared_ptr<DZIntermission> intermission_;
    DZAdType adType_ = DZAdType::bannerAdTypeForSize(kDZAdSizeBanner);
    std::optional<uint64_t> timeLastLoaded_;
    // The page's frame number when its load was asked for.
    uint64_t frameAtLoad_ = 0;
    static constexpr std::chrono::milliseconds kStillAfterDraw{150};
    static constexpr std::chrono::milliseconds kMostAfterDraw{500};
    // The page's drawings since its load as waitsOnlyOnClock last saw them: the frame number, when
    // it was first seen, and when the first of them was.
    mutable uint64_t frameSeen_ = 0;
    mutable std::chrono::steady_clock::time_point frameSeenAt_{};
    mutable std::optional<std::chrono::steady_clock::time_point> firstDrawnAt_;
    bool loading_ = false;
    bool delivered_ = false;
    bool stopped_ = false;
};
