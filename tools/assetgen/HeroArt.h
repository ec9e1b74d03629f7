#pragma once
#include <cairo.h>

namespace assetgen {

// Mr.Tiko, the glossy red ball: 32 x 32 points, feet on the bottom row.
class HeroArt {
  public:
    static void lookingLeft(cairo_t* cr);
    static void lookingRight(cairo_t* cr);
    static void hurt(cairo_t* cr);

  private:
    static void body(cairo_t* cr);
    static void face(cairo_t* cr, double direction);
};

}  // namespace assetgen
