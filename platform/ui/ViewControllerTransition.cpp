// ViewController's presentations and dismissals through a transitioning delegate's animator.
#include <utility>

#include "platform/ui/TransitionContext.h"
#include "platform/ui/View.h"
#include "platform/ui/ViewController.h"
#include "platform/ui/ViewControllerTransitioning.h"
#include "platform/ui/Window.h"

namespace platform::ui {

bool ViewController::startCustomPresentation(const std::shared_ptr<ViewController>& controller,
                                             ViewController& source, Window& window) {
    auto delegate = controller->transitioningDelegate();
    if (!delegate) return false;
    auto animator = delegate->animationControllerForPresentedController(*controller, *this, source);
    if (!animator) return false;
    auto interaction = delegate->interactionControllerForPresentation(*animator);
    controller->slideAnimated_ = true;
    auto v = controller->view();
    // Where a presentation leaves it; the animator moves it from there.
    v->setTransform(AffineTransform::identity());
    v->setFrame(window.bounds());
    const std::weak_ptr<ViewController> weak = controller;
    auto context = std::make_shared<TransitionContext>(
        window, TransitionContext::Parts{.presenting = true,
                                         .from = weak_from_this().lock(),
                                         .to = controller,
                                         .animator = std::move(animator),
                                         .interaction = std::move(interaction),
                                         .presentingView = view_,
                                         .done = [weak](bool didComplete) {
                                             if (auto c = weak.lock())
                                                 c->completeCustomPresentation(didComplete);
                                         }});
    controller->transition_ = context;
    // Joining the window starts the appearance (will appear), as the slide's start does.
    context->containerView()->addSubview(v);
    context->start();
    return true;
}

bool ViewController::startCustomDismissal(Window& window) {
    auto delegate = transitioningDelegate();
    if (!delegate) return false;
    auto animator = delegate->animationControllerForDismissedController(*this);
    if (!animator) return false;
    auto interaction = delegate->interactionControllerForDismissal(*animator);
    slideAnimated_ = true;
    viewWillMoveToWindow(false);
    // Will disappear may have ended the dismissal some other way.
    if (!beingDismissed_ || !presenting_ || !view_ || view_->window() != &window) {
        if (beingDismissed_) finishDismissal();
        return true;
    }
    const std::weak_ptr<ViewController> weak = weak_from_this();
    auto context = std::make_shared<TransitionContext>(
        window, TransitionContext::Parts{.presenting = false,
                                         .from = weak.lock(),
                                         .to = presenting_->weak_from_this().lock(),
                                         .animator = std::move(animator),
                                         .interaction = std::move(interaction),
                                         .presentingView = presenting_->view_,
                                         .done = [weak](bool didComplete) {
                                             if (auto c = weak.lock())
                                                 c->completeCustomDismissal(didComplete);
                                         }});
    transition_ = context;
    // Moved within the window: no appearance calls. It is no longer a presented view of its own.
    context->containerView()->addSubview(view_);
    window.removePresentedView(view_.get());
    context->start();
    return true;
}

void ViewController::completeCustomPresentation(bool didComplete) {
    auto context = std::move(transition_);
    if (!context) return;
    auto keep = weak_from_this().lock();
    context->restorePresentingView();
    Window* window = context->containerView()->window();
    if (didComplete) {
        if (view_ && window) {
            window->addPresentedView(view_);
            view_->setTransform(AffineTransform::identity());
            view_->setFrame(window->bounds());
        }
        context->removeContainer();
        const bool dismiss = std::exchange(dismissAfterTransition_, false);
        finishPresentation();
        if (dismiss) ViewController::dismissViewController(dismissAfterTransitionAnimated_);
        return;
    }
    // Undone: will disappear and did disappear follow the will appear, and the presentation's
    // completion never runs. A dismissal asked for meanwhile finds nothing to dismiss.
    presentCompletions_.clear();
    beingPresented_ = false;
    holdAppearance_ = false;
    dismissAfterTransition_ = false;
    beingDismissed_ = true;
    if (view_) view_->removeFromSuperview();
    context->removeContainer();
    finishDismissal();
}

void ViewController::completeCustomDismissal(bool didComplete) {
    auto context = std::move(transition_);
    if (!context) return;
    auto keep = weak_from_this().lock();
    context->restorePresentingView();
    Window* window = context->containerView()->window();
    if (didComplete) {
        if (view_) view_->removeFromSuperview();
        context->removeContainer();
        finishDismissal();
        return;
    }
    // Still presented: back on the presented layer, appearing again; the dismissal's completions
    // are for a dismissal that did not take place.
    if (view_ && window) {
        window->addPresentedView(view_);
        view_->setTransform(AffineTransform::identity());
        view_->setFrame(window->bounds());
    }
    context->removeContainer();
    beingDismissed_ = false;
    dismissCompletions_.clear();
    if (appeared_ && disappearing_) {
        disappearing_ = false;
        viewWillAppear(true);
        viewDidAppear(true);
    }
}

void ViewController::endTransitionAtOnce() {
    auto context = transition_;
    if (!context) return;
    dismissAfterTransition_ = false;
    context->completeTransition(true);
}

}  // namespace platform::ui
