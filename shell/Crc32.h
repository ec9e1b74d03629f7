#pragma once
// The standard CRC-32 (reflected polynomial 0xEDB88320, initial value and final complement
// 0xFFFFFFFF): "123456789" gives 0xCBF43926. Signed links, score files, downloaded levels and
// cached announcements all check their bytes with it.
#include <cstddef>
#include <cstdint>

// CRC-32 of the bytes before the terminator; 0 for an empty or null string.
uint32_t Crc32OfCString(const char* text);

// CRC-32 of the range; 0 for length 0 or null bytes.
uint32_t Crc32OfBytes(const void* bytes, size_t length);

// CRC-32 of two ranges in sequence, as of one range holding both; an empty first range leaves
// the register as it starts.
uint32_t Crc32OfTwoRanges(const void* first, size_t firstLength, const void* second, size_t secondLength);
