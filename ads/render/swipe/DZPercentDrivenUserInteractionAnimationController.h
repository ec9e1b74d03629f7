#pragma once
// The swipe page's transitioning delegate: presents and dismisses it with the swipe animation,
// presentations interactively, and turns the pan's movement into the presentation's progress.
// A lift finishes the presentation when the finger was still moving the page's way, or when it
// was not pulling the page back and the page was at least half way in; else it is cancelled. A
// cancelled or failed pan cancels it. The delegate hears of the end only of a
// presentation that was under the finger: a pan that presented nothing, or whose page was taken
// away meanwhile, moves nothing and reports nothing. Main thread only.
#include <memory>

#include "ads/render/swipe/DZViewControllerFullScreenSwipeAnimation.h"
#include "platform/ui/PercentDrivenInteractiveTransition.h"

namespace platform::ui {
class PanGestureRecognizer;
}

class DZPercentDrivenUserInteractionAnimationController;

class DZPercentDrivenUserInteractionAnimationControllerDelegate {
  public:
    virtual ~DZPercentDrivenUserInteractionAnimationControllerDelegate() = default;
    virtual void animationControllerDidFinishAnimationTransition(
        DZPercentDrivenUserInteractionAnimationController&) = 0;
    virtual void animationControllerDidCancelAnimationTransition(
        DZPercentDrivenUserInteractionAnimationController&) = 0;
};

class DZPercentDrivenUserInteractionAnimationController
    : public platform::ui::PercentDrivenInteractiveTransition,
      public platform::ui::ViewControllerTransitioningDelegate,
      public std::enable_shared_from_this<DZPercentDrivenUserInteractionAnimationController> {
  public:
    explicit DZPercentDrivenUserInteractionAnimationController(
        std::shared_ptr<DZViewControllerFullScreenSwipeAnimation> animation);

    const std::shared_ptr<DZViewControllerFullScreenSwipeAnimation>& transitionAnimation() const {
        return animation_;
    }
    void setDelegate(std::weak_ptr<DZPercentDrivenUserInteractionAnimationControllerDelegate> delegate) {
        delegate_ = std::move(delegate);
    }

    std::shared_ptr<platform::ui::ViewControllerAnimatedTransitioning>
    animationControllerForPresentedController(platform::ui::ViewController& presented,
                                              platform::ui::ViewController& presenting,
                                              platform::ui::ViewController& source) override;
    std::shared_ptr<platform::ui::ViewControllerAnimatedTransitioning>
    animationControllerForDismissedController(platform::ui::ViewController& dismissed) override;
    std::shared_ptr<platform::ui::ViewControllerInteractiveTransitioning>
    interactionControllerForPresentation(
        platform::ui::ViewControllerAnimatedTransitioning& animator) override;
    void startInteractiveTransition(
        const std::shared_ptr<platform::ui::ViewControllerContextTransitioning>& context) override;
    // Ending the presentation from outside (the host letting go of its ad) ends the interaction:
    // the pan's later states find nothing to drive.
    void finishInteractiveTransition() override;
    void cancelInteractiveTransition() override;

    // Share of the way in from which a lift without a flick keeps the page.
    static constexpr double kFinishProgress = 0.5;

    // Began is the start of the swipe the host has just presented for: nothing to do. Changed
    // scrubs, Ended finishes or cancels by the vertical velocity and the finger's place, Cancelled
    // and Failed cancel.
    void handlePanGesture(platform::ui::PanGestureRecognizer& recognizer);
    // The presentation's progress for a finger at window y `y` on a screen `screenHeight` high:
    // clamped to 0..1, and 0 where the distance to go is zero.
    double progressForLocation(float y, float screenHeight) const;

    bool isAnimatingTopToBottom() const;
    bool isAnimatingBottomToTop() const { return !isAnimatingTopToBottom(); }

  private:
    bool presentationUnderFinger() const;

    std::shared_ptr<DZViewControllerFullScreenSwipeAnimation> animation_;
    std::weak_ptr<DZPercentDrivenUserInteractionAnimationControllerDelegate> delegate_;
    // A presentation is under the finger: started and neither finished nor cancelled yet.
    bool interacting_ = false;
    std::weak_ptr<platform::ui::ViewControllerContextTransitioning> context_;
};
