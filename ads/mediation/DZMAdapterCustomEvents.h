#pragma once
// The built-in adapter that lets the app's own ad code (a custom event) take a network's turn in
// the waterfall. The network's credentials name the custom event ("class_name", made only when it
// is registered as a custom event), the string it is handed ("parameter") and the label that picks
// its extras ("label"). The custom event's calls, from any thread, reach the connector as this
// adapter's; a custom event that throws fails the request instead of the app. Main thread only,
// apart from those calls.
#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "ads/mediation/DZCustomEventBanner.h"
#include "ads/mediation/DZCustomEventInterstitial.h"
#include "ads/mediation/DZCustomEventNativeAd.h"
#include "ads/mediation/DZMAdNetworkAdapter.h"

class DZMAdapterCustomEvents : public DZMAdNetworkAdapter,
                               public DZCustomEventBannerDelegate,
                               public DZCustomEventInterstitialDelegate,
                               public DZCustomEventNativeAdDelegate,
                               public std::enable_shared_from_this<DZMAdapterCustomEvents> {
  public:
    inline static const std::string kClassName = "DZMAdapterCustomEvents";
    // The domain of the adapter's own failures.
    inline static const std::string kErrorDomain = "ad_mediation";
    static constexpr long kFailureCode = 1;
    // A custom event that threw.
    static constexpr long kThrewCode = 2;

    static void registerClass();
    ~DZMAdapterCustomEvents() override;

    const std::shared_ptr<DZCustomEventBanner>& customEventBanner() const { return customEventBanner_; }
    const std::shared_ptr<DZCustomEventInterstitial>& customEventInterstitial() const {
        return customEventInterstitial_;
    }
    const std::shared_ptr<DZCustomEventNativeAd>& customEventNativeAd() const { return customEventNativeAd_; }

    // DZMAdNetworkAdapter
    void getBannerWithSize(DZAdSize size) override;
    void getInterstitial() override;
    bool getNativeAdWithAdTypes(const std::vector<std::string>& adTypes,
                                const std::vector<nlohmann::json>& options) override;
    void stopBeingDelegate() override;
    bool isBannerAnimationOK(int) override { return true; }
    void presentInterstitialFromRootViewController(
        const std::shared_ptr<platform::ui::ViewController>& rootViewController) override;
    std::string adapterVersion() const override;
    std::optional<std::string> networkExtrasClass() const override;

    // DZCustomEventBannerDelegate
    void customEventBannerDidReceiveAd(DZCustomEventBanner& banner,
                                       std::shared_ptr<platform::ui::View> view) override;
    void customEventBannerDidFailAd(DZCustomEventBanner& banner, platform::ErrorRef error) override;
    void customEventBannerWasClicked(DZCustomEventBanner& banner) override;
    void customEventBannerWillPresentModal(DZCustomEventBanner& banner) override;
    void customEventBannerWillDismissModal(DZCustomEventBanner& banner) override;
    void customEventBannerDidDismissModal(DZCustomEventBanner& banner) override;
    void customEventBannerWillLeaveApplication(DZCustomEventBanner& banner) override;
    void customEventBannerClickDidOccurInAd(DZCustomEventBanner& banner,
                                            const std::shared_ptr<platform::ui::View>& view) override;
    std::shared_ptr<platform::ui::ViewController> viewControllerForPresentingModalView() override;
    // DZCustomEventInterstitialDelegate
    void customEventInterstitialDidReceiveAd(DZCustomEventInterstitial& interstitial) override;
    void customEventInterstitialDidFailAd(DZCustomEventInterstitial& interstitial,
                                          platform::ErrorRef error) override;
    void customEventInterstitialWasClicked(DZCustomEventInterstitial& interstitial) override;
    void customEventInterstitialWillPresent(DZCustomEventInterstitial& interstitial) override;
    void customEventInterstitialWillDismiss(DZCustomEventInterstitial& interstitial) override;
    void customEventInterstitialDidDismiss(DZCustomEventInterstitial& interstitial) override;
    void customEventInterstitialWillLeaveApplication(DZCustomEventInterstitial& interstitial) override;
    // DZCustomEventNativeAdDelegate
    void customEventNativeAdDidReceiveMediatedNativeAd(DZCustomEventNativeAd& event,
                                                       std::shared_ptr<DZMediatedAd> ad) override;
    void customEventNativeAdDidFailToLoad(DZCustomEventNativeAd& event, platform::ErrorRef error) override;

  private:
    // The custom event named by the credentials when it is registered as a custom event of `kind`
    // and is an Event; null after telling the connector why not (`refusal` when it is of another
    // kind).
    template <class Event>
    std::shared_ptr<Event> customEventOfKind(const std::string& kind, const std::string& refusal);
    void fail(const std::string& message, bool logged);
    // Runs the custom event's request; a throw fails the request.
    void callCustomEvent(const std::string& className, const std::function<void()>& call);
    // The connector, while the adapter still speaks to it.
    std::shared_ptr<DZMAdNetworkConnector> liveConnector() const;
    std::optional<std::string> credential(const char* key) const;

    std::shared_ptr<DZCustomEventBanner> customEventBanner_;
    std::shared_ptr<DZCustomEventInterstitial> customEventInterstitial_;
    std::shared_ptr<DZCustomEventNativeAd> customEventNativeAd_;
    std::atomic<bool> stopped_{false};
    std::atomic<bool> nativeRequested_{false};
};
