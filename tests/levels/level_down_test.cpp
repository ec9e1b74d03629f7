#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <limits>
#include <memory>
#include <random>
#include <vector>

#include "LevelTestKit.h"
#include "ProbedLevel.h"
#include "appbase/JTCanvas.h"
#include "appbase/Texture2D.h"
#include "levels/LevelDown.h"

using JTApp::GameSceneBase;
using JTApp::LevelDown;
using JTApp::VerticalLevel;
using JTCore::makeRef;
using JTCore::Ref;
using leveltest::kGravity;
using leveltest::kThird;
using leveltest::solidTexture;

namespace {

class ProbedDown : public LevelDown {
  public:
    using LevelDown::LevelDown;
    using VerticalLevel::clearPlatforms;
    using VerticalLevel::setHero;
    using VerticalLevel::setPlatform;
    using VerticalLevel::setScroll;
};

struct DownFixture : leveltest::LevelTest<ProbedDown> {
    DownFixture() : LevelTest(7, 27, "Level: Down") {}
    // Playing, the hero alone in the world `above` units over the bottom edge of a screen whose
    // bottom is at `scroll`.
    void isolate(int scroll, float above, float vy) {
        play();
        level->clearPlatforms();
        level->setScroll(scroll);
        level->setHero(320, static_cast<float>(scroll) + above, 0, vy);
        driver.core.sounds.clear();
    }
    void runUntilOver(int maxTicks) {
        for (int t = 0; t < maxTicks && level->getState() == GameSceneBase::kStatePlaying; ++t) {
            driver.tick(*level);
        }
        ASSERT_EQ(level->getState(), GameSceneBase::kStateGameOver);
    }
};

std::vector<int> usedHeights(const VerticalLevel& level) {
    std::vector<int> heights;
    for (int i = 0; i < VerticalLevel::kPlatformSlots; ++i) {
        if (level.platformKind(i) != VerticalLevel::kFree) heights.push_back(level.platformY(i));
    }
    std::sort(heights.rbegin(), heights.rend());
    return heights;
}

}  // namespace

TEST_F(DownFixture, StartsHighOnAColumnOfPlatformsReachingBelowTheScreen) {
    EXPECT_EQ(level->getState(), GameSceneBase::kStateIntro);
    EXPECT_EQ(level->getScroll(), -480);
    EXPECT_EQ(level->getHeroX(), 320.0f);
    EXPECT_EQ(level->getHeroY(), -200.0f);
    EXPECT_EQ(level->getHeroVy(), -20.0f);
    EXPECT_EQ(level->platformX(0), 320);
    EXPECT_EQ(level->platformY(0), -240);
    EXPECT_EQ(driver.view.pauseBtn.x, -27);
    EXPECT_EQ(level->getGameOverDelay(), 150);
    const auto heights = usedHeights(*level);
    ASSERT_GT(heights.size(), 2u);
    EXPECT_EQ(heights[1], -290);
    // Distance 480: g = 123, gaps in [61, 123).
    for (size_t i = 1; i < heights.size(); ++i) {
        EXPECT_GE(heights[i - 1] - heights[i], i == 1 ? 50 : 61);
        EXPECT_LT(heights[i - 1] - heights[i], 123);
    }
    EXPECT_GE(heights.back() - level->getScroll(), -8);
    EXPECT_LT(level->getNextPlatformY() - level->getScroll(), -8);
    for (int i = 1; i < VerticalLevel::kPlatformSlots; ++i) {
        if (level->platformKind(i) == VerticalLevel::kFree) continue;
        EXPECT_GE(level->platformX(i), 54);
        EXPECT_LT(level->platformX(i), 586);
    }
    // The intro holds everything still.
    driver.run(*level, 149);
    EXPECT_EQ(level->getHeroY(), -200.0f);
    EXPECT_EQ(level->getScroll(), -480);
    EXPECT_EQ(level->getScore(), 0);
}

TEST_F(DownFixture, ScrollSpeedsUpEvery6144AndScoresTheDistance) {
    const std::pair<int, int> steps[] = {{-480, 1},   {-6143, 1},  {-6144, 2},
                                         {-12287, 2}, {-12288, 3}, {-61440, 11}};
    for (const auto& [scroll, step] : steps) {
        level->setScroll(scroll);
        EXPECT_EQ(level->scrollStep(), step) << scroll;
    }
    level->setScroll(-480);
    play();
    // Standing on the start platform: carried up, 1 point a tick...
    for (int t = 0; t < 50; ++t) {
        const int score = level->getScore();
        driver.tick(*level);
        ASSERT_EQ(level->getScore(), score + 1);
        ASSERT_EQ(level->getScroll(), -480 - level->getScore());
    }
    // ...and 2 a tick once 6144 has been scrolled.
    isolate(-6144, 300, 0);
    driver.tick(*level);
    EXPECT_EQ(level->getScroll(), -6146);
}

