#include "app/PlayDemo.h"

#include <algorithm>
#include <string>

namespace {
// "Start Game" on the title, in the 320 x 480 window's points.
constexpr const char* kStartTap = "40 down 160 294\n45 up\n";
// After the level's intro (150 ticks), sweeps of growing width: he drifts one way and the
// other, bouncing from platform to platform, until a sweep carries him past every platform.
constexpr int kFirstSweepTick = 200;
constexpr int kSweeps = 60;
}  // namespace

std::string PlayDemo::script() {
    std::string text = "# the headless demo of make play\n";
    text += kStartTap;
    int tick = kFirstSweepTick;
    for (int i = 0; i < kSweeps; ++i) {
        const double strength = std::min(1.0, 0.25 + 0.05 * i);
        text += std::to_string(tick) + " tilt " + std::to_string(i % 2 == 0 ? strength : -strength) + "\n";
        tick += 60 + 10 * (i % 3);
    }
    text += std::to_string(tick) + " tilt 0\n";
    return text;
}

std::string PlayDemo::scoreLine(int level, long long score) {
    return "demo game of level " + std::to_string(level) + " over: " + std::to_string(score) + " points";
}
