#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <deque>
#include <memory>
#include <utility>
#include <vector>

#include "LevelTestKit.h"
#include "appbase/JTRandom.h"
#include "appbase/Texture2D.h"
#include "levels/FallingPlatforms.h"
#include "levels/LevelFallEnemy2.h"
#include "levels/LevelFallEnemy2_EnemyA.h"
#include "levels/LevelFallEnemy2_EnemyB.h"
#include "levels/LevelFallEnemy2_EnemyC.h"
#include "levels/LevelFallEnemy2_Hamburger.h"
#include "levels/LevelFallEnemy2_Tama.h"
#include "levels/LevelFallEnemy2_Toge.h"
#include "support/GLTestContext.h"
#include "support/LevelDriver.h"

using JTApp::GameSceneBase;
using JTApp::LevelEnemy2;
using JTApp::LevelFallEnemy2;
using JTApp::TaskBase;
using JTApp::VerticalLevel;
using JTCore::makeRef;
using JTCore::Ref;
namespace Falling = JTApp::FallingPlatforms;
using leveltest::activeCount;
using leveltest::climbTilt;
using leveltest::count;
using leveltest::ScriptedRandom;

namespace {

const float kFallAcceleration = std::bit_cast<float>(0xBF2AAAABu);
const float kGravity = std::bit_cast<float>(0xBEAAAAABu);
constexpr int kId = 30;
constexpr const char* kName = "Level: Fall+Enemy2";

// Level Fall+Enemy2 with its world opened up; every landing is recorded with the platform's kind
// then.
class ProbedFallEnemy2 : public LevelFallEnemy2 {
  public:
    using LevelEnemy2::setNextEnemyY;
    using LevelEnemy2::setNextHamburgerY;
    using LevelFallEnemy2::LevelFallEnemy2;
    using VerticalLevel::clearPlatforms;
    using VerticalLevel::setHero;
    using VerticalLevel::setPlatform;
    using VerticalLevel::setScroll;
    using VerticalLevel::setTop;

    std::vector<std::pair<int, int>> landings;  // slot, kind before the landing

  protected:
    void landOn(int slot) override {
        landings.emplace_back(slot, platformKind(slot));
        LevelFallEnemy2::landOn(slot);
    }
};

// Level Enemy2 as it is, to hold this level's foes against.
class ProbedEnemy2 : public LevelEnemy2 {
  public:
    using LevelEnemy2::LevelEnemy2;
    using LevelEnemy2::setNextEnemyY;
    using VerticalLevel::setHero;
    using VerticalLevel::setScroll;
    using VerticalLevel::setTop;
};

struct FallEnemy2Fixture : leveltest::LevelTest<ProbedFallEnemy2> {
    FallEnemy2Fixture() : LevelTest(7, kId, kName) {}
    // Playing, the hero alone at (x, y) on a screen scrolled to `scroll`, no platform, foe or
    // hamburger due.
    void isolate(float x, float y, float vy, int scroll) {
        play();
        level->clearPlatforms();
        level->setScroll(scroll);
        level->setTop(scroll + 700);
        level->setNextEnemyY(1 << 30);
        level->setNextHamburgerY(1 << 30);
        level->setHero(x, y, 0, vy);
        driver.core.sounds.clear();
    }
};

}  // namespace

