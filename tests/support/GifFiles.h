#pragma once
// GIFs made in code for the picture decoder's tests and benchmarks. Every pixel is a literal code of
// nine bits (the table is cleared before it grows past that), so the data is about 9/8 of a byte a
// pixel, as with a picture that does not compress at all.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>

namespace testsupport {

// The colour index a literal GIF has at pixel `at` of a picture `width` wide.
inline std::uint32_t literalGifIndex(long at, int width) {
    return static_cast<std::uint32_t>((at * 31 + at / width) & 0xff);
}

// The colour of an index in a literal GIF's table, as 0xRRGGBB.
inline std::uint32_t literalGifColour(std::uint32_t index) {
    return (index << 16) | ((255 - index) << 8) | ((index * 7) & 0xff);
}

// A GIF of width x height whose data sub-blocks are `block` bytes long (1 to 255), with `clears`
// codes that clear the table, and draw nothing, before the pixels.
inline std::string literalGif(int width, int height, int block = 255, std::size_t clears = 0) {
    std::string out = "GIF89a";
    const auto u16 = [&out](int v) {
        out += static_cast<char>(v & 0xff);
        out += static_cast<char>((v >> 8) & 0xff);
    };
    u16(width);
    u16(height);
    out += '\xf7';  // a global table of 256 colours
    out += '\0';
    out += '\0';
    for (std::uint32_t i = 0; i < 256; ++i) {
        const std::uint32_t colour = literalGifColour(i);
        for (int shift : {16, 8, 0}) out += static_cast<char>((colour >> shift) & 0xff);
    }
    out += ',';
    u16(0);
    u16(0);
    u16(width);
    u16(height);
    out += '\0';
    out += '\x08';  // codes of 8 bits and more: 256 clears the table, 257 ends
    std::string data;
    std::uint32_t bits = 0;
    int count = 0;
    const auto code = [&](std::uint32_t c) {
        bits |= c << count;
        for (count += 9; count >= 8; count -= 8, bits >>= 8) data += static_cast<char>(bits & 0xff);
    };
    code(256);
    for (std::size_t i = 0; i < clears; ++i) code(256);
    const long pixels = static_cast<long>(width) * height;
    // Each literal after the first adds an entry to the table: 254 of them keep it below 512.
    for (long at = 0, since = 0; at < pixels; ++at) {
        code(literalGifIndex(at, width));
        if (++since == 254) {
            code(256);
            since = 0;
        }
    }
    code(257);
    if (count > 0) data += static_cast<char>(bits & 0xff);
    const std::size_t step = static_cast<std::size_t>(std::clamp(block, 1, 255));
    for (std::size_t at = 0; at < data.size(); at += step) {
        const std::size_t length = std::min(step, data.size() - at);
        out += static_cast<char>(length);
        out.append(data, at, length);
    }
    out += '\0';
    out += ';';
    return out;
}

}  // namespace testsupport
