#pragma once
// The ad banner of the game-over screen. The server's announcement settings choose the banner:
// "didazEnable" (0 none, 1 the ad component's, 2 the platform's, 3 the platform's first and the
// ad component's when the platform has none; other values by their bits) and
// "didazRefreshInterval" (seconds a received banner is shown again instead of a new request,
// default 60). The app core owns one, made at set-up with the default ad unit; the game-over
// screen shows it when it appears and closes it when it goes. An ad-component banner that fails
// while shown is taken off the screen and, the screen staying, asked anew after the refresh
// interval: off the screen, its own refresh never comes. Main thread only.
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "services/DiDazBanner.h"

class AppDoor;
namespace platform {
class Timer;
}
namespace platform::ui {
class View;
class ViewController;
}  // namespace platform::ui

class DiDazSupport : public DiDazBannerListener, public std::enable_shared_from_this<DiDazSupport> {
  public:
    static constexpr const char* kDefaultPublisherId = "tikoleap-banner";
    static constexpr int kDefaultRefreshInterval = 60;

    enum class AdType { none = 0, diDaz = 1, iAd = 2 };
    // What became of the last ad-component banner request.
    enum class BannerState { none, pending, received, failed };

    struct Options {
        // An announcement setting, nothing when unset; null: the app core's announcement manager.
        std::function<std::optional<std::string>(const std::string& key)> property;
        // Null: the ad component's banner, and the platform banner that never fills.
        std::function<std::shared_ptr<DiDazBanner>()> makeDiDazBanner;
        std::function<std::shared_ptr<DiDazBanner>()> makeIAdBanner;
        // Seconds; null: the main run loop's clock (the virtual one in headless runs).
        std::function<double()> clock;
    };

    // The app core is not owned; it outlives this object (it may be null in tests with a property
    // source of their own).
    static std::shared_ptr<DiDazSupport> create(AppDoor* appCore, Options options = {});
    ~DiDazSupport() override;

    const std::string& diDazPublisherId() const { return diDazPublisherId_; }
    void setDiDazPublisherId(std::string id) { diDazPublisherId_ = std::move(id); }
    bool useIAd() const { return useIAd_; }
    void setUseIAd(bool use) { useIAd_ = use; }
    AppDoor* appCore() const { return appCore_; }

    void showInViewController(const std::shared_ptr<platform::ui::ViewController>& owner,
                              const std::shared_ptr<platform::ui::View>& contentView);
    void close();

    int amPropDidazEnable() const;
    bool canShowIAd() const;
    bool canShowDiDaz() const;

    AdType adType() const { return adType_; }
    bool isVisible() const { return visible_; }
    bool diDazReady() const { return didazReady_; }
    bool iAdReady() const { return iAdReady_; }
    const std::shared_ptr<DiDazBanner>& diDazAd() const { return diDazAd_; }
    const std::shared_ptr<DiDazBanner>& iAdView() const { return iAdView_; }
    BannerState bannerState() const { return bannerState_; }
    // Ad-component banner loads started so far.
    int diDazRequests() const { return diDazRequests_; }

    // DiDazBannerListener
    void bannerDidReceiveAd(DiDazBanner& banner) override;
    void bannerDidFailToReceiveAd(DiDazBanner& banner, const std::string& description) override;

  private:
    DiDazSupport(AppDoor* appCore, Options options);

    std::optional<std::string> property(const std::string& key) const;
    double now() const;
    int refreshInterval() const;
    void askAgainLater();
    void refreshIAdIfPossible();
    void refreshDiDazIfPossible();
    void showSub();
    void disposeDiDazAd();
    void disposeIAdView();
    void adViewDidReceiveAd();
    void adViewDidFailToReceiveAd(const std::string& description);
    void bannerViewDidLoadAd();
    void bannerViewDidFailToReceiveAd(const std::string& description);

    AppDoor* appCore_;
    Options options_;
    std::shared_ptr<platform::ui::ViewController> ownerViewController_;
    std::shared_ptr<platform::ui::View> contentView_;
    double prevReceiveAdTime_ = 0;
    AdType adType_ = AdType::none;
    std::shared_ptr<DiDazBanner> diDazAd_;
    bool didazReady_ = false;
    std::string diDazPublisherId_;
    std::shared_ptr<DiDazBanner> iAdView_;
    bool iAdReady_ = false;
    bool useIAd_ = true;
    bool visible_ = false;
    bool useDiDazOnNextTurn_ = false;
    BannerState bannerState_ = BannerState::none;
    int diDazRequests_ = 0;
    // A failed banner's next request while its screen stays; cancelled by every close.
    std::shared_ptr<platform::Timer> askAgain_;
};
