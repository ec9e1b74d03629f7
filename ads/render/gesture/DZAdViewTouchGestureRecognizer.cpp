#include "ads/render/gesture/DZAdViewTouchGestureRecognizer.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "ads/core/DZSignalCollector.h"
#include "ads/foundation/DZRunOnMainThread.h"

namespace {

constexpr double kInt32Max = std::numeric_limits<std::int32_t>::max();
constexpr double kInt32Min = std::numeric_limits<std::int32_t>::min();

std::int32_t clampedInt32(double value) {
    return static_cast<std::int32_t>(std::clamp(std::trunc(value), kInt32Min, kInt32Max));
}

DZAdViewTouchGestureRecognizer::Sink collectorSink() {
    return [](std::int32_t x, std::int32_t y, std::int32_t durationMs) {
        DZSignalCollector::sharedInstance().recordTouch(x, y, durationMs);
    };
}

}  // namespace

DZAdViewTouchGestureRecognizer::DZAdViewTouchGestureRecognizer(const platform::ui::View* view)
    : DZGestureRecognizer(view), sink_(collectorSink()) {}

void DZAdViewTouchGestureRecognizer::setSink(Sink sink) {
    sink_ = sink ? std::move(sink) : collectorSink();
}

std::int32_t DZAdViewTouchGestureRecognizer::durationMs(std::optional<double> down, double up) {
    if (!down) return -1;
    const double ms = (up - *down) * 1000;
    // A clock that went back, or times that are not numbers, give no length at all.
    if (!std::isfinite(ms) || ms < 0) return 0;
    return clampedInt32(ms);
}

void DZAdViewTouchGestureRecognizer::began(const platform::ui::TouchList&,
                                           const platform::ui::TouchEvent& event) {
    touchesBeganTimestamp_ = event.timestamp();
}

void DZAdViewTouchGestureRecognizer::ended(const platform::ui::TouchList& touches,
                                           const platform::ui::TouchEvent& event) {
    fail();
    const std::int32_t duration = durationMs(touchesBeganTimestamp_, event.timestamp());
    touchesBeganTimestamp_.reset();
    if (touches.empty()) return;
    const platform::Point p = touches.front()->locationInView(view());
    if (!std::isfinite(p.x) || !std::isfinite(p.y)) return;
    DZRunOnMainThread(
        [sink = sink_, x = clampedInt32(p.x), y = clampedInt32(p.y), duration] { sink(x, y, duration); });
}

void DZAdViewTouchGestureRecognizer::cancelled(const platform::ui::TouchList&,
                                               const platform::ui::TouchEvent&) {
    fail();
    touchesBeganTimestamp_.reset();
}
