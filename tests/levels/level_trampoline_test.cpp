#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <deque>
#include <limits>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "LevelTestKit.h"
#include "appbase/JTCanvas.h"
#include "appbase/JTRandom.h"
#include "appbase/JTTextLabel.h"
#include "appbase/Texture2D.h"
#include "core/Utf16.h"
#include "levels/LevelTrampoline.h"
#include "levels/LevelTrampoline_Hamburger.h"
#include "support/GLTestContext.h"
#include "support/LevelDriver.h"

using JTApp::GameSceneBase;
using JTApp::LevelTrampoline;
using JTApp::LevelTrampoline_Hamburger;
using JTApp::VerticalLevel;
using JTCore::makeRef;
using JTCore::Ref;
using leveltest::climbTilt;
using leveltest::count;
using leveltest::RecordingContext;
using leveltest::ScriptedRandom;
using leveltest::solidTexture;

namespace {

const float kThird = std::bit_cast<float>(0x3EAAAAABu);
const float kGravity = std::bit_cast<float>(0xBEAAAAABu);
const float kSinkAcceleration = std::bit_cast<float>(0xBF2AAAABu);
constexpr int kStanding = VerticalLevel::kSpringPlatform;
constexpr int kSinking = LevelTrampoline::kSinkingTrampoline;
constexpr uint32_t kMaxDraw = (1u << 31) - 1;

// Level Trampoline with its world opened up; every landing is recorded with the kind it hit.
class ProbedTrampoline : public LevelTrampoline {
  public:
    using LevelTrampoline::LevelTrampoline;
    using LevelTrampoline::setNextHamburgerY;
    using VerticalLevel::clearPlatforms;
    using VerticalLevel::setHero;
    using VerticalLevel::setPlatform;
    using VerticalLevel::setScroll;
    using VerticalLevel::setTop;

    Ref<LevelTrampoline_Hamburger> hamburger(int i) const {
        return getHamburgerPool()->getAs<LevelTrampoline_Hamburger>(i);
    }
    int activeHamburgers() const {
        int n = 0;
        for (int i = 0; i < getHamburgerPool()->size(); ++i) n += hamburger(i)->isActive() ? 1 : 0;
        return n;
    }

    std::vector<std::pair<int, int>> landings;  // slot, kind before the landing

  protected:
    void landOn(int slot) override {
        landings.emplace_back(slot, platformKind(slot));
        LevelTrampoline::landOn(slot);
    }
};

struct TrampolineFixture : leveltest::LevelTest<ProbedTrampoline> {
    TrampolineFixture() : LevelTest(7, 31, "Level: Trampoline") {}
    // Playing, the hero alone at (x, y) with the given speed over a screen scrolled to `scroll`;
    // no trampoline is generated and no hamburger comes due.
    void isolate(float x, float y, float vx, float vy, int scroll = 0) {
        play();
        level->clearPlatforms();
        level->setScroll(scroll);
        level->setTop(scroll + 700);
        level->setNextHamburgerY(1 << 30);
        level->setHero(x, y, vx, vy);
        driver.core.sounds.clear();
    }
};

}  // namespace

TEST_F(TrampolineFixture, StartsAboveOneTrampolineAndMakesOnlyTrampolines) {
    EXPECT_EQ(level->getState(), GameSceneBase::kStateIntro);
    EXPECT_EQ(level->getHeroX(), 320.0f);
    EXPECT_EQ(level->getHeroY(), 200.0f);
    EXPECT_EQ(level->getHeroVy(), -10.0f);
    EXPECT_EQ(level->platformX(0), 320);
    EXPECT_EQ(level->platformY(0), 160);
    // Gaps run from 30 at height 0 toward the 806 a jump of speed 40 reaches.
    int previous = 160;
    int slot = 0;
    for (; slot < VerticalLevel::kPlatformSlots && level->platformKind(slot) != VerticalLevel::kFree;
         ++slot) {
        EXPECT_EQ(level->platformKind(slot), kStanding);
        if (slot == 0) continue;
        EXPECT_GE(level->platformY(slot) - previous, 30);
        EXPECT_LE(level->platformY(slot) - previous, 806);
        previous = level->platformY(slot);
    }
    EXPECT_GT(slot, 1);
    EXPECT_EQ(level->getTop(), previous);
    EXPECT_GT(previous - 8, 640);
    EXPECT_EQ(level->usedPlatformCount(), slot);

    EXPECT_EQ(level->getNextHamburgerY(), 200);
    ASSERT_EQ(level->getHamburgerPool()->size(), 16);
    EXPECT_EQ(level->activeHamburgers(), 0);
    EXPECT_EQ(level->getGameOverDelay(), 150);
    EXPECT_EQ(driver.view.pauseBtn.x, -27);
    EXPECT_EQ(driver.view.pauseBtn.y, 25);
}

