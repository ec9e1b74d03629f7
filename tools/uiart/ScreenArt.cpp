#include "tools/uiart/ScreenArt.h"

#include "tools/assetgen/BlockArt.h"
#include "tools/assetgen/HeroArt.h"
#include "tools/assetgen/Paint.h"
#include "tools/assetgen/SceneryArt.h"

namespace uiart {

using assetgen::Paint;

namespace {

constexpr ButtonStyle kGreen{0x7BE36A, 0x24A03A, 0x0E5A1E};
constexpr ButtonStyle kBlue{0x6FB6FF, 0x2266D0, 0x0F3A7E};
constexpr ButtonStyle kOrange{0xFFC56B, 0xF07A12, 0x8A3A00};
constexpr ButtonStyle kSlate{0x8FA3BF, 0x4A5D7A, 0x243247};
constexpr ButtonStyle kLight{0xFFFFFF, 0xD9E6F5, 0x6F86A6};

void gradient(cairo_t* cr, double w, double h, std::uint32_t top, std::uint32_t bottom) {
    cairo_pattern_t* sky = cairo_pattern_create_linear(0, 0, 0, h);
    Paint::stop(sky, 0.0, top);
    Paint::stop(sky, 1.0, bottom);
    cairo_rectangle(cr, 0, 0, w, h);
    cairo_set_source(cr, sky);
    cairo_fill(cr);
    cairo_pattern_destroy(sky);
}

void cloud(cairo_t* cr, double cx, double cy, double w, double alpha) {
    assetgen::SceneryArt::cloudPath(cr, cx, cy, w);
    Paint::color(cr, 0xFFFFFF, alpha);
    cairo_fill(cr);
}

void stars(cairo_t* cr, double h, double alpha) {
    // A fixed scatter: the same picture on every run.
    unsigned seed = 12345;
    for (int i = 0; i < 60; ++i) {
        seed = seed * 1103515245u + 12345u;
        const double x = (seed >> 8) % 320;
        seed = seed * 1103515245u + 12345u;
        const double y = (seed >> 8) % static_cast<unsigned>(h);
        seed = seed * 1103515245u + 12345u;
        const double r = 0.5 + ((seed >> 8) % 10) / 10.0;
        Paint::circle(cr, x, y, r);
        Paint::color(cr, 0xFFFFFF, alpha * (0.4 + r / 2.5));
        cairo_fill(cr);
    }
}

// A platform of the game, drawn at `scale` with its centre line at (x, y).
void platform(cairo_t* cr, double x, double y, double scale, void (*paint)(cairo_t*)) {
    cairo_save(cr);
    cairo_translate(cr, x - 14 * scale, y - 8 * scale);
    cairo_scale(cr, scale, scale);
    paint(cr);
    cairo_restore(cr);
}

void hero(cairo_t* cr, double x, double y, double scale) {
    cairo_save(cr);
    cairo_translate(cr, x - 16 * scale, y - 32 * scale);
    cairo_scale(cr, scale, scale);
    assetgen::HeroArt::lookingRight(cr);
    cairo_restore(cr);
}

void centeredText(cairo_t* cr, const char* text, double cx, double baseline) {
    cairo_text_extents_t e;
    cairo_text_extents(cr, text, &e);
    cairo_move_to(cr, cx - e.width / 2 - e.x_bearing, baseline);
    cairo_text_path(cr, text);
}

template <int W, int H, const ButtonStyle& Style>
void buttonOf(cairo_t* cr) {
    ScreenArt::button(cr, W, H, Style);
}

template <int W, int H, const ButtonStyle& Style>
void pressedButtonOf(cairo_t* cr) {
    ScreenArt::pressedButton(cr, W, H, Style);
}

template <int W, int H>
void panelOf(cairo_t* cr) {
    ScreenArt::panel(cr, W, H);
}

}  // namespace

std::vector<assetgen::TextureSpec> ScreenArt::pictures() {
    using assetgen::TextureSpec;
    return {
        TextureSpec{"menu_sky", 320, 480, &ScreenArt::menuSky},
        TextureSpec{"night_sky", 320, 480, &ScreenArt::nightSky},
        TextureSpec{"pause_sky", 320, 480, &ScreenArt::pauseSky},
        TextureSpec{"sheet_bg", 320, 436, &ScreenArt::sheetBackground},
        TextureSpec{"title_logo", 280, 120, &ScreenArt::titleLogo},
        TextureSpec{"icon_resume", 40, 40, &ScreenArt::resumeIcon},
        TextureSpec{"panel_scores", 288, 150, &panelOf<288, 150>},
        TextureSpec{"panel_scores_short", 288, 136, &panelOf<288, 136>},
        TextureSpec{"panel_info", 288, 132, &panelOf<288, 132>},
        TextureSpec{"panel_pause", 264, 300, &panelOf<264, 300>},
        // Every button size the layouts use (a picture is drawn into its frame as it is), raised
        // and pressed: a button shows its "_pressed" face while a finger is on it.
        TextureSpec{"btn_green_240x56", 240, 56, &buttonOf<240, 56, kGreen>},
        TextureSpec{"btn_green_240x56_pressed", 240, 56, &pressedButtonOf<240, 56, kGreen>},
        TextureSpec{"btn_green_132x50", 132, 50, &buttonOf<132, 50, kGreen>},
        TextureSpec{"btn_green_132x50_pressed", 132, 50, &pressedButtonOf<132, 50, kGreen>},
        TextureSpec{"btn_green_200x56", 200, 56, &buttonOf<200, 56, kGreen>},
        TextureSpec{"btn_green_200x56_pressed", 200, 56, &pressedButtonOf<200, 56, kGreen>},
        TextureSpec{"btn_blue_132x50", 132, 50, &buttonOf<132, 50, kBlue>},
        TextureSpec{"btn_blue_132x50_pressed", 132, 50, &pressedButtonOf<132, 50, kBlue>},
        TextureSpec{"btn_blue_200x48", 200, 48, &buttonOf<200, 48, kBlue>},
        TextureSpec{"btn_blue_200x48_pressed", 200, 48, &pressedButtonOf<200, 48, kBlue>},
        TextureSpec{"btn_blue_64x28", 64, 28, &buttonOf<64, 28, kBlue>},
        TextureSpec{"btn_blue_64x28_pressed", 64, 28, &pressedButtonOf<64, 28, kBlue>},
        TextureSpec{"btn_orange_272x40", 272, 40, &buttonOf<272, 40, kOrange>},
        TextureSpec{"btn_orange_272x40_pressed", 272, 40, &pressedButtonOf<272, 40, kOrange>},
        TextureSpec{"btn_slate_200x48", 200, 48, &buttonOf<200, 48, kSlate>},
        TextureSpec{"btn_slate_200x48_pressed", 200, 48, &pressedButtonOf<200, 48, kSlate>},
        TextureSpec{"btn_slate_92x40", 92, 40, &buttonOf<92, 40, kSlate>},
        TextureSpec{"btn_slate_92x40_pressed", 92, 40, &pressedButtonOf<92, 40, kSlate>},
        TextureSpec{"btn_slate_132x34", 132, 34, &buttonOf<132, 34, kSlate>},
        TextureSpec{"btn_slate_132x34_pressed", 132, 34, &pressedButtonOf<132, 34, kSlate>},
        TextureSpec{"btn_light_240x48", 240, 48, &buttonOf<240, 48, kLight>},
        TextureSpec{"btn_light_240x48_pressed", 240, 48, &pressedButtonOf<240, 48, kLight>},
    };
}

void ScreenArt::menuSky(cairo_t* cr) {
    gradient(cr, 320, 480, 0x1B3F7E, 0x7CC4F0);
    cloud(cr, 70, 210, 110, 0.55);
    cloud(cr, 250, 150, 90, 0.45);
    cloud(cr, 230, 330, 130, 0.5);
    cloud(cr, 60, 420, 100, 0.4);
    // Platforms at the edges and along the bottom, clear of the buttons, and Mr.Tiko leaping.
    platform(cr, 22, 190, 1.2, &assetgen::BlockArt::red);
    platform(cr, 300, 300, 1.3, &assetgen::BlockArt::falling);
    platform(cr, 52, 436, 1.3, &assetgen::BlockArt::normal);
    platform(cr, 160, 424, 1.3, &assetgen::BlockArt::yellow);
    platform(cr, 268, 440, 1.3, &assetgen::BlockArt::spring);
    for (int i = 3; i >= 1; --i) {
        Paint::circle(cr, 52 + i * 11.0, 414 + i * 6.0, 8.0 - i);
        Paint::color(cr, 0xFFFFFF, 0.12 * (4 - i));
        cairo_fill(cr);
    }
    hero(cr, 52, 426, 1.2);
}

void ScreenArt::nightSky(cairo_t* cr) {
    gradient(cr, 320, 480, 0x0B1633, 0x3A4E8C);
    stars(cr, 300, 0.9);
    cloud(cr, 260, 420, 140, 0.12);
    cloud(cr, 50, 380, 110, 0.10);
}

void ScreenArt::pauseSky(cairo_t* cr) {
    gradient(cr, 320, 480, 0x13284F, 0x28548F);
    stars(cr, 480, 0.35);
}

void ScreenArt::sheetBackground(cairo_t* cr) {
    gradient(cr, 320, 436, 0x1E3A6B, 0x30619F);
}

void ScreenArt::titleLogo(cairo_t* cr) {
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
    Paint::boldFont(cr, 58);
    // Shadow, outline, then a warm gradient fill.
    cairo_save(cr);
    cairo_translate(cr, 2.5, 3.5);
    centeredText(cr, "Tiko Leap", 140, 72);
    Paint::color(cr, 0x000000, 0.35);
    cairo_set_line_width(cr, 8);
    cairo_stroke_preserve(cr);
    cairo_fill(cr);
    cairo_restore(cr);
    centeredText(cr, "Tiko Leap", 140, 72);
    Paint::color(cr, 0x3A0010);
    cairo_set_line_width(cr, 7);
    cairo_stroke_preserve(cr);
    cairo_pattern_t* fill = cairo_pattern_create_linear(0, 28, 0, 74);
    Paint::stop(fill, 0.0, 0xFFF7A8);
    Paint::stop(fill, 0.5, 0xFFB300);
    Paint::stop(fill, 1.0, 0xE8341C);
    cairo_set_source(cr, fill);
    cairo_fill(cr);
    cairo_pattern_destroy(fill);
    // The subtitle on a ribbon.
    Paint::roundedRect(cr, 52, 86, 176, 26, 13);
    Paint::color(cr, 0x0E2A55, 0.75);
    cairo_fill(cr);
    Paint::boldFont(cr, 14);
    centeredText(cr, "Mr.Tiko's endless climb", 140, 104);
    Paint::color(cr, 0xFFFFFF);
    cairo_fill(cr);
}

void ScreenArt::button(cairo_t* cr, double w, double h, const ButtonStyle& style) {
    const double r = h / 2 < 12 ? h / 2 : 12;
    // A drop shadow under the slab, the edge colour as its rim, a lit face and a gloss.
    Paint::roundedRect(cr, 1, 3, w - 2, h - 3, r);
    Paint::color(cr, 0x000000, 0.30);
    cairo_fill(cr);
    Paint::roundedRect(cr, 1, 1, w - 2, h - 4, r);
    Paint::color(cr, style.edge);
    cairo_fill(cr);
    cairo_pattern_t* face = cairo_pattern_create_linear(0, 2, 0, h - 4);
    Paint::stop(face, 0.0, style.top);
    Paint::stop(face, 1.0, style.bottom);
    Paint::roundedRect(cr, 2.5, 2.5, w - 5, h - 7, r - 1.5);
    cairo_set_source(cr, face);
    cairo_fill(cr);
    cairo_pattern_destroy(face);
    Paint::roundedRect(cr, 5, 4, w - 10, (h - 7) * 0.42, r - 3 > 2 ? r - 3 : 2);
    Paint::color(cr, 0xFFFFFF, 0.28);
    cairo_fill(cr);
}

void ScreenArt::pressedButton(cairo_t* cr, double w, double h, const ButtonStyle& style) {
    const double r = h / 2 < 12 ? h / 2 : 12;
    // Pushed down onto its shadow: the slab sits 2 points lower, its face darker and lit from
    // below, with a shade along the top edge instead of the gloss.
    Paint::roundedRect(cr, 1, 3, w - 2, h - 3, r);
    Paint::color(cr, 0x000000, 0.22);
    cairo_fill(cr);
    Paint::roundedRect(cr, 1, 3, w - 2, h - 4, r);
    Paint::color(cr, style.edge);
    cairo_fill(cr);
    cairo_pattern_t* face = cairo_pattern_create_linear(0, 4, 0, h - 2);
    Paint::stop(face, 0.0, style.bottom);
    Paint::stop(face, 1.0, style.top);
    Paint::roundedRect(cr, 2.5, 4.5, w - 5, h - 7, r - 1.5);
    cairo_set_source(cr, face);
    cairo_fill_preserve(cr);
    cairo_pattern_destroy(face);
    Paint::color(cr, 0x000000, 0.18);
    cairo_fill(cr);
    cairo_pattern_t* shade = cairo_pattern_create_linear(0, 4.5, 0, 4.5 + (h - 7) * 0.35);
    cairo_pattern_add_color_stop_rgba(shade, 0.0, 0, 0, 0, 0.30);
    cairo_pattern_add_color_stop_rgba(shade, 1.0, 0, 0, 0, 0.0);
    Paint::roundedRect(cr, 2.5, 4.5, w - 5, h - 7, r - 1.5);
    cairo_set_source(cr, shade);
    cairo_fill(cr);
    cairo_pattern_destroy(shade);
}

void ScreenArt::panel(cairo_t* cr, double w, double h) {
    Paint::roundedRect(cr, 0.5, 0.5, w - 1, h - 1, 14);
    Paint::color(cr, 0x06122B, 0.62);
    cairo_fill_preserve(cr);
    Paint::color(cr, 0xFFFFFF, 0.35);
    cairo_set_line_width(cr, 1.5);
    cairo_stroke(cr);
}

void ScreenArt::resumeIcon(cairo_t* cr) {
    Paint::circle(cr, 20, 20, 18.5);
    cairo_pattern_t* face = cairo_pattern_create_linear(0, 2, 0, 38);
    Paint::stop(face, 0.0, 0x7BE36A);
    Paint::stop(face, 1.0, 0x24A03A);
    cairo_set_source(cr, face);
    cairo_fill_preserve(cr);
    cairo_pattern_destroy(face);
    Paint::color(cr, 0xFFFFFF, 0.9);
    cairo_set_line_width(cr, 2);
    cairo_stroke(cr);
    cairo_move_to(cr, 15, 11);
    cairo_line_to(cr, 29, 20);
    cairo_line_to(cr, 15, 29);
    cairo_close_path(cr);
    Paint::color(cr, 0xFFFFFF);
    cairo_fill(cr);
}

}  // namespace uiart
