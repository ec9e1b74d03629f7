#include "platform/ui/BarGlyphs.h"

#include <cairo.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <map>
#include <numbers>
#include <utility>

namespace platform::ui {

namespace {

using SystemItem = BarButtonItem::SystemItem;

void drawRefresh(cairo_t* cr) {
    // Most of a circle, its open end carrying the arrow head.
    cairo_set_line_width(cr, 2.2);
    cairo_arc(cr, 10, 11, 6.5, -std::numbers::pi / 3, 1.5 * std::numbers::pi);
    cairo_stroke(cr);
    cairo_move_to(cr, 10, 0.8);
    cairo_line_to(cr, 15, 4.5);
    cairo_line_to(cr, 10, 8.2);
    cairo_close_path(cr);
    cairo_fill(cr);
}

void drawStop(cairo_t* cr) {
    cairo_set_line_width(cr, 2.4);
    cairo_move_to(cr, 4, 4);
    cairo_line_to(cr, 16, 16);
    cairo_move_to(cr, 16, 4);
    cairo_line_to(cr, 4, 16);
    cairo_stroke(cr);
}

void drawAction(cairo_t* cr) {
    // A tray with an arrow leaving it.
    cairo_set_line_width(cr, 1.8);
    cairo_move_to(cr, 7, 8);
    cairo_line_to(cr, 3, 8);
    cairo_line_to(cr, 3, 18.5);
    cairo_line_to(cr, 17, 18.5);
    cairo_line_to(cr, 17, 8);
    cairo_line_to(cr, 13, 8);
    cairo_stroke(cr);
    cairo_move_to(cr, 10, 14);
    cairo_line_to(cr, 10, 3);
    cairo_stroke(cr);
    cairo_move_to(cr, 10, 0.5);
    cairo_line_to(cr, 14, 5);
    cairo_line_to(cr, 6, 5);
    cairo_close_path(cr);
    cairo_fill(cr);
}

std::shared_ptr<const Image> draw(SystemItem item, float scale) {
    const int side = static_cast<int>(std::ceil(BarGlyphs::kSide * scale));
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, side, side);
    if (cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS) {
        cairo_surface_destroy(surface);
        return nullptr;
    }
    cairo_t* cr = cairo_create(surface);
    cairo_scale(cr, scale, scale);
    cairo_set_source_rgb(cr, 1, 1, 1);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
    if (item == SystemItem::Refresh) drawRefresh(cr);
    if (item == SystemItem::Stop) drawStop(cr);
    if (item == SystemItem::Action) drawAction(cr);
    cairo_destroy(cr);
    cairo_surface_flush(surface);

    auto image = std::make_shared<Image>();
    image->width = image->height = side;
    image->content = Image::Content::RGBAPremultiplied;
    image->pixels.resize(static_cast<std::size_t>(side) * static_cast<std::size_t>(side) * 4);
    const unsigned char* data = cairo_image_surface_get_data(surface);
    const int stride = cairo_image_surface_get_stride(surface);
    for (int y = 0; y < side; ++y) {
        for (int x = 0; x < side; ++x) {
            std::uint32_t argb;
            std::memcpy(&argb,
                        data + static_cast<std::size_t>(y) * static_cast<std::size_t>(stride) +
                            static_cast<std::size_t>(x) * 4,
                        4);
            std::uint8_t* out = &image->pixels[(static_cast<std::size_t>(y) * static_cast<std::size_t>(side) +
                                                static_cast<std::size_t>(x)) *
                                               4];
            out[0] = static_cast<std::uint8_t>(argb >> 16);
            out[1] = static_cast<std::uint8_t>(argb >> 8);
            out[2] = static_cast<std::uint8_t>(argb);
            out[3] = static_cast<std::uint8_t>(argb >> 24);
        }
    }
    cairo_surface_destroy(surface);
    return image;
}

}  // namespace

std::shared_ptr<const Image> BarGlyphs::glyph(BarButtonItem::SystemItem item, float scale) {
    if (item != SystemItem::Refresh && item != SystemItem::Stop && item != SystemItem::Action) return nullptr;
    // Whole and half steps only: a window's odd scale must not grow the cache without end.
    const float step = std::clamp(std::round((std::isfinite(scale) ? scale : 1.0f) * 2) / 2, 1.0f, 4.0f);
    static std::map<std::pair<SystemItem, float>, std::shared_ptr<const Image>> cache;
    auto& kept = cache[{item, step}];
    if (!kept) kept = draw(item, step);
    return kept;
}

}  // namespace platform::ui
