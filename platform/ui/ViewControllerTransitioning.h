#pragma once
// Custom presentation transitions. A presented controller whose transitioning delegate gives an
// animator is presented (and dismissed) by that animator instead of the cover-vertical slide:
// the toolkit makes a full-window container view on the window's presented layer, hands the
// animator a context naming the container and the two controllers, and the animator moves the
// views in it and says when it is done (completeTransition). The views the animator put in the
// container go back where they belong then: the presenting controller's view to where it was,
// the presented one onto the presented layer (or off the window after a dismissal); the container
// goes. When the delegate also gives an interaction controller for the transition, the transition
// is interactive: the interaction controller starts it (usually by asking the animator to animate
// it, its animations held at their start) and scrubs, finishes or cancels it. A cancelled
// presentation is undone: the presented controller is not presented and its completion does not
// run; a cancelled dismissal leaves it presented.
#include <memory>

namespace platform::ui {

class View;
class ViewController;

class ViewControllerContextTransitioning {
  public:
    virtual ~ViewControllerContextTransitioning() = default;
    // Full-window view the transition's views move in; it is on the window's presented layer.
    virtual std::shared_ptr<View> containerView() const = 0;
    // The controller whose view leaves (presenting: the presenting controller; dismissing: the
    // presented one) and the one whose view arrives.
    virtual std::shared_ptr<ViewController> fromViewController() const = 0;
    virtual std::shared_ptr<ViewController> toViewController() const = 0;
    virtual bool isPresenting() const = 0;
    virtual bool isAnimated() const = 0;
    virtual bool isInteractive() const = 0;
    // Set once an interactive transition has been cancelled.
    virtual bool transitionWasCancelled() const = 0;
    // The animator's end: true when the transition took place. Calls after the first are ignored.
    virtual void completeTransition(bool didComplete) = 0;
    // The interaction's side (an interaction controller calls these on its context).
    virtual void updateInteractiveTransition(double percentComplete) = 0;
    virtual void finishInteractiveTransition() = 0;
    virtual void cancelInteractiveTransition() = 0;
};

class ViewControllerAnimatedTransitioning {
  public:
    virtual ~ViewControllerAnimatedTransitioning() = default;
    // Seconds on the window's clock.
    virtual double transitionDuration(ViewControllerContextTransitioning& context) = 0;
    // Starts the animations (ViewAnimation on the window's clock); their completion calls
    // context->completeTransition(!context->transitionWasCancelled()).
    virtual void animateTransition(const std::shared_ptr<ViewControllerContextTransitioning>& context) = 0;
};

class ViewControllerInteractiveTransitioning {
  public:
    virtual ~ViewControllerInteractiveTransitioning() = default;
    virtual void startInteractiveTransition(
        const std::shared_ptr<ViewControllerContextTransitioning>& context) = 0;
};

class ViewControllerTransitioningDelegate {
  public:
    virtual ~ViewControllerTransitioningDelegate() = default;
    // Null: the toolkit's own transition.
    virtual std::shared_ptr<ViewControllerAnimatedTransitioning> animationControllerForPresentedController(
        ViewController& presented, ViewController& presenting, ViewController& source) {
        return nullptr;
    }
    virtual std::shared_ptr<ViewControllerAnimatedTransitioning> animationControllerForDismissedController(
        ViewController& dismissed) {
        return nullptr;
    }
    // Null: the transition runs by itself, not interactively.
    virtual std::shared_ptr<ViewControllerInteractiveTransitioning> interactionControllerForPresentation(
        ViewControllerAnimatedTransitioning& animator) {
        return nullptr;
    }
    virtual std::shared_ptr<ViewControllerInteractiveTransitioning> interactionControllerForDismissal(
        ViewControllerAnimatedTransitioning& animator) {
        return nullptr;
    }
};

}  // namespace platform::ui
