#include "ads/render/swipe/DZPercentDrivenUserInteractionAnimationController.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "platform/ui/PanGestureRecognizer.h"
#include "platform/ui/Screen.h"
#include "platform/ui/TransitionContext.h"

using platform::ui::GestureRecognizerState;
using platform::ui::ViewController;
using platform::ui::ViewControllerAnimatedTransitioning;
using platform::ui::ViewControllerContextTransitioning;
using platform::ui::ViewControllerInteractiveTransitioning;

DZPercentDrivenUserInteractionAnimationController::DZPercentDrivenUserInteractionAnimationController(
    std::shared_ptr<DZViewControllerFullScreenSwipeAnimation> animation)
    : animation_(std::move(animation)) {}

std::shared_ptr<ViewControllerAnimatedTransitioning>
DZPercentDrivenUserInteractionAnimationController::animationControllerForPresentedController(
    ViewController&, ViewController&, ViewController&) {
    if (animation_) animation_->willAnimatePresentation();
    return animation_;
}

std::shared_ptr<ViewControllerAnimatedTransitioning>
DZPercentDrivenUserInteractionAnimationController::animationControllerForDismissedController(
    ViewController&) {
    if (animation_) animation_->willAnimateDismissal();
    return animation_;
}

std::shared_ptr<ViewControllerInteractiveTransitioning>
DZPercentDrivenUserInteractionAnimationController::interactionControllerForPresentation(
    ViewControllerAnimatedTransitioning&) {
    // Not held by a shared pointer: the presentation runs by itself.
    return weak_from_this().lock();
}

void DZPercentDrivenUserInteractionAnimationController::startInteractiveTransition(
    const std::shared_ptr<ViewControllerContextTransitioning>& context) {
    interacting_ = true;
    context_ = context;
    PercentDrivenInteractiveTransition::startInteractiveTransition(context);
}

void DZPercentDrivenUserInteractionAnimationController::finishInteractiveTransition() {
    interacting_ = false;
    PercentDrivenInteractiveTransition::finishInteractiveTransition();
}

void DZPercentDrivenUserInteractionAnimationController::cancelInteractiveTransition() {
    interacting_ = false;
    PercentDrivenInteractiveTransition::cancelInteractiveTransition();
}

double DZPercentDrivenUserInteractionAnimationController::progressForLocation(float y,
                                                                              float screenHeight) const {
    if (!animation_) return 0;
    const double start = animation_->startY();
    double done, whole;
    if (animation_->direction() == DZViewControllerFullScreenSwipeAnimation::kTopToBottom) {
        done = y - start;
        whole = screenHeight - start;
    } else {
        done = start - y;
        whole = start;
    }
    const double progress = whole == 0 ? 0 : done / whole;
    return std::isfinite(progress) ? std::clamp(progress, 0.0, 1.0) : 0;
}

bool DZPercentDrivenUserInteractionAnimationController::isAnimatingTopToBottom() const {
    if (!animation_) return false;
    // A dismissal sends the page back the way it came.
    const bool cameDown = animation_->direction() == DZViewControllerFullScreenSwipeAnimation::kTopToBottom;
    return animation_->presenting() ? cameDown : !cameDown;
}

bool DZPercentDrivenUserInteractionAnimationController::presentationUnderFinger() const {
    if (!interacting_ || !isRunning()) return false;
    // An unanimated dismissal may have ended the presentation at once, the finger still down.
    const auto context = context_.lock();
    const auto* toolkit = dynamic_cast<const platform::ui::TransitionContext*>(context.get());
    return context && !(toolkit && toolkit->isCompleted());
}

void DZPercentDrivenUserInteractionAnimationController::handlePanGesture(
    platform::ui::PanGestureRecognizer& recognizer) {
    // The delegate may let go of this controller; a pan with no presentation under it (nothing
    // was presented for it) moves nothing and reports nothing.
    const auto self = weak_from_this().lock();
    if (!presentationUnderFinger()) return;
    switch (recognizer.state()) {
        case GestureRecognizerState::Changed:
            updateInteractiveTransition(progressForLocation(recognizer.locationInView(nullptr).y,
                                                            platform::ui::Screen::mainBounds().size.height));
            return;
        case GestureRecognizerState::Ended: {
            const float vy = recognizer.velocityInView(nullptr).y;
            const bool down = isAnimatingTopToBottom();
            const bool onward = down ? vy > 0 : vy < 0;
            const bool pulledBack = down ? vy < 0 : vy > 0;
            // A flick on brings the page in from anywhere; a finger that rests past half way has
            // pulled it out as surely as a flick, unless it was taking it back when it let go.
            const double progress = progressForLocation(recognizer.locationInView(nullptr).y,
                                                        platform::ui::Screen::mainBounds().size.height);
            const bool finish = onward || (!pulledBack && progress >= kFinishProgress);
            if (finish)
                finishInteractiveTransition();
            else
                cancelInteractiveTransition();
            if (auto delegate = delegate_.lock()) {
                if (finish)
                    delegate->animationControllerDidFinishAnimationTransition(*this);
                else
                    delegate->animationControllerDidCancelAnimationTransition(*this);
            }
            return;
        }
        case GestureRecognizerState::Cancelled:
        case GestureRecognizerState::Failed:
            cancelInteractiveTransition();
            if (auto delegate = delegate_.lock())
                delegate->animationControllerDidCancelAnimationTransition(*this);
            return;
        default:
            // Began: the host has just presented for this very swipe; the finger has not moved it yet.
            return;
    }
}
