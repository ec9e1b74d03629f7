#pragma once
// Rectangles as the SDK core page writes them: {"x", "y", "width", "height"}, each a number.
#include <nlohmann/json.hpp>

#include "platform/foundation/Error.h"
#include "platform/geometry/Geometry.h"

// The page's rectangle, or the zero rectangle when a value is missing or no finite number (then,
// when asked, an error of domain "cg_rect_conversion", code 1).
platform::Rect DZCGRectFromSDKCoreRectangle(const nlohmann::json& rectangle,
                                            platform::ErrorRef* error = nullptr);
// The page's form of a rectangle, its values as single-precision numbers.
nlohmann::json DZSDKCoreRectangleFromCGRect(const platform::Rect& rect);
