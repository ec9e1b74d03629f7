#pragma once
// The toolkit's context of one custom presentation or dismissal: the full-window container on the
// window's presented layer, the two controllers, the animator and interaction controller (kept
// alive until the transition completes), and the presenting controller's view's place, given back
// at the end whatever the animator did with it. What completes the transition for the controllers
// is the owner's `done`, called once with whether it took place.
#include <cstddef>
#include <functional>
#include <memory>

#include "platform/geometry/Geometry.h"
#include "platform/ui/AffineTransform.h"
#include "platform/ui/ViewControllerTransitioning.h"

namespace platform::ui {

class Window;

class TransitionContext final : public ViewControllerContextTransitioning,
                                public std::enable_shared_from_this<TransitionContext> {
  public:
    struct Parts {
        bool presenting = true;
        std::shared_ptr<ViewController> from;
        std::shared_ptr<ViewController> to;
        std::shared_ptr<ViewControllerAnimatedTransitioning> animator;
        std::shared_ptr<ViewControllerInteractiveTransitioning> interaction;
        // The presenting controller's view, put back where it is now at the end.
        std::shared_ptr<View> presentingView;
        std::function<void(bool didComplete)> done;
    };
    // Puts the container on `window`'s presented layer.
    TransitionContext(Window& window, Parts parts);
    ~TransitionContext() override;

    std::shared_ptr<View> containerView() const override { return container_; }
    std::shared_ptr<ViewController> fromViewController() const override { return from_.lock(); }
    std::shared_ptr<ViewController> toViewController() const override { return to_.lock(); }
    bool isPresenting() const override { return presenting_; }
    bool isAnimated() const override { return true; }
    bool isInteractive() const override { return interactive_; }
    bool transitionWasCancelled() const override { return cancelled_; }
    void completeTransition(bool didComplete) override;
    void updateInteractiveTransition(double percentComplete) override;
    void finishInteractiveTransition() override;
    void cancelInteractiveTransition() override;

    // Null once the transition completed.
    const std::shared_ptr<ViewControllerAnimatedTransitioning>& animator() const { return animator_; }
    double percentComplete() const { return percent_; }
    bool isCompleted() const { return completed_; }

    // Hands the transition to the interaction controller, or else to the animator.
    void start();
    // The owner's side at the end: the presenting view goes back, then the container (with
    // whatever the animator left in it) leaves the window.
    void restorePresentingView();
    void removeContainer();
    // The owner gave up on the transition: it counts as completed and `done` never runs.
    void abandon();

  private:
    std::shared_ptr<View> container_;
    std::weak_ptr<ViewController> from_;
    std::weak_ptr<ViewController> to_;
    bool presenting_;
    bool interactive_;
    bool cancelled_ = false;
    bool completed_ = false;
    double percent_ = 0;
    std::shared_ptr<ViewControllerAnimatedTransitioning> animator_;
    std::shared_ptr<ViewControllerInteractiveTransitioning> interaction_;
    std::function<void(bool)> done_;
    std::weak_ptr<View> presentingView_;
    std::weak_ptr<View> presentingSuperview_;
    std::size_t presentingIndex_ = 0;
    Rect presentingFrame_;
    AffineTransform presentingTransform_;
};

}  // namespace platform::ui
