#include "appbase/JTRandom.h"

#include <utility>

namespace JTAppBase {

namespace {

constexpr uint64_t kMultiplier = 6364136223846793005ULL;
// One fixed stream; the seed alone picks the position in it.
constexpr uint64_t kIncrement = 1442695040888963407ULL;

JTRandom& builtIn() {
    static JTRandom generator;
    return generator;
}

std::shared_ptr<JTRandom>& replacement() {
    static std::shared_ptr<JTRandom> generator;
    return generator;
}

}  // namespace

JTRandom::JTRandom(uint64_t seed) {
    JTRandom::seed(seed);
}

void JTRandom::seed(uint64_t seed) {
    state_ = 0;
    next32();
    state_ += seed;
    next32();
}

uint32_t JTRandom::next32() {
    const uint64_t old = state_;
    state_ = old * kMultiplier + kIncrement;
    const auto xorshifted = static_cast<uint32_t>(((old >> 18u) ^ old) >> 27u);
    const auto rot = static_cast<uint32_t>(old >> 59u);
    return (xorshifted >> rot) | (xorshifted << ((32u - rot) & 31u));
}

uint32_t JTRandom::next31() {
    return next32() >> 1;
}

JTRandom& JTRandom::current() {
    if (auto& r = replacement()) return *r;
    return builtIn();
}

std::shared_ptr<JTRandom> JTRandom::setCurrent(std::shared_ptr<JTRandom> generator) {
    return std::exchange(replacement(), std::move(generator));
}

}  // namespace JTAppBase
