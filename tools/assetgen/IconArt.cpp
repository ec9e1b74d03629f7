#include "tools/assetgen/IconArt.h"

#include <cmath>
#include <numbers>

#include "tools/assetgen/Paint.h"

namespace assetgen {

namespace {

constexpr double kPi = std::numbers::pi;

void white(cairo_t* cr) {
    Paint::color(cr, 0xFFFFFF);
}

}  // namespace

void IconArt::pause(cairo_t* cr) {
    Paint::circle(cr, 16.0, 16.0, 14.6);
    Paint::color(cr, 0x101820, 0.5);
    cairo_fill_preserve(cr);
    Paint::color(cr, 0xFFFFFF, 0.85);
    cairo_set_line_width(cr, 1.6);
    cairo_stroke(cr);
    Paint::roundedRect(cr, 10.6, 9.0, 3.8, 14.0, 1.2);
    Paint::roundedRect(cr, 17.6, 9.0, 3.8, 14.0, 1.2);
    white(cr);
    cairo_fill(cr);
}

void IconArt::scores(cairo_t* cr) {
    // The cup.
    cairo_move_to(cr, 8.0, 3.5);
    cairo_line_to(cr, 22.0, 3.5);
    cairo_curve_to(cr, 22.0, 12.0, 20.0, 16.5, 15.0, 17.5);
    cairo_curve_to(cr, 10.0, 16.5, 8.0, 12.0, 8.0, 3.5);
    cairo_close_path(cr);
    white(cr);
    cairo_fill(cr);
    // The handles.
    cairo_set_line_width(cr, 1.8);
    cairo_arc(cr, 8.0, 8.0, 3.6, kPi / 2, 3 * kPi / 2);
    cairo_new_sub_path(cr);
    cairo_arc_negative(cr, 22.0, 8.0, 3.6, kPi / 2, -kPi / 2);
    cairo_stroke(cr);
    // Stem and base.
    cairo_rectangle(cr, 13.5, 17.0, 3.0, 5.0);
    cairo_fill(cr);
    Paint::roundedRect(cr, 9.0, 21.5, 12.0, 2.6, 0.8);
    Paint::roundedRect(cr, 7.0, 24.2, 16.0, 3.2, 0.8);
    cairo_fill(cr);
}

void IconArt::settings(cairo_t* cr) {
    const double cx = 15.0;
    const double cy = 15.0;
    const int teeth = 8;
    // Each tooth is a flat-topped bump; the path walks round the rim and the hole is cut out
    // by the even-odd rule.
    cairo_new_sub_path(cr);
    for (int i = 0; i < teeth; ++i) {
        double a = i * 2 * kPi / teeth;
        double half = kPi / teeth;
        const double steps[][2] = {{-half, 9.6}, {-half * 0.45, 13.4}, {half * 0.45, 13.4}, {half, 9.6}};
        for (const auto& step : steps) {
            cairo_line_to(cr, cx + step[1] * std::cos(a + step[0]), cy + step[1] * std::sin(a + step[0]));
        }
    }
    cairo_close_path(cr);
    Paint::circle(cr, cx, cy, 4.4);
    cairo_set_fill_rule(cr, CAIRO_FILL_RULE_EVEN_ODD);
    white(cr);
    cairo_fill(cr);
}

void IconArt::question(cairo_t* cr) {
    Paint::circle(cr, 15.0, 15.0, 12.6);
    white(cr);
    cairo_set_line_width(cr, 2.2);
    cairo_stroke(cr);
    Paint::boldFont(cr, 18.0);
    cairo_text_extents_t extents;
    cairo_text_extents(cr, "?", &extents);
    cairo_move_to(cr, 15.0 - extents.width / 2 - extents.x_bearing,
                  15.0 - extents.height / 2 - extents.y_bearing);
    cairo_text_path(cr, "?");
    cairo_fill(cr);
}

}  // namespace assetgen
