#pragma once
// Level Normal with its world opened up for tests: the hero, the scroll, the top and the
// platforms can be set, and every landing is recorded by slot.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <vector>

#include "LevelTestKit.h"
#include "levels/LevelNormal.h"

namespace leveltest {

// The game's own float constants, by their bits.
inline const float kThird = std::bit_cast<float>(0x3EAAAAABu);
inline const float kGravity = std::bit_cast<float>(0xBEAAAAABu);
inline const float kSteerLeft = std::bit_cast<float>(0xBECCCCCEu);
inline const float kSteerRight = std::bit_cast<float>(0x3ECCCCCEu);

class ProbedLevel : public JTApp::LevelNormal {
  public:
    using LevelNormal::LevelNormal;
    using VerticalLevel::clearPlatforms;
    using VerticalLevel::setHero;
    using VerticalLevel::setPlatform;
    using VerticalLevel::setScroll;
    using VerticalLevel::setTop;

    std::vector<int> landings;

  protected:
    void landOn(int slot) override {
        landings.push_back(slot);
        LevelNormal::landOn(slot);
    }
};

struct LevelFixture : LevelTest<ProbedLevel> {
    LevelFixture() : LevelTest(7, 20, "Level: Normal") {}
    // Playing, with the hero alone in the world at (x, y) and the given velocity.
    void isolate(float x, float y, float vx, float vy) {
        play();
        level->clearPlatforms();
        level->setHero(x, y, vx, vy);
        driver.core.sounds.clear();
    }
};

}  // namespace leveltest
