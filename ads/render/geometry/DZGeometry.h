#pragma once
// Rectangles as the ad server and ad pages read them.
#include <nlohmann/json.hpp>

#include "platform/geometry/Geometry.h"

// The same rectangle with a non-negative width and height (the origin moves to the other corner).
platform::Rect DZStandardizedRect(const platform::Rect& rect);

// {"x", "y", "w", "h"} of the standardised rectangle (non-negative size) as floats; a value that
// is not finite is left out.
nlohmann::json DZDictionaryFromRect(const platform::Rect& rect);
