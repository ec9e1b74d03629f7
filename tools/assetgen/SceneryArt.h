#pragma once
#include <cairo.h>

namespace assetgen {

// The level's surroundings and the game-over banner.
class SceneryArt {
  public:
    static void gameOver(cairo_t* cr);        // 280 x 64: "GAME OVER"
    static void ceiling(cairo_t* cr);         // 320 x 12: the steel ceiling with teeth of the Down level
    static void backgroundTile(cairo_t* cr);  // 160 x 160: pale sky that repeats seamlessly both ways
    // A cloud of overlapping puffs `w` wide around (cx, cy), as one path (not filled), so
    // translucent paint covers it evenly.
    static void cloudPath(cairo_t* cr, double cx, double cy, double w);
};

}  // namespace assetgen
