#pragma once
#include <cairo.h>

#include <cstdint>

namespace assetgen {

// Small drawing helpers shared by the art routines. Colours are 0xRRGGBB with a separate alpha.
class Paint {
  public:
    static void color(cairo_t* cr, uint32_t rgb, double alpha = 1.0);
    static void stop(cairo_pattern_t* pattern, double offset, uint32_t rgb, double alpha = 1.0);
    static void roundedRect(cairo_t* cr, double x, double y, double w, double h, double r);
    static void ellipse(cairo_t* cr, double cx, double cy, double rx, double ry);
    static void circle(cairo_t* cr, double cx, double cy, double r);
    // A star of `points` tips between the two radii, the first tip at `angle` radians.
    static void star(cairo_t* cr, double cx, double cy, double outer, double inner, int points, double angle);
    // Mirrors everything drawn afterwards across the vertical centre line of a `width`-wide picture.
    static void mirror(cairo_t* cr, double width);
    // A shaded ball: light from the upper left, `light` in the middle of the lit side, `dark` at the rim.
    static void shadedBall(cairo_t* cr, double cx, double cy, double r, uint32_t light, uint32_t mid,
                           uint32_t dark);
    // Selects Liberation Sans Bold at `size` points, unhinted so every resolution shows the same shapes.
    static void boldFont(cairo_t* cr, double size);
};

}  // namespace assetgen
