#pragma once
// Shows a full-screen ad controller as a transparent layer over the app (an interstitial whose
// page asked for a transparent background): its view, with a clear background, sits in a crop
// view inside a pivot view, both of which let touches on their empty area reach the app. It
// slides up over 0.4 s and fades out over 0.2 s on the window's clock. The ad goes when its host
// leaves the window. The desktop lays out in portrait only, so the pivot is never turned.
#include "ads/render/overlay/DZOverlayPresenting.h"
#include "platform/geometry/Geometry.h"
#include "platform/ui/NotificationCenter.h"

class DZUnclickableView;
namespace platform::ui {
class Window;
}

class DZTransparentOverlayPresenter : public DZOverlayPresenting,
                                      public std::enable_shared_from_this<DZTransparentOverlayPresenter> {
  public:
    static constexpr double kSlideSeconds = 0.4;
    static constexpr double kFadeSeconds = 0.2;

    DZTransparentOverlayPresenter();
    ~DZTransparentOverlayPresenter() override;
    DZTransparentOverlayPresenter(const DZTransparentOverlayPresenter&) = delete;
    DZTransparentOverlayPresenter& operator=(const DZTransparentOverlayPresenter&) = delete;

    void setPresentedViewController(const std::shared_ptr<DZViewController>& controller) override {
        presented_ = controller;
    }
    std::shared_ptr<DZViewController> presentedViewController() const override { return presented_.lock(); }
    // The top-most controller presented over the window's root (the ad itself is not one).
    std::shared_ptr<platform::ui::ViewController> presentationViewController() const override;
    bool isReadyToPresent() const override { return !presented_.expired(); }
    bool presentFromViewController(const std::shared_ptr<platform::ui::ViewController>& from,
                                   std::function<void()> completion) override;
    void dismissWithCompletionHandler(std::function<void()> completion) override;

    virtual void composeTransparentInterstitialViewsForPresentation();
    void animateTransparentInterstitialPresentationWithCompletionHandler(std::function<void()> completion);
    virtual void updateTransparentInterstitialOrientation();
    // `size` centred in `frame`.
    static platform::Rect frameWithSize(platform::Size size, const platform::Rect& frame);

    const std::shared_ptr<DZUnclickableView>& pivotView() const { return pivot_; }
    const std::shared_ptr<DZUnclickableView>& cropView() const { return crop_; }

  private:
    platform::ui::Window* window() const;
    void stopObserving();

    std::weak_ptr<DZViewController> presented_;
    std::shared_ptr<DZUnclickableView> pivot_;
    std::shared_ptr<DZUnclickableView> crop_;
    std::weak_ptr<platform::ui::Window> window_;
    platform::ui::NotificationCenter::Token orientationObserver_ = 0;
    platform::ui::NotificationCenter::Token placementObserver_ = 0;
};
