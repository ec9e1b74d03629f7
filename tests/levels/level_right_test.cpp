#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <memory>
#include <random>
#include <vector>

#include "LevelTestKit.h"
#include "ProbedLevel.h"
#include "appbase/Texture2D.h"
#include "levels/LevelRight.h"

using JTApp::GameSceneBase;
using JTApp::LevelRight;
using JTApp::SidewaysLevel;
using JTApp::VerticalLevel;
using JTCore::makeRef;
using JTCore::Ref;
using leveltest::aheadTilt;
using leveltest::kGravity;
using leveltest::kThird;
using leveltest::solidTexture;

namespace {

class ProbedRight : public LevelRight {
  public:
    using LevelRight::LevelRight;
    using SidewaysLevel::setNextPlatformX;
    using SidewaysLevel::setScrollX;
    using VerticalLevel::clearPlatforms;
    using VerticalLevel::setHero;
    using VerticalLevel::setPlatform;
};

struct RightFixture : leveltest::LevelTest<ProbedRight> {
    RightFixture() : LevelTest(7, 25, "Level: Right") {}
    // Playing, the hero alone in a view whose left edge is at `scrollX`, no platform due.
    void isolate(int scrollX, float x, float y, float vx, float vy) {
        play();
        level->clearPlatforms();
        level->setScrollX(scrollX);
        level->setNextPlatformX(scrollX + 100000);
        level->setHero(x, y, vx, vy);
        driver.core.sounds.clear();
    }
};

// The standing platforms, by slot.
std::vector<int> standing(const VerticalLevel& level) {
    std::vector<int> slots;
    for (int i = 0; i < VerticalLevel::kPlatformSlots; ++i) {
        if (level.platformKind(i) == VerticalLevel::kPlatform) slots.push_back(i);
    }
    return slots;
}

}  // namespace

TEST_F(RightFixture, StartsOnAColumnAtTheLeftWithPlatformsAheadWithinReach) {
    EXPECT_EQ(level->getState(), GameSceneBase::kStateIntro);
    EXPECT_EQ(level->getHeroX(), 60.0f);
    EXPECT_EQ(level->getHeroY(), 300.0f);
    EXPECT_EQ(level->getHeroVx(), 0.0f);
    EXPECT_EQ(level->getHeroVy(), -10.0f);
    EXPECT_EQ(level->getScrollX(), 0);
    EXPECT_EQ(level->getScroll(), 0);
    EXPECT_EQ(driver.view.pauseBtn.x, -27);
    EXPECT_EQ(driver.view.pauseBtn.y, 25);
    EXPECT_EQ(level->getGameOverDelay(), 150);
    const int startY[] = {268, 218, 168};
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(level->platformX(i), 60);
        EXPECT_EQ(level->platformY(i), startY[i]);
        EXPECT_EQ(level->platformKind(i), VerticalLevel::kPlatform);
    }
    // The rest follow from x 140 at gaps of [80, 160), each lower than a bounce off the highest
    // before it can reach (161 at speed 18) and than 440, until one is past the right edge.
    const auto slots = standing(*level);
    ASSERT_GT(slots.size(), 5u);
    EXPECT_EQ(level->platformX(3), 140);
    int high = 268;
    for (size_t n = 3; n < slots.size(); ++n) {
        const int i = slots[n];
        if (n > 3) {
            EXPECT_GE(level->platformX(i) - level->platformX(slots[n - 1]), 80);
            EXPECT_LT(level->platformX(i) - level->platformX(slots[n - 1]), 160);
        }
        EXPECT_LT(level->platformY(i), std::min(high + 161, 440));
        EXPECT_GE(level->platformY(i), 20);
        high = std::max(high, level->platformY(i));
    }
    EXPECT_LE(level->platformX(slots.back()) - 54, 640);
    EXPECT_GT(level->getNextPlatformX() - 54, 640);

    // The intro holds everything still; the first playing tick bounces off the platform under
    // his feet, which starts to fall.
    driver.run(*level, 150);
    EXPECT_TRUE(driver.core.sounds.empty());
    EXPECT_EQ(level->getHeroY(), 300.0f);
    driver.tick(*level);
    EXPECT_EQ(driver.core.sounds, std::vector<int>{1});
    EXPECT_EQ(level->getHeroY(), 300.0f + 18.0f * kThird);
    EXPECT_EQ(level->getHeroVy(), 18.0f + kGravity);
    EXPECT_EQ(level->platformKind(0), SidewaysLevel::kFallingPlatform);
}

