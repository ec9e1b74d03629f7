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
#include "appbase/JTRandom.h"
#include "appbase/JTTextLabel.h"
#include "appbase/Texture2D.h"
#include "levels/LevelColors.h"
#include "support/GLTestContext.h"
#include "support/LevelDriver.h"

using JTApp::GameSceneBase;
using JTApp::LevelColors;
using JTApp::VerticalLevel;
using JTCore::makeRef;
using JTCore::Ref;
using leveltest::climbTilt;
using leveltest::ScriptedRandom;

namespace {

const float kThird = std::bit_cast<float>(0x3EAAAAABu);
const float kGravity = std::bit_cast<float>(0xBEAAAAABu);

// Level Colors with its world opened up; every landing is recorded with the platform's kind then.
class ProbedColors : public LevelColors {
  public:
    using LevelColors::LevelColors;
    using VerticalLevel::clearPlatforms;
    using VerticalLevel::setHero;
    using VerticalLevel::setPlatform;
    using VerticalLevel::setScroll;
    using VerticalLevel::setTop;

    std::vector<std::pair<int, int>> landings;  // slot, kind before the landing

  protected:
    void landOn(int slot) override {
        landings.emplace_back(slot, platformKind(slot));
        LevelColors::landOn(slot);
    }
};

std::string text(const Ref<JTCore::JTString>& s) {
    return s ? s->toUtf8() : std::string("(none)");
}

struct ColorsFixture : leveltest::LevelTest<ProbedColors> {
    ColorsFixture() : LevelTest(7, 32, "Level: Colors") {}
    // The hero alone, just above a platform of `kind` at (x, y) in slot 4, falling onto it.
    void landOnce(int kind, int x = 300, int y = 200) {
        level->clearPlatforms();
        level->setHero(static_cast<float>(x), static_cast<float>(y) + 32.5f, 0, -3);
        level->setPlatform(4, x, y, kind);
        driver.core.sounds.clear();
        driver.tick(*level);
    }
};

}  // namespace

TEST_F(ColorsFixture, StartsAboveThreeColouredPlatformsWithNoChainAndNoScore) {
    EXPECT_EQ(level->getState(), GameSceneBase::kStateIntro);
    EXPECT_EQ(level->getHeroX(), 320.0f);
    EXPECT_EQ(level->getHeroY(), 200.0f);
    EXPECT_EQ(level->getHeroVy(), -10.0f);
    const int startY[] = {160, 110, 60};
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(level->platformX(i), 320);
        EXPECT_EQ(level->platformY(i), startY[i]);
    }
    std::array<int, 4> seen{};
    for (int i = 0; i < level->usedPlatformCount(); ++i) {
        const int kind = level->platformKind(i);
        ASSERT_GE(kind, 1);
        ASSERT_LE(kind, 3);
        ++seen[kind];
    }
    EXPECT_GT(seen[1], 0);
    EXPECT_GT(seen[2], 0);
    EXPECT_GT(seen[3], 0);
    EXPECT_GT(level->getTop() - 8, 640);
    EXPECT_EQ(level->getChain(), 0);
    EXPECT_EQ(level->getLastColor(), 0);
    EXPECT_EQ(level->getLabelTimer(), 0);
    EXPECT_EQ(level->getScore(), 0);
    EXPECT_TRUE(level->getChainLabel());
    EXPECT_EQ(level->getGameOverDelay(), 150);
    EXPECT_EQ(driver.view.pauseBtn.x, -27);
    EXPECT_EQ(level->getDifficulty(600), 0);
    EXPECT_EQ(level->getDifficulty(1000), 400);
}

