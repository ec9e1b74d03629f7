#include "platform/ui/PercentDrivenInteractiveTransition.h"

#include <algorithm>
#include <cmath>

#include "platform/ui/TransitionContext.h"
#include "platform/ui/View.h"
#include "platform/ui/ViewAnimationGroup.h"
#include "platform/ui/Window.h"

namespace platform::ui {

PercentDrivenInteractiveTransition::PercentDrivenInteractiveTransition() : alive_(std::make_shared<char>()) {}

PercentDrivenInteractiveTransition::~PercentDrivenInteractiveTransition() = default;

double PercentDrivenInteractiveTransition::duration() const {
    return group_ ? duration_ : 0;
}

bool PercentDrivenInteractiveTransition::isRunning() const {
    return group_ != nullptr;
}

void PercentDrivenInteractiveTransition::startInteractiveTransition(
    const std::shared_ptr<ViewControllerContextTransitioning>& context) {
    if (!context) return;
    if (group_) {
        // Animations still held for a transition that was ended some other way (its presenting
        // controller went) are let go of, their completions not run; a live one keeps them.
        auto previous = std::dynamic_pointer_cast<TransitionContext>(context_);
        if (!previous || !previous->isCompleted() || group_->isRunning()) return;
        group_.reset();
        context_.reset();
    }
    auto toolkitContext = std::dynamic_pointer_cast<TransitionContext>(context);
    auto animator = toolkitContext ? toolkitContext->animator() : nullptr;
    if (!animator) return;
    auto container = context->containerView();
    Window* window = container ? container->window() : nullptr;
    auto group = ViewAnimationGroup::create(window ? window->runLoop() : nullptr);
    context_ = context;
    group_ = group;
    ending_ = false;
    duration_ = animator->transitionDuration(*context);
    const std::weak_ptr<char> alive = alive_;
    {
        ViewAnimationGroup::Capture capture(*group);
        animator->animateTransition(context);
    }
    // The animator may have completed the transition (and so let this object go) by itself.
    if (alive.expired() || group_ != group) return;
    if (toolkitContext->isCompleted()) {
        ending_ = true;
        end(true);
        return;
    }
    group->setFraction(percent_);
    context->updateInteractiveTransition(group->fraction());
}

void PercentDrivenInteractiveTransition::updateInteractiveTransition(double percentComplete) {
    if (ending_ || !std::isfinite(percentComplete)) return;
    percent_ = std::clamp(percentComplete, 0.0, 1.0);
    if (!group_) return;
    auto toolkitContext = std::dynamic_pointer_cast<TransitionContext>(context_);
    if (toolkitContext && toolkitContext->isCompleted()) return;
    group_->setFraction(percent_);
    context_->updateInteractiveTransition(percent_);
}

void PercentDrivenInteractiveTransition::finishInteractiveTransition() {
    if (!group_ || ending_) return;
    ending_ = true;
    context_->finishInteractiveTransition();
    end(true);
}

void PercentDrivenInteractiveTransition::cancelInteractiveTransition() {
    if (!group_ || ending_) return;
    ending_ = true;
    context_->cancelInteractiveTransition();
    end(false);
}

void PercentDrivenInteractiveTransition::end(bool forward) {
    auto group = group_;
    auto done = [alive = std::weak_ptr<char>(alive_), this, g = group.get()] {
        // The animations' completions may have released this object.
        if (alive.expired() || group_.get() != g) return;
        group_.reset();
        context_.reset();
        percent_ = 0;
        duration_ = 0;
    };
    // Nothing of this object is used after the run: it may end at once and let go of it.
    if (forward) {
        group->runToEnd(std::move(done));
    } else {
        group->runToStart(std::move(done));
    }
}

}  // namespace platform::ui
