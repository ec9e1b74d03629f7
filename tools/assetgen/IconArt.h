#pragma once
#include <cairo.h>

namespace assetgen {

// The in-game pause button and the three tab-bar glyphs. Tab bars tint their images and use only
// the alpha, so those are plain white shapes on transparency.
class IconArt {
  public:
    static void pause(cairo_t* cr);     // 32 x 32: two bars on a translucent round
    static void scores(cairo_t* cr);    // 30 x 30: a trophy
    static void settings(cairo_t* cr);  // 30 x 30: a gear
    static void question(cairo_t* cr);  // 30 x 30: a question mark in a ring
};

}  // namespace assetgen