TEST_F(ColorsFixture, GeneratorDrawsAWideGapFactorThenThePlaceThenTheColour) {
    play();
    level->clearPlatforms();
    level->setScroll(9600);
    level->setTop(10000);
    auto scripted = std::make_shared<ScriptedRandom>();
    auto previous = JTAppBase::JTRandom::setCurrent(scripted);

    // Factor 1 %: k = 9400 x 1 / 100 = 94; speed 19 reaches 183; gap 183 - 153 x 8192 / 8286 = 32.
    scripted->queue = {0, 0, 0x7FFFFFFFu};
    ASSERT_TRUE(level->generatePlatform());
    EXPECT_EQ(scripted->draws, 3);
    EXPECT_EQ(level->getTop(), 10032);
    EXPECT_EQ(level->platformY(0), 10032);
    EXPECT_EQ(level->platformX(0), 27);
    EXPECT_EQ(level->platformKind(0), 3);

    // Factor 99 %: k = 9432 x 99 / 100 = 9337; gap 183 - 153 x 8192 / 17529 = 112.
    scripted->queue = {0x7FFFFFFFu, 0x7FFFFFFFu, 1u << 30};
    ASSERT_TRUE(level->generatePlatform());
    EXPECT_EQ(level->getTop(), 10144);
    EXPECT_EQ(level->platformX(1), 612);
    EXPECT_EQ(level->platformKind(1), 2);
    JTAppBase::JTRandom::setCurrent(previous);
}

TEST_F(ColorsFixture, ChainsGrowOnOneColourAndRestartOnAnother) {
    play();
    struct Step {
        int color;
        int effect;
        int chain;
        int score;
        const char* text;
    };
    const Step steps[] = {
        {1, 1, 1, 10, "+10 pts."},  {1, 1, 2, 30, "2 chain\n+20 pts."}, {1, 1, 3, 60, "3 chain\n+30 pts."},
        {2, 6, 1, 70, "+10 pts."},  {2, 6, 2, 90, "2 chain\n+20 pts."}, {3, 7, 1, 100, "+10 pts."},
        {1, 1, 1, 110, "+10 pts."},
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(s.text);
        landOnce(s.color);
        ASSERT_EQ(level->landings.size(), 1u);
        level->landings.clear();
        EXPECT_EQ(driver.core.sounds, std::vector<int>{s.effect});
        EXPECT_EQ(level->platformKind(4), s.color + LevelColors::kLandedOffset);
        EXPECT_EQ(level->getHeroVy(), 20.0f + kGravity);
        EXPECT_EQ(level->getHeroY(), 232.0f + 20.0f * kThird);
        EXPECT_EQ(level->getLastColor(), s.color);
        EXPECT_EQ(level->getChain(), s.chain);
        EXPECT_EQ(level->getScore(), s.score);
        EXPECT_EQ(text(level->getChainText()), s.text);
        EXPECT_TRUE(level->getChainLabel()->hasTexture());
    }

    // The bonus stops growing at a chain of 20; a chain at the int limit stays there.
    const std::pair<int, std::string> capped[] = {
        {18, "19 chain\n+190 pts."},
        {19, "20 chain\n+200 pts."},
        {20, "21 chain\n+200 pts."},
        {std::numeric_limits<int>::max(), "2147483647 chain\n+200 pts."},
    };
    for (const auto& [before, expected] : capped) {
        level->setChain(before);
        const int score = level->getScore();
        landOnce(1);
        EXPECT_EQ(text(level->getChainText()), expected);
        EXPECT_EQ(level->getScore() - score, before < 19 ? 190 : 200);
    }
    EXPECT_EQ(level->getChain(), std::numeric_limits<int>::max());
    // A count set below 1 earns nothing instead of taking points away.
    EXPECT_EQ(LevelColors::chainBonus(-5), 0);
    EXPECT_EQ(LevelColors::chainBonus(std::numeric_limits<int>::min()), 0);
}

