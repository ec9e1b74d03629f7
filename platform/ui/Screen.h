#pragma once
// The screen the app draws on: the game's 320 x 480 point canvas, at the scale (pixels per
// point) the window shows it with; a headless run draws the canvas at scale 1. Safe from any
// thread.
#include "platform/geometry/Geometry.h"

namespace platform::ui {

class Screen {
  public:
    static Rect mainBounds();
    static float mainScale();
    // The window sets its scale when it opens.
    static void setMainScale(float scale);
};

}  // namespace platform::ui
