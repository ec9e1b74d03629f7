#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <deque>
#include <limits>
#include <memory>
#include <utility>
#include <vector>

#include "LevelTestKit.h"
#include "appbase/JTRandom.h"
#include "appbase/Texture2D.h"
#include "levels/LevelFall.h"
#include "support/GLTestContext.h"
#include "support/LevelDriver.h"

using JTApp::GameSceneBase;
using JTApp::LevelFall;
using JTApp::VerticalLevel;
using JTCore::makeRef;
using JTCore::Ref;
using leveltest::climbTilt;
using leveltest::ScriptedRandom;

namespace {

const float kThird = std::bit_cast<float>(0x3EAAAAABu);
const float kGravity = std::bit_cast<float>(0xBEAAAAABu);
const float kFallAcceleration = std::bit_cast<float>(0xBF2AAAABu);

// Level Fall with its world opened up; every landing is recorded with the platform's kind then.
class ProbedFall : public LevelFall {
  public:
    using LevelFall::LevelFall;
    using VerticalLevel::clearPlatforms;
    using VerticalLevel::setHero;
    using VerticalLevel::setPlatform;
    using VerticalLevel::setScroll;
    using VerticalLevel::setTop;

    std::vector<std::pair<int, int>> landings;  // slot, kind before the landing

  protected:
    void landOn(int slot) override {
        landings.emplace_back(slot, platformKind(slot));
        LevelFall::landOn(slot);
    }
};

struct FallFixture : leveltest::LevelTest<ProbedFall> {
    FallFixture() : LevelTest(7, 21, "Level: Fall") {}
    void isolate(float x, float y, float vx, float vy) {
        play();
        level->clearPlatforms();
        level->setHero(x, y, vx, vy);
        driver.core.sounds.clear();
    }
};

bool landable(int kind) {
    return kind == VerticalLevel::kPlatform || kind == VerticalLevel::kSpringPlatform;
}

// A player that keeps climbing, aiming only at platforms that can still be landed on.
double autopilot(const VerticalLevel& level) {
    return climbTilt(level, landable);
}

}  // namespace

TEST_F(FallFixture, StartsAboveThreePlatformsAndGeneratesWiderGapsFromTheBeginning) {
    EXPECT_EQ(level->getState(), GameSceneBase::kStateIntro);
    EXPECT_EQ(level->getHeroX(), 320.0f);
    EXPECT_EQ(level->getHeroY(), 200.0f);
    EXPECT_EQ(level->getHeroVy(), -10.0f);
    const int startY[] = {160, 110, 60};
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(level->platformX(i), 320);
        EXPECT_EQ(level->platformY(i), startY[i]);
        EXPECT_EQ(level->platformKind(i), VerticalLevel::kPlatform);
    }
    // The difficulty is 5106 at height 160 already: a gap is at least 58, never Normal's 30, and
    // never beyond the 203 a jump of speed 20 reaches.
    int previous = 160;
    int slot = 3;
    for (; slot < VerticalLevel::kPlatformSlots && level->platformKind(slot) != VerticalLevel::kFree;
         ++slot) {
        EXPECT_EQ(level->platformKind(slot), VerticalLevel::kPlatform) << "no springs this low";
        EXPECT_GE(level->platformY(slot) - previous, 58);
        EXPECT_LE(level->platformY(slot) - previous, 203);
        previous = level->platformY(slot);
    }
    EXPECT_EQ(level->getTop(), previous);
    EXPECT_GT(previous - 8, 640);
    EXPECT_EQ(level->usedPlatformCount(), slot);
    EXPECT_EQ(level->getGameOverDelay(), 150);
    EXPECT_EQ(driver.view.pauseBtn.x, -27);
}