TEST_F(ColorsFixture, ALandedPlatformFallsAwayAndCannotBeLandedOnAgain) {
    play();
    landOnce(2);
    ASSERT_EQ(level->platformKind(4), 5);
    // Back over the falling platform, the hero drops straight through it.
    level->landings.clear();
    int previousY = level->platformY(4);
    for (int t = 0; t < 40 && level->platformKind(4) != VerticalLevel::kFree; ++t) {
        const float surface = static_cast<float>(level->platformY(4) + 32);
        level->setHero(300, surface + 0.5f, 0, -3);
        driver.tick(*level);
        if (level->platformKind(4) == VerticalLevel::kFree) break;
        EXPECT_LE(level->platformY(4), previousY - 1);
        previousY = level->platformY(4);
    }
    EXPECT_TRUE(level->landings.empty());
    EXPECT_EQ(level->platformKind(4), VerticalLevel::kFree) << "freed once below the scroll line";
    EXPECT_EQ(level->getChain(), 1);
}

TEST_F(ColorsFixture, ClimbingScoresNothingAndTheChainSurvivesFalls) {
    play();
    landOnce(3);
    EXPECT_EQ(level->getScore(), 10);
    level->clearPlatforms();
    level->setHero(320, 300, 0, 60);
    driver.run(*level, 60);
    EXPECT_GT(level->getScroll(), 500);
    EXPECT_EQ(level->getScore(), 10);
    // He falls a long way past platforms he misses; the next one of the same colour continues.
    landOnce(3, 320, level->getScroll() + 100);
    EXPECT_EQ(level->getChain(), 2);
    EXPECT_EQ(level->getScore(), 30);
}

TEST_F(ColorsFixture, TheLabelStaysOnScreenAndCountsDownInEveryState) {
    play();
    struct Case {
        int x, y;
        float labelX, labelY;
    };
    const Case cases[] = {
        {320, 1320, 160, 240},  // the middle of the screen, as it is
        {10, 1320, 64, 240},    // screen x 5
        {630, 1320, 256, 240},  // screen x 315
        {320, 1630, 160, 64},   // screen y 8
        {320, 1020, 160, 416},  // screen y 465
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.x * 10000 + c.y);
        level->setScroll(1000);
        landOnce(1, c.x, c.y);
        ASSERT_EQ(level->landings.size(), 1u);
        level->landings.clear();
        EXPECT_EQ(level->getLabelX(), c.labelX);
        EXPECT_EQ(level->getLabelY(), c.labelY);
        // Set to 80 by the landing, one tick gone by the end of it.
        EXPECT_EQ(level->getLabelTimer(), LevelColors::kLabelTicks - 1);
    }
    level->setState(GameSceneBase::kStateIntro);
    driver.run(*level, 10);
    EXPECT_EQ(level->getLabelTimer(), 69);
    level->setState(GameSceneBase::kStateGameOver);
    driver.run(*level, 60);
    EXPECT_EQ(level->getLabelTimer(), 9);
    driver.run(*level, 20);
    EXPECT_EQ(level->getLabelTimer(), 0);
}

TEST_F(ColorsFixture, DrawsEachColourWithItsOwnTextureStandingOrFalling) {
    ASSERT_TRUE(gl.ok()) << gl.error();
    auto solid = [](uint8_t r, uint8_t g, uint8_t b) {
        std::vector<uint8_t> pixels;
        for (int i = 0; i < 8 * 8; ++i) pixels.insert(pixels.end(), {r, g, b, 255});
        return std::make_unique<Texture2D>(pixels.data(), Texture2D::kRGBA8888, 8, 8, platform::Size{8, 8},
                                           1.0f);
    };
    auto plain = solid(0, 255, 0);
    auto yellow = solid(255, 255, 0);
    auto red = solid(255, 0, 0);
    driver.core.textures[4] = plain.get();
    driver.core.textures[7] = yellow.get();
    driver.core.textures[8] = red.get();
    level->clearPlatforms();
    for (int kind = 1; kind <= 6; ++kind) {
        level->setPlatform(kind - 1, 100 * ((kind - 1) % 3) + 100, kind <= 3 ? 200 : 400, kind);
    }
    gl.clear(0, 0, 0, 1);
    driver.render(*level);
    using Px = std::array<uint8_t, 4>;
    // World y 200 is screen y 330, y 400 is 180; world x 100, 200, 300 are screen x 50, 100, 150.
    for (int y : {330, 180}) {
        EXPECT_EQ(gl.pixel(50, y), (Px{0, 255, 0, 255}));
        EXPECT_EQ(gl.pixel(100, y), (Px{255, 255, 0, 255}));
        EXPECT_EQ(gl.pixel(150, y), (Px{255, 0, 0, 255}));
        EXPECT_EQ(gl.pixel(200, y), (Px{0, 0, 0, 255}));
    }
}