TEST_F(FallEnemy2Fixture, StartsAboveAColumnOfThreeWithLevelEnemy2sCastAndDifficulty) {
    EXPECT_EQ(level->getState(), GameSceneBase::kStateIntro);
    EXPECT_EQ(level->getHeroX(), 320.0f);
    EXPECT_EQ(level->getHeroY(), 100.0f);
    EXPECT_EQ(level->getHeroVy(), -10.0f);
    const int startY[] = {60, 10, -40};
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(level->platformX(i), 320);
        EXPECT_EQ(level->platformY(i), startY[i]);
        EXPECT_EQ(level->platformKind(i), VerticalLevel::kPlatform);
    }
    for (int i = 3; i < level->usedPlatformCount(); ++i)
        EXPECT_EQ(level->platformKind(i), VerticalLevel::kPlatform) << "no springs this low";
    EXPECT_GT(level->getTop() - 8, 640);
    // Level Enemy2's difficulty, without Level Fall's offset, and its narrower wrap.
    EXPECT_EQ(level->getDifficulty(0), 0);
    EXPECT_EQ(level->getDifficulty(301), 200);
    EXPECT_EQ(level->rules().wrapMargin, 16);
    EXPECT_EQ(level->getFire(), 3);
    EXPECT_EQ(level->getNextHamburgerY(), 1000);
    // Every pool full of this level's own actors.
    struct Pool {
        Ref<JTCore::JTArrayList> pool;
        int size;
        bool own;
    };
    const Pool pools[] = {
        {level->getEnemyAPool(), 8,
         level->getEnemyAPool()->getAs<JTApp::LevelFallEnemy2_EnemyA>(7) != nullptr},
        {level->getTamaPool(), 4, level->getTamaPool()->getAs<JTApp::LevelFallEnemy2_Tama>(3) != nullptr},
        {level->getHamburgerPool(), 4,
         level->getHamburgerPool()->getAs<JTApp::LevelFallEnemy2_Hamburger>(3) != nullptr},
        {level->getEnemyBPool(), 8,
         level->getEnemyBPool()->getAs<JTApp::LevelFallEnemy2_EnemyB>(7) != nullptr},
        {level->getEnemyCPool(), 8,
         level->getEnemyCPool()->getAs<JTApp::LevelFallEnemy2_EnemyC>(7) != nullptr},
        {level->getTogePool(), 8, level->getTogePool()->getAs<JTApp::LevelFallEnemy2_Toge>(7) != nullptr},
    };
    for (const Pool& p : pools) {
        EXPECT_EQ(p.pool->size(), p.size);
        EXPECT_TRUE(p.own);
    }
}

TEST_F(FallEnemy2Fixture, TheLowestStartPlatformGoesOnTheFirstTickAndEachOneBouncedOnDropsAway) {
    play();
    EXPECT_EQ(level->platformKind(2), VerticalLevel::kPlatform);  // seen only during the intro
    // Nothing else in the column's way.
    for (int i = 3; i < VerticalLevel::kPlatformSlots; ++i) level->setPlatform(i, 0, 0, VerticalLevel::kFree);
    driver.tick(*level);
    EXPECT_EQ(level->platformKind(2), VerticalLevel::kFree);
    EXPECT_EQ(level->usedPlatformCount(), 2);
    // The first playing tick also brings the first foe, a still one, as in Level Enemy2.
    ASSERT_EQ(activeCount(level->getEnemyBPool()), 1);
    EXPECT_EQ(level->getEnemyBPool()->getAs<JTApp::LevelFallEnemy2_EnemyB>(0)->getY(), 680.0f);

    while (level->landings.empty()) driver.tick(*level);
    EXPECT_EQ(level->landings[0], (std::pair<int, int>{0, VerticalLevel::kPlatform}));
    EXPECT_EQ(level->getHeroVy(), 20.0f + kGravity);
    EXPECT_EQ(level->platformKind(0), Falling::kFallingPlatform);
    // Up and down again: the platform has gone from under him, so he drops onto the one at 10.
    while (level->landings.size() < 2 && level->getState() == GameSceneBase::kStatePlaying)
        driver.tick(*level);
    ASSERT_EQ(level->landings.size(), 2u);
    EXPECT_EQ(level->landings[1], (std::pair<int, int>{1, VerticalLevel::kPlatform}));
    EXPECT_EQ(level->platformKind(0), VerticalLevel::kFree);
    EXPECT_EQ(driver.core.sounds, (std::vector<int>{1, 1}));
}

TEST_F(FallEnemy2Fixture, OnlyStandingPlatformsCanBeLandedOnAndSpringsThrowTwiceAsHigh) {
    struct Case {
        int kind;
        int scroll;  // the landing is 232.5 above it
        bool lands;
        int becomes;
        float vy;
    };
    const Case cases[] = {
        {VerticalLevel::kPlatform, 10000, true, Falling::kFallingPlatform, 20},
        {VerticalLevel::kSpringPlatform, 10000, true, Falling::kFallingSpringPlatform, 40},
        {Falling::kFallingPlatform, 10000, false, Falling::kFallingPlatform, -3},
        {Falling::kFallingSpringPlatform, 10000, false, Falling::kFallingSpringPlatform, -3},
        // Far up the jump speed is at its floor of 4; a spring still doubles it.
        {VerticalLevel::kPlatform, 300000, true, Falling::kFallingPlatform, 4},
        {VerticalLevel::kSpringPlatform, 300000, true, Falling::kFallingSpringPlatform, 8},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.kind << " at " << c.scroll);
        level = makeRef<ProbedFallEnemy2>(driver.context());
        isolate(300, static_cast<float>(c.scroll) + 232.5f, -3, c.scroll);
        level->setPlatform(4, 300, c.scroll + 200, c.kind);
        driver.tick(*level);
        EXPECT_EQ(level->landings.size(), c.lands ? 1u : 0u);
        EXPECT_EQ(driver.core.sounds, c.lands ? std::vector<int>{1} : std::vector<int>{});
        EXPECT_EQ(level->platformKind(4), c.becomes);
        EXPECT_EQ(level->getHeroVy(), c.vy + kGravity);
    }
}

