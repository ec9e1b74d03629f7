#pragma once
#include <cairo.h>

namespace assetgen {

// The things that fly about in the shooting levels. Each is drawn centred on its position.
class ActorArt {
  public:
    static void hamburger(cairo_t* cr);     // 32 x 28: the pick-up that gives three shots
    static void enemy(cairo_t* cr);         // 32 x 32: the homing bat imp
    static void fireLeft(cairo_t* cr);      // 48 x 24: the hero's shot flying left, head at the left
    static void fireRight(cairo_t* cr);     // 48 x 24: flying right, head at the right
    static void spikeShooter(cairo_t* cr);  // 36 x 36: the standing spiky puffer that shoots spikes
    static void wisp(cairo_t* cr);          // 28 x 28: the blue spirit that circles in rings
    static void spike(cairo_t* cr);         // 20 x 20: the spike, round so it reads in any direction

  private:
    static void flame(cairo_t* cr);
};

}  // namespace assetgen
