#pragma once
// Lets a system screen shown for an ad (the store sheet, a composer, the event editor) take part
// in the host's intermission. The screen keeps its proxy alive: a proxy lives as long as the
// controller it stands for, and a controller has at most one. It never closes on a return to the
// foreground: the user is busy in it. Main thread only.
#include <functional>
#include <memory>

#include "ads/render/overlay/DZIntermitting.h"

class DZOpener;
class DZAdHost;
namespace platform::ui {
class ViewController;
}

class DZOverlayProxy : public DZIntermitting, public std::enable_shared_from_this<DZOverlayProxy> {
  public:
    // The proxy attached to the controller, null when none.
    static std::shared_ptr<DZOverlayProxy> overlayProxyForViewController(
        const platform::ui::ViewController* controller);
    // Null when the controller is null or already has a proxy.
    static std::shared_ptr<DZOverlayProxy> create(
        const std::shared_ptr<platform::ui::ViewController>& controller);
    explicit DZOverlayProxy(std::weak_ptr<platform::ui::ViewController> controller)  // use create()
        : controller_(std::move(controller)) {}
    DZOverlayProxy(const DZOverlayProxy&) = delete;
    DZOverlayProxy& operator=(const DZOverlayProxy&) = delete;

    std::shared_ptr<platform::ui::ViewController> viewController() const { return controller_.lock(); }
    std::shared_ptr<DZAdHost> host() const { return host_.lock(); }
    void setHost(std::weak_ptr<DZAdHost> host) { host_ = std::move(host); }
    // Kept alive while its composer or editor is shown.
    void setOpener(std::shared_ptr<DZOpener> opener) { opener_ = std::move(opener); }

    // Once only; false when the presenting screen refused.
    bool presentFromViewController(const std::shared_ptr<platform::ui::ViewController>& from,
                                   std::function<void()> completion);

    // DZIntermitting
    std::shared_ptr<DZIntermission> intermission() const override { return intermission_; }
    bool shouldDismissOnApplicationEnteringForeground() override { return false; }
    void relinquishScreenWithCompletion(std::function<void()> completion) override;
    // Its screen is no longer presented.
    bool hasLeftScreen() const override;

  private:
    std::shared_ptr<DZIntermission> intermission_;
    std::weak_ptr<platform::ui::ViewController> controller_;
    std::weak_ptr<DZAdHost> host_;
    std::shared_ptr<DZOpener> opener_;
};
