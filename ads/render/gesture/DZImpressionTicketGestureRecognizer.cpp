#include "ads/render/gesture/DZImpressionTicketGestureRecognizer.h"

#include <cmath>

void DZImpressionTicketGestureRecognizer::began(const platform::ui::TouchList& touches,
                                                const platform::ui::TouchEvent& event) {
    // The window hands each finger over on its own: a second one shows among the view's touches.
    if (touches.size() != 1 || event.touchesForView(view()).size() != 1) fail();
}

void DZImpressionTicketGestureRecognizer::moved(const platform::ui::TouchList& touches,
                                                const platform::ui::TouchEvent&) {
    if (touches.empty()) return;
    const platform::Point now = touches.front()->locationInView(view());
    const platform::Point before = touches.front()->previousLocationInView(view());
    const float dx = static_cast<float>(now.x - before.x);
    const float dy = static_cast<float>(now.y - before.y);
    // Written so that a step that is not a number fails too.
    if (!(std::fabs(dy) <= kMaxVerticalStep) || !std::isfinite(dx)) return fail();
    const bool right = gestureState_ % 2 == 1;  // strokes 1 and 3 go right, 2 and 4 left
    if (gestureState_ == 0) {
        if (dx < 0) return fail();
        distanceMoved_ += std::fabs(dx);
        gestureState_ = 1;
        return;
    }
    const bool sameWay = right ? dx >= 0 : dx <= 0;
    if (sameWay) {
        distanceMoved_ += std::fabs(dx);
        return;
    }
    // The last stroke has no turn after it.
    if (gestureState_ == 4 || distanceMoved_ < kMinimumStroke) return fail();
    distanceMoved_ = std::fabs(dx);
    ++gestureState_;
}

void DZImpressionTicketGestureRecognizer::ended(const platform::ui::TouchList&,
                                                const platform::ui::TouchEvent&) {
    if (gestureState_ == 4) return recognize();
    fail();
    gestureState_ = 0;
}

void DZImpressionTicketGestureRecognizer::cancelled(const platform::ui::TouchList&,
                                                    const platform::ui::TouchEvent&) {
    fail();
    reset();
}

void DZImpressionTicketGestureRecognizer::reset() {
    gestureState_ = 0;
    distanceMoved_ = 0;
}
