#pragma once
// Size of laid-out text in points, measured by the same layout engine that draws it.
#include <string>

#include "platform/geometry/Geometry.h"
#include "platform/ui/Font.h"

namespace platform {
struct TextStyle;
}

namespace platform::ui {

// Size of `text` wrapped at `maxWidth` points (no wrapping when maxWidth <= 0), at most
// `maxLines` lines (0 = unlimited), as the window draws it at the main screen's scale.
Size measureText(const std::string& text, const Font& font, float maxWidth, int maxLines = 0);

// The rasteriser's style for a font drawn at `scale` pixels per point.
platform::TextStyle rasterStyle(const Font& font, TextAlignment alignment, float scale);

}  // namespace platform::ui
