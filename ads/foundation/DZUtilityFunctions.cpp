#include "ads/foundation/DZUtilityFunctions.h"

#include <cstdio>

std::string DZStringFromBOOL(bool value) {
    return value ? "1" : "0";
}

std::string DZStringFromFloat(float value) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%f", static_cast<double>(value));
    std::string text = buffer;
    if (text.find('.') == std::string::npos) return text;  // inf, nan
    while (!text.empty() && text.back() == '0') text.pop_back();
    if (!text.empty() && text.back() == '.') text.pop_back();
    return text;
}

namespace {

uint32_t rotl(uint32_t x, int r) {
    return (x << r) | (x >> (32 - r));
}

}  // namespace

uint32_t DZMurmurHash3x86_32(const void* bytes, std::size_t length, uint32_t seed) {
    const auto* data = static_cast<const uint8_t*>(bytes);
    const std::size_t blocks = length / 4;
    constexpr uint32_t c1 = 0xcc9e2d51, c2 = 0x1b873593;
    uint32_t h = seed;
    for (std::size_t i = 0; i < blocks; ++i) {
        const uint8_t* p = data + i * 4;
        uint32_t k = uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
        k *= c1;
        k = rotl(k, 15);
        k *= c2;
        h ^= k;
        h = rotl(h, 13);
        h = h * 5 + 0xe6546b64;
    }
    const uint8_t* tail = data + blocks * 4;
    uint32_t k = 0;
    switch (length & 3) {
        case 3:
            k ^= uint32_t(tail[2]) << 16;
            [[fallthrough]];
        case 2:
            k ^= uint32_t(tail[1]) << 8;
            [[fallthrough]];
        case 1:
            k ^= tail[0];
            k *= c1;
            k = rotl(k, 15);
            k *= c2;
            h ^= k;
    }
    h ^= static_cast<uint32_t>(length);
    h ^= h >> 16;
    h *= 0x85ebca6b;
    h ^= h >> 13;
    h *= 0xc2b2ae35;
    h ^= h >> 16;
    return h;
}