namespace {

struct GameRecord {
    std::vector<int> trace;  // state, score, chain, hero bits and every platform, every 50 ticks
    std::vector<std::pair<int, int>> landings;
    std::vector<int> gameOvers;
    int bonuses = 0;  // the score the landings' colours are worth
    int longestChain = 0;
};

// A player that keeps climbing, aiming only at platforms that can still be landed on.
double autopilot(const VerticalLevel& level) {
    return climbTilt(level, [](int kind) { return kind >= 1 && kind <= 3; });
}

// One whole game from `seed`: the autopilot climbs for a while, then steers away until he falls.
GameRecord playGame(uint64_t seed) {
    GLTestContext gl{320, 480};
    testsupport::LevelDriver driver(seed, 32, "Level: Colors");
    auto level = makeRef<ProbedColors>(driver.context());
    GameRecord out;
    for (int t = 0; t < 30000 && level->getState() != GameSceneBase::kStateGameOver; ++t) {
        const double tilt = autopilot(*level);
        driver.tick(*level, t < 6000 ? tilt : -tilt);
        out.longestChain = std::max(out.longestChain, level->getChain());
        if (t % 50 == 0) {
            out.trace.insert(out.trace.end(),
                             {level->getState(), level->getScore(), level->getChain(),
                              std::bit_cast<int>(level->getHeroX()), std::bit_cast<int>(level->getHeroY())});
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
    int last = 0;
    int chain = 0;
    for (const auto& [slot, color] : out.landings) {
        chain = color == last ? chain + 1 : 1;
        last = color;
        out.bonuses += std::min(chain, 20) * 10;
    }
    return out;
}

}  // namespace

TEST(LevelColorsGame, AWholeGameScoresOnlyChainBonusesAndEndsInOneGameOver) {
    const GameRecord game = playGame(2024);
    ASSERT_EQ(game.gameOvers.size(), 1u);
    EXPECT_GT(game.landings.size(), 30u) << "the autopilot should climb a good way";
    EXPECT_EQ(game.gameOvers[0], game.bonuses);
    EXPECT_GE(game.longestChain, 2);
}

TEST(LevelColorsGame, TheSameSeedPlaysTheSameGame) {
    const GameRecord a = playGame(99);
    const GameRecord b = playGame(99);
    const GameRecord c = playGame(100);
    EXPECT_EQ(a.trace, b.trace);
    EXPECT_EQ(a.landings, b.landings);
    EXPECT_EQ(a.gameOvers, b.gameOvers);
    EXPECT_NE(a.trace, c.trace);
}

TEST_F(ColorsFixture, TheChainLabelIsDrawnOnlyWhileItsTimerRuns) {
    ASSERT_TRUE(gl.ok()) << gl.error();
    play();
    level->setScroll(1000);
    // A landing in the middle of the screen puts the label's 128 x 64 box round (160, 240).
    landOnce(1, 320, 1320);
    ASSERT_EQ(level->getLabelX(), 160);
    auto shown = [&] {
        gl.clear(0, 0, 0, 1);
        driver.render(*level);
        return leveltest::brightPixels(gl, 96, 208, 224, 272);
    };
    EXPECT_GT(shown(), 20) << "a running timer shows the chain";
    driver.run(*level, LevelColors::kLabelTicks - 2);
    ASSERT_EQ(level->getLabelTimer(), 1);
    EXPECT_GT(shown(), 20) << "shown to its last tick";
    driver.tick(*level);
    ASSERT_EQ(level->getLabelTimer(), 0);
    EXPECT_EQ(shown(), 0) << "gone once the timer has run out";
}
