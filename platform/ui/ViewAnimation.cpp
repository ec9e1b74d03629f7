#include "platform/ui/ViewAnimation.h"

#include <algorithm>
#include <cmath>

#include "platform/runloop/RunLoop.h"
#include "platform/ui/View.h"
#include "platform/ui/ViewAnimationGroup.h"
#include "platform/ui/Window.h"

namespace platform::ui {

namespace {
constexpr double kFrameSeconds = 1.0 / 60.0;

float mix(float a, float b, double t) {
    return static_cast<float>(a + (b - a) * t);
}

// Starts and ends gently, as the platform's default curve does.
double easeInOut(double t) {
    return t * t * (3 - 2 * t);
}
}  // namespace

std::shared_ptr<ViewAnimation> ViewAnimation::start(const std::shared_ptr<View>& view, double seconds,
                                                    Targets targets, Completion completion, RunLoop* loop) {
    std::shared_ptr<ViewAnimation> a(new ViewAnimation());
    a->view_ = view;
    a->to_ = std::move(targets);
    a->completion_ = std::move(completion);
    if (!loop && view && view->window()) loop = view->window()->runLoop();
    if (!loop && RunLoop::hasMain()) loop = &RunLoop::main();
    a->loop_ = loop;
    a->running_ = true;
    ViewAnimationGroup* group = ViewAnimationGroup::current();
    if (!view || (!group && (!loop || !(seconds > 0) || !std::isfinite(seconds)))) {
        a->finish();
        return a;
    }
    a->fromFrame_ = view->frame();
    a->fromAlpha_ = view->alpha();
    a->fromTransform_ = view->transform();
    a->seconds_ = seconds > 0 && std::isfinite(seconds) ? seconds : 0;
    if (group) {
        a->held_ = true;
        group->adopt(a);
        return a;
    }
    a->begin_ = loop->now();
    a->self_ = a;
    const std::weak_ptr<ViewAnimation> weak = a;
    a->timer_ = loop->scheduleRepeating(kFrameSeconds, [weak](Timer&) {
        if (auto self = weak.lock()) self->step();
    });
    return a;
}

ViewAnimation::~ViewAnimation() {
    if (timer_) timer_->invalidate();
}

double ViewAnimation::progress() const {
    if (!running_) return 1;
    if (held_) return heldProgress_;
    if (!loop_ || seconds_ <= 0) return 1;
    return std::clamp((loop_->now() - begin_) / seconds_, 0.0, 1.0);
}

void ViewAnimation::step() {
    if (!running_ || held_) return;
    const double t = progress();
    if (t >= 1) {
        finish();
        return;
    }
    apply(easeInOut(t));
}

void ViewAnimation::apply(double t) {
    auto view = view_.lock();
    if (!view) return;
    // The transform goes first: the frame of a transformed view is read through it.
    if (to_.transform) {
        const AffineTransform& f = fromTransform_;
        const AffineTransform& e = *to_.transform;
        view->setTransform(t >= 1
                               ? e
                               : AffineTransform{mix(f.a, e.a, t), mix(f.b, e.b, t), mix(f.c, e.c, t),
                                                 mix(f.d, e.d, t), mix(f.tx, e.tx, t), mix(f.ty, e.ty, t)});
    }
    if (to_.frame) {
        const Rect& f = fromFrame_;
        const Rect& e = *to_.frame;
        view->setFrame(t >= 1
                           ? e
                           : Rect{mix(f.origin.x, e.origin.x, t), mix(f.origin.y, e.origin.y, t),
                                  mix(f.size.width, e.size.width, t), mix(f.size.height, e.size.height, t)});
    }
    if (to_.alpha) view->setAlpha(t >= 1 ? *to_.alpha : mix(fromAlpha_, *to_.alpha, t));
}

void ViewAnimation::finish() {
    if (!running_) return;
    apply(1);
    end(true);
}

void ViewAnimation::stop() {
    if (!running_) return;
    end(false);
}

void ViewAnimation::hold(double t) {
    if (!running_) return;
    heldProgress_ = std::clamp(t, 0.0, 1.0);
    apply(heldProgress_);
}

void ViewAnimation::release(bool forward) {
    if (!running_) return;
    if (forward) {
        finish();
        return;
    }
    // Exactly the start values: mixing with a weight of 0 gives them back unchanged.
    apply(0);
    end(false);
}

void ViewAnimation::end(bool finished) {
    running_ = false;
    held_ = false;
    if (timer_) timer_->invalidate();
    timer_.reset();
    // The completion may drop the last outside reference; this call keeps the object alive.
    auto keep = std::move(self_);
    auto done = std::move(completion_);
    completion_ = nullptr;
    if (done) done(finished);
}

}  // namespace platform::ui