TEST_F(FallEnemy2Fixture, FallingPlatformsAccelerateAndAreFreedBelowTheScreen) {
    isolate(320, 10300, 0, 10000);
    level->setPlatform(0, 100, 10900, Falling::kFallingPlatform);
    level->setPlatform(1, 500, 10004, Falling::kFallingSpringPlatform);
    level->setPlatform(2, 300, 10001, VerticalLevel::kPlatform);  // standing: stays put
    const int expected[] = {10899, 10898, 10897, 10896, 10894, 10892, 10890};
    float speed = 0;
    for (int y : expected) {
        level->setHero(320, 10300, 0, 0);
        driver.tick(*level);
        speed += kFallAcceleration;
        EXPECT_EQ(level->platformY(0), y);
        EXPECT_EQ(level->platformFallSpeed(0), speed);
    }
    // 10004 -> 10003, 10002, 10001, 10000, 9998: below the scroll line, the slot is free again.
    EXPECT_EQ(level->platformKind(1), VerticalLevel::kFree);
    EXPECT_EQ(level->platformKind(2), VerticalLevel::kPlatform);
    EXPECT_EQ(level->platformY(2), 10001);
}

TEST_F(FallEnemy2Fixture, SpringsAppearOnlyAbove1000BetweenRegularPlatforms) {
    play();
    level->clearPlatforms();
    level->setScroll(500);
    level->setTop(900);
    auto scripted = std::make_shared<ScriptedRandom>();
    auto previous = JTAppBase::JTRandom::setCurrent(scripted);

    // At 900 and 934 no spring can come: two draws each (difficulty factor 30 %, x 27). Without
    // Level Fall's offset the difficulty is small: 600 x 30 % gives 203 - 173 x 8192 / 8372 = 34.
    ASSERT_TRUE(level->generatePlatform());
    EXPECT_EQ(level->getTop(), 934);
    ASSERT_TRUE(level->generatePlatform());
    EXPECT_EQ(scripted->draws, 4);
    EXPECT_EQ(level->getTop(), 968);
    EXPECT_EQ(level->platformX(1), 27);
    level->setTop(1001);
    ASSERT_TRUE(level->generatePlatform());
    EXPECT_EQ(scripted->draws, 8);
    // A draw of 0 out of 16 past 1000: a spring a quarter of the gap of 35 above the top, which
    // stays where it was.
    EXPECT_EQ(level->platformKind(2), VerticalLevel::kSpringPlatform);
    EXPECT_EQ(level->platformY(2), 1001 + 35 / 4);
    EXPECT_EQ(level->getTop(), 1001);
    // Any other draw gives the next regular platform, a whole gap up.
    scripted->queue = {1u << 27};  // 16 x 2^27 / 2^31 = 1
    ASSERT_TRUE(level->generatePlatform());
    EXPECT_EQ(level->platformKind(3), VerticalLevel::kPlatform);
    EXPECT_EQ(level->platformY(3), 1036);
    EXPECT_EQ(level->getTop(), 1036);
    JTAppBase::JTRandom::setCurrent(previous);
}

