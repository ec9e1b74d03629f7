#pragma once
#include <cairo.h>

#include <cstdint>
#include <vector>

#include "tools/assetgen/TextureSpec.h"

namespace uiart {

// A button face: a rounded, lit slab that reads as something to press.
struct ButtonStyle {
    std::uint32_t top;
    std::uint32_t bottom;
    std::uint32_t edge;
};

class ScreenArt {
  public:
    // Pictures are written at twice their point size, so they stay sharp when a window shows the
    // screens enlarged.
    static constexpr assetgen::ScaleVariant kVariant{"", 2.0};

    static std::vector<assetgen::TextureSpec> pictures();

    static void menuSky(cairo_t* cr);          // 320 x 480: the title's sky with platforms and Mr.Tiko
    static void nightSky(cairo_t* cr);         // 320 x 480: the darker sky behind the game-over screen
    static void pauseSky(cairo_t* cr);         // 320 x 480: the dimmed sky behind the pause screen
    static void sheetBackground(cairo_t* cr);  // 320 x 436: below the chooser's bar
    static void titleLogo(cairo_t* cr);        // 280 x 120: "Tiko Leap"
    static void button(cairo_t* cr, double w, double h, const ButtonStyle& style);
    // The same button held down.
    static void pressedButton(cairo_t* cr, double w, double h, const ButtonStyle& style);
    static void panel(cairo_t* cr, double w, double h);
    static void resumeIcon(cairo_t* cr);  // 40 x 40: a round play button
};

}  // namespace uiart
