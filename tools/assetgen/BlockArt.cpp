#include "tools/assetgen/BlockArt.h"

#include <initializer_list>

#include "tools/assetgen/Paint.h"

namespace assetgen {

namespace {

constexpr double kTop = 8.0;
constexpr double kWidth = 28.0;
constexpr double kBottom = 16.0;

// A coil spring seen from the side: three stacked rings.
void springCoil(cairo_t* cr, double x) {
    for (int ring = 0; ring < 3; ++ring) Paint::ellipse(cr, x, 12.2 + ring * 1.2, 3.2, 0.7);
}

}  // namespace

void BlockArt::slab(cairo_t* cr, unsigned light, unsigned mid, unsigned dark, unsigned outline) {
    cairo_pattern_t* shade = cairo_pattern_create_linear(0, kTop, 0, kBottom);
    Paint::stop(shade, 0.0, light);
    Paint::stop(shade, 0.45, mid);
    Paint::stop(shade, 1.0, dark);
    Paint::roundedRect(cr, 0.5, kTop + 0.5, kWidth - 1.0, kBottom - kTop - 1.0, 2.5);
    cairo_set_source(cr, shade);
    cairo_fill_preserve(cr);
    cairo_pattern_destroy(shade);
    Paint::color(cr, outline);
    cairo_set_line_width(cr, 1.0);
    cairo_stroke(cr);
    // A glint along the top edge.
    cairo_move_to(cr, 3.5, kTop + 1.6);
    cairo_line_to(cr, kWidth - 3.5, kTop + 1.6);
    Paint::color(cr, 0xFFFFFF, 0.55);
    cairo_set_line_width(cr, 0.9);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    cairo_stroke(cr);
}

void BlockArt::normal(cairo_t* cr) {
    slab(cr, 0x9BE88A, 0x46AA4C, 0x22702B, 0x164A1C);
}

void BlockArt::yellow(cairo_t* cr) {
    slab(cr, 0xFFF3A6, 0xFFC81E, 0xC78A00, 0x6E4A00);
}

void BlockArt::red(cairo_t* cr) {
    slab(cr, 0xFFA4A4, 0xE8383D, 0x9A1015, 0x54060A);
}

// A cracked stone slab: it breaks away once it has been bounced on.
void BlockArt::falling(cairo_t* cr) {
    slab(cr, 0xE2D8CC, 0xA89684, 0x6E5C4C, 0x3A2E24);
    cairo_set_line_width(cr, 0.8);
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
    Paint::color(cr, 0x3A2E24, 0.9);
    cairo_move_to(cr, 9.0, kTop + 0.8);
    cairo_line_to(cr, 11.2, 11.2);
    cairo_line_to(cr, 9.4, 13.0);
    cairo_line_to(cr, 11.0, kBottom - 0.8);
    cairo_move_to(cr, 11.2, 11.2);
    cairo_line_to(cr, 13.6, 12.0);
    cairo_move_to(cr, 20.0, kTop + 0.8);
    cairo_line_to(cr, 18.2, 11.6);
    cairo_line_to(cr, 20.2, 13.6);
    cairo_stroke(cr);
}

// A trampoline: a blue plate on two coil springs over a base bar.
void BlockArt::spring(cairo_t* cr) {
    Paint::roundedRect(cr, 3.0, 14.6, 22.0, 1.4, 0.7);
    Paint::color(cr, 0x37474F);
    cairo_fill(cr);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
    for (double x : {7.0, 21.0}) {
        springCoil(cr, x);
        Paint::color(cr, 0x263238);
        cairo_set_line_width(cr, 1.5);
        cairo_stroke(cr);
        springCoil(cr, x);
        Paint::color(cr, 0xB0BEC5);
        cairo_set_line_width(cr, 0.7);
        cairo_stroke(cr);
    }
    cairo_pattern_t* shade = cairo_pattern_create_linear(0, kTop, 0, 11.5);
    Paint::stop(shade, 0.0, 0x9AD6FF);
    Paint::stop(shade, 1.0, 0x1E6FC8);
    Paint::roundedRect(cr, 0.5, kTop + 0.4, kWidth - 1.0, 3.2, 1.5);
    cairo_set_source(cr, shade);
    cairo_fill_preserve(cr);
    cairo_pattern_destroy(shade);
    Paint::color(cr, 0x0C3A70);
    cairo_set_line_width(cr, 0.8);
    cairo_stroke(cr);
}

}  // namespace assetgen
