#include "ads/render/swipe/DZViewControllerFullScreenSwipeAnimation.h"

#include <cmath>
#include <utility>

#include "platform/ui/SnapshotView.h"
#include "platform/ui/View.h"
#include "platform/ui/ViewAnimation.h"
#include "platform/ui/ViewController.h"

using platform::Rect;
using platform::ui::View;
using platform::ui::ViewAnimation;
using platform::ui::ViewControllerContextTransitioning;

namespace {

ViewAnimation::Targets toFrame(const Rect& frame) {
    ViewAnimation::Targets targets;
    targets.frame = frame;
    return targets;
}

// The container sits on the window's presented layer, the ad in the content below it: the two
// meet in window coordinates.
Rect boundsInContainer(const View& view, const View& container) {
    return platform::boundingBoxOfMappedCorners(
        view.convertRectToWindow(view.bounds()),
        [&container](platform::Point p) { return container.convertPointFromWindow(p); });
}

Rect containerBounds(ViewControllerContextTransitioning& context) {
    auto container = context.containerView();
    return container ? container->bounds() : Rect();
}

}  // namespace

double DZViewControllerFullScreenSwipeAnimation::transitionDuration(ViewControllerContextTransitioning&) {
    // A duration that never ends would hold the page half-way for good.
    return std::isfinite(transitionDuration_) && transitionDuration_ >= 0 ? transitionDuration_ : 1.0;
}

DZAnimationContext DZViewControllerFullScreenSwipeAnimation::presentationContext(
    ViewControllerContextTransitioning& context, bool topToBottom) {
    DZAnimationContext out;
    out.animatedViewController = context.toViewController();
    const Rect k = containerBounds(context);
    const float h = k.size.height;
    float y0 = topToBottom ? startY_ - h : startY_;
    draggableShown_ = false;
    draggableEndAfter_ = Rect();
    auto container = context.containerView();
    if (draggableView_ && container) {
        const Rect d = boundsInContainer(*draggableView_, *container);
        out.draggableViewStartFrame = d;
        out.draggableViewEndFrame = topToBottom ? Rect(d.minX(), h, d.size.width, d.size.height)
                                                : Rect(d.minX(), -d.size.height, d.size.width, d.size.height);
        draggableEndAfter_ = out.draggableViewEndFrame;
        if (!removeDraggableViewAnimationIfInvalidForAnimationContext(out)) {
            // The picture as the ad is drawn now; the ad itself stays where it is, under the page.
            out.draggableViewSnapshot = platform::ui::snapshotViewOf(*draggableView_);
            draggableShown_ = true;
            // The page's leading edge touches the ad's far edge, so the two move as one.
            y0 = topToBottom ? d.minY() - h : d.maxY();
        }
    }
    out.animatedViewStartFrame = Rect(k.minX(), y0, k.size.width, k.size.height);
    out.animatedViewEndFrame = k;
    animatedBefore_ = out.animatedViewStartFrame;
    return out;
}

DZAnimationContext DZViewControllerFullScreenSwipeAnimation::
    animationContextForTopToBottomAnimationPresentationWithTransitionContext(
        ViewControllerContextTransitioning& context) {
    return presentationContext(context, true);
}

DZAnimationContext DZViewControllerFullScreenSwipeAnimation::
    animationContextForBottomToTopAnimationPresentationWithTransitionContext(
        ViewControllerContextTransitioning& context) {
    return presentationContext(context, false);
}

DZAnimationContext DZViewControllerFullScreenSwipeAnimation::
    animationContextForTopToBottomAnimationDismissalWithTransitionContext(
        ViewControllerContextTransitioning& context) {
    return animationContextForRestoringAnimationToSavedState(context);
}

DZAnimationContext DZViewControllerFullScreenSwipeAnimation::
    animationContextForBottomToTopAnimationDismissalWithTransitionContext(
        ViewControllerContextTransitioning& context) {
    return animationContextForRestoringAnimationToSavedState(context);
}

DZAnimationContext
DZViewControllerFullScreenSwipeAnimation::animationContextForRestoringAnimationToSavedState(
    ViewControllerContextTransitioning& context) {
    DZAnimationContext out;
    out.animatedViewController = context.fromViewController();
    auto container = context.containerView();
    const bool withPicture = draggableView_ && draggableShown_ && container;
    if (withPicture) {
        out.draggableViewStartFrame = draggableEndAfter_;
        out.draggableViewEndFrame = boundsInContainer(*draggableView_, *container);
    }
    if (!removeDraggableViewAnimationIfInvalidForAnimationContext(out) && withPicture)
        out.draggableViewSnapshot = platform::ui::snapshotViewOf(*draggableView_);
    if (out.animatedViewController && out.animatedViewController->isViewLoaded())
        out.animatedViewStartFrame = out.animatedViewController->view()->frame();
    out.animatedViewEndFrame = animatedBefore_;
    return out;
}

bool DZViewControllerFullScreenSwipeAnimation::removeDraggableViewAnimationIfInvalidForAnimationContext(
    DZAnimationContext& context) {
    const platform::Size size = draggableView_ ? draggableView_->bounds().size : platform::Size();
    if (context.draggableViewStartFrame.size == size && context.draggableViewEndFrame.size == size)
        return false;
    context.draggableViewSnapshot.reset();
    context.draggableViewStartFrame = Rect();
    context.draggableViewEndFrame = Rect();
    draggableEndAfter_ = Rect();
    return true;
}

void DZViewControllerFullScreenSwipeAnimation::animateTransition(
    const std::shared_ptr<ViewControllerContextTransitioning>& transitionContext) {
    const std::shared_ptr<ViewControllerContextTransitioning> context = transitionContext;
    if (!context) return;
    auto container = context->containerView();
    auto from = context->fromViewController();
    auto to = context->toViewController();
    if (!container || !from || !to) {
        context->completeTransition(!context->transitionWasCancelled());
        return;
    }
    // The moving page ends on top.
    if (presenting_) {
        container->addSubview(from->view());
        container->addSubview(to->view());
    } else {
        container->addSubview(to->view());
        container->addSubview(from->view());
    }
    const bool topToBottom = direction_ == kTopToBottom;
    DZAnimationContext frames;
    if (presenting_) {
        frames = topToBottom
                     ? animationContextForTopToBottomAnimationPresentationWithTransitionContext(*context)
                     : animationContextForBottomToTopAnimationPresentationWithTransitionContext(*context);
    } else {
        frames = topToBottom
                     ? animationContextForTopToBottomAnimationDismissalWithTransitionContext(*context)
                     : animationContextForBottomToTopAnimationDismissalWithTransitionContext(*context);
    }
    const double seconds = transitionDuration(*context);
    auto snapshot = frames.draggableViewSnapshot;
    if (snapshot) {
        snapshot->setFrame(frames.draggableViewStartFrame);
        container->addSubview(snapshot);
        ViewAnimation::start(snapshot, seconds, toFrame(frames.draggableViewEndFrame));
    }
    auto page = frames.animatedViewController ? frames.animatedViewController->view() : nullptr;
    if (!page) {
        context->completeTransition(!context->transitionWasCancelled());
        return;
    }
    page->setFrame(frames.animatedViewStartFrame);
    ViewAnimation::start(page, seconds, toFrame(frames.animatedViewEndFrame), [context, snapshot](bool) {
        if (snapshot) snapshot->removeFromSuperview();
        context->completeTransition(!context->transitionWasCancelled());
    });
}