TEST_F(RightFixture, ALandedPlatformFallsByItsTruncatedSpeedAndCannotBeLandedOnAgain) {
    isolate(0, 400, 232.5f, 0, -3);
    level->setPlatform(0, 400, 200, VerticalLevel::kPlatform);
    std::vector<int> drops;
    int y = 200;
    for (int t = 0; t < 7; ++t) {
        driver.tick(*level);
        drops.push_back(y - level->platformY(0));
        y = level->platformY(0);
    }
    EXPECT_EQ(drops, (std::vector<int>{0, 1, 2, 2, 3, 4, 4}));
    EXPECT_EQ(driver.core.sounds, std::vector<int>{1}) << "one landing";

    // Dropping right through it lands nowhere.
    const float above = static_cast<float>(level->platformY(0) + 33);
    level->setHero(400, above, 0, -6);
    driver.tick(*level);
    EXPECT_EQ(driver.core.sounds, std::vector<int>{1});
    EXPECT_EQ(level->getHeroY(), above + -6.0f * kThird);

    // It is gone once its centre is below -8.
    while (level->platformKind(0) != VerticalLevel::kFree) {
        y = level->platformY(0);
        ASSERT_GE(y, -8);
        driver.tick(*level);
    }
    EXPECT_LT(level->platformY(0), -8);
}

TEST_F(RightFixture, LeftEdgeIsAWallAndSidewaysSpeedIsLimited) {
    isolate(1000, 1040, 2000, 0, 0);
    // Tilted hard left: -64 clamped to -50; the move would end at 1023.3, inside the wall.
    driver.tick(*level, -1);
    EXPECT_EQ(level->getHeroX(), 1032.0f);
    EXPECT_EQ(level->getHeroVx(), 0.0f);
    driver.run(*level, 100, -1);
    EXPECT_EQ(level->getHeroX(), 1032.0f) << "no wrap, no way back";
    EXPECT_EQ(level->getScrollX(), 1000);

    // Tilted hard right, far past the limit.
    driver.tick(*level, 5);
    EXPECT_EQ(level->getHeroVx(), 50.0f);
    EXPECT_EQ(level->getHeroX(), 1032.0f + 50.0f * kThird);

    // Keys add 0.4 a tick for as long as they are held, but no more than up to 50 (the hero kept
    // aloft meanwhile).
    level->setControlMode(VerticalLevel::kControlKeys);
    driver.setKeys(1 << 3);
    float fastest = 0;
    for (int t = 0; t < 200; ++t) {
        level->setHero(level->getHeroX(), 2000, level->getHeroVx(), 0);
        driver.tick(*level);
        fastest = std::max(fastest, level->getHeroVx());
    }
    EXPECT_EQ(fastest, 50.0f);
}

TEST_F(RightFixture, BounceWeakensWithTheDistanceTravelled) {
    const std::pair<int, float> speeds[] = {{0, 18},
                                            {3200, 18},
                                            {3200 + 8191, 18},
                                            {3200 + 8192, 17},
                                            {3200 + 8192 * 14, 4},
                                            {3200 + 8192 * 40, 4}};
    for (const auto& [x, speed] : speeds) EXPECT_EQ(level->jumpSpeed(x), speed) << x;
    EXPECT_EQ(level->reach(0), 161);
    EXPECT_EQ(level->reach(3200 + 8192 * 40), 4);

    // The distance of the hero, not his height, sets the bounce.
    const int x = 3200 + 8192 * 2;
    isolate(x - 100, static_cast<float>(x), 232.5f, 0, -3);
    level->setPlatform(0, x, 200, VerticalLevel::kPlatform);
    driver.tick(*level);
    EXPECT_EQ(driver.core.sounds, std::vector<int>{1});
    EXPECT_EQ(level->getHeroVy(), 16.0f + kGravity);
}