TEST_F(FallEnemy2Fixture, SpawnsBringTheSameFoesAsLevelEnemy2AtTheSameHeight) {
    auto enemy2 = makeRef<ProbedEnemy2>(driver.context());
    driver.run(*enemy2, 150);
    play();
    for (int scroll : {1000, 2000, 3000}) {
        for (uint64_t seed = 1; seed <= 8; ++seed) {
            SCOPED_TRACE(testing::Message() << scroll << ", seed " << seed);
            std::vector<float> placed[2];
            for (LevelEnemy2* l :
                 {static_cast<LevelEnemy2*>(enemy2.get()), static_cast<LevelEnemy2*>(level.get())}) {
                for (const auto& pool : {l->getEnemyAPool(), l->getEnemyBPool(), l->getEnemyCPool()})
                    for (int i = 0; i < pool->size(); ++i) pool->getAs<TaskBase>(i)->deactivate();
                l->setHurtTimer(1 << 20);
            }
            auto spawn = [&](auto& l, std::vector<float>& out) {
                l.setScroll(scroll);
                l.setTop(scroll + 700);
                l.setNextEnemyY(scroll);
                l.setHero(320, static_cast<float>(scroll + 300), 0, 0);
                JTAppBase::JTRandom::current().seed(seed);
                driver.tick(l);
                for (const auto& pool : {l.getEnemyAPool(), l.getEnemyBPool(), l.getEnemyCPool()}) {
                    out.push_back(static_cast<float>(activeCount(pool)));
                    auto first = pool->template getAs<JTApp::LevelEnemy2_EnemyBase>(0);
                    out.push_back(first->isActive() ? first->getX() : 0);
                }
                out.push_back(static_cast<float>(l.getNextEnemyY()));
            };
            spawn(*enemy2, placed[0]);
            spawn(*level, placed[1]);
            EXPECT_EQ(placed[0], placed[1]);
        }
    }
}

TEST_F(FallEnemy2Fixture, DrawsRegularAndSpringPlatformsWithTheirOwnTextures) {
    ASSERT_TRUE(gl.ok()) << gl.error();
    auto solid = [](uint8_t r, uint8_t g, uint8_t b) {
        std::vector<uint8_t> pixels;
        for (int i = 0; i < 8 * 8; ++i) pixels.insert(pixels.end(), {r, g, b, 255});
        return std::make_unique<Texture2D>(pixels.data(), Texture2D::kRGBA8888, 8, 8, platform::Size{8, 8},
                                           1.0f);
    };
    auto regular = solid(0, 255, 0);
    auto spring = solid(255, 0, 255);
    auto plain = solid(255, 255, 255);
    driver.core.textures[4] = plain.get();  // Level Enemy2's platform: never drawn here
    driver.core.textures[5] = regular.get();
    driver.core.textures[6] = spring.get();
    level->clearPlatforms();
    level->setPlatform(0, 100, 200, VerticalLevel::kPlatform);
    level->setPlatform(1, 300, 200, Falling::kFallingPlatform);
    level->setPlatform(2, 500, 200, VerticalLevel::kSpringPlatform);
    level->setPlatform(3, 100, 400, Falling::kFallingSpringPlatform);
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

// A player that keeps climbing, aiming only at platforms that can still be landed on, and tapping
// beside the hero now and then to shoot.
double autopilot(const VerticalLevel& level) {
    return climbTilt(level, Falling::isLandable);
}

struct Outcome : leveltest::ShootingGame {
    int highest = 0;
    int springLandings = 0;
};

Outcome playGame(uint64_t seed) {
    GLTestContext gl{320, 480};
    testsupport::LevelDriver d(seed, kId, kName);
    auto l = makeRef<ProbedFallEnemy2>(d.context());
    Outcome out;
    static_cast<leveltest::ShootingGame&>(out) = leveltest::playShootingGame(
        d, *l,
        [&](int t) {
            const double tilt = autopilot(*l);
            return t < 8000 ? tilt : -tilt;
        },
        [&](int) { out.highest = std::max(out.highest, l->getScroll()); });
    for (const auto& landing : l->landings)
        out.springLandings += landing.second == VerticalLevel::kSpringPlatform ? 1 : 0;
    return out;
}

}  // namespace

TEST(LevelFallEnemy2Game, WholeGamesEndInOneGameOverAndReplayExactlyFromTheSeed) {
    const Outcome a = playGame(5);
    ASSERT_EQ(a.gameOvers.size(), 1u);
    EXPECT_EQ(a.gameOvers[0], a.score);
    EXPECT_EQ(count(a.sounds, 0), 1);
    EXPECT_GT(a.highest, 1000) << "the climb should reach the springs";
    EXPECT_GT(a.springLandings, 0);
    EXPECT_GT(count(a.sounds, 1), 10);
    EXPECT_GT(count(a.sounds, 5), 0) << "taps should have shot";

    const Outcome b = playGame(5);
    EXPECT_EQ(b.score, a.score);
    EXPECT_EQ(b.ticks, a.ticks);
    EXPECT_EQ(b.sounds, a.sounds);
    EXPECT_NE(playGame(6).sounds, a.sounds);
}
