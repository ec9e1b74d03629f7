#pragma once
#include <cairo.h>

#include <vector>

#include "tools/assetgen/TextureSpec.h"

namespace uiart {

// The pictures the ad component draws over ads. They are not installed: the component carries
// them inside its code as Base64 PNG text, made from the files `tikoleap-uiart --ad-images`
// writes (one at 1x and one "@2x").
class AdArt {
  public:
    static std::vector<assetgen::TextureSpec> pictures();
    // 25 x 25: a round dark button with a white cross and a thin light rim, readable on any ad.
    static void closeButton(cairo_t* cr);
    // 27 x 27: the in-app browser's white arrows, pointing left and right.
    static void browserBackArrow(cairo_t* cr);
    static void browserForwardArrow(cairo_t* cr);
};

}  // namespace uiart
