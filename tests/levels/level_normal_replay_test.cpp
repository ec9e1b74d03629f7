#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <memory>
#include <vector>

#include "LevelTestKit.h"
#include "ProbedLevel.h"
#include "appbase/JTCanvas.h"
#include "appbase/Texture2D.h"

using JTApp::GameSceneBase;
using JTApp::VerticalLevel;
using JTCore::makeRef;
using JTCore::Ref;
using namespace leveltest;
using leveltest::solidTexture;

namespace {

// Heights of the used platforms, lowest first.
std::vector<int> platformHeights(const VerticalLevel& level) {
    std::vector<int> heights;
    for (int i = 0; i < VerticalLevel::kPlatformSlots; ++i) {
        if (level.platformKind(i) != VerticalLevel::kFree) heights.push_back(level.platformY(i));
    }
    std::sort(heights.begin(), heights.end());
    return heights;
}

// Everything that makes up one moment of a game, bit for bit.
struct Snapshot {
    int state;
    int score;
    int scroll;
    int top;
    uint32_t x, y, vx, vy;
    std::vector<int> platforms;  // x, y, kind per slot
    bool operator==(const Snapshot&) const = default;
};

Snapshot snapshot(const VerticalLevel& level) {
    Snapshot s{level.getState(),
               level.getScore(),
               level.getScroll(),
               level.getTop(),
               std::bit_cast<uint32_t>(level.getHeroX()),
               std::bit_cast<uint32_t>(level.getHeroY()),
               std::bit_cast<uint32_t>(level.getHeroVx()),
               std::bit_cast<uint32_t>(level.getHeroVy()),
               {}};
    for (int i = 0; i < VerticalLevel::kPlatformSlots; ++i) {
        s.platforms.insert(s.platforms.end(),
                           {level.platformX(i), level.platformY(i), level.platformKind(i)});
    }
    return s;
}

struct Recording {
    std::vector<double> tilts;
    std::vector<Snapshot> moments;  // every 100 ticks and at the end
};

// Plays one game from `seed`: the autopilot's tilts when `tilts` is empty, else exactly these.
Recording playGame(uint64_t seed, const std::vector<double>& tilts, int maxTicks) {
    GLTestContext gl{320, 480};
    testsupport::LevelDriver driver(seed);
    auto level = makeRef<JTApp::LevelNormal>(driver.context());
    Recording out;
    for (int t = 0; t < maxTicks && level->getState() != GameSceneBase::kStateGameOver; ++t) {
        double tilt = tilts.empty() ? testsupport::LevelDriver::autopilotTilt(*level) : tilts.at(t);
        // Something off the plain autopilot too, so the replay covers uneven input.
        if (tilts.empty() && t % 97 == 0) tilt = -tilt * 1.7;
        out.tilts.push_back(tilt);
        driver.tick(*level, tilt);
        if (t % 100 == 0) out.moments.push_back(snapshot(*level));
    }
    driver.run(*level, 200);  // into the game-over report when he fell
    out.moments.push_back(snapshot(*level));
    return out;
}

}  // namespace

TEST(LevelNormalReplayTest, SameSeedAndTiltsReplayTheSameGame) {
    const Recording first = playGame(12345, {}, 6000);
    ASSERT_GT(first.moments.back().score, 500) << "the game should climb for the replay to mean something";
    const Recording second = playGame(12345, first.tilts, static_cast<int>(first.tilts.size()));
    ASSERT_EQ(first.moments.size(), second.moments.size());
    for (size_t i = 0; i < first.moments.size(); ++i) {
        ASSERT_TRUE(first.moments[i] == second.moments[i]) << "diverged at moment " << i;
    }
}

TEST(LevelNormalReplayTest, DifferentSeedsLayOutDifferentPlatforms) {
    GLTestContext gl{320, 480};
    std::vector<std::vector<int>> layouts;
    for (uint64_t seed : {1u, 2u, 3u}) {
        testsupport::LevelDriver driver(seed);
        auto level = makeRef<JTApp::LevelNormal>(driver.context());
        std::vector<int> xs;
        for (int i = 0; i < VerticalLevel::kPlatformSlots; ++i) xs.push_back(level->platformX(i));
        layouts.push_back(xs);
    }
    EXPECT_NE(layouts[0], layouts[1]);
    EXPECT_NE(layouts[1], layouts[2]);
    EXPECT_NE(layouts[0], layouts[2]);
}

