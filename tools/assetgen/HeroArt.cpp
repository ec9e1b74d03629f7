#include "tools/assetgen/HeroArt.h"

#include <initializer_list>
#include <numbers>

#include "tools/assetgen/Paint.h"

namespace assetgen {

namespace {

constexpr double kCenterX = 16.0;
constexpr double kCenterY = 16.5;
constexpr double kRadius = 15.5;
constexpr uint32_t kInk = 0x3A0A0A;

void eyeWhite(cairo_t* cr, double cx, double cy) {
    Paint::ellipse(cr, cx, cy, 3.3, 4.3);
    Paint::color(cr, 0xFFFFFF);
    cairo_fill_preserve(cr);
    Paint::color(cr, kInk, 0.8);
    cairo_set_line_width(cr, 0.6);
    cairo_stroke(cr);
}

void pupil(cairo_t* cr, double cx, double cy) {
    Paint::circle(cr, cx, cy, 2.0);
    Paint::color(cr, 0x111111);
    cairo_fill(cr);
    Paint::circle(cr, cx - 0.6, cy - 0.8, 0.7);
    Paint::color(cr, 0xFFFFFF);
    cairo_fill(cr);
}

}  // namespace

void HeroArt::body(cairo_t* cr) {
    Paint::shadedBall(cr, kCenterX, kCenterY, kRadius, 0xFF8A80, 0xE0282A, 0x7A0710);
    // A thin rim keeps the ball readable against the pale sky.
    Paint::circle(cr, kCenterX, kCenterY, kRadius - 0.5);
    Paint::color(cr, 0x5A0008, 0.9);
    cairo_set_line_width(cr, 1.0);
    cairo_stroke(cr);

    // The gloss: a soft white oval on the lit upper left.
    cairo_save(cr);
    cairo_translate(cr, 10.0, 8.2);
    cairo_rotate(cr, -0.55);
    cairo_scale(cr, 5.2, 2.9);
    cairo_pattern_t* gloss = cairo_pattern_create_radial(0, 0, 0, 0, 0, 1);
    Paint::stop(gloss, 0.0, 0xFFFFFF, 0.95);
    Paint::stop(gloss, 0.6, 0xFFFFFF, 0.55);
    Paint::stop(gloss, 1.0, 0xFFFFFF, 0.0);
    cairo_arc(cr, 0, 0, 1, 0, 2 * std::numbers::pi);
    cairo_set_source(cr, gloss);
    cairo_fill(cr);
    cairo_pattern_destroy(gloss);
    cairo_restore(cr);
}

// The face turned a little toward `direction` (-1 left, +1 right), eyes looking that way.
void HeroArt::face(cairo_t* cr, double direction) {
    double faceX = kCenterX + direction * 3.0;
    for (double side : {-1.0, 1.0}) {
        double eyeX = faceX + side * 4.3;
        eyeWhite(cr, eyeX, 14.5);
        pupil(cr, eyeX + direction * 1.2, 15.2);
        Paint::ellipse(cr, eyeX + side * 2.2, 20.2, 2.0, 1.1);
        Paint::color(cr, 0xFF9AA8, 0.45);
        cairo_fill(cr);
    }
    cairo_arc(cr, faceX, 20.2, 2.6, 0.35, std::numbers::pi - 0.35);
    Paint::color(cr, kInk);
    cairo_set_line_width(cr, 1.0);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    cairo_stroke(cr);
}

void HeroArt::lookingLeft(cairo_t* cr) {
    body(cr);
    face(cr, -1.0);
}

void HeroArt::lookingRight(cairo_t* cr) {
    body(cr);
    face(cr, 1.0);
}

void HeroArt::hurt(cairo_t* cr) {
    body(cr);
    // Squeezed-shut eyes: ">" and "<".
    cairo_set_line_width(cr, 1.5);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
    Paint::color(cr, kInk);
    cairo_move_to(cr, 9.0, 11.8);
    cairo_line_to(cr, 13.2, 14.4);
    cairo_line_to(cr, 9.0, 17.0);
    cairo_move_to(cr, 23.0, 11.8);
    cairo_line_to(cr, 18.8, 14.4);
    cairo_line_to(cr, 23.0, 17.0);
    cairo_stroke(cr);
    // A wailing mouth.
    Paint::ellipse(cr, 16.0, 22.3, 2.9, 2.4);
    Paint::color(cr, 0x4A0006);
    cairo_fill_preserve(cr);
    Paint::color(cr, kInk);
    cairo_set_line_width(cr, 0.7);
    cairo_stroke(cr);
    Paint::ellipse(cr, 16.0, 23.5, 1.6, 0.9);
    Paint::color(cr, 0xFF7A8A);
    cairo_fill(cr);
    // A sweat drop flying off the top right.
    cairo_move_to(cr, 26.8, 2.6);
    cairo_curve_to(cr, 28.8, 5.6, 29.6, 7.0, 28.4, 8.3);
    cairo_curve_to(cr, 27.4, 9.3, 25.4, 8.8, 25.4, 7.2);
    cairo_curve_to(cr, 25.4, 6.0, 26.2, 4.8, 26.8, 2.6);
    cairo_close_path(cr);
    Paint::color(cr, 0xBFEAFF);
    cairo_fill_preserve(cr);
    Paint::color(cr, 0x2A6FA8);
    cairo_set_line_width(cr, 0.7);
    cairo_stroke(cr);
}

}  // namespace assetgen