TEST_F(TrampolineFixture, FirstLandingThrowsAt40AndTheTrampolineSinksAway) {
    play();
    int ticks = 0;
    while (driver.core.sounds.empty() && ticks < 10) {
        driver.tick(*level);
        ++ticks;
    }
    // 200 -> 196.67 -> 193.22, and the third move would take him below the top at 192.
    EXPECT_EQ(ticks, 3);
    EXPECT_EQ(driver.core.sounds, std::vector<int>{1});
    ASSERT_EQ(level->landings, (std::vector<std::pair<int, int>>{{0, kStanding}}));
    EXPECT_EQ(level->getHeroY(), 192.0f + 40.0f * kThird);
    EXPECT_EQ(level->getHeroVy(), 40.0f + kGravity);
    EXPECT_EQ(level->platformKind(0), kSinking);
    EXPECT_EQ(level->platformFallSpeed(0), kSinkAcceleration);
    EXPECT_EQ(level->platformY(0), 159);  // 160 - 0.22, truncated toward zero
}

TEST_F(TrampolineFixture, OnlyStandingTrampolinesCatchTheHero) {
    for (const auto& [kind, lands] : {std::pair{kStanding, true}, {kSinking, false}}) {
        SCOPED_TRACE(kind);
        level = makeRef<ProbedTrampoline>(driver.context());
        isolate(300, 232.5f, 0, -3);
        level->setPlatform(4, 300, 200, kind);
        driver.tick(*level);
        EXPECT_EQ(level->landings.size(), lands ? 1u : 0u);
        EXPECT_EQ(driver.core.sounds, lands ? std::vector<int>{1} : std::vector<int>{});
        EXPECT_EQ(level->platformKind(4), kSinking);
        EXPECT_EQ(level->getHeroVy(), (lands ? 40.0f : -3.0f) + kGravity);
    }
}

TEST_F(TrampolineFixture, JumpSpeedIsTwiceNormalsAndDropsEvery4096ToAFloorOf4) {
    EXPECT_EQ(level->getDifficulty(0), 0);
    EXPECT_EQ(level->getDifficulty(12345), 12345);
    const std::pair<int, float> speeds[] = {
        {0, 40},    {4095, 40}, {4096, 38}, {8191, 38},  {8192, 36},  {69631, 8},
        {69632, 6}, {73727, 6}, {73728, 4}, {200000, 4}, {-4095, 40}, {std::numeric_limits<int>::max(), 4}};
    for (const auto& [height, speed] : speeds) EXPECT_EQ(level->jumpSpeed(height), speed) << height;

    // Landing on a top of exactly 73728 gives the floor; one below gives 6.
    for (const auto& [top, vy] : {std::pair{73728, 4.0f}, {73727, 6.0f}}) {
        level = makeRef<ProbedTrampoline>(driver.context());
        isolate(300, static_cast<float>(top) + 0.5f, 0, -3, top - 300);
        level->setPlatform(0, 300, top - 32, kStanding);
        driver.tick(*level);
        ASSERT_EQ(level->landings.size(), 1u);
        EXPECT_EQ(level->getHeroVy(), vy + kGravity);
    }
}

TEST_F(TrampolineFixture, ScreenFollowsOnlyPast500AndScoresTheRise) {
    isolate(320, 500.5f, 0, 3);
    driver.tick(*level);  // 500.5 -> 501.5
    EXPECT_EQ(level->getScroll(), 1);
    EXPECT_EQ(level->getScore(), 1);

    level = makeRef<ProbedTrampoline>(driver.context());
    isolate(320, 499.5f, 0, 3);
    driver.tick(*level);  // 499.5 -> 500.5: not yet
    EXPECT_EQ(level->getScroll(), 0);
    EXPECT_EQ(level->getScore(), 0);
}

