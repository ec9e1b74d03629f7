#include "ads/render/swipe/DZPushTransitionView.h"

#include <cmath>
#include <utility>

#include "platform/runloop/RunLoop.h"
#include "platform/ui/ViewAnimation.h"
#include "platform/ui/Window.h"

using platform::ui::View;
using platform::ui::ViewAnimation;

std::shared_ptr<DZPushTransitionView> DZPushTransitionView::create(platform::Rect frame) {
    auto view = std::make_shared<DZPushTransitionView>(frame);
    view->commonInit();
    return view;
}

DZPushTransitionView::DZPushTransitionView(platform::Rect frame) : View(frame) {}

DZPushTransitionView::~DZPushTransitionView() {
    if (pendingStep_) pendingStep_->invalidate();
}

void DZPushTransitionView::commonInit() {
    setClipsToBounds(true);
    clippingView_ = std::make_shared<View>(platform::Rect({0, 0}, bounds().size));
    clippingView_->setClipsToBounds(true);
    addSubview(clippingView_);
    clippingView_->setFillsSuperview(true);
}

void DZPushTransitionView::setViews(std::vector<std::shared_ptr<View>> views) {
    settlePush();
    setCurrentView(views.empty() ? nullptr : views.front());
    views_ = std::move(views);
    ++animationGroupIdentifier_;
    dispatchAnimation();
}

void DZPushTransitionView::setPresentationDuration(double seconds) {
    if (!std::isfinite(seconds) || seconds < 0) return;
    presentationDuration_ = seconds;
    ++animationGroupIdentifier_;
    dispatchAnimation();
}

void DZPushTransitionView::setAnimationDuration(double seconds) {
    if (!std::isfinite(seconds) || seconds < 0) return;
    animationDuration_ = seconds;
    ++animationGroupIdentifier_;
    dispatchAnimation();
}

void DZPushTransitionView::layoutSubviews() {
    if (currentView_ && !(entering_ && entering_->isRunning())) centre(*currentView_);
}

void DZPushTransitionView::centre(View& view) const {
    const auto size = bounds().size;
    view.setCenter({size.width / 2, size.height / 2});
}

void DZPushTransitionView::setCurrentView(std::shared_ptr<View> view) {
    if (currentView_ && currentView_ != view) currentView_->removeFromSuperview();
    currentView_ = std::move(view);
    if (!currentView_) return;
    clippingView_->addSubview(currentView_);
    centre(*currentView_);
}

platform::RunLoop* DZPushTransitionView::loop() const {
    if (auto* w = window(); w && w->runLoop()) return w->runLoop();
    return platform::RunLoop::hasMain() ? &platform::RunLoop::main() : nullptr;
}

void DZPushTransitionView::dispatchAnimation() {
    // The timer of an older generation would do nothing; dropping it keeps one timer at a time.
    if (pendingStep_) pendingStep_->invalidate();
    pendingStep_ = nullptr;
    auto* runLoop = loop();
    if (views_.size() < 2 || !runLoop) return;
    const int32_t generation = animationGroupIdentifier_;
    const std::weak_ptr<DZPushTransitionView> weak =
        std::static_pointer_cast<DZPushTransitionView>(shared_from_this());
    pendingStep_ =
        runLoop->scheduleOnce(animationDuration_ + presentationDuration_, [weak, generation](auto&) {
            auto self = weak.lock();
            if (self && self->animationGroupIdentifier_ == generation) self->animate();
        });
}

void DZPushTransitionView::animate() {
    if (views_.empty()) return;
    dispatchAnimation();
    settlePush();
    currentViewIndex_ = static_cast<uint32_t>((currentViewIndex_ + 1) % views_.size());
    auto leaving = currentView_;
    const auto& next = views_[currentViewIndex_];
    setCurrentView(next);
    if (!leaving || leaving == next) return;
    // The shown view stays until the push has carried it out of sight.
    leavingView_ = leaving;
    clippingView_->addSubview(leavingView_);
    const float height = bounds().size.height;
    auto enteringFrame = next->frame(), leavingFrame = leaving->frame();
    const auto restingFrame = enteringFrame;
    enteringFrame.origin.y += height;
    leavingFrame.origin.y -= height;
    next->setFrame(enteringFrame);
    const std::weak_ptr<DZPushTransitionView> weak =
        std::static_pointer_cast<DZPushTransitionView>(shared_from_this());
    entering_ =
        ViewAnimation::start(next, animationDuration_, {.frame = restingFrame, .alpha = {}, .transform = {}});
    leaving_ =
        ViewAnimation::start(leaving, animationDuration_,
                             {.frame = leavingFrame, .alpha = {}, .transform = {}}, [weak, leaving](bool) {
                                 auto self = weak.lock();
                                 if (!self || self->leavingView_ != leaving) return;
                                 self->leavingView_ = nullptr;
                                 if (leaving != self->currentView_) leaving->removeFromSuperview();
                             });
}

void DZPushTransitionView::settlePush() {
    auto entering = std::move(entering_);
    auto leaving = std::move(leaving_);
    if (entering) entering->finish();
    if (leaving) leaving->finish();
}
