#include "platform/ui/ActivityIndicatorView.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "platform/ui/DrawContext.h"

namespace platform::ui {

ActivityIndicatorView::ActivityIndicatorView(Style style)
    : View(style == Style::WhiteLarge ? Rect{0, 0, 37, 37} : Rect{0, 0, 20, 20}), style_(style) {
    setUserInteractionEnabled(false);
    setHidden(true);
}

void ActivityIndicatorView::startAnimating() {
    if (animating_) return;
    animating_ = true;
    startedAt_ = now();
    setHidden(false);
    setNeedsDisplay();
}

void ActivityIndicatorView::stopAnimating() {
    if (!animating_) return;
    animating_ = false;
    if (hidesWhenStopped_) setHidden(true);
    setNeedsDisplay();
}

void ActivityIndicatorView::setHidesWhenStopped(bool hides) {
    hidesWhenStopped_ = hides;
    setHidden(hides && !animating_);
}

void ActivityIndicatorView::draw(DrawContext& ctx) {
    const Rect b = bounds();
    const float radius = std::min(b.size.width, b.size.height) / 2;
    if (radius <= 0) return;
    const Color color = style_ == Style::Gray ? Color::gray(0.5f) : Color::white();
    // A stopped spinner that stays shown keeps its spokes still.
    const double elapsed = animating_ ? std::max(0.0, ctx.now() - startedAt_) : 0;
    const long step = static_cast<long>(std::floor(elapsed / kStepSeconds));
    const int lit = static_cast<int>(step % kSpokes);
    const float width = std::max(1.5f, radius / 4.5f);
    const float inner = radius * 0.45f;
    for (int i = 0; i < kSpokes; ++i) {
        // The lit spoke is whole; those behind it fade with their distance from it.
        const int behind = (lit - i + kSpokes) % kSpokes;
        const float alpha = std::max(0.25f, 1.0f - 0.75f * static_cast<float>(behind) / (kSpokes / 2));
        const auto state = ctx.save();
        const float angle = static_cast<float>(2 * std::numbers::pi * i / kSpokes);
        ctx.concat(AffineTransform::rotation(angle).concat(
            AffineTransform::translation(b.minX() + b.size.width / 2, b.minY() + b.size.height / 2)));
        ctx.fillRoundedRect({-width / 2, -radius, width, radius - inner}, width / 2, color.withAlpha(alpha));
        ctx.restore(state);
    }
    if (animating_) setNeedsDisplayAt(startedAt_ + static_cast<double>(step + 1) * kStepSeconds);
}

}  // namespace platform::ui