TEST_F(TrampolineFixture, GeneratorGapsShrinkFromTheFullRiseByOneToNinetyNinePercent) {
    play();
    level->clearPlatforms();
    level->setScroll(500);
    auto scripted = std::make_shared<ScriptedRandom>();
    auto previous = JTAppBase::JTRandom::setCurrent(scripted);
    // Difficulty 1032: speed 40, rise 806. The smallest draw is 1 %: factor 10, and the gap is
    // 806 - 776 x 4096 / 4106 = 32.
    level->setTop(1000);
    ASSERT_TRUE(level->generatePlatform());
    EXPECT_EQ(scripted->draws, 2);
    EXPECT_EQ(level->platformY(0), 1032);
    EXPECT_EQ(level->platformX(0), 27);
    EXPECT_EQ(level->platformKind(0), kStanding);
    // The largest is 99 %: factor 990, and the gap is 806 - 776 x 4096 / 5086 = 182.
    level->setTop(1000);
    scripted->queue = {kMaxDraw, kMaxDraw};
    ASSERT_TRUE(level->generatePlatform());
    EXPECT_EQ(level->platformY(1), 1182);
    EXPECT_EQ(level->platformX(1), 612);
    // At the floor speed a jump rises only 8, and so do the gaps.
    level->setScroll(73100);
    level->setTop(73696);
    ASSERT_TRUE(level->generatePlatform());
    EXPECT_EQ(level->platformY(2), 73704);
    // Enough above the screen: nothing is added and nothing drawn.
    const int draws = scripted->draws;
    level->setScroll(0);
    level->setTop(649);
    EXPECT_FALSE(level->generatePlatform());
    EXPECT_EQ(scripted->draws, draws);
    JTAppBase::JTRandom::setCurrent(previous);
}

TEST_F(TrampolineFixture, HamburgersComeDue100To199ApartAndFullPoolsOnlySkipOne) {
    isolate(320, 10300, 0, 0, 10000);
    auto scripted = std::make_shared<ScriptedRandom>();
    auto previous = JTAppBase::JTRandom::setCurrent(scripted);
    // The first due one comes 700 above the screen's bottom; the next is due 100 higher.
    level->setNextHamburgerY(10000);
    level->setHero(320, 10300, 0, 0);
    driver.tick(*level);
    ASSERT_EQ(level->activeHamburgers(), 1);
    EXPECT_EQ(level->hamburger(0)->getX(), 64.0f);
    EXPECT_EQ(level->hamburger(0)->getY(), 10700.0f);
    EXPECT_EQ(level->getNextHamburgerY(), 10100);
    // The largest draws: x 575 and 199.99... higher, never a whole 200.
    level->setNextHamburgerY(10000);
    scripted->queue = {kMaxDraw, kMaxDraw};
    level->setHero(320, 10300, 0, 0);
    driver.tick(*level);
    ASSERT_EQ(level->activeHamburgers(), 2);
    EXPECT_EQ(level->hamburger(1)->getX(), 575.0f);
    EXPECT_EQ(level->getNextHamburgerY(), 10199);
    // Not yet due: nothing placed, nothing drawn.
    const int draws = scripted->draws;
    level->setHero(320, 10300, 0, 0);
    driver.tick(*level);
    EXPECT_EQ(scripted->draws, draws);

    // All 16 out: no place is drawn, but the next one is still moved on.
    for (int i = 0; i < 16; ++i) level->hamburger(i)->place(320, 10690);
    level->setNextHamburgerY(9990);
    level->setHero(100, 10000, 0, 0);
    driver.tick(*level);
    EXPECT_EQ(scripted->draws, draws + 1);
    EXPECT_EQ(level->getNextHamburgerY(), 10090);
    for (int i = 0; i < 16; ++i) EXPECT_EQ(level->hamburger(i)->getY(), 10690.0f);

    // At the very end of the int range (every slot taken, so nothing is generated up there) the
    // hamburger and the next threshold stop at the end instead of wrapping round below.
    constexpr int kMax = std::numeric_limits<int>::max();
    level->setScroll(kMax - 100);
    for (int i = 0; i < VerticalLevel::kPlatformSlots; ++i) level->setPlatform(i, 600, kMax - 90, kStanding);
    level->hamburger(3)->deactivate();
    level->setNextHamburgerY(kMax - 150);
    level->setHero(100, static_cast<float>(kMax - 100), 0, 0);
    scripted->queue = {0, kMaxDraw};
    driver.tick(*level);
    EXPECT_EQ(level->getState(), GameSceneBase::kStatePlaying);
    ASSERT_TRUE(level->hamburger(3)->isActive());
    EXPECT_EQ(level->hamburger(3)->getY(), static_cast<float>(kMax));
    EXPECT_EQ(level->getNextHamburgerY(), kMax);
    JTAppBase::JTRandom::setCurrent(previous);
}

