#include "platform/ui/TextMeasure.h"

#include <algorithm>
#include <cmath>

#include "platform/text/TextRasterizer.h"

namespace platform::ui {

Size measureText(const std::string& text, const Font& font, float maxWidth, int maxLines) {
    if (text.empty()) return {};
    Size s =
        TextRasterizer::forThisThread().measure(text, maxWidth, rasterStyle(font, TextAlignment::Left, 1));
    if (maxLines > 0) {
        // A line is as tall as the single-line layout of the same font.
        const float line = TextRasterizer::forThisThread()
                               .measure("Xg", 0, rasterStyle(font, TextAlignment::Left, 1))
                               .height;
        if (line > 0) s.height = std::min(s.height, line * static_cast<float>(maxLines));
    }
    return {std::ceil(s.width), std::ceil(s.height)};
}

platform::TextStyle rasterStyle(const Font& font, TextAlignment alignment, float scale) {
    platform::TextStyle style;
    style.fontName = font.bold ? "Arial-Bold" : "Arial";
    style.fontSizePixels = font.size * scale;
    style.alignment = alignment == TextAlignment::Left ? 0 : alignment == TextAlignment::Center ? 1 : 2;
    return style;
}

}  // namespace platform::ui
