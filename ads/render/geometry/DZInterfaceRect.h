#pragma once
// Screen rectangles in the interface's coordinates. From system 8 on (what this platform
// reports) the screen's coordinates already follow the interface, so the rectangle is returned
// as it is; below, screen coordinates stay portrait and are turned by the status-bar
// orientation (2 upside down, 3 landscape right, 4 landscape left).
#include "platform/geometry/Geometry.h"

class DZDevice;

// `device` null: the shared one.
platform::Rect DZInterfaceRectFromScreenRectForOrientation(const platform::Rect& rect, int orientation,
                                                           const platform::Rect& screenBounds,
                                                           const DZDevice* device = nullptr);
// With the application's status-bar orientation and the main screen's bounds.
platform::Rect DZInterfaceRectFromScreenRect(const platform::Rect& rect, const DZDevice* device = nullptr);
