#include "platform/ui/TapGestureRecognizer.h"

#include <cmath>

namespace platform::ui {

bool TapGestureRecognizer::stayedNear(const TouchList& touches) const {
    for (const auto& t : touches) {
        const Point p = t->locationInWindow();
        if (std::hypot(p.x - start_.x, p.y - start_.y) > kAllowableMovement) return false;
    }
    return true;
}

void TapGestureRecognizer::touchesBegan(const TouchList& touches, const TouchEvent&) {
    if (this->touches().size() > 1) {
        setState(GestureRecognizerState::Failed);
        return;
    }
    start_ = centreOf(touches);
}

void TapGestureRecognizer::touchesMoved(const TouchList& touches, const TouchEvent&) {
    if (!stayedNear(touches)) setState(GestureRecognizerState::Failed);
}

void TapGestureRecognizer::touchesEnded(const TouchList& touches, const TouchEvent&) {
    if (!stayedNear(touches)) {
        setState(GestureRecognizerState::Failed);
        return;
    }
    if (!this->touches().empty()) return;
    takeTouchesFromViews(touches);
    setState(GestureRecognizerState::Ended);
}

void TapGestureRecognizer::touchesCancelled(const TouchList&, const TouchEvent&) {
    setState(GestureRecognizerState::Failed);
}

}  // namespace platform::ui
