#pragma once
#include <cairo.h>

namespace assetgen {

// Platforms, 28 x 16 points. The hero's feet rest on the platform's centre line, so the upper
// half stays clear and the platform itself fills the lower half.
class BlockArt {
  public:
    static void normal(cairo_t* cr);
    static void falling(cairo_t* cr);
    static void spring(cairo_t* cr);
    static void yellow(cairo_t* cr);
    static void red(cairo_t* cr);

  private:
    static void slab(cairo_t* cr, unsigned light, unsigned mid, unsigned dark, unsigned outline);
};

}  // namespace assetgen