TEST_F(DownFixture, EveryLandingBouncesAtTen) {
    for (float vy : {-3.0f, -60.0f}) {
        SCOPED_TRACE(vy);
        level = makeRef<ProbedDown>(driver.context());
        isolate(-20000, 300.5f, vy);
        level->setPlatform(0, 320, -20000 + 268, VerticalLevel::kPlatform);
        driver.tick(*level);
        EXPECT_EQ(driver.core.sounds, std::vector<int>{1});
        EXPECT_EQ(level->getHeroY(), static_cast<float>(-20000 + 300) + 10.0f * kThird);
        EXPECT_EQ(level->getHeroVy(), 10.0f + kGravity);
    }
}

TEST_F(DownFixture, CeilingPushesTheHeroDownWithoutLosing) {
    isolate(-480, 610, 3);
    driver.tick(*level);
    EXPECT_EQ(driver.core.sounds, std::vector<int>{3});
    EXPECT_EQ(level->getState(), GameSceneBase::kStatePlaying);
    EXPECT_EQ(level->getHeroY(), -480.0f + 608);
    // -|3| - step 1 - 1, then gravity.
    EXPECT_EQ(level->getHeroVy(), -5.0f + kGravity);

    // Landing just under the ceiling and bumping it is no crush while he ends at or above the
    // platform.
    driver.core.sounds.clear();
    level->clearPlatforms();
    const int scroll = level->getScroll();
    level->setPlatform(0, 320, scroll + 606 - 32, VerticalLevel::kPlatform);
    level->setHero(320, static_cast<float>(scroll + 607), 0, -6);
    driver.tick(*level);
    EXPECT_EQ(driver.core.sounds, (std::vector<int>{1, 3}));
    EXPECT_EQ(level->getState(), GameSceneBase::kStatePlaying);
    EXPECT_EQ(level->getHeroVy(), -10.0f - 1 - 1 + kGravity);
}

TEST_F(DownFixture, CrushedBetweenCeilingAndPlatformFlattensTheHeroAndEndsOnce) {
    isolate(-480, 621, -6);
    level->setPlatform(0, 320, -480 + 620 - 32, VerticalLevel::kPlatform);
    level->addScore(77);
    driver.tick(*level);
    EXPECT_EQ(driver.core.sounds, (std::vector<int>{1, 3, 0}));
    EXPECT_EQ(level->getState(), GameSceneBase::kStateGameOver);
    EXPECT_EQ(level->getLossCause(), LevelDown::kCrushed);
    EXPECT_EQ(level->getHeroY(), -480.0f + 608);
    EXPECT_EQ(level->getScore(), 77) << "the losing tick scores nothing";

    // The view glides down until his feet are about 656 above its bottom edge; he stays put.
    for (int t = 1; t <= 150; ++t) {
        const int scroll = level->getScroll();
        const float offset = ((level->getHeroY() - 16) - 640) - static_cast<float>(scroll);
        driver.tick(*level);
        ASSERT_EQ(level->getScroll(), scroll + static_cast<int>(offset / 6 * kThird));
        ASSERT_EQ(level->getHeroY(), -480.0f + 608);
        if (t < 150) {
            ASSERT_TRUE(driver.view.gameOvers.empty());
        }
    }
    EXPECT_NEAR(level->getHeroY() - static_cast<float>(level->getScroll()), 656.0f, 18.0f);
    driver.run(*level, 300);
    EXPECT_EQ(driver.view.gameOvers, std::vector<int>{77});
    EXPECT_EQ(driver.core.sounds, (std::vector<int>{1, 3, 0}));
}

TEST(LevelDownCrushTest, FlatteningSettlesAtAQuarterHeightAndTwiceAndAQuarterWidth) {
    const struct {
        int ticks;
        float sx;
        float sy;
    } cases[] = {
        {0, 1.0f, 1.0f},         {3, 1.0625f, 0.9375f}, {35, 55.0f / 32, 9.0f / 32}, {36, 56.0f / 32, 0.25f},
        {59, 71.0f / 32, 0.25f}, {60, 2.25f, 0.25f},    {100000, 2.25f, 0.25f},
    };
    for (const auto& c : cases) {
        float sx = 0;
        float sy = 0;
        LevelDown::crushScale(c.ticks, &sx, &sy);
        EXPECT_EQ(sx, c.sx) << c.ticks;
        EXPECT_EQ(sy, c.sy) << c.ticks;
    }
}

