#include "tools/assetgen/ActorArt.h"

#include <initializer_list>
#include <numbers>

#include "tools/assetgen/Paint.h"

namespace assetgen {

namespace {

constexpr double kPi = std::numbers::pi;

void outline(cairo_t* cr, uint32_t rgb, double width) {
    Paint::color(cr, rgb);
    cairo_set_line_width(cr, width);
    cairo_stroke(cr);
}

// A flame whose round head of radius r sits at (hx, hy) and whose tail ends at tailX.
void flamePath(cairo_t* cr, double hx, double hy, double r, double tailX) {
    double bend = tailX + 0.45 * (hx - tailX);
    cairo_new_sub_path(cr);
    cairo_move_to(cr, hx, hy - r);
    cairo_curve_to(cr, hx - 1.3 * r, hy - r, bend, hy - 0.35 * r, tailX, hy);
    cairo_curve_to(cr, bend, hy + 0.35 * r, hx - 1.3 * r, hy + r, hx, hy + r);
    cairo_arc_negative(cr, hx, hy, r, kPi / 2, -kPi / 2);
    cairo_close_path(cr);
}

void fillAlongX(cairo_t* cr, double x0, double x1, uint32_t tail, uint32_t head, double tailAlpha) {
    cairo_pattern_t* shade = cairo_pattern_create_linear(x0, 0, x1, 0);
    Paint::stop(shade, 0.0, tail, tailAlpha);
    Paint::stop(shade, 1.0, head);
    cairo_set_source(cr, shade);
    cairo_fill(cr);
    cairo_pattern_destroy(shade);
}

void batWing(cairo_t* cr) {
    cairo_move_to(cr, 9.0, 13.0);
    cairo_line_to(cr, 0.8, 8.0);
    cairo_curve_to(cr, 2.6, 11.0, 2.6, 13.0, 1.2, 15.5);
    cairo_curve_to(cr, 3.4, 16.0, 4.0, 17.5, 2.8, 21.0);
    cairo_line_to(cr, 9.5, 20.5);
    cairo_close_path(cr);
    Paint::color(cr, 0x4A2A6A);
    cairo_fill_preserve(cr);
    outline(cr, 0x1E0E30, 0.8);
}

void horn(cairo_t* cr) {
    cairo_move_to(cr, 10.2, 9.0);
    cairo_line_to(cr, 8.6, 2.4);
    cairo_line_to(cr, 14.2, 7.2);
    cairo_close_path(cr);
    Paint::color(cr, 0xFFE6B8);
    cairo_fill_preserve(cr);
    outline(cr, 0x3A2410, 0.7);
}

}  // namespace

void ActorArt::hamburger(cairo_t* cr) {
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
    cairo_pattern_t* bun = cairo_pattern_create_linear(0, 19.5, 0, 26.5);
    Paint::stop(bun, 0.0, 0xF0B460);
    Paint::stop(bun, 1.0, 0xB06520);
    Paint::roundedRect(cr, 3.0, 19.5, 26.0, 7.0, 3.0);
    cairo_set_source(cr, bun);
    cairo_fill_preserve(cr);
    cairo_pattern_destroy(bun);
    outline(cr, 0x5A3210, 0.9);

    cairo_pattern_t* patty = cairo_pattern_create_linear(0, 15.0, 0, 20.5);
    Paint::stop(patty, 0.0, 0x8A4A22);
    Paint::stop(patty, 1.0, 0x4A2410);
    Paint::roundedRect(cr, 2.0, 15.0, 28.0, 5.5, 2.5);
    cairo_set_source(cr, patty);
    cairo_fill_preserve(cr);
    cairo_pattern_destroy(patty);
    outline(cr, 0x2E160A, 0.8);

    // Melting cheese with three drips.
    cairo_move_to(cr, 2.5, 14.2);
    cairo_line_to(cr, 29.5, 14.2);
    cairo_line_to(cr, 29.5, 15.8);
    for (double x : {24.0, 17.0, 8.5}) {
        cairo_line_to(cr, x + 2.0, 15.8);
        cairo_line_to(cr, x, 18.8);
        cairo_line_to(cr, x - 2.0, 15.8);
    }
    cairo_line_to(cr, 2.5, 15.8);
    cairo_close_path(cr);
    Paint::color(cr, 0xFFD23A);
    cairo_fill_preserve(cr);
    outline(cr, 0xB07C00, 0.5);

    // Wavy lettuce.
    cairo_move_to(cr, 1.5, 12.4);
    for (int i = 0; i < 7; ++i) {
        double x = 1.5 + i * 29.0 / 7;
        cairo_curve_to(cr, x + 1.0, 11.0, x + 3.1, 11.0, x + 29.0 / 7, 12.4);
    }
    for (int i = 7; i > 0; --i) {
        double x = 1.5 + i * 29.0 / 7;
        cairo_curve_to(cr, x - 1.0, 16.0, x - 3.1, 16.0, x - 29.0 / 7, 14.4);
    }
    cairo_close_path(cr);
    Paint::color(cr, 0x72D040);
    cairo_fill_preserve(cr);
    outline(cr, 0x2E7D1A, 0.6);

    // The top bun, a dome with sesame seeds.
    cairo_move_to(cr, 2.5, 13.2);
    cairo_curve_to(cr, 2.5, 4.0, 8.0, 1.6, 16.0, 1.6);
    cairo_curve_to(cr, 24.0, 1.6, 29.5, 4.0, 29.5, 13.2);
    cairo_curve_to(cr, 22.0, 14.0, 10.0, 14.0, 2.5, 13.2);
    cairo_close_path(cr);
    cairo_pattern_t* top = cairo_pattern_create_radial(11.0, 4.5, 0.5, 16.0, 10.0, 15.0);
    Paint::stop(top, 0.0, 0xFCD592);
    Paint::stop(top, 0.5, 0xE8A048);
    Paint::stop(top, 1.0, 0xB8691E);
    cairo_set_source(cr, top);
    cairo_fill_preserve(cr);
    cairo_pattern_destroy(top);
    outline(cr, 0x5A3210, 0.9);
    const double seeds[][3] = {{9.0, 6.8, -0.5}, {14.0, 4.4, 0.2},  {19.8, 5.0, 0.6}, {24.0, 8.4, -0.3},
                               {12.6, 9.4, 0.7}, {18.4, 9.6, -0.4}, {6.2, 10.4, 0.3}};
    for (const auto& seed : seeds) {
        cairo_save(cr);
        cairo_translate(cr, seed[0], seed[1]);
        cairo_rotate(cr, seed[2]);
        Paint::ellipse(cr, 0, 0, 1.1, 0.6);
        cairo_restore(cr);
        Paint::color(cr, 0xFFF6DA);
        cairo_fill(cr);
    }
}

void ActorArt::enemy(cairo_t* cr) {
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
    for (bool mirrored : {false, true}) {
        cairo_save(cr);
        if (mirrored) Paint::mirror(cr, 32.0);
        batWing(cr);
        horn(cr);
        cairo_restore(cr);
    }
    Paint::shadedBall(cr, 16.0, 17.0, 10.5, 0xD0AAF6, 0x7A3FC0, 0x3A1470);
    Paint::circle(cr, 16.0, 17.0, 10.0);
    outline(cr, 0x200A40, 1.0);

    for (double side : {-1.0, 1.0}) {
        double eyeX = 16.0 + side * 3.8;
        Paint::ellipse(cr, eyeX, 15.8, 2.5, 2.1);
        Paint::color(cr, 0xFFE23A);
        cairo_fill_preserve(cr);
        outline(cr, 0x200A40, 0.5);
        Paint::ellipse(cr, eyeX - side * 0.5, 16.1, 0.75, 1.75);
        Paint::color(cr, 0x100418);
        cairo_fill(cr);
        // A frowning brow slanting down toward the nose.
        cairo_move_to(cr, 16.0 + side * 6.6, 12.0);
        cairo_line_to(cr, 16.0 + side * 1.6, 13.8);
        cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
        outline(cr, 0x200A40, 1.4);
    }
    // A grin with two fangs.
    cairo_move_to(cr, 11.4, 20.4);
    cairo_curve_to(cr, 13.4, 24.2, 18.6, 24.2, 20.6, 20.4);
    cairo_curve_to(cr, 17.6, 21.4, 14.4, 21.4, 11.4, 20.4);
    cairo_close_path(cr);
    Paint::color(cr, 0x1E0A2E);
    cairo_fill(cr);
    for (double x : {13.9, 18.1}) {
        cairo_move_to(cr, x - 0.9, 20.9);
        cairo_line_to(cr, x + 0.9, 20.9);
        cairo_line_to(cr, x, 22.8);
        cairo_close_path(cr);
        Paint::color(cr, 0xFFFFFF);
        cairo_fill(cr);
    }
}

// Flying right: the head at the right, the tail streaming left.
void ActorArt::flame(cairo_t* cr) {
    cairo_pattern_t* glow = cairo_pattern_create_radial(37.0, 12.0, 4.0, 37.0, 12.0, 11.0);
    Paint::stop(glow, 0.0, 0xFF9100, 0.45);
    Paint::stop(glow, 1.0, 0xFF6D00, 0.0);
    Paint::circle(cr, 37.0, 12.0, 11.0);
    cairo_set_source(cr, glow);
    cairo_fill(cr);
    cairo_pattern_destroy(glow);

    flamePath(cr, 37.0, 12.0, 9.0, 1.0);
    flamePath(cr, 33.0, 7.6, 4.6, 8.0);
    flamePath(cr, 33.0, 16.4, 4.6, 10.0);
    fillAlongX(cr, 1.0, 38.0, 0xD50000, 0xFF5A00, 0.0);
    flamePath(cr, 37.5, 12.0, 6.4, 12.0);
    fillAlongX(cr, 12.0, 40.0, 0xFF6D00, 0xFFC400, 0.2);
    flamePath(cr, 38.5, 12.0, 3.8, 24.0);
    fillAlongX(cr, 24.0, 41.0, 0xFFD740, 0xFFFDE8, 0.4);
}

void ActorArt::fireRight(cairo_t* cr) {
    flame(cr);
}

void ActorArt::fireLeft(cairo_t* cr) {
    Paint::mirror(cr, 48.0);
    flame(cr);
}

void ActorArt::spikeShooter(cairo_t* cr) {
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
    Paint::star(cr, 18.0, 18.0, 17.2, 10.5, 10, -kPi / 2);
    Paint::color(cr, 0xF3E7BC);
    cairo_fill_preserve(cr);
    outline(cr, 0x5D4A1E, 0.8);
    Paint::shadedBall(cr, 18.0, 18.0, 12.2, 0xC0F284, 0x4CAF50, 0x1B5E20);
    Paint::circle(cr, 18.0, 18.0, 11.7);
    outline(cr, 0x0F3D12, 1.0);

    for (double side : {-1.0, 1.0}) {
        double eyeX = 18.0 + side * 4.6;
        Paint::ellipse(cr, eyeX, 15.6, 2.7, 2.4);
        Paint::color(cr, 0xFFFFFF);
        cairo_fill_preserve(cr);
        outline(cr, 0x0F3D12, 0.5);
        Paint::circle(cr, eyeX - side * 0.4, 16.3, 1.35);
        Paint::color(cr, 0x0B1A0B);
        cairo_fill(cr);
        // A heavy lid over the upper half gives the sullen look.
        cairo_save(cr);
        Paint::ellipse(cr, eyeX, 15.6, 2.7, 2.4);
        cairo_clip(cr);
        cairo_rectangle(cr, eyeX - 3.0, 12.0, 6.0, 3.0);
        Paint::color(cr, 0x2E7D32);
        cairo_fill(cr);
        cairo_restore(cr);
        cairo_move_to(cr, eyeX - 2.9, 15.0);
        cairo_line_to(cr, eyeX + 2.9, 15.0);
        outline(cr, 0x0F3D12, 0.8);
    }
    // The round mouth it shoots from.
    Paint::ellipse(cr, 18.0, 22.8, 2.7, 2.3);
    Paint::color(cr, 0x0F3D12);
    cairo_fill(cr);
    Paint::ellipse(cr, 18.0, 23.2, 1.5, 1.2);
    Paint::color(cr, 0x5A1010);
    cairo_fill(cr);
}

void ActorArt::wisp(cairo_t* cr) {
    cairo_pattern_t* glow = cairo_pattern_create_radial(14.0, 14.5, 4.0, 14.0, 14.5, 13.8);
    Paint::stop(glow, 0.0, 0x80DEEA, 0.7);
    Paint::stop(glow, 1.0, 0x80DEEA, 0.0);
    Paint::circle(cr, 14.0, 14.5, 13.8);
    cairo_set_source(cr, glow);
    cairo_fill(cr);
    cairo_pattern_destroy(glow);

    // A flickering tip above the round body.
    cairo_move_to(cr, 7.8, 12.0);
    cairo_curve_to(cr, 8.2, 7.0, 12.6, 6.6, 13.6, 1.2);
    cairo_curve_to(cr, 15.8, 5.0, 20.0, 6.6, 20.2, 12.0);
    cairo_close_path(cr);
    Paint::color(cr, 0x4FC3F7);
    cairo_fill(cr);
    Paint::shadedBall(cr, 14.0, 15.0, 8.6, 0xE6FAFF, 0x4FC3F7, 0x0D47A1);

    for (double side : {-1.0, 1.0}) {
        Paint::ellipse(cr, 14.0 + side * 2.9, 14.8, 1.3, 2.1);
        Paint::color(cr, 0x062A5A);
        cairo_fill(cr);
        Paint::circle(cr, 14.0 + side * 2.9 - 0.4, 14.0, 0.5);
        Paint::color(cr, 0xFFFFFF);
        cairo_fill(cr);
    }
    Paint::ellipse(cr, 14.0, 19.2, 1.3, 1.0);
    Paint::color(cr, 0x062A5A);
    cairo_fill(cr);
}

void ActorArt::spike(cairo_t* cr) {
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_MITER);
    Paint::star(cr, 10.0, 10.0, 9.5, 4.2, 8, 0.0);
    cairo_pattern_t* steel = cairo_pattern_create_radial(7.5, 7.0, 0.5, 10.0, 10.0, 9.5);
    Paint::stop(steel, 0.0, 0xF5F7F8);
    Paint::stop(steel, 0.5, 0x90A4AE);
    Paint::stop(steel, 1.0, 0x37474F);
    cairo_set_source(cr, steel);
    cairo_fill_preserve(cr);
    cairo_pattern_destroy(steel);
    outline(cr, 0x1C262B, 0.8);
    Paint::shadedBall(cr, 10.0, 10.0, 3.0, 0xFF8A80, 0xE53935, 0x8E0000);
}

}  // namespace assetgen
