#pragma once
// One banner of the game-over screen as the banner glue sees it: a view that asks for one ad and
// reports, on the main thread, whether it got one. The ad component's banner and the platform's
// own banner both take this shape, so the glue treats them alike and tests can stand in for them.
#include <memory>
#include <string>

namespace platform::ui {
class View;
class ViewController;
}  // namespace platform::ui

class DiDazBanner;

class DiDazBannerListener {
  public:
    virtual ~DiDazBannerListener() = default;
    virtual void bannerDidReceiveAd(DiDazBanner& banner) = 0;
    virtual void bannerDidFailToReceiveAd(DiDazBanner& banner, const std::string& description) = 0;
};

class DiDazBanner {
  public:
    virtual ~DiDazBanner() = default;
    virtual std::shared_ptr<platform::ui::View> view() const = 0;
    // Starts one load for the ad unit; the outcome reaches the listener, held weakly.
    virtual void load(const std::string& adUnitId, const std::shared_ptr<platform::ui::ViewController>& owner,
                      std::weak_ptr<DiDazBannerListener> listener) = 0;
    // No callback reaches the listener after this.
    virtual void dispose() = 0;
};
