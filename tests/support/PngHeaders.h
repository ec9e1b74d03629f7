#pragma once
// A whole PNG file (every chunk's checksum right, the end marker there) whose header says what a
// test asks for, however large or odd: the pixel data is a stub no decoder gets to, or the bytes
// given (after the deflate stream's two-byte header).
#include <zlib.h>

#include <cstdint>
#include <vector>

namespace tikoleap::test {

inline std::vector<std::uint8_t> pngClaiming(std::uint32_t width, std::uint32_t height,
                                             std::uint8_t bitDepth = 8,
                                             const std::vector<std::uint8_t>& data = {}) {
    std::vector<std::uint8_t> png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    auto put32 = [&png](std::uint32_t v) {
        for (int shift = 24; shift >= 0; shift -= 8) png.push_back(static_cast<std::uint8_t>(v >> shift));
    };
    auto chunk = [&](std::vector<std::uint8_t> typeAndData) {
        put32(static_cast<std::uint32_t>(typeAndData.size() - 4));
        png.insert(png.end(), typeAndData.begin(), typeAndData.end());
        put32(
            static_cast<std::uint32_t>(crc32(0, typeAndData.data(), static_cast<uInt>(typeAndData.size()))));
    };
    std::vector<std::uint8_t> header = {'I', 'H', 'D', 'R'};
    for (std::uint32_t side : {width, height})
        for (int shift = 24; shift >= 0; shift -= 8)
            header.push_back(static_cast<std::uint8_t>(side >> shift));
    header.insert(header.end(), {bitDepth, 6, 0, 0, 0});  // RGBA, deflate, no interlace
    chunk(header);
    std::vector<std::uint8_t> pixels = {'I', 'D', 'A', 'T', 0x78, 0x01};
    pixels.insert(pixels.end(), data.begin(), data.end());
    chunk(pixels);
    chunk({'I', 'E', 'N', 'D'});
    return png;
}

}  // namespace tikoleap::test