TEST_F(DownFixture, FallingOutAtTheBottomEndsTheGameWithNormalsFall) {
    isolate(-480, -31, -6);
    driver.tick(*level);
    EXPECT_EQ(level->getState(), GameSceneBase::kStateGameOver);
    EXPECT_EQ(level->getLossCause(), LevelDown::kFellOut);
    EXPECT_EQ(driver.core.sounds, std::vector<int>{0});
    const float vy = level->getHeroVy();
    const int scroll = level->getScroll();
    driver.tick(*level);
    EXPECT_EQ(level->getScroll(), scroll + static_cast<int>(vy * kThird));
    EXPECT_EQ(level->getHeroY(), static_cast<float>(level->getScroll() - 64));
    driver.run(*level, 400);
    EXPECT_EQ(driver.view.gameOvers.size(), 1u);
}

TEST_F(DownFixture, PlatformsLeaveAtTheTopAndGapsWidenWithDistance) {
    // 60000 scrolled: this tick's step is 10, and a platform goes once (y - 8) - scroll > 640.
    isolate(-60000, 300, 0);
    level->setPlatform(3, 100, -60010 + 649, VerticalLevel::kPlatform);
    level->setPlatform(4, 100, -60010 + 648, VerticalLevel::kPlatform);
    driver.tick(*level);
    ASSERT_EQ(level->getScroll(), -60010);
    auto heights = usedHeights(*level);
    EXPECT_EQ(std::count(heights.begin(), heights.end(), -60010 + 649), 0);
    EXPECT_EQ(std::count(heights.begin(), heights.end(), -60010 + 648), 1);

    // The first free slot takes the next platform; this far down every gap is in [230, 460).
    level->clearPlatforms();
    const int from = level->getNextPlatformY();
    while (level->generatePlatform()) {
    }
    EXPECT_EQ(level->platformY(0), from);
    heights = usedHeights(*level);
    ASSERT_EQ(heights.size(), static_cast<size_t>(VerticalLevel::kPlatformSlots));
    for (size_t i = 1; i < heights.size(); ++i) {
        EXPECT_GE(heights[i - 1] - heights[i], 230);
        EXPECT_LT(heights[i - 1] - heights[i], 460);
    }
}

TEST_F(DownFixture, ScrollStopsAtTheWorldsBottomInsteadOfOverflowing) {
    const int floor = std::numeric_limits<int>::min() / 2;
    isolate(floor + 5, 300, 0);
    EXPECT_EQ(level->scrollStep(), 5);
    driver.tick(*level);
    EXPECT_EQ(level->getScroll(), floor);
    EXPECT_EQ(level->scrollStep(), 0);
    driver.run(*level, 3);
    EXPECT_EQ(level->getScroll(), floor);
}

namespace {

// Everything that makes up one moment of a game, floats by their bits; the state and score first.
using Moment = std::vector<int64_t>;

Moment moment(const LevelDown& level) {
    Moment m{level.getState(), level.getScore(), level.getScroll(), level.getNextPlatformY(),
             level.getLossCause()};
    for (float v : {level.getHeroX(), level.getHeroY(), level.getHeroVx(), level.getHeroVy()}) {
        m.push_back(std::bit_cast<uint32_t>(v));
    }
    for (int i = 0; i < VerticalLevel::kPlatformSlots; ++i) {
        m.insert(m.end(), {level.platformX(i), level.platformY(i), level.platformKind(i)});
    }
    return m;
}

// One whole game from `seed` with a wandering tilt drawn from `tiltSeed`, until well past its report.
std::vector<Moment> playGame(uint64_t seed, uint32_t tiltSeed, std::vector<int>* gameOvers) {
    GLTestContext gl{320, 480};
    testsupport::LevelDriver driver(seed, 27, "Level: Down");
    auto level = makeRef<LevelDown>(driver.context());
    std::mt19937 tilts(tiltSeed);
    std::uniform_real_distribution<double> change(-0.3, 0.3);
    double tilt = 0;
    std::vector<Moment> moments;
    for (int t = 0; t < 30000 && level->getState() != GameSceneBase::kStateGameOver; ++t) {
        tilt = std::clamp(tilt + change(tilts), -1.0, 1.0);
        driver.tick(*level, tilt);
        if (level->getState() == GameSceneBase::kStatePlaying) {
            EXPECT_EQ(level->getScore(), -480 - level->getScroll());
        }
        if (t % 50 == 0) moments.push_back(moment(*level));
    }
    driver.render(*level);
    driver.run(*level, 300);
    moments.push_back(moment(*level));
    *gameOvers = driver.view.gameOvers;
    return moments;
}

}  // namespace

