#pragma once
// 2D affine transform in the column convention of the phone platform:
//   x' = a*x + c*y + tx,  y' = b*x + d*y + ty.
#include "platform/geometry/Geometry.h"

namespace platform::ui {

struct AffineTransform {
    float a = 1, b = 0, c = 0, d = 1, tx = 0, ty = 0;

    static AffineTransform identity() { return {}; }
    // Quarter turns come out exact (no 1e-8 residue), so rotated frames stay whole numbers.
    static AffineTransform rotation(float radians);
    static AffineTransform scale(float sx, float sy);
    static AffineTransform translation(float x, float y);

    // this, then `then` (the same order as concatenating onto the phone platform's transforms).
    AffineTransform concat(const AffineTransform& then) const;
    AffineTransform inverted() const;
    bool isIdentity() const { return *this == AffineTransform{}; }
    bool isInvertible() const;

    Point apply(Point p) const { return {a * p.x + c * p.y + tx, b * p.x + d * p.y + ty}; }
    // The axis-aligned bounding box of the transformed rectangle.
    Rect apply(const Rect& r) const;
    bool operator==(const AffineTransform&) const = default;
};

}  // namespace platform::ui