TEST_F(FallFixture, FirstLandingIsOnTheHighestStartPlatformWhichThenFallsAway) {
    play();
    int ticks = 0;
    while (driver.core.sounds.empty() && ticks < 10) {
        driver.tick(*level);
        ++ticks;
    }
    // 200 -> 196.67 -> 193.22, and the third move would take him below 192.
    EXPECT_EQ(ticks, 3);
    EXPECT_EQ(driver.core.sounds, std::vector<int>{1});
    ASSERT_EQ(level->landings, (std::vector<std::pair<int, int>>{{0, VerticalLevel::kPlatform}}));
    EXPECT_EQ(level->getHeroY(), 192.0f + 20.0f * kThird);
    EXPECT_EQ(level->getHeroVy(), 20.0f + kGravity);
    EXPECT_EQ(level->platformKind(0), LevelFall::kFallingPlatform);
    EXPECT_EQ(level->platformFallSpeed(0), kFallAcceleration);
    EXPECT_EQ(level->platformY(0), 159);  // 160 - 0.22, truncated
    // Up and down again: the platform has gone from under him, so he drops onto the next one.
    while (level->landings.size() < 2 && level->getState() == GameSceneBase::kStatePlaying)
        driver.tick(*level);
    ASSERT_EQ(level->landings.size(), 2u);
    EXPECT_EQ(level->landings[1], (std::pair<int, int>{1, VerticalLevel::kPlatform}));
}

TEST_F(FallFixture, OnlyStandingPlatformsCanBeLandedOnAndSpringsThrowTwiceAsHigh) {
    struct Case {
        int kind;
        bool lands;
        int becomes;
        float vy;
    };
    const Case cases[] = {
        {VerticalLevel::kPlatform, true, LevelFall::kFallingPlatform, 20},
        {VerticalLevel::kSpringPlatform, true, LevelFall::kFallingSpringPlatform, 40},
        {LevelFall::kFallingPlatform, false, LevelFall::kFallingPlatform, -3},
        {LevelFall::kFallingSpringPlatform, false, LevelFall::kFallingSpringPlatform, -3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.kind);
        level = makeRef<ProbedFall>(driver.context());
        isolate(300, 232.5f, 0, -3);
        level->setPlatform(4, 300, 200, c.kind);
        driver.tick(*level);
        EXPECT_EQ(level->landings.size(), c.lands ? 1u : 0u);
        EXPECT_EQ(driver.core.sounds, c.lands ? std::vector<int>{1} : std::vector<int>{});
        EXPECT_EQ(level->platformKind(4), c.becomes);
        EXPECT_EQ(level->getHeroVy(), c.vy + kGravity);
    }

    // Far up the jump speed has reached its floor of 4: a spring still doubles it.
    for (const auto& [kind, vy] :
         {std::pair{VerticalLevel::kPlatform, 4.0f}, {VerticalLevel::kSpringPlatform, 8.0f}}) {
        level = makeRef<ProbedFall>(driver.context());
        isolate(300, 200032.5f, 0, -3);
        level->setScroll(199800);
        level->setPlatform(0, 300, 200000, kind);
        driver.tick(*level);
        ASSERT_EQ(level->landings.size(), 1u);
        EXPECT_EQ(level->getHeroVy(), vy + kGravity);
    }
}

TEST_F(FallFixture, DifficultyStartsAt5000AndGrowsByTwoThirdsOfTheHeight) {
    EXPECT_EQ(level->getDifficulty(0), 5000);
    EXPECT_EQ(level->getDifficulty(4), 5002);
    EXPECT_EQ(level->getDifficulty(-4), 4998);  // toward zero
    EXPECT_EQ(level->jumpSpeed(4787), 20.0f);
    EXPECT_EQ(level->jumpSpeed(4788), 19.0f);
    EXPECT_EQ(level->jumpSpeed(189107), 5.0f);
    EXPECT_EQ(level->jumpSpeed(189108), 4.0f);
    // Twice these heights does not fit an int; the sanitizer build proves nothing overflows.
    EXPECT_EQ(level->getDifficulty(std::numeric_limits<int>::max()), 1431655764 + 5000);
    EXPECT_EQ(level->getDifficulty(std::numeric_limits<int>::min()), -1431655765 + 5000);
    EXPECT_EQ(level->jumpSpeed(std::numeric_limits<int>::max()), 4.0f);
}