TEST_F(TrampolineFixture, EatingAHamburgerScores300AndShowsItsPoints) {
    isolate(556, 10300, 0, 0, 10000);
    auto h = level->hamburger(0);
    // 64 away on both axes is within reach; the text keeps clear of the sides.
    h->place(620, 10364);
    h->update();
    EXPECT_EQ(h->getMode(), LevelTrampoline_Hamburger::kEaten);
    EXPECT_EQ(h->getX(), 544.0f);
    EXPECT_EQ(level->getScore(), 300);
    EXPECT_EQ(driver.core.sounds, std::vector<int>{2});
    for (int t = 0; t < 59; ++t) h->update();
    EXPECT_TRUE(h->isActive());
    h->update();
    EXPECT_FALSE(h->isActive());
    EXPECT_EQ(level->getScore(), 300) << "an eaten one scores once";

    // 65 away on either axis is out of reach.
    for (const auto& [x, y] : {std::pair{621, 10364}, {620, 10365}}) {
        h->place(x, y);
        h->update();
        EXPECT_EQ(h->getMode(), LevelTrampoline_Hamburger::kWaiting);
    }
    // Missed ones leave once more than 64 below the screen's bottom.
    h->place(100, 10000 - 64);
    h->update();
    EXPECT_TRUE(h->isActive());
    h->place(100, 10000 - 65);
    h->update();
    EXPECT_FALSE(h->isActive());
}

TEST(LevelTrampolineLabels, EveryHamburgerShowsThreeHundred) {
    GLTestContext gl{320, 480};
    fakes::FakeAppCore core;
    auto context = makeRef<RecordingContext>();
    context->setAppCore(&core);
    context->getCanvas()->setCanvasSize(320, 480);
    auto level = makeRef<ProbedTrampoline>(context.get());
    // The hamburgers' labels are made with the pool, before the score and message labels' first
    // text; every one reads "300".
    ASSERT_EQ(context->labels.size(), 2u + 16u);
    for (int i = 2; i < 18; ++i) EXPECT_EQ(context->labels[i]->texts, std::vector<std::string>{"300"});
}

TEST_F(TrampolineFixture, HamburgersLieBehindTrampolinesAndBothKindsLookAlike) {
    ASSERT_TRUE(gl.ok()) << gl.error();
    auto hero = solidTexture(255, 0, 0);
    auto trampoline = solidTexture(0, 255, 0);
    auto ham = solidTexture(0, 0, 255, 16);
    driver.core.textures[1] = hero.get();
    driver.core.textures[6] = trampoline.get();
    driver.core.textures[9] = ham.get();
    isolate(320, 10300, 0, 0, 10000);  // bottom centre on screen at (160, 480 - 268 x 480 / 640 = 279)
    level->setPlatform(0, 100, 10200, kStanding);  // screen (50, 330)
    level->setPlatform(1, 300, 10200, kSinking);   // screen (150, 330)
    level->hamburger(0)->place(100, 10200);        // under the first trampoline
    gl.clear(0, 0, 0, 1);
    driver.render(*level);
    using Px = std::array<uint8_t, 4>;
    EXPECT_EQ(gl.pixel(50, 330), (Px{0, 255, 0, 255}));
    EXPECT_EQ(gl.pixel(150, 330), (Px{0, 255, 0, 255}));
    EXPECT_EQ(gl.pixel(50 + 6, 330), (Px{0, 0, 255, 255})) << "the hamburger shows round the trampoline";
    EXPECT_EQ(gl.pixel(160, 276), (Px{255, 0, 0, 255}));
}

