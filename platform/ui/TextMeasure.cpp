#include "platform/ui/TextMeasure.h"

#include <algorithm>
#include <cmath>

#include "platform/text/TextRasterizer.h"
#include "platform/ui/Screen.h"

namespace platform::ui {

Size measureText(const std::string& text, const Font& font, float maxWidth, int maxLines) {
    if (text.empty()) return {};
    // Measured in the pixels the window draws with: a text that just fits a width in points can
    // need one more line at another scale, and the drawing wraps at the box's whole pixels.
    const float scale = Screen::mainScale() > 0 ? Screen::mainScale() : 1.0f;
    const platform::TextStyle style = rasterStyle(font, TextAlignment::Left, scale);
    auto& rasterizer = TextRasterizer::forThisThread();
    Size s = rasterizer.measure(text, maxWidth > 0 ? std::ceil(maxWidth * scale) : 0, style);
    if (maxLines > 0) {
        // A line is as tall as the single-line layout of the same font.
        const float line = rasterizer.measure("Xg", 0, style).height;
        if (line > 0) s.height = std::min(s.height, line * static_cast<float>(maxLines));
    }
    return {std::ceil(s.width / scale), std::ceil(s.height / scale)};
}

LineFit fitLine(const std::string& text, const Font& font, float width, float scale) {
    LineFit fit{font.size, false};
    if (text.empty() || !(width > 0) || !(scale > 0)) return fit;
    auto& rasterizer = TextRasterizer::forThisThread();
    const float room = std::ceil(width * scale);
    const float natural = rasterizer.measure(text, 0, rasterStyle(font, TextAlignment::Left, scale)).width;
    if (natural <= room) return fit;
    // Text widths grow in proportion to the size, give or take rounding: step down until it fits.
    Font smaller = font;
    smaller.size = std::max(font.size * kMinLineScale, font.size * room / natural);
    while (smaller.size > font.size * kMinLineScale &&
           rasterizer.measure(text, 0, rasterStyle(smaller, TextAlignment::Left, scale)).width > room) {
        smaller.size = std::max(font.size * kMinLineScale, smaller.size - 0.25f);
    }
    fit.fontSize = smaller.size;
    fit.ellipsized =
        rasterizer.measure(text, 0, rasterStyle(smaller, TextAlignment::Left, scale)).width > room;
    return fit;
}

platform::TextStyle rasterStyle(const Font& font, TextAlignment alignment, float scale) {
    platform::TextStyle style;
    style.fontName = font.bold ? "Arial-Bold" : "Arial";
    style.fontSizePixels = font.size * scale;
    style.alignment = alignment == TextAlignment::Left ? 0 : alignment == TextAlignment::Center ? 1 : 2;
    return style;
}

}  // namespace platform::ui
