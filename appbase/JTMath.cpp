#include "appbase/JTMath.h"

#include <cmath>
#include <cstdint>
#include <limits>

#include "appbase/JTRandom.h"

namespace JTAppBase {

namespace {

constexpr double kTwoToMinus31 = 1.0 / 2147483648.0;

double nextUnit() {
    return static_cast<double>(JTRandom::current().next31()) * kTwoToMinus31;
}

}  // namespace

int scaleByRatio(int a, int b, int c) {
    const int64_t divisor = static_cast<int64_t>(b) + c;
    if (divisor == 0) return 0;
    const int64_t q = static_cast<int64_t>(a) * b / divisor;
    if (q > std::numeric_limits<int>::max()) return std::numeric_limits<int>::max();
    if (q < std::numeric_limits<int>::min()) return std::numeric_limits<int>::min();
    return static_cast<int>(q);
}

float scaleByRatioF(float a, float b, float c) {
    const float divisor = b + c;
    if (divisor == 0.0f) return 0.0f;
    return a * b / divisor;
}

int randomInt(int n) {
    return static_cast<int>(n * nextUnit());
}

int randomRange(int lo, int hi) {
    // hi - lo in 64 bits: the width of a full-range interval does not fit an int.
    const double width = static_cast<double>(static_cast<int64_t>(hi) - lo);
    return static_cast<int>(lo + static_cast<int64_t>(width * nextUnit()));
}

float randomFloat() {
    const auto f = static_cast<float>(nextUnit());
    return f < 1.0f ? f : std::nextafter(1.0f, 0.0f);
}

int clampInt(int v, int lo, int hi) {
    if (v < lo) return lo;
    if (v > hi) return hi;
    return v;
}

float clampFloat(float v, float lo, float hi) {
    if (v < lo) return lo;
    if (v > hi) return hi;
    return v;
}

bool isBitSet(int value, int n) {
    if (n < 0 || n >= 32) return false;
    return ((static_cast<uint32_t>(value) >> n) & 1u) != 0;
}

}  // namespace JTAppBase