namespace {

struct GameRecord {
    std::vector<int> trace;  // state, score, hero bits and every trampoline, every 50 ticks
    std::vector<int> sounds;
    std::vector<int> gameOvers;
    int landings = 0;
    int score = 0;
};

// A player that keeps climbing, aiming only at trampolines that still stand, and reaching for a
// waiting hamburger on the way up.
double autopilot(const ProbedTrampoline& level) {
    return climbTilt(level, [](int kind) { return kind == kStanding; });
}

// One whole game from `seed`: the autopilot climbs for a while, then steers away until he falls.
GameRecord playGame(uint64_t seed) {
    GLTestContext gl{320, 480};
    testsupport::LevelDriver driver(seed, 31, "Level: Trampoline");
    auto level = makeRef<ProbedTrampoline>(driver.context());
    GameRecord out;
    for (int t = 0; t < 30000 && level->getState() != GameSceneBase::kStateGameOver; ++t) {
        const double tilt = autopilot(*level);
        driver.tick(*level, t < 6000 ? tilt : -tilt);
        if (t % 50 == 0) {
            out.trace.insert(out.trace.end(),
                             {level->getState(), level->getScore(), std::bit_cast<int>(level->getHeroX()),
                              std::bit_cast<int>(level->getHeroY()), level->getNextHamburgerY()});
            for (int i = 0; i < VerticalLevel::kPlatformSlots; ++i) {
                out.trace.insert(out.trace.end(), {level->platformY(i), level->platformKind(i)});
            }
        }
    }
    EXPECT_EQ(level->getState(), GameSceneBase::kStateGameOver);
    out.score = level->getScore();
    driver.run(*level, 400);
    out.sounds = driver.core.sounds;
    out.gameOvers = driver.view.gameOvers;
    out.landings = static_cast<int>(level->landings.size());
    for (const auto& [slot, kind] : level->landings) EXPECT_EQ(kind, kStanding);
    return out;
}

}  // namespace

TEST(LevelTrampolineGame, AWholeGameClimbsEatsAndEndsInOneGameOver) {
    const GameRecord game = playGame(2024);
    ASSERT_EQ(game.gameOvers, std::vector<int>{game.score});
    EXPECT_EQ(count(game.sounds, 0), 1);
    EXPECT_EQ(count(game.sounds, 1), game.landings);
    EXPECT_GT(game.score, 5000) << "the autopilot should climb well up";
    EXPECT_GT(count(game.sounds, 2), 0) << "a climb that long should pass through a hamburger";
}

TEST(LevelTrampolineGame, TheSameSeedPlaysTheSameGame) {
    const GameRecord a = playGame(99);
    const GameRecord b = playGame(99);
    const GameRecord c = playGame(100);
    EXPECT_EQ(a.trace, b.trace);
    EXPECT_EQ(a.sounds, b.sounds);
    EXPECT_EQ(a.gameOvers, b.gameOvers);
    EXPECT_NE(a.trace, c.trace);
}

TEST_F(TrampolineFixture, AnEatenHamburgerShowsItsPointsInPlaceOfItself) {
    ASSERT_TRUE(gl.ok()) << gl.error();
    auto ham = solidTexture(0, 0, 255, 16);
    driver.core.textures[9] = ham.get();
    isolate(320, 10300, 0, 0, 10000);
    auto h = level->hamburger(0);
    h->place(200, 10200);  // screen (100, 330)
    using Px = std::array<uint8_t, 4>;
    auto frame = [&] {
        gl.clear(0, 0, 0, 1);
        driver.render(*level);
    };
    frame();
    EXPECT_EQ(gl.pixel(100, 330), (Px{0, 0, 255, 255}));
    EXPECT_EQ(leveltest::brightPixels(gl, 36, 314, 164, 346), 0);

    // Eaten: yellow text in a 128 x 32 box round the spot, the hamburger gone.
    level->setHero(200, 10200, 0, 0);
    h->update();
    ASSERT_EQ(h->getMode(), LevelTrampoline_Hamburger::kEaten);
    frame();
    EXPECT_NE(gl.pixel(100, 330), (Px{0, 0, 255, 255}));
    const int text = leveltest::brightPixels(gl, 36, 314, 164, 346);
    EXPECT_GT(text, 20);
    EXPECT_EQ(leveltest::brightPixels(gl, 36, 280, 164, 312), 0) << "the text keeps to its box";
    for (int i = 0; i < 60; ++i) h->update();
    ASSERT_FALSE(h->isActive());
    frame();
    EXPECT_EQ(leveltest::brightPixels(gl, 36, 314, 164, 346), 0);
}
