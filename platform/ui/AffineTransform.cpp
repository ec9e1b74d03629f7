#include "platform/ui/AffineTransform.h"

#include <cmath>

namespace platform::ui {

namespace {
float snap(float v) {
    constexpr float kEps = 1e-6f;
    if (std::fabs(v) < kEps) return 0;
    if (std::fabs(v - 1) < kEps) return 1;
    if (std::fabs(v + 1) < kEps) return -1;
    return v;
}
}  // namespace

AffineTransform AffineTransform::rotation(float radians) {
    const float cs = snap(static_cast<float>(std::cos(static_cast<double>(radians))));
    const float sn = snap(static_cast<float>(std::sin(static_cast<double>(radians))));
    return {cs, sn, -sn, cs, 0, 0};
}

AffineTransform AffineTransform::scale(float sx, float sy) {
    return {sx, 0, 0, sy, 0, 0};
}

AffineTransform AffineTransform::translation(float x, float y) {
    return {1, 0, 0, 1, x, y};
}

AffineTransform AffineTransform::concat(const AffineTransform& t) const {
    return {a * t.a + b * t.c, a * t.b + b * t.d,          c * t.a + d * t.c,
            c * t.b + d * t.d, tx * t.a + ty * t.c + t.tx, tx * t.b + ty * t.d + t.ty};
}

bool AffineTransform::isInvertible() const {
    return std::fabs(a * d - b * c) > 1e-12f;
}

AffineTransform AffineTransform::inverted() const {
    const float det = a * d - b * c;
    if (std::fabs(det) <= 1e-12f) return *this;  // a singular transform has no inverse; keep it unchanged
    const float ia = d / det, ib = -b / det, ic = -c / det, id = a / det;
    return {ia, ib, ic, id, -(tx * ia + ty * ic), -(tx * ib + ty * id)};
}

Rect AffineTransform::apply(const Rect& r) const {
    return boundingBoxOfMappedCorners(r, [this](Point p) { return apply(p); });
}

}  // namespace platform::ui
