#pragma once
// The frames and the ad picture of one swipe transition, as the swipe animation works them out
// before it moves anything.
#include <memory>

#include "platform/geometry/Geometry.h"

namespace platform::ui {
class View;
class ViewController;
}  // namespace platform::ui

class DZAnimationContext {
  public:
    std::shared_ptr<platform::ui::ViewController> animatedViewController;
    platform::Rect animatedViewStartFrame;
    platform::Rect animatedViewEndFrame;
    platform::Rect draggableViewStartFrame;
    platform::Rect draggableViewEndFrame;
    // A still picture of the ad, moved instead of the ad itself; null when the ad takes no part.
    std::shared_ptr<platform::ui::View> draggableViewSnapshot;
};
