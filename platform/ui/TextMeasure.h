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

// How a text meant for one line is drawn `width` points wide at `scale` pixels per point: at the
// font's own size when it fits, else shrunk as far as kMinLineScale of it, and past that at
// that size, ending in an ellipsis.
struct LineFit {
    float fontSize = 0;  // points
    bool ellipsized = false;
};
constexpr float kMinLineScale = 0.7f;
LineFit fitLine(const std::string& text, const Font& font, float width, float scale);

// The rasteriser's style for a font drawn at `scale` pixels per point.
platform::TextStyle rasterStyle(const Font& font, TextAlignment alignment, float scale);

}  // namespace platform::ui