TEST(LevelDownGameTest, AWholeGameEndsInOneReportAndReplaysFromItsSeed) {
    std::vector<int> firstOvers;
    std::vector<int> secondOvers;
    const auto first = playGame(99, 5, &firstOvers);
    const auto second = playGame(99, 5, &secondOvers);
    ASSERT_EQ(first.back()[0], GameSceneBase::kStateGameOver);
    ASSERT_EQ(firstOvers.size(), 1u);
    EXPECT_EQ(firstOvers.front(), first.back()[1]);
    EXPECT_GT(first.back()[1], 0);
    EXPECT_EQ(first, second);
    EXPECT_EQ(firstOvers, secondOvers);

    std::vector<int> otherOvers;
    const auto other = playGame(100, 5, &otherOvers);
    EXPECT_NE(first.front(), other.front());
}

namespace {

using Px = std::array<uint8_t, 4>;
const Px kBlack{0, 0, 0, 255};
const Px kRed{255, 0, 0, 255};
const Px kWhite{255, 255, 255, 255};

}  // namespace

TEST_F(DownFixture, DrawsTheCeilingAndTheFlattenedHeroUntilAFallHidesIt) {
    ASSERT_TRUE(gl.ok()) << gl.error();
    auto hero = solidTexture(255, 0, 0);
    auto ceiling = solidTexture(255, 255, 255);
    driver.core.textures[1] = hero.get();
    driver.core.textures[10] = ceiling.get();
    gl.clear(0, 0, 0, 1);
    driver.render(*level);
    // The ceiling centred on (160, 6); the hero at world (320, -200): feet 480 - 248 x 3 / 4 = 294.
    EXPECT_EQ(gl.pixel(160, 6), kWhite);
    EXPECT_EQ(gl.pixel(160, 11), kBlack);
    EXPECT_EQ(gl.pixel(160, 290), kRed);
    EXPECT_EQ(gl.pixel(160, 294), kBlack);

    isolate(-480, 621, -6);
    level->setPlatform(0, 320, -480 + 620 - 32, VerticalLevel::kPlatform);
    driver.tick(*level);
    ASSERT_EQ(level->getLossCause(), LevelDown::kCrushed);
    driver.run(*level, 60);
    gl.clear(0, 0, 0, 1);
    driver.render(*level);
    EXPECT_EQ(gl.pixel(160, 6), kWhite);
    // 8 x 8 drawn 18 wide and 2 high, its bottom at toScreenY((int)(y - 32 + 12)).
    const int bottom = level->toScreenY(static_cast<int>(level->getHeroY() - 32 + 12));
    EXPECT_EQ(gl.pixel(152, bottom - 1), kRed);
    EXPECT_EQ(gl.pixel(167, bottom - 2), kRed);
    EXPECT_EQ(gl.pixel(150, bottom - 1), kBlack);
    EXPECT_EQ(gl.pixel(160, bottom - 3), kBlack);

    level = makeRef<ProbedDown>(driver.context());
    isolate(-480, -31, -6);
    driver.tick(*level);
    ASSERT_EQ(level->getLossCause(), LevelDown::kFellOut);
    gl.clear(0, 0, 0, 1);
    driver.render(*level);
    EXPECT_EQ(gl.pixel(160, 6), kBlack);
}

TEST_F(DownFixture, LandingsFarBelowAHundredThousandStillCatchTheHero) {
    // Far down every platform's surface is below -100000: the highest one under the hero wins.
    for (const int scroll : {-100000, -2000000, -4000000}) {
        SCOPED_TRACE(scroll);
        level = makeRef<ProbedDown>(driver.context());
        isolate(scroll, 300.5f, -3);
        level->setPlatform(0, 320, scroll + 268, VerticalLevel::kPlatform);
        level->setPlatform(1, 320, scroll + 200, VerticalLevel::kPlatform);
        driver.tick(*level);
        ASSERT_EQ(level->getState(), GameSceneBase::kStatePlaying);
        EXPECT_EQ(driver.core.sounds, std::vector<int>{1});
        EXPECT_EQ(level->getHeroVy(), 10.0f + kGravity);
        EXPECT_EQ(level->getHeroY(), static_cast<float>(scroll + 300) + 10.0f * kThird);
    }
}

TEST_F(DownFixture, TheBackgroundFollowsANegativeScrollAtHalfSpeed) {
    ASSERT_TRUE(gl.ok()) << gl.error();
    level->clearPlatforms();
    using Rows = std::vector<int>;
    // Going down moves the rows up at half the speed: at the start (-480) they stand at 80, 240
    // and 400; 20 further down, 10 higher; at -20100 (10050 up, 130 past a whole tile step), at 30.
    EXPECT_EQ(leveltest::backgroundRows(gl, driver, *level, -480), (Rows{80, 240, 400}));
    EXPECT_EQ(leveltest::backgroundRows(gl, driver, *level, -500), (Rows{70, 230, 390}));
    EXPECT_EQ(leveltest::backgroundRows(gl, driver, *level, -20100), (Rows{30, 190, 350}));
}
