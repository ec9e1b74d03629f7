#include "tools/assetgen/Paint.h"

#include <cmath>
#include <numbers>

namespace assetgen {

namespace {

double channel(uint32_t rgb, int shift) {
    return ((rgb >> shift) & 0xFF) / 255.0;
}

}  // namespace

void Paint::color(cairo_t* cr, uint32_t rgb, double alpha) {
    cairo_set_source_rgba(cr, channel(rgb, 16), channel(rgb, 8), channel(rgb, 0), alpha);
}

void Paint::stop(cairo_pattern_t* pattern, double offset, uint32_t rgb, double alpha) {
    cairo_pattern_add_color_stop_rgba(pattern, offset, channel(rgb, 16), channel(rgb, 8), channel(rgb, 0),
                                      alpha);
}

void Paint::roundedRect(cairo_t* cr, double x, double y, double w, double h, double r) {
    const double quarter = std::numbers::pi / 2;
    cairo_new_sub_path(cr);
    cairo_arc(cr, x + w - r, y + r, r, -quarter, 0);
    cairo_arc(cr, x + w - r, y + h - r, r, 0, quarter);
    cairo_arc(cr, x + r, y + h - r, r, quarter, 2 * quarter);
    cairo_arc(cr, x + r, y + r, r, 2 * quarter, 3 * quarter);
    cairo_close_path(cr);
}

void Paint::ellipse(cairo_t* cr, double cx, double cy, double rx, double ry) {
    cairo_save(cr);
    cairo_translate(cr, cx, cy);
    cairo_scale(cr, rx, ry);
    cairo_new_sub_path(cr);
    cairo_arc(cr, 0, 0, 1, 0, 2 * std::numbers::pi);
    cairo_close_path(cr);
    cairo_restore(cr);
}

void Paint::circle(cairo_t* cr, double cx, double cy, double r) {
    ellipse(cr, cx, cy, r, r);
}

void Paint::star(cairo_t* cr, double cx, double cy, double outer, double inner, int points, double angle) {
    cairo_new_sub_path(cr);
    for (int i = 0; i < points * 2; ++i) {
        double r = (i % 2 == 0) ? outer : inner;
        double a = angle + i * std::numbers::pi / points;
        cairo_line_to(cr, cx + r * std::cos(a), cy + r * std::sin(a));
    }
    cairo_close_path(cr);
}

void Paint::mirror(cairo_t* cr, double width) {
    cairo_translate(cr, width, 0);
    cairo_scale(cr, -1, 1);
}

void Paint::shadedBall(cairo_t* cr, double cx, double cy, double r, uint32_t light, uint32_t mid,
                       uint32_t dark) {
    cairo_pattern_t* shade = cairo_pattern_create_radial(cx - r * 0.35, cy - r * 0.4, r * 0.1, cx, cy, r);
    stop(shade, 0.0, light);
    stop(shade, 0.55, mid);
    stop(shade, 1.0, dark);
    circle(cr, cx, cy, r);
    cairo_set_source(cr, shade);
    cairo_fill(cr);
    cairo_pattern_destroy(shade);
}

void Paint::boldFont(cairo_t* cr, double size) {
    cairo_select_font_face(cr, "Liberation Sans", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_BOLD);
    cairo_set_font_size(cr, size);
    cairo_font_options_t* options = cairo_font_options_create();
    cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_NONE);
    cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_OFF);
    cairo_font_options_set_antialias(options, CAIRO_ANTIALIAS_GRAY);
    cairo_set_font_options(cr, options);
    cairo_font_options_destroy(options);
}

}  // namespace assetgen
