#pragma once
// Plain geometry values shared by the shell, the UI layer and the ad views (points, sizes,
// rectangles in floats, as the original platform's geometry types were).
#include <algorithm>

namespace platform {

struct Point {
    float x = 0;
    float y = 0;
    bool operator==(const Point&) const = default;
};

struct Size {
    float width = 0;
    float height = 0;
    bool operator==(const Size&) const = default;
};

struct Rect {
    Point origin;
    Size size;

    Rect() = default;
    Rect(float x, float y, float w, float h) : origin{x, y}, size{w, h} {}
    Rect(Point o, Size s) : origin(o), size(s) {}

    float minX() const { return origin.x; }
    float minY() const { return origin.y; }
    float maxX() const { return origin.x + size.width; }
    float maxY() const { return origin.y + size.height; }
    float midX() const { return origin.x + size.width / 2; }
    float midY() const { return origin.y + size.height / 2; }
    bool contains(Point p) const { return p.x >= minX() && p.x < maxX() && p.y >= minY() && p.y < maxY(); }
    bool operator==(const Rect&) const = default;
};

// The axis-aligned box around a rectangle's four corners, each moved by `map` (a point to a
// point). Under a rotation or a skew the moved corners make no rectangle; this box is what a
// frame can still say.
template <class Map>
Rect boundingBoxOfMappedCorners(const Rect& r, Map&& map) {
    const Point corners[4] = {map(Point{r.minX(), r.minY()}), map(Point{r.maxX(), r.minY()}),
                              map(Point{r.minX(), r.maxY()}), map(Point{r.maxX(), r.maxY()})};
    float x0 = corners[0].x, x1 = corners[0].x, y0 = corners[0].y, y1 = corners[0].y;
    for (const Point& p : corners) {
        x0 = std::min(x0, p.x);
        x1 = std::max(x1, p.x);
        y0 = std::min(y0, p.y);
        y1 = std::max(y1, p.y);
    }
    return {x0, y0, x1 - x0, y1 - y0};
}

}  // namespace platform
