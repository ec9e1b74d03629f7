#include "shell/Crc32.h"

#include <zlib.h>

#include <cstring>

uint32_t Crc32OfCString(const char* text) {
    if (!text) return 0;
    return Crc32OfBytes(text, std::strlen(text));
}

uint32_t Crc32OfBytes(const void* bytes, size_t length) {
    if (!bytes || length == 0) return 0;
    return static_cast<uint32_t>(crc32_z(0L, static_cast<const Bytef*>(bytes), length));
}

uint32_t Crc32OfTwoRanges(const void* first, size_t firstLength, const void* second, size_t secondLength) {
    uLong crc = crc32_z(0L, Z_NULL, 0);
    if (first && firstLength > 0) crc = crc32_z(crc, static_cast<const Bytef*>(first), firstLength);
    if (second && secondLength > 0) crc = crc32_z(crc, static_cast<const Bytef*>(second), secondLength);
    return static_cast<uint32_t>(crc);
}
