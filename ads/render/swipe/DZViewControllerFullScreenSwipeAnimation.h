#pragma once
// Slides a full-screen page in from the top or the bottom of the screen as a swipe presents it,
// pushing a picture of the ad off screen ahead of it, and back out when the page is dismissed
// (bringing the picture back, unless the ad's size changed meanwhile). One animation serves every
// presentation of a host and the dismissal after it: the saved frames carry over. Main thread.
#include <memory>

#include "ads/render/swipe/DZAnimationContext.h"
#include "platform/ui/ViewControllerTransitioning.h"

class DZViewControllerFullScreenSwipeAnimation : public platform::ui::ViewControllerAnimatedTransitioning {
  public:
    // 1: the page comes down from the top; anything else: up from the bottom.
    static constexpr int kTopToBottom = 1;
    static constexpr int kBottomToTop = 2;

    void willAnimatePresentation() { presenting_ = true; }
    void willAnimateDismissal() { presenting_ = false; }

    double transitionDuration(platform::ui::ViewControllerContextTransitioning& context) override;
    void animateTransition(
        const std::shared_ptr<platform::ui::ViewControllerContextTransitioning>& context) override;

    DZAnimationContext animationContextForTopToBottomAnimationPresentationWithTransitionContext(
        platform::ui::ViewControllerContextTransitioning& context);
    DZAnimationContext animationContextForBottomToTopAnimationPresentationWithTransitionContext(
        platform::ui::ViewControllerContextTransitioning& context);
    DZAnimationContext animationContextForTopToBottomAnimationDismissalWithTransitionContext(
        platform::ui::ViewControllerContextTransitioning& context);
    DZAnimationContext animationContextForBottomToTopAnimationDismissalWithTransitionContext(
        platform::ui::ViewControllerContextTransitioning& context);
    DZAnimationContext animationContextForRestoringAnimationToSavedState(
        platform::ui::ViewControllerContextTransitioning& context);
    // True when it took the ad picture out of `context` (its size no longer matches the ad's).
    bool removeDraggableViewAnimationIfInvalidForAnimationContext(DZAnimationContext& context);

    bool presenting() const { return presenting_; }
    void setPresenting(bool presenting) { presenting_ = presenting; }
    int direction() const { return direction_; }
    void setDirection(int direction) { direction_ = direction; }
    // Window coordinates of the touch that began the swipe.
    float startY() const { return startY_; }
    void setStartY(float y) { startY_ = y; }
    const std::shared_ptr<platform::ui::View>& draggableView() const { return draggableView_; }
    void setDraggableView(std::shared_ptr<platform::ui::View> view) { draggableView_ = std::move(view); }
    double transitionDuration() const { return transitionDuration_; }
    void setTransitionDuration(double seconds) { transitionDuration_ = seconds; }
    platform::Rect draggableViewEndFrameAfterAnimation() const { return draggableEndAfter_; }
    platform::Rect animatedViewFrameBeforeAnimation() const { return animatedBefore_; }
    bool draggableViewShownOnPresentation() const { return draggableShown_; }

  private:
    DZAnimationContext presentationContext(platform::ui::ViewControllerContextTransitioning& context,
                                           bool topToBottom);

    bool presenting_ = false;
    int direction_ = 0;
    float startY_ = 0;
    std::shared_ptr<platform::ui::View> draggableView_;
    double transitionDuration_ = 1.0;
    platform::Rect draggableEndAfter_;
    platform::Rect animatedBefore_;
    bool draggableShown_ = false;
};
