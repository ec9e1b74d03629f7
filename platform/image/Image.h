#pragma once
// A decoded bitmap in memory: rows top first, tightly packed.

#include <cstddef>
#include <cstdint>
#include <vector>

namespace platform {

struct Image {
    // What the bitmap holds.
    enum class Content {
        None,               // no bitmap data
        AlphaOnly,          // 1 byte a pixel: coverage, no colour
        RGB,                // 4 bytes a pixel: R, G, B, then an unused byte (kept at 255)
        RGBAPremultiplied,  // 4 bytes a pixel: R, G, B, A with colour already multiplied by alpha
    };

    int width = 0;
    int height = 0;
    Content content = Content::None;
    std::vector<std::uint8_t> pixels;

    static int bytesPerPixel(Content content) { return content == Content::AlphaOnly ? 1 : 4; }
    // True when the pixel buffer really holds width x height pixels of the stated content.
    bool hasBitmap() const {
        return content != Content::None && width > 0 && height > 0 &&
               pixels.size() == static_cast<size_t>(width) * static_cast<size_t>(height) *
                                    static_cast<size_t>(bytesPerPixel(content));
    }
};

}  // namespace platform