TEST_F(RightFixture, ViewScrollsRightWithTheHeroAndTheScoreIsTheDistance) {
    isolate(0, 300, 2000, 0, 0);
    driver.tick(*level);
    EXPECT_EQ(level->getScrollX(), 0);
    level->setHero(301, 2000, 0, 0);
    driver.tick(*level);
    EXPECT_EQ(level->getScrollX(), 1);
    EXPECT_EQ(level->getScore(), 1);
    // 1000 beyond the threshold at once: 1000 points.
    level->setHero(1301, 2000, 0, 0);
    driver.tick(*level);
    EXPECT_EQ(level->getScrollX(), 1001);
    EXPECT_EQ(level->getScore(), 1001);
    for (int t = 0; t < 100; ++t) {
        driver.tick(*level, 1);
        ASSERT_EQ(level->getScore(), level->getScrollX());
        ASSERT_EQ(level->getScrollX(), static_cast<int>(level->getHeroX()) - 300);
    }
    EXPECT_EQ(level->getScroll(), 0) << "never up";

    // Platforms leave once 54 behind the left edge; new ones come in ahead.
    const int left = level->getScrollX();
    level->setHero(static_cast<float>(left + 100), 2000, 0, 0);
    level->setPlatform(0, left - 54, 100, VerticalLevel::kPlatform);
    level->setPlatform(1, left - 55, 100, VerticalLevel::kPlatform);
    level->setNextPlatformX(left + 300);
    driver.tick(*level);
    EXPECT_EQ(level->platformKind(0), VerticalLevel::kPlatform);
    EXPECT_EQ(level->platformX(0), left - 54);
    EXPECT_EQ(level->platformX(1), left + 300) << "freed, the first free slot takes the next one";
    EXPECT_GT(level->getNextPlatformX() - 54 - left, 640);
}

TEST_F(RightFixture, GeneratorWidensGapsWithScrollAndStopsWhenSlotsRunOut) {
    // 60000 along: gaps of [300, 600), bounces of speed 12 reaching 70.
    isolate(60000, 60100, 2000, 0, 0);
    ASSERT_EQ(level->reach(60000), 70);
    level->setPlatform(0, 60000, 100, VerticalLevel::kPlatform);
    level->setNextPlatformX(60000);
    int added = 0;
    while (level->generatePlatform()) {
        const int slot = ++added;
        // Within one bounce of the lowest and highest standing ones before it.
        EXPECT_GE(level->platformY(slot), 100 - 70 * slot);
        EXPECT_LT(level->platformY(slot), 100 + 70 * slot);
        if (slot > 1) {
            EXPECT_GE(level->platformX(slot) - level->platformX(slot - 1), 300);
            EXPECT_LT(level->platformX(slot) - level->platformX(slot - 1), 600);
        }
    }
    EXPECT_GT(added, 1);
    EXPECT_GT(level->getNextPlatformX() - 54 - 60000, 640);

    // With nothing standing the next one is one bounce above the ground.
    level->clearPlatforms();
    level->setPlatform(5, 60100, 300, SidewaysLevel::kFallingPlatform);
    level->setNextPlatformX(60300);
    ASSERT_TRUE(level->generatePlatform());
    EXPECT_EQ(level->platformY(0), 70);

    // A full set of slots takes nothing more.
    for (int i = 0; i < VerticalLevel::kPlatformSlots; ++i) level->setPlatform(i, 60100, 100, 1);
    level->setNextPlatformX(60300);
    EXPECT_FALSE(level->generatePlatform());
    EXPECT_EQ(level->getNextPlatformX(), 60300);
}

TEST_F(RightFixture, FallingOutEndsTheGameOnceWhileTheViewDriftsOn) {
    isolate(200, 500, -31, 30, -6);
    // Keys mode without a key held keeps his sideways speed as it is.
    level->setControlMode(VerticalLevel::kControlKeys);
    level->addScore(44);
    driver.tick(*level);
    EXPECT_EQ(level->getState(), GameSceneBase::kStateGameOver);
    EXPECT_EQ(driver.core.sounds, std::vector<int>{0});
    EXPECT_EQ(level->getScore(), 44);
    for (int t = 1; t <= 150; ++t) {
        const int scrollX = level->getScrollX();
        const int scrollY = level->getScroll();
        const float vy = level->getHeroVy();
        driver.tick(*level);
        ASSERT_EQ(level->getScrollX(), scrollX + static_cast<int>(30 * kThird));
        ASSERT_EQ(level->getScroll(), scrollY + static_cast<int>(vy * kThird));
        ASSERT_EQ(level->getHeroX(), static_cast<float>(level->getScrollX() - 64));
        ASSERT_EQ(level->getHeroY(), static_cast<float>(level->getScroll() - 64));
        ASSERT_EQ(level->getHeroVy(), vy > -70 ? vy + kGravity : vy);
        if (t < 150) {
            ASSERT_TRUE(driver.view.gameOvers.empty());
        }
    }
    driver.run(*level, 300);
    EXPECT_EQ(driver.view.gameOvers, std::vector<int>{44});
}

