#pragma once
// Lays out UTF-8 text with Pango and renders its coverage with Cairo into 8-bit alpha bitmaps.
// One instance per thread holds the font map, context and layout, so re-rendering a label only
// re-shapes its text.

#include <cstdint>
#include <string>
#include <vector>

#include "platform/geometry/Geometry.h"

typedef struct _PangoFontMap PangoFontMap;
typedef struct _PangoContext PangoContext;
typedef struct _PangoLayout PangoLayout;

namespace platform {

struct TextStyle {
    std::string fontName = "Arial";  // a family, optionally "-Bold"/"-Italic" style suffixes
    float fontSizePixels = 24.0f;
    int alignment = 1;  // 0 left, 1 centre, 2 right (within the layout width)
    // One line, never wrapped: what does not fit the width ends in an ellipsis ("…").
    bool singleLine = false;
};

class TextRasterizer {
  public:
    // The calling thread's instance.
    static TextRasterizer& forThisThread();
    ~TextRasterizer();
    TextRasterizer(const TextRasterizer&) = delete;
    TextRasterizer& operator=(const TextRasterizer&) = delete;

    // Coverage of `utf8` laid out from the top-left corner, word-wrapped within box.width and
    // clipped to `box`, in a zeroed bitmap of bufferWidth x bufferHeight (1 byte a pixel, rows
    // top first). Empty for a non-positive buffer size. Invalid UTF-8 is repaired, not trusted.
    std::vector<std::uint8_t> render(const std::string& utf8, int bufferWidth, int bufferHeight, Size box,
                                     const TextStyle& style);

    // Pixel size of the laid-out text when wrapped within `width` (no wrapping for width <= 0).
    Size measure(const std::string& utf8, float width, const TextStyle& style);

    // The family the font name is drawn with: "Arial" and "Helvetica" become the metric-compatible
    // "Liberation Sans"; other names are kept.
    static std::string familyFor(const std::string& fontName);

  private:
    TextRasterizer();
    void prepare(const std::string& utf8, float width, const TextStyle& style);

    PangoFontMap* fontMap_ = nullptr;
    PangoContext* context_ = nullptr;
    PangoLayout* layout_ = nullptr;
};

}  // namespace platform
