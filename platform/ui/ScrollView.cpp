#include "platform/ui/ScrollView.h"

#include <algorithm>
#include <cmath>

#include "platform/ui/DrawContext.h"
#include "platform/ui/InterfaceAttributes.h"
#include "platform/ui/TouchEvent.h"

namespace platform::ui {

namespace {
constexpr float kDragThreshold = 4;
}

ScrollView::ScrollView() {
    setClipsToBounds(true);
}

ScrollView::ScrollView(Rect frame) : View(frame) {
    setClipsToBounds(true);
}

void ScrollView::setContentOffset(Point offset, bool) {
    Rect b = bounds();
    b.origin = offset;
    setBounds(b);
}

Point ScrollView::maxContentOffset() const {
    const Rect b = bounds();
    return {std::max(0.0f, contentSize_.width - b.size.width),
            std::max(0.0f, contentSize_.height - b.size.height)};
}

Point ScrollView::clamp(Point offset) const {
    const Point m = maxContentOffset();
    return {std::clamp(offset.x, 0.0f, m.x), std::clamp(offset.y, 0.0f, m.y)};
}

void ScrollView::scrollBy(float dx, float dy) {
    const Point o = contentOffset();
    setContentOffset(clamp({o.x + dx, o.y + dy}));
}

bool ScrollView::scrollWheel(Point, float dx, float dy) {
    scrollBy(dx, dy);
    flashScrollIndicators();
    return true;
}

void ScrollView::flashScrollIndicators() {
    ++flashCount_;
    // Off a window there is no clock yet: the flash starts when the view is first drawn.
    if (window()) {
        flashUntil_ = now() + kFlashSeconds;
        setNeedsDisplay();
    } else {
        flashPending_ = true;
    }
}

bool ScrollView::indicatorsVisible() const {
    return indicatorAlwaysShown_ || dragging_ || flashPending_ || (flashUntil_ >= 0 && now() < flashUntil_);
}

void ScrollView::touchesBegan(const TouchList& touches, const TouchEvent&) {
    if (tracking_ || touches.empty()) return;
    tracking_ = true;
    trackedTouch_ = touches.front()->identity();
    dragStart_ = touches.front()->locationInWindow();
    offsetAtStart_ = contentOffset();
}

void ScrollView::touchesMoved(const TouchList& touches, const TouchEvent&) {
    if (!tracking_) return;
    for (const auto& t : touches) {
        if (t->identity() != trackedTouch_) continue;
        const Point p = t->locationInWindow();
        const float dx = p.x - dragStart_.x, dy = p.y - dragStart_.y;
        if (!dragging_ && std::hypot(dx, dy) < kDragThreshold) return;
        dragging_ = true;
        setContentOffset(clamp({offsetAtStart_.x - dx, offsetAtStart_.y - dy}));
    }
}

void ScrollView::touchesEnded(const TouchList& touches, const TouchEvent&) {
    for (const auto& t : touches) {
        if (t->identity() != trackedTouch_) continue;
        tracking_ = false;
        if (dragging_) {
            dragging_ = false;
            flashUntil_ = now() + 0.3;  // the indicators fade out shortly after the finger lifts
        }
    }
}

void ScrollView::touchesCancelled(const TouchList& touches, const TouchEvent& event) {
    touchesEnded(touches, event);
}

void ScrollView::drawOverlay(DrawContext& ctx) {
    if (flashPending_) {
        flashPending_ = false;
        flashUntil_ = ctx.now() + kFlashSeconds;
    }
    // The indicators go when the flash ends: that takes a frame of its own.
    if (!dragging_ && flashUntil_ >= 0 && ctx.now() < flashUntil_) setNeedsDisplayAt(flashUntil_);
    if (!showsVertical_ || !indicatorsVisible()) return;
    const Rect b = bounds();
    if (contentSize_.height <= b.size.height || contentSize_.height <= 0) return;
    const float visible = b.size.height / contentSize_.height;
    const float barH = std::max(14.0f, (b.size.height - 4) * visible);
    const float range = std::max(1.0f, contentSize_.height - b.size.height);
    const float frac = std::clamp(b.origin.y / range, 0.0f, 1.0f);
    const float y = b.origin.y + 2 + (b.size.height - 4 - barH) * frac;
    ctx.fillRoundedRect({b.maxX() - 5.5f, y, 3.5f, barH}, 1.75f, Color::black().withAlpha(0.5f));
}

void ScrollView::loadAttributes(InterfaceAttributes& attrs) {
    View::loadAttributes(attrs);
    if (auto s = attrs.optSize("contentSize")) contentSize_ = *s;
    if (auto v = attrs.optBool("showsVerticalScrollIndicator")) showsVertical_ = *v;
    if (auto v = attrs.optBool("indicatorAlwaysShown")) indicatorAlwaysShown_ = *v;
}

}  // namespace platform::ui