TEST_F(FallFixture, FallingPlatformsAccelerateAndAreFreedBelowTheScreen) {
    isolate(320, 300, 0, 0);
    level->setScroll(100);
    level->setPlatform(0, 100, 1000, LevelFall::kFallingPlatform);
    level->setPlatform(1, 500, 104, LevelFall::kFallingSpringPlatform);
    level->setPlatform(2, 300, 101, VerticalLevel::kPlatform);  // standing: stays put
    const int expected[] = {999, 998, 997, 996, 994, 992, 990};
    float speed = 0;
    for (int y : expected) {
        level->setHero(320, 300, 0, 0);
        driver.tick(*level);
        speed += kFallAcceleration;
        EXPECT_EQ(level->platformY(0), y);
        EXPECT_EQ(level->platformFallSpeed(0), speed);
    }
    EXPECT_EQ(level->platformKind(0), LevelFall::kFallingPlatform);
    // 104 -> 103, 102, 101, 100, 98: below the scroll line, the slot is free again.
    EXPECT_EQ(level->platformKind(1), VerticalLevel::kFree);
    EXPECT_EQ(level->platformKind(2), VerticalLevel::kPlatform);
    EXPECT_EQ(level->platformY(2), 101);
}

TEST_F(FallFixture, SpringPlatformsAppearOnlyAbove1000BetweenRegularOnes) {
    play();
    level->clearPlatforms();
    level->setScroll(500);
    level->setTop(900);
    auto scripted = std::make_shared<ScriptedRandom>();
    auto previous = JTAppBase::JTRandom::setCurrent(scripted);

    // At 900 and 960 no spring can come: two draws each (difficulty factor 30 %, x 27).
    // Difficulty 5600 gives k = 1680 and a gap of 203 - 173 x 8192 / 9872 = 60.
    ASSERT_TRUE(level->generatePlatform());
    ASSERT_TRUE(level->generatePlatform());
    EXPECT_EQ(scripted->draws, 4);
    EXPECT_EQ(level->getTop(), 1020);
    EXPECT_EQ(level->platformY(1), 1020);
    EXPECT_EQ(level->platformX(1), 27);
    EXPECT_EQ(level->platformKind(1), VerticalLevel::kPlatform);

    // Past 1000, the draw of 0 out of 16 makes a spring a quarter of the next gap above the top,
    // which stays where it was.
    ASSERT_TRUE(level->generatePlatform());
    EXPECT_EQ(scripted->draws, 8);
    EXPECT_EQ(level->platformKind(2), VerticalLevel::kSpringPlatform);
    EXPECT_EQ(level->platformY(2), 1020 + 60 / 4);
    EXPECT_EQ(level->getTop(), 1020);

    // Any other draw gives the next regular platform, a whole gap up.
    scripted->queue = {1u << 27};  // 16 x 2^27 / 2^31 = 1
    ASSERT_TRUE(level->generatePlatform());
    EXPECT_EQ(level->platformKind(3), VerticalLevel::kPlatform);
    EXPECT_EQ(level->platformY(3), 1080);
    EXPECT_EQ(level->getTop(), 1080);

    // A spring's place is drawn from [gap / 4, gap x 3 / 4).
    scripted->queue = {0, 0, 0, (1u << 31) - 1};
    ASSERT_TRUE(level->generatePlatform());
    EXPECT_EQ(level->platformKind(4), VerticalLevel::kSpringPlatform);
    EXPECT_EQ(level->platformY(4), 1080 + 60 * 3 / 4 - 1);
    JTAppBase::JTRandom::setCurrent(previous);
}

