#include "tools/uiart/AdArt.h"

#include "tools/assetgen/Paint.h"

namespace uiart {

using assetgen::Paint;

std::vector<assetgen::TextureSpec> AdArt::pictures() {
    return {assetgen::TextureSpec{"ad_close_button", 25, 25, &AdArt::closeButton},
            assetgen::TextureSpec{"ad_browser_back", 27, 27, &AdArt::browserBackArrow},
            assetgen::TextureSpec{"ad_browser_forward", 27, 27, &AdArt::browserForwardArrow}};
}

void AdArt::browserBackArrow(cairo_t* cr) {
    // A dark edge under the white keeps the arrow readable on a light bar as on the black one.
    const auto arrow = [cr](double dy) {
        cairo_new_path(cr);
        cairo_move_to(cr, 6, 13.5 + dy);
        cairo_line_to(cr, 20, 5.5 + dy);
        cairo_line_to(cr, 20, 21.5 + dy);
        cairo_close_path(cr);
    };
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
    cairo_set_line_width(cr, 2);
    arrow(1);
    Paint::color(cr, 0x000000, 0.5);
    cairo_fill_preserve(cr);
    cairo_stroke(cr);
    arrow(0);
    Paint::color(cr, 0xFFFFFF);
    cairo_fill_preserve(cr);
    cairo_stroke(cr);
}

void AdArt::browserForwardArrow(cairo_t* cr) {
    Paint::mirror(cr, 27);
    browserBackArrow(cr);
}

void AdArt::closeButton(cairo_t* cr) {
    // A soft shadow lifts the button off a light ad.
    Paint::circle(cr, 12.5, 13, 11.5);
    Paint::color(cr, 0x000000, 0.35);
    cairo_fill(cr);
    Paint::circle(cr, 12.5, 12.5, 11);
    cairo_pattern_t* face = cairo_pattern_create_linear(0, 1.5, 0, 23.5);
    Paint::stop(face, 0.0, 0x4A4A4A);
    Paint::stop(face, 1.0, 0x151515);
    cairo_set_source(cr, face);
    cairo_fill_preserve(cr);
    cairo_pattern_destroy(face);
    // The light rim keeps the button visible over a dark ad.
    Paint::color(cr, 0xFFFFFF, 0.85);
    cairo_set_line_width(cr, 1.5);
    cairo_stroke(cr);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    cairo_set_line_width(cr, 2.5);
    Paint::color(cr, 0xFFFFFF);
    cairo_move_to(cr, 8.5, 8.5);
    cairo_line_to(cr, 16.5, 16.5);
    cairo_move_to(cr, 16.5, 8.5);
    cairo_line_to(cr, 8.5, 16.5);
    cairo_stroke(cr);
}

}  // namespace uiart
