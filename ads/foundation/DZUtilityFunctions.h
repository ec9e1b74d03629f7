#pragma once
// Small plain functions of the ad component: request-parameter texts and the MurmurHash3 hash.
#include <cstddef>
#include <cstdint>
#include <string>

// "1" or "0".
std::string DZStringFromBOOL(bool value);
// "%f", then trailing zeros and a bare decimal point removed: 1.5 -> "1.5", 2.0 -> "2".
std::string DZStringFromFloat(float value);
// MurmurHash3, x86 32-bit form, blocks read as little-endian words.
uint32_t DZMurmurHash3x86_32(const void* bytes, std::size_t length, uint32_t seed);
