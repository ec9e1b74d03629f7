#pragma once
// Where an ad is on the screen and how much of it can be seen, pinning a view to its parent,
// a picture of a view, and the orientation names that ad pages send. Main thread only.
#include <memory>
#include <optional>
#include <string>

#include <nlohmann/json.hpp>

#include "platform/geometry/Geometry.h"
#include "platform/image/Image.h"

namespace platform::ui {
class View;
}

// "any" 30, "portrait" 6, "landscape" 24 (exact, case-sensitive); anything else, or nothing, 0.
unsigned DZInterfaceOrientationMaskFromString(const std::optional<std::string>& name);
// Whether the mask's bit numbered by the orientation (1 to 4) is set.
bool DZInterfaceOrientationMaskContainsOrientation(unsigned mask, int orientation);

// Whether the orientations the application supports for the view's window (its root view
// controller's; portrait where there is none) share a bit with the mask.
bool dz_supportsOrientations(const platform::ui::View& view, unsigned mask);
// The part of the view that can be seen, in window coordinates: the window's bounds cut by the
// view's own bounds and those of every ancestor that clips. The zero rectangle while the
// application is not active, without a window, or when the window, the view or an ancestor is
// hidden, or nothing is left.
platform::Rect dz_visibleBounds(const platform::ui::View& view);
// Keeps the view the size of its parent from now on; nothing without a parent.
void dz_fillSuperview(platform::ui::View& view);
// The view and its subviews at full pixel resolution, the scale the screen is shown at (1.5 in
// a window at 1.5), into premultiplied RGBA (rows top first). Needs a current GL context (the
// main thread has one in both runs); nothing without.
std::optional<platform::Image> dz_render(platform::ui::View& view);

class DZViewUtilities {
  public:
    // {"x", "y", "width", "height", "visible"} of the view in screen coordinates, given the
    // screen's application frame (nothing: no screen, all zero). Visible: not hidden itself,
    // some of it right of and below the origin, and not beyond the frame's width or height
    // (hidden ancestors and overlapping views are not considered). Nothing without a parent or
    // a window.
    static std::optional<nlohmann::json> positionOfView(
        const platform::ui::View& view, const std::optional<platform::Rect>& applicationFrame);
};