TEST_F(FallFixture, DrawsRegularAndSpringPlatformsWithTheirOwnTextures) {
    ASSERT_TRUE(gl.ok()) << gl.error();
    auto solid = [](uint8_t r, uint8_t g, uint8_t b) {
        std::vector<uint8_t> pixels;
        for (int i = 0; i < 8 * 8; ++i) pixels.insert(pixels.end(), {r, g, b, 255});
        return std::make_unique<Texture2D>(pixels.data(), Texture2D::kRGBA8888, 8, 8, platform::Size{8, 8},
                                           1.0f);
    };
    auto regular = solid(0, 255, 0);
    auto spring = solid(255, 0, 255);
    driver.core.textures[5] = regular.get();
    driver.core.textures[6] = spring.get();
    level->clearPlatforms();
    level->setPlatform(0, 100, 200, VerticalLevel::kPlatform);
    level->setPlatform(1, 300, 200, LevelFall::kFallingPlatform);
    level->setPlatform(2, 500, 200, VerticalLevel::kSpringPlatform);
    level->setPlatform(3, 100, 400, LevelFall::kFallingSpringPlatform);
    gl.clear(0, 0, 0, 1);
    driver.render(*level);
    using Px = std::array<uint8_t, 4>;
    // World y 200 is screen y 480 - 200 x 480 / 640 = 330; y 400 is 180.
    EXPECT_EQ(gl.pixel(50, 330), (Px{0, 255, 0, 255}));
    EXPECT_EQ(gl.pixel(150, 330), (Px{0, 255, 0, 255}));
    EXPECT_EQ(gl.pixel(250, 330), (Px{255, 0, 255, 255}));
    EXPECT_EQ(gl.pixel(50, 180), (Px{255, 0, 255, 255}));
    EXPECT_EQ(gl.pixel(200, 330), (Px{0, 0, 0, 255}));
}

namespace {

struct GameRecord {
    std::vector<int> trace;  // state, score, hero bits and every platform, every 50 ticks
    std::vector<std::pair<int, int>> landings;
    std::vector<int> gameOvers;
    int springsSeen = 0;
    int lowestSpring = std::numeric_limits<int>::max();
};

// One whole game from `seed`: the autopilot climbs for a while, then steers away until he falls.
GameRecord playGame(uint64_t seed) {
    GLTestContext gl{320, 480};
    testsupport::LevelDriver driver(seed, 21, "Level: Fall");
    auto level = makeRef<ProbedFall>(driver.context());
    GameRecord out;
    std::vector<bool> counted(VerticalLevel::kPlatformSlots, false);
    for (int t = 0; t < 30000 && level->getState() != GameSceneBase::kStateGameOver; ++t) {
        const double tilt = autopilot(*level);
        driver.tick(*level, t < 8000 ? tilt : -tilt);
        for (int i = 0; i < VerticalLevel::kPlatformSlots; ++i) {
            const bool spring = level->platformKind(i) == VerticalLevel::kSpringPlatform;
            if (spring && !counted[i]) {
                ++out.springsSeen;
                out.lowestSpring = std::min(out.lowestSpring, level->platformY(i));
            }
            counted[i] = spring;
        }
        if (t % 50 == 0) {
            out.trace.insert(out.trace.end(),
                             {level->getState(), level->getScore(), std::bit_cast<int>(level->getHeroX()),
                              std::bit_cast<int>(level->getHeroY())});
            for (int i = 0; i < VerticalLevel::kPlatformSlots; ++i) {
                out.trace.insert(out.trace.end(), {level->platformY(i), level->platformKind(i)});
            }
        }
    }
    EXPECT_EQ(level->getState(), GameSceneBase::kStateGameOver);
    const int score = level->getScore();
    driver.run(*level, 400);
    out.gameOvers = driver.view.gameOvers;
    EXPECT_EQ(out.gameOvers, std::vector<int>{score});
    out.landings = level->landings;
    return out;
}

}  // namespace

TEST(LevelFallGame, AWholeGameClimbsPastSpringsAndEndsInOneGameOver) {
    const GameRecord game = playGame(2024);
    ASSERT_EQ(game.gameOvers.size(), 1u);
    EXPECT_GT(game.gameOvers[0], 3000) << "the autopilot should climb well into the springs";
    EXPECT_GT(game.springsSeen, 0);
    EXPECT_GT(game.lowestSpring, 1000);
    const auto springLandings = std::count_if(game.landings.begin(), game.landings.end(), [](const auto& l) {
        return l.second == VerticalLevel::kSpringPlatform;
    });
    EXPECT_GT(springLandings, 0);
}

TEST(LevelFallGame, TheSameSeedPlaysTheSameGame) {
    const GameRecord a = playGame(99);
    const GameRecord b = playGame(99);
    const GameRecord c = playGame(100);
    EXPECT_EQ(a.trace, b.trace);
    EXPECT_EQ(a.landings, b.landings);
    EXPECT_EQ(a.gameOvers, b.gameOvers);
    EXPECT_NE(a.trace, c.trace);
}
