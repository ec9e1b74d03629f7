#include "platform/ui/TransitionContext.h"

#include <algorithm>
#include <cmath>

#include "platform/ui/View.h"
#include "platform/ui/Window.h"

namespace platform::ui {

TransitionContext::TransitionContext(Window& window, Parts parts)
    : container_(std::make_shared<View>(window.bounds())),
      from_(parts.from),
      to_(parts.to),
      presenting_(parts.presenting),
      interactive_(parts.interaction != nullptr),
      animator_(std::move(parts.animator)),
      interaction_(std::move(parts.interaction)),
      done_(std::move(parts.done)) {
    if (const auto& v = parts.presentingView) {
        presentingView_ = v;
        presentingFrame_ = v->frame();
        presentingTransform_ = v->transform();
        if (auto parent = v->superview()) {
            presentingSuperview_ = parent;
            const auto& list = parent->subviews();
            presentingIndex_ =
                static_cast<std::size_t>(std::find(list.begin(), list.end(), v) - list.begin());
        }
    }
    container_->setFrame(window.bounds());
    window.addPresentedView(container_);
}

TransitionContext::~TransitionContext() = default;

void TransitionContext::start() {
    auto keep = shared_from_this();
    if (auto interaction = interaction_) {
        interaction->startInteractiveTransition(keep);
    } else if (auto animator = animator_) {
        animator->animateTransition(keep);
    }
}

void TransitionContext::completeTransition(bool didComplete) {
    if (completed_) return;
    completed_ = true;
    auto keep = shared_from_this();
    // Both may be what holds the caller up the stack; they go only after this call returns.
    auto animator = std::move(animator_);
    auto interaction = std::move(interaction_);
    auto done = std::move(done_);
    done_ = nullptr;
    if (done) done(didComplete);
}

void TransitionContext::abandon() {
    completed_ = true;
    done_ = nullptr;
    animator_.reset();
    interaction_.reset();
}

void TransitionContext::updateInteractiveTransition(double percentComplete) {
    if (completed_ || !std::isfinite(percentComplete)) return;
    percent_ = std::clamp(percentComplete, 0.0, 1.0);
}

void TransitionContext::finishInteractiveTransition() {
    if (completed_ || !interactive_) return;
    cancelled_ = false;
}

void TransitionContext::cancelInteractiveTransition() {
    if (completed_ || !interactive_) return;
    cancelled_ = true;
}

void TransitionContext::restorePresentingView() {
    auto view = presentingView_.lock();
    if (!view) return;
    view->setTransform(presentingTransform_);
    view->setFrame(presentingFrame_);
    auto parent = presentingSuperview_.lock();
    if (!parent) return;
    const auto& list = parent->subviews();
    auto it = std::find(list.begin(), list.end(), view);
    const std::size_t at = static_cast<std::size_t>(it - list.begin());
    if (it != list.end() && at == presentingIndex_) return;
    // Moved within the same superview, the view's own slot is taken out before the insertion.
    parent->insertSubviewAt(
        view, it != list.end() && at < presentingIndex_ ? presentingIndex_ + 1 : presentingIndex_);
}

void TransitionContext::removeContainer() {
    if (Window* window = container_->window()) window->removePresentedView(container_.get());
    container_->removeFromSuperview();
}

}  // namespace platform::ui