TEST_F(LevelFixture, GeneratorFillsAtMost32SlotsAndStops648AboveTheScroll) {
    isolate(320, 10300, 0, 0);
    level->setScroll(10000);
    driver.tick(*level);
    // The old platforms are all below the new scroll; far too few slots to reach the screen top.
    EXPECT_EQ(level->usedPlatformCount(), VerticalLevel::kPlatformSlots);
    EXPECT_LT(level->getTop() - 8 - level->getScroll(), 640);
    for (int t = 0; t < 40 && level->getTop() - 8 - level->getScroll() <= 640; ++t) {
        level->setHero(320, 10300, 0, 0);
        driver.tick(*level);
        EXPECT_LE(level->usedPlatformCount(), VerticalLevel::kPlatformSlots);
    }
    EXPECT_GT(level->getTop() - 8 - level->getScroll(), 640);
    // Once enough stand above, a tick adds nothing (the first one frees those left below).
    level->setHero(320, 10300, 0, 0);
    driver.tick(*level);
    const auto before = platformHeights(*level);
    EXPECT_GE(before.front(), level->getScroll());
    level->setHero(320, 10300, 0, 0);
    driver.tick(*level);
    EXPECT_EQ(platformHeights(*level), before);
}

TEST_F(LevelFixture, GapsWidenWithDifficultyButStayWithinAJump) {
    isolate(320, 50300, 0, 0);
    level->setScroll(50000);
    level->setTop(50000);
    driver.tick(*level);
    const auto heights = platformHeights(*level);
    ASSERT_GT(heights.size(), 3u);
    const float s = level->jumpSpeed(50000 + 32);  // 14 up here
    const int reach = static_cast<int>(s * (s + kThird) * 0.5f);
    for (size_t i = 1; i < heights.size(); ++i) {
        const int gap = heights[i] - heights[i - 1];
        EXPECT_GT(gap, 30) << "difficulty 49400 must widen every gap";
        EXPECT_LE(gap, reach);
    }
}

TEST_F(LevelFixture, GeneratorStaysSoundAtExtremeHeights) {
    // Difficulty x percent overflows 32 bits up here; the sanitizer build proves it no longer does.
    isolate(320, 2'000'000'300.0f, 0, 0);
    level->setScroll(2'000'000'000);
    level->setTop(2'000'000'000);
    driver.tick(*level);
    const auto heights = platformHeights(*level);
    ASSERT_EQ(heights.size(), static_cast<size_t>(VerticalLevel::kPlatformSlots));
    // At the floor speed 4 a jump rises (int)(4 x 4.33 / 2) = 8: the gap can be nothing else.
    for (size_t i = 1; i < heights.size(); ++i) EXPECT_EQ(heights[i] - heights[i - 1], 8);
}

TEST_F(LevelFixture, RendersEveryStateWithAndWithoutTextures) {
    // Without textures nothing is drawn but nothing breaks either.
    driver.render(*level);
    play();
    driver.run(*level, 200);  // bouncing on the start platform
    ASSERT_EQ(level->getState(), GameSceneBase::kStatePlaying);
    driver.render(*level);
    level->clearPlatforms();
    level->setHero(320, 300, 0, -60);
    driver.run(*level, 30);
    ASSERT_EQ(level->getState(), GameSceneBase::kStateGameOver);
    driver.render(*level);
    EXPECT_GT(driver.context()->getCanvas()->stateChanges(), 0);
}

TEST_F(LevelFixture, DrawsBackgroundPlatformsAndHeroWhereTheWorldPutsThem) {
    ASSERT_TRUE(gl.ok()) << gl.error();
    auto hero = solidTexture(255, 0, 0);
    auto platform = solidTexture(0, 255, 0);
    auto tile = solidTexture(0, 0, 255);
    driver.core.textures[1] = hero.get();
    driver.core.textures[4] = platform.get();
    driver.core.textures[14] = tile.get();
    gl.clear(0, 0, 0, 1);
    driver.render(*level);
    using Px = std::array<uint8_t, 4>;
    // Hero at world (320, 100): bottom centre at screen (160, 480 - 68 x 480 / 640 = 429).
    EXPECT_EQ(gl.pixel(160, 425), (Px{255, 0, 0, 255}));
    EXPECT_EQ(gl.pixel(160, 429), (Px{0, 0, 0, 255}));
    // Start platform at world (320, 60): centred on screen (160, 435).
    EXPECT_EQ(gl.pixel(160, 435), (Px{0, 255, 0, 255}));
    // Background tiles every 160 points from the top-left corner while the scroll is 0.
    EXPECT_EQ(gl.pixel(2, 2), (Px{0, 0, 255, 255}));
    EXPECT_EQ(gl.pixel(162, 322), (Px{0, 0, 255, 255}));
    EXPECT_EQ(gl.pixel(100, 100), (Px{0, 0, 0, 255}));
}

TEST_F(LevelFixture, TheBackgroundMovesAtHalfTheScrollAndRepeatsEvery160) {
    ASSERT_TRUE(gl.ok()) << gl.error();
    using Rows = std::vector<int>;
    // Climbing 100 brings the rows down 50; 400, down 200 (40 past a whole tile step); 321, 160.
    EXPECT_EQ(leveltest::backgroundRows(gl, driver, *level, 100), (Rows{50, 210, 370}));
    EXPECT_EQ(leveltest::backgroundRows(gl, driver, *level, 400), (Rows{40, 200, 360}));
    EXPECT_EQ(leveltest::backgroundRows(gl, driver, *level, 321), (Rows{0, 160, 320}));
}
