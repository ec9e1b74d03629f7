#include "platform/ui/ViewAnimationGroup.h"

#include <algorithm>
#include <cmath>

#include "platform/runloop/RunLoop.h"
#include "platform/ui/View.h"
#include "platform/ui/ViewAnimation.h"
#include "platform/ui/Window.h"

namespace platform::ui {

namespace {
constexpr double kFrameSeconds = 1.0 / 60.0;
thread_local ViewAnimationGroup* currentGroup = nullptr;
}  // namespace

std::shared_ptr<ViewAnimationGroup> ViewAnimationGroup::create(RunLoop* loop) {
    std::shared_ptr<ViewAnimationGroup> g(new ViewAnimationGroup());
    g->loop_ = loop;
    return g;
}

ViewAnimationGroup::~ViewAnimationGroup() {
    if (timer_) timer_->invalidate();
}

ViewAnimationGroup::Capture::Capture(ViewAnimationGroup& group) : previous_(currentGroup) {
    currentGroup = &group;
}

ViewAnimationGroup::Capture::~Capture() {
    currentGroup = previous_;
}

ViewAnimationGroup* ViewAnimationGroup::current() {
    return currentGroup;
}

double ViewAnimationGroup::duration() const {
    double longest = 0;
    for (const auto& m : members_) longest = std::max(longest, m->seconds());
    return longest;
}

void ViewAnimationGroup::adopt(const std::shared_ptr<ViewAnimation>& animation) {
    if (!loop_) {
        auto view = animation->view_.lock();
        if (view && view->window()) loop_ = view->window()->runLoop();
        if (!loop_ && RunLoop::hasMain()) loop_ = &RunLoop::main();
    }
    members_.push_back(animation);
    // A member joining a group already moved starts where the others are.
    if (fraction_ > 0) applyFraction();
}

void ViewAnimationGroup::setFraction(double fraction) {
    if (running_ || ended_ || !std::isfinite(fraction)) return;
    fraction_ = std::clamp(fraction, 0.0, 1.0);
    applyFraction();
}

void ViewAnimationGroup::applyFraction() {
    const double at = fraction_ * duration();
    // A view's overridden setter may call anything, even back into the group: walk a copy.
    const auto members = members_;
    for (const auto& m : members) {
        const double s = m->seconds();
        m->hold(s > 0 ? at / s : (at > 0 || fraction_ >= 1 ? 1.0 : 0.0));
    }
}

void ViewAnimationGroup::runToEnd(std::function<void()> done) {
    run(1, std::move(done));
}

void ViewAnimationGroup::runToStart(std::function<void()> done) {
    run(0, std::move(done));
}

void ViewAnimationGroup::run(double target, std::function<void()> done) {
    if (running_ || ended_) return;
    running_ = true;
    done_ = std::move(done);
    runFrom_ = fraction_;
    runTarget_ = target;
    runSeconds_ = std::abs(target - fraction_) * duration();
    self_ = shared_from_this();
    if (!loop_ || !(runSeconds_ > 0)) {
        end();
        return;
    }
    runBegin_ = loop_->now();
    const std::weak_ptr<ViewAnimationGroup> weak = self_;
    timer_ = loop_->scheduleRepeating(kFrameSeconds, [weak](Timer&) {
        if (auto self = weak.lock()) self->step();
    });
}

void ViewAnimationGroup::step() {
    if (!running_) return;
    const double t = std::clamp((loop_->now() - runBegin_) / runSeconds_, 0.0, 1.0);
    if (t >= 1) {
        end();
        return;
    }
    fraction_ = runFrom_ + (runTarget_ - runFrom_) * t;
    applyFraction();
}

void ViewAnimationGroup::end() {
    running_ = false;
    ended_ = true;
    if (timer_) timer_->invalidate();
    timer_.reset();
    // The members' completions may drop the last outside reference.
    auto keep = std::move(self_);
    fraction_ = runTarget_;
    const bool forward = runTarget_ >= 1;
    auto members = std::move(members_);
    members_.clear();
    for (const auto& m : members) m->release(forward);
    auto done = std::move(done_);
    done_ = nullptr;
    if (done) done();
}

}  // namespace platform::ui
