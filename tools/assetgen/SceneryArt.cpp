#include "tools/assetgen/SceneryArt.h"

#include <algorithm>
#include <initializer_list>
#include <numbers>

#include "tools/assetgen/Paint.h"

namespace assetgen {

namespace {

constexpr double kTile = 160.0;
constexpr const char* kGameOver = "GAME OVER";

// Draws the cloud at every whole-tile offset so a cloud crossing an edge comes back on the other side.
void wrappedCloud(cairo_t* cr, double cx, double cy, double w) {
    for (double dx : {-kTile, 0.0, kTile}) {
        for (double dy : {-kTile, 0.0, kTile}) {
            SceneryArt::cloudPath(cr, cx + dx, cy + dy + 0.05 * w, w);
            Paint::color(cr, 0x9CCBEA, 0.35);
            cairo_fill(cr);
            SceneryArt::cloudPath(cr, cx + dx, cy + dy, w);
            Paint::color(cr, 0xFFFFFF, 0.75);
            cairo_fill(cr);
        }
    }
}

}  // namespace

void SceneryArt::cloudPath(cairo_t* cr, double cx, double cy, double w) {
    const double puffs[][3] = {{-0.36, 0.10, 0.18},
                               {-0.14, -0.08, 0.25},
                               {0.12, -0.12, 0.22},
                               {0.34, 0.06, 0.17},
                               {0.0, 0.14, 0.20}};
    for (const auto& puff : puffs) {
        cairo_new_sub_path(cr);
        cairo_arc(cr, cx + puff[0] * w, cy + puff[1] * w, puff[2] * w, 0, 2 * std::numbers::pi);
    }
}

void SceneryArt::gameOver(cairo_t* cr) {
    const double width = 280.0;
    const double height = 64.0;
    Paint::boldFont(cr, 40.0);
    cairo_text_extents_t extents;
    cairo_text_extents(cr, kGameOver, &extents);
    double size = 40.0 * std::min(258.0 / extents.width, 42.0 / extents.height);
    Paint::boldFont(cr, size);
    cairo_text_extents(cr, kGameOver, &extents);
    double x = (width - extents.width) / 2 - extents.x_bearing - 1.0;
    double y = (height - extents.height) / 2 - extents.y_bearing - 1.0;

    cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
    cairo_move_to(cr, x + 2.0, y + 3.0);
    cairo_text_path(cr, kGameOver);
    Paint::color(cr, 0x000000, 0.45);
    cairo_set_line_width(cr, 6.0);
    cairo_stroke_preserve(cr);
    cairo_fill(cr);

    cairo_move_to(cr, x, y);
    cairo_text_path(cr, kGameOver);
    Paint::color(cr, 0x3A0010);
    cairo_set_line_width(cr, 5.0);
    cairo_stroke_preserve(cr);
    double top = y + extents.y_bearing;
    cairo_pattern_t* shade = cairo_pattern_create_linear(0, top, 0, top + extents.height);
    Paint::stop(shade, 0.0, 0xFFF7A8);
    Paint::stop(shade, 0.45, 0xFFB300);
    Paint::stop(shade, 1.0, 0xE8341C);
    cairo_set_source(cr, shade);
    cairo_fill(cr);
    cairo_pattern_destroy(shade);
}

void SceneryArt::ceiling(cairo_t* cr) {
    const double width = 320.0;
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
    // Teeth pointing down, the crushing edge.
    for (double x = 0.0; x < width; x += 8.0) {
        cairo_move_to(cr, x + 0.3, 7.5);
        cairo_line_to(cr, x + 7.7, 7.5);
        cairo_line_to(cr, x + 4.0, 11.6);
        cairo_close_path(cr);
    }
    cairo_pattern_t* teeth = cairo_pattern_create_linear(0, 7.5, 0, 12.0);
    Paint::stop(teeth, 0.0, 0x78909C);
    Paint::stop(teeth, 1.0, 0xCFD8DC);
    cairo_set_source(cr, teeth);
    cairo_fill_preserve(cr);
    cairo_pattern_destroy(teeth);
    Paint::color(cr, 0x1C262B);
    cairo_set_line_width(cr, 0.6);
    cairo_stroke(cr);

    cairo_pattern_t* band = cairo_pattern_create_linear(0, 0, 0, 8.0);
    Paint::stop(band, 0.0, 0xCFD8DC);
    Paint::stop(band, 0.5, 0x607D8B);
    Paint::stop(band, 1.0, 0x263238);
    cairo_rectangle(cr, 0, 0, width, 8.0);
    cairo_set_source(cr, band);
    cairo_fill(cr);
    cairo_pattern_destroy(band);
    cairo_rectangle(cr, 0, 7.4, width, 0.6);
    Paint::color(cr, 0x11181C);
    cairo_fill(cr);
    for (double x = 10.0; x < width; x += 20.0) {
        Paint::circle(cr, x, 3.8, 1.4);
        Paint::color(cr, 0x37474F);
        cairo_fill(cr);
        Paint::circle(cr, x - 0.4, 3.4, 0.6);
        Paint::color(cr, 0xECEFF1);
        cairo_fill(cr);
    }
}

void SceneryArt::backgroundTile(cairo_t* cr) {
    Paint::color(cr, 0xDDF1FF);
    cairo_paint(cr);
    // Two offset grids of dots, both of whose periods divide the tile.
    for (double x = 0.0; x <= kTile; x += 40.0) {
        for (double y = 0.0; y <= kTile; y += 40.0) {
            Paint::circle(cr, x, y, 1.4);
            Paint::color(cr, 0xB8DCF4);
            cairo_fill(cr);
            Paint::circle(cr, x + 20.0, y + 20.0, 2.2);
            Paint::color(cr, 0xFFFFFF, 0.7);
            cairo_fill(cr);
        }
    }
    wrappedCloud(cr, 52.0, 48.0, 64.0);
    wrappedCloud(cr, 142.0, 118.0, 50.0);
}

}  // namespace assetgen