namespace {

// A player heading right.
double pilot(const SidewaysLevel& level) {
    return aheadTilt(level);
}

using Moment = std::vector<int64_t>;

Moment moment(const SidewaysLevel& level) {
    Moment m{level.getState(), level.getScore(), level.getScrollX(), level.getScroll(),
             level.getNextPlatformX()};
    for (float v : {level.getHeroX(), level.getHeroY(), level.getHeroVx(), level.getHeroVy()}) {
        m.push_back(std::bit_cast<uint32_t>(v));
    }
    for (int i = 0; i < VerticalLevel::kPlatformSlots; ++i) {
        m.insert(m.end(), {level.platformX(i), level.platformY(i), level.platformKind(i)});
    }
    return m;
}

std::vector<Moment> playGame(uint64_t seed, uint32_t noiseSeed, std::vector<int>* gameOvers) {
    GLTestContext gl{320, 480};
    testsupport::LevelDriver driver(seed, 25, "Level: Right");
    auto level = makeRef<LevelRight>(driver.context());
    std::mt19937 noise(noiseSeed);
    std::uniform_real_distribution<double> wobble(-0.2, 0.2);
    std::vector<Moment> moments;
    for (int t = 0; t < 40000 && level->getState() != GameSceneBase::kStateGameOver; ++t) {
        driver.tick(*level, pilot(*level) + wobble(noise));
        if (t % 50 == 0) moments.push_back(moment(*level));
    }
    driver.render(*level);
    driver.run(*level, 300);
    moments.push_back(moment(*level));
    *gameOvers = driver.view.gameOvers;
    return moments;
}

}  // namespace

TEST(LevelRightGameTest, AWholeGameEndsInOneReportAndReplaysFromItsSeed) {
    std::vector<int> firstOvers;
    std::vector<int> secondOvers;
    const auto first = playGame(25, 3, &firstOvers);
    const auto second = playGame(25, 3, &secondOvers);
    ASSERT_EQ(first.back()[0], GameSceneBase::kStateGameOver);
    ASSERT_EQ(firstOvers.size(), 1u);
    EXPECT_EQ(firstOvers.front(), first.back()[1]);
    EXPECT_GT(first.back()[1], 1000) << "the pilot gets somewhere";
    EXPECT_EQ(first, second);
    EXPECT_EQ(firstOvers, secondOvers);

    std::vector<int> otherOvers;
    const auto other = playGame(26, 3, &otherOvers);
    EXPECT_NE(first.front(), other.front());
}

namespace {

using Px = std::array<uint8_t, 4>;
const Px kBlack{0, 0, 0, 255};
const Px kRed{255, 0, 0, 255};
const Px kBlue{0, 0, 255, 255};
const Px kWhite{255, 255, 255, 255};

}  // namespace

TEST_F(RightFixture, DrawsTheBackgroundPlatformsAndHeroRelativeToTheScroll) {
    ASSERT_TRUE(gl.ok()) << gl.error();
    auto hero = solidTexture(255, 0, 0);
    auto platform = solidTexture(255, 255, 255);
    auto tile = solidTexture(0, 0, 255);
    driver.core.textures[2] = hero.get();
    driver.core.textures[5] = platform.get();
    driver.core.textures[14] = tile.get();
    gl.clear(0, 0, 0, 1);
    driver.render(*level);
    // Columns from -(2^30 mod 160) = -64: tiles at x 96 and 256, rows at 0, 160, 320.
    EXPECT_EQ(gl.pixel(100, 4), kBlue);
    EXPECT_EQ(gl.pixel(260, 164), kBlue);
    EXPECT_EQ(gl.pixel(60, 4), kBlack);
    // Platform 0 centred on (30, 279); the hero's feet at (30, 279), over it.
    EXPECT_EQ(gl.pixel(30, 282), kWhite);
    EXPECT_EQ(gl.pixel(30, 274), kRed);
    EXPECT_EQ(gl.pixel(30, 286), kBlack);

    // 100 along the tiles move 50 left, the world 50 too.
    isolate(100, 160, 300, 0, 0);
    level->setPlatform(0, 200, 268, VerticalLevel::kPlatform);
    gl.clear(0, 0, 0, 1);
    driver.render(*level);
    EXPECT_EQ(gl.pixel(50, 4), kBlue);
    EXPECT_EQ(gl.pixel(100, 4), kBlack);
    EXPECT_EQ(gl.pixel(50, 282), kWhite);
    EXPECT_EQ(gl.pixel(30, 274), kRed);
}
