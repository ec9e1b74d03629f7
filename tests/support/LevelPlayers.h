#pragma once
// Players that steer a level's hero by its platforms, for tests and benchmarks that play whole
// games: each returns the tilt for the next tick.
#include <algorithm>

#include "levels/VerticalLevel.h"

namespace testsupport {

// A player that keeps climbing: while rising toward the nearest platform up that the jump
// reaches, while falling onto the highest one below; only platforms whose kind `aimAt` accepts
// count.
template <class Kinds>
double climbTilt(const JTApp::VerticalLevel& level, Kinds aimAt) {
    const float y = level.getHeroY();
    const float vy = level.getHeroVy();
    const float rise = vy > 0 ? vy * (vy + 1.0f / 3) * 0.5f : 0.0f;
    int target = -1;
    float best = 0;
    for (int i = 0; i < JTApp::VerticalLevel::kPlatformSlots; ++i) {
        if (!aimAt(level.platformKind(i))) continue;
        const float top = static_cast<float>(level.platformY(i) + 32);
        const bool wanted = vy > 0 ? top > y + 1 && top < y + rise : top <= y;
        if (wanted && (target < 0 || (vy > 0 ? top < best : top > best))) {
            target = i;
            best = top;
        }
    }
    if (target < 0) return 0;
    return std::clamp((level.platformX(target) - level.getHeroX()) / 40.0, -1.0, 1.0);
}

// A player heading right: while rising, toward the nearest standing platform ahead that the jump
// still clears; while falling, onto the highest standing one below; full tilt right when none.
inline double aheadTilt(const JTApp::VerticalLevel& level) {
    const float x = level.getHeroX();
    const float y = level.getHeroY();
    const float vy = level.getHeroVy();
    const float rise = vy > 0 ? vy * (vy + 1.0f / 3) * 0.5f : 0.0f;
    int target = -1;
    for (int i = 0; i < JTApp::VerticalLevel::kPlatformSlots; ++i) {
        if (level.platformKind(i) != JTApp::VerticalLevel::kPlatform) continue;
        const float top = static_cast<float>(level.platformY(i) + 32);
        const bool wanted = vy > 0 ? level.platformX(i) > x + 20 && top < y + rise : top <= y;
        if (!wanted) continue;
        if (target < 0 || (vy > 0 ? level.platformX(i) < level.platformX(target)
                                  : level.platformY(i) > level.platformY(target))) {
            target = i;
        }
    }
    if (target < 0) return 1;
    return std::clamp((level.platformX(target) - x) / 40.0, -1.0, 1.0);
}

}  // namespace testsupport
