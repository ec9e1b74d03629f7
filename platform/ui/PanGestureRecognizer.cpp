#include "platform/ui/PanGestureRecognizer.h"

#include <algorithm>
#include <cmath>

#include "platform/ui/View.h"
#include "platform/ui/Window.h"

namespace platform::ui {

namespace {
// Velocity looks this far back: long enough to smooth uneven input steps, short enough that a
// finger that stopped before lifting throws nothing.
constexpr double kVelocityWindow = 0.1;

Point centreOf(const TouchList& touches) {
    Point sum;
    for (const auto& t : touches) {
        const Point p = t->locationInWindow();
        sum.x += p.x;
        sum.y += p.y;
    }
    const auto n = static_cast<float>(touches.size());
    return n > 0 ? Point{sum.x / n, sum.y / n} : sum;
}

Point minus(Point a, Point b) {
    return {a.x - b.x, a.y - b.y};
}

Point plus(Point a, Point b) {
    return {a.x + b.x, a.y + b.y};
}

// A window-coordinate displacement expressed along `view`'s axes (scaled and turned with it).
Point directionInView(const View* view, Point d) {
    if (!view) return d;
    return minus(view->convertPointFromWindow(d), view->convertPointFromWindow({0, 0}));
}

Point directionInWindow(const View* view, Point d) {
    if (!view) return d;
    return minus(view->convertPointToWindow(d), view->convertPointToWindow({0, 0}));
}

// Adds a sample and drops those too old to count for the velocity.
template <class Samples>
void record(Samples& samples, Point translation, double time) {
    samples.push_back({translation, time});
    std::erase_if(samples, [time](const auto& s) { return s.time < time - kVelocityWindow; });
}

bool isRecognised(GestureRecognizerState s) {
    return s == GestureRecognizerState::Began || s == GestureRecognizerState::Changed;
}
}  // namespace

Point PanGestureRecognizer::translationInView(const View* view) const {
    return directionInView(view, translation_);
}

void PanGestureRecognizer::setTranslation(Point t, const View* view) {
    const Point wanted = directionInWindow(view, t);
    const Point shift = minus(wanted, translation_);
    offset_ = plus(offset_, shift);
    translation_ = wanted;
    // The samples hold translations: shifting them all keeps the velocity what it was.
    for (auto& s : samples_) s.location = plus(s.location, shift);
}

Point PanGestureRecognizer::velocityInView(const View* view) const {
    if (samples_.empty()) return {};
    double until = samples_.back().time;
    // While fingers are down, time passing without moves is a finger at rest.
    if (!touches().empty() && this->view()) {
        if (Window* w = this->view()->window()) until = std::max(until, w->now());
    }
    auto first = std::find_if(samples_.begin(), samples_.end(),
                              [until](const Sample& s) { return s.time >= until - kVelocityWindow; });
    if (first == samples_.end()) return {};
    const Sample& last = samples_.back();
    const double dt = last.time - first->time;
    if (!(dt > 0)) return {};
    const Point d = minus(last.location, first->location);
    return directionInView(view, {static_cast<float>(d.x / dt), static_cast<float>(d.y / dt)});
}

// Samples are translations (not raw centres), so a finger joining or leaving, which moves the
// centre of the touches, neither jumps the translation nor throws the velocity.
void PanGestureRecognizer::touchesBegan(const TouchList&, const TouchEvent& event) {
    if (state() == GestureRecognizerState::Possible && numberOfTouches() > maximumTouches_) {
        setState(GestureRecognizerState::Failed);
        return;
    }
    start_ = centreOf(touches());
    offset_ = translation_;
    if (samples_.empty()) samples_.push_back({translation_, event.timestamp()});
}

void PanGestureRecognizer::touchesMoved(const TouchList&, const TouchEvent& event) {
    translation_ = plus(minus(centreOf(touches()), start_), offset_);
    record(samples_, translation_, event.timestamp());
    if (isRecognised(state())) {
        setState(GestureRecognizerState::Changed);
    } else if (numberOfTouches() >= minimumTouches_ &&
               std::hypot(translation_.x, translation_.y) >= kHysteresis) {
        setState(GestureRecognizerState::Began);
    }
}

void PanGestureRecognizer::touchesEnded(const TouchList& touches, const TouchEvent& event) {
    if (numberOfTouches() > 0) {
        start_ = centreOf(this->touches());
        offset_ = translation_;
        return;
    }
    // The lift is the last sample: a finger that rested before it leaves it alone in the window.
    translation_ = plus(minus(centreOf(touches), start_), offset_);
    record(samples_, translation_, event.timestamp());
    setState(isRecognised(state()) ? GestureRecognizerState::Ended : GestureRecognizerState::Failed);
}

void PanGestureRecognizer::touchesCancelled(const TouchList&, const TouchEvent&) {
    setState(isRecognised(state()) ? GestureRecognizerState::Cancelled : GestureRecognizerState::Failed);
}

void PanGestureRecognizer::reset() {
    start_ = {};
    translation_ = {};
    offset_ = {};
    samples_.clear();
}

}  // namespace platform::ui
