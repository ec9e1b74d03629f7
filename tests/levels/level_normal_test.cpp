#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <set>
#include <vector>

#include "ProbedLevel.h"
#include "appbase/JTCanvas.h"
#include "appbase/JTTextLabel.h"
#include "platform/motion/KeyTiltRamp.h"

using JTApp::GameSceneBase;
using JTApp::VerticalLevel;
using namespace leveltest;

TEST_F(LevelFixture, StartPutsTheHeroAboveAColumnOfPlatformsThirtyApart) {
    EXPECT_EQ(level->getState(), GameSceneBase::kStateIntro);
    EXPECT_EQ(level->getHeroX(), 320.0f);
    EXPECT_EQ(level->getHeroY(), 100.0f);
    EXPECT_EQ(level->getHeroVx(), 0.0f);
    EXPECT_EQ(level->getHeroVy(), -10.0f);
    EXPECT_EQ(level->platformX(0), 320);
    EXPECT_EQ(level->platformY(0), 60);
    // No difficulty up to 600: every gap is 30. Just above, the gaps begin to widen; platforms are
    // added until the top is more than 648 above the scroll.
    EXPECT_EQ(level->usedPlatformCount(), 21);
    for (int i = 1; i < 21; ++i) {
        if (i < 20) {
            EXPECT_EQ(level->platformY(i), 60 + 30 * i);
        }
        EXPECT_GE(level->platformX(i), 27);
        EXPECT_LT(level->platformX(i), 613);
    }
    EXPECT_GT(level->platformY(20), 660);
    EXPECT_LT(level->platformY(20), 630 + 40);
    EXPECT_EQ(level->getTop(), level->platformY(20));
    EXPECT_EQ(driver.view.pauseBtn.x, -27);
    EXPECT_EQ(driver.view.pauseBtn.y, 25);
    EXPECT_FALSE(driver.view.multiTouch);
    EXPECT_EQ(level->getGameOverDelay(), 150);
}

TEST_F(LevelFixture, IntroBlinksTheLevelNameThreeTimesAndHoldsTheHero) {
    auto canvas = driver.context()->getCanvas();
    std::vector<int> shown;
    for (int t = 1; t <= 150; ++t) {
        driver.tick(*level);
        canvas->beginRender();
        const int before = canvas->stateChanges();
        level->drawMessage(240);
        if (canvas->stateChanges() != before) shown.push_back(t);
        if (t < 150) {
            EXPECT_EQ(level->getState(), GameSceneBase::kStateIntro);
        }
    }
    std::vector<int> expected;
    for (int start : {1, 51, 101}) {
        for (int t = start; t < start + 25; ++t) expected.push_back(t);
    }
    EXPECT_EQ(shown, expected);
    EXPECT_EQ(level->getState(), GameSceneBase::kStatePlaying);
    EXPECT_EQ(level->getHeroY(), 100.0f);
    EXPECT_TRUE(driver.core.sounds.empty());
}

TEST_F(LevelFixture, FirstLandingBouncesOffTheStartPlatform) {
    play();
    int ticks = 0;
    while (driver.core.sounds.empty() && ticks < 10) {
        driver.tick(*level);
        ++ticks;
    }
    // 100 -> 96.67 -> 93.22, and the third move would take him below 92.
    EXPECT_EQ(ticks, 3);
    EXPECT_EQ(driver.core.sounds, std::vector<int>{1});
    EXPECT_EQ(level->landings, std::vector<int>{0});
    // Set on the platform, then moved up by the full jump speed / 3; gravity comes after the move.
    EXPECT_EQ(level->getHeroY(), 92.0f + 20.0f * kThird);
    EXPECT_EQ(level->getHeroVy(), 20.0f + kGravity);
}

TEST_F(LevelFixture, LandingNeedsTheHeroWithin58UnitsAndComingDownOntoTheTop) {
    struct Case {
        float dx;
        float y;
        float vy;
        bool lands;
    };
    const Case cases[] = {
        {58, 232.5f, -3, true},   {-58, 232.5f, -3, true}, {59, 232.5f, -3, false},
        {-59, 232.5f, -3, false}, {0, 232.0f, -3, true},  // standing exactly on the top
        {0, 231.5f, -3, false},                           // already below the top: passes through
        {0, 233.5f, -3, false},                           // this move still ends above the top
        {0, 231.5f, 6, false},                            // rising through from below
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "dx " << c.dx << " y " << c.y << " vy " << c.vy);
        level = JTCore::makeRef<ProbedLevel>(driver.context());
        isolate(300 + c.dx, c.y, 0, c.vy);
        level->setPlatform(0, 300, 200, VerticalLevel::kPlatform);
        driver.tick(*level);
        EXPECT_EQ(!level->landings.empty(), c.lands);
        EXPECT_EQ(driver.core.sounds, c.lands ? std::vector<int>{1} : std::vector<int>{});
    }
}

TEST_F(LevelFixture, HighestPlatformCrossedWinsAndEqualHeightsGoToTheLowerSlot) {
    isolate(300, 240, 0, -30);  // this move drops him by 10, past tops at 232 and 235
    level->setPlatform(5, 300, 200, VerticalLevel::kPlatform);
    level->setPlatform(7, 300, 203, VerticalLevel::kPlatform);
    level->setPlatform(9, 310, 203, VerticalLevel::kPlatform);
    level->setPlatform(2, 295, 200, VerticalLevel::kPlatform);
    driver.tick(*level);
    EXPECT_EQ(level->landings, std::vector<int>{7});
    EXPECT_EQ(level->getHeroY(), 235.0f + 20.0f * kThird);

    level->landings.clear();
    level->setPlatform(7, 0, 0, VerticalLevel::kFree);
    level->setPlatform(9, 0, 0, VerticalLevel::kFree);
    level->setHero(300, 240, 0, -30);
    driver.tick(*level);
    EXPECT_EQ(level->landings, std::vector<int>{2});
}

TEST_F(LevelFixture, SidesJoinJustBeyondThePlatformWidth) {
    const std::pair<float, float> cases[] = {
        {-32.5f, 672.0f}, {672.5f, -32.0f}, {-32.0f, -32.0f}, {672.0f, 672.0f}, {0.0f, 0.0f}};
    for (const auto& [from, to] : cases) {
        SCOPED_TRACE(from);
        level = JTCore::makeRef<ProbedLevel>(driver.context());
        isolate(from, 300, 0, 0);
        driver.tick(*level);
        EXPECT_EQ(level->getHeroX(), to);
    }
}

TEST_F(LevelFixture, JumpSpeedDropsEvery8192UnitsToAFloorOf4) {
    EXPECT_EQ(level->jumpSpeed(0), 20.0f);
    EXPECT_EQ(level->jumpSpeed(8791), 20.0f);
    EXPECT_EQ(level->jumpSpeed(8792), 19.0f);
    EXPECT_EQ(level->jumpSpeed(600 + 16 * 8192 - 1), 5.0f);
    EXPECT_EQ(level->jumpSpeed(600 + 16 * 8192), 4.0f);
    EXPECT_EQ(level->jumpSpeed(50'000'000), 4.0f);
    EXPECT_EQ(level->jumpSpeed(std::numeric_limits<int>::max()), 4.0f);

    // A landing far up bounces at the floor speed.
    isolate(300, 200032.5f, 0, -3);
    level->setScroll(199800);
    level->setPlatform(0, 300, 200000, VerticalLevel::kPlatform);
    driver.tick(*level);
    ASSERT_EQ(level->landings, std::vector<int>{0});
    EXPECT_EQ(level->getHeroVy(), 4.0f + kGravity);
}

TEST_F(LevelFixture, ScrollStartsOnceTheHeroIsMoreThan350AboveTheBottomAndScores) {
    isolate(320, 350.5f, 0, 3);
    EXPECT_EQ(level->getScroll(), 0);
    driver.tick(*level);  // 350.5 -> 351.5
    EXPECT_EQ(level->getScroll(), 1);
    EXPECT_EQ(level->getScore(), 1);
}

TEST_F(LevelFixture, ScoreIsTheHeightRisenThroughAWholeGame) {
    play();
    int highest = 0;
    int ticks = 0;
    while (level->getState() == GameSceneBase::kStatePlaying && ticks < 20000) {
        driver.tick(*level, testsupport::LevelDriver::autopilotTilt(*level));
        ++ticks;
        if (level->getState() != GameSceneBase::kStatePlaying) break;
        highest = std::max(highest, static_cast<int>(level->getHeroY()));
        ASSERT_EQ(level->getScore(), level->getScroll());
        ASSERT_EQ(level->getScroll(), std::max(0, highest - 350));
    }
    EXPECT_GT(level->getScore(), 2000) << "the autopilot should climb well past the flat start";
    // Scrolling frees the platforms that leave the screen and refills above.
    for (int i = 0; i < VerticalLevel::kPlatformSlots; ++i) {
        if (level->platformKind(i) != VerticalLevel::kFree) {
            EXPECT_GE(level->platformY(i), level->getScroll());
        }
    }
}

TEST_F(LevelFixture, FallingBelowTheScreenEndsTheGameAndReportsTheScoreOnce) {
    isolate(320, 400, 0, 0);
    level->setScroll(100);
    level->addScore(100);
    int ticks = 0;
    while (level->getState() == GameSceneBase::kStatePlaying && ticks < 1000) {
        driver.tick(*level);
        ++ticks;
    }
    ASSERT_EQ(level->getState(), GameSceneBase::kStateGameOver);
    EXPECT_EQ(driver.core.sounds, std::vector<int>{0});
    EXPECT_LT(level->getHeroY() - 100 + 32, 0.0f);

    // The fall: the view follows the hero down, his speed stops at the first value at or below -70.
    for (int t = 1; t <= 150; ++t) {
        const float vy = level->getHeroVy();
        const int scroll = level->getScroll();
        if (t < 150) {
            EXPECT_TRUE(driver.view.gameOvers.empty());
        }
        driver.tick(*level);
        EXPECT_EQ(level->getScroll(), scroll + static_cast<int>(vy * kThird));
        EXPECT_EQ(level->getHeroY(), static_cast<float>(level->getScroll() - 64));
        EXPECT_EQ(level->getHeroVy(), vy > -70 ? vy + kGravity : vy);
    }
    EXPECT_LE(level->getHeroVy(), -70.0f);
    EXPECT_GT(level->getHeroVy(), -70.0f + kGravity);
    EXPECT_EQ(driver.view.gameOvers, std::vector<int>{100});
    driver.run(*level, 300);
    EXPECT_EQ(driver.view.gameOvers.size(), 1u);
    EXPECT_EQ(driver.core.sounds, std::vector<int>{0});
}

TEST_F(LevelFixture, TiltSetsTheSpeedAndBrokenSamplesAreClamped) {
    isolate(320, 300, 0, 0);
    const std::pair<double, float> cases[] = {
        {0.5, 32.0f},
        {-0.26, -16.0f},  // truncated toward zero
        {4.0, 256.0f},
        {5.0, 320.0f},  // a hard shake steers as hard as it reads
        {-4.7, -300.0f},
        {std::nan(""), 0.0f},
        {1e30, 2147483648.0f},  // past the int range: as far as an int goes
        {-std::numeric_limits<double>::infinity(), -2147483648.0f},
    };
    for (const auto& [tilt, vx] : cases) {
        SCOPED_TRACE(tilt);
        level->setHero(320, 300, 7, 0);
        driver.tick(*level, tilt);
        EXPECT_EQ(level->getHeroVx(), vx);
    }
}

TEST_F(LevelFixture, TouchSteersByScreenHalfWithoutFriction) {
    level->setControlMode(VerticalLevel::kControlTouch);
    isolate(320, 300, 0, 0);
    EXPECT_TRUE(level->isHintPending());
    driver.touch(100, 50);
    driver.tick(*level);
    EXPECT_EQ(level->getHeroVx(), kSteerLeft);
    EXPECT_FALSE(level->isHintPending());
    driver.tick(*level);
    EXPECT_EQ(level->getHeroVx(), kSteerLeft + kSteerLeft);
    driver.touch(200, 50);
    driver.tick(*level);
    driver.release();
    driver.tick(*level);  // nobody touching: the speed stays
    EXPECT_EQ(level->getHeroVx(), kSteerLeft + kSteerLeft + kSteerRight);
}

TEST_F(LevelFixture, KeysSteerWithBits2And3) {
    level->setControlMode(VerticalLevel::kControlKeys);
    isolate(320, 300, 0, 0);
    driver.setKeys(1 << 3);
    driver.tick(*level);
    EXPECT_EQ(level->getHeroVx(), kSteerRight);
    EXPECT_FALSE(level->isHintPending());
    driver.setKeys((1 << 2) | (1 << 3));
    driver.tick(*level);
    EXPECT_EQ(level->getHeroVx(), kSteerRight + kSteerLeft + kSteerRight);
}

TEST_F(LevelFixture, HintsAppearOnlyWhileNoSteeringInputCame) {
    struct Case {
        int mode;
        int firstHintTick;
        int period;
    };
    for (const Case& c :
         {Case{VerticalLevel::kControlKeys, 300, 500}, Case{VerticalLevel::kControlTouch, 300, 450},
          Case{VerticalLevel::kControlTilt, -1, 0}}) {
        SCOPED_TRACE(c.mode);
        level = JTCore::makeRef<ProbedLevel>(driver.context());
        level->setControlMode(c.mode);
        play();
        auto label = level->getMessageLabel();
        std::vector<int> shownAt;
        const Texture2D* texture = label->texture();
        for (int t = 1; t <= 1000; ++t) {
            level->setHero(320, 300, 0, 0);  // keep him playing
            driver.tick(*level);
            if (label->texture() != texture) shownAt.push_back(level->getStateTicks());
            texture = label->texture();
        }
        if (c.firstHintTick < 0) {
            EXPECT_TRUE(shownAt.empty());
        } else {
            EXPECT_EQ(shownAt, (std::vector<int>{c.firstHintTick, c.firstHintTick + c.period}));
        }
        EXPECT_TRUE(level->isHintPending());
    }
}

TEST_F(LevelFixture, OtherControlModesDoNotSteer) {
    level->setControlMode(7);
    isolate(320, 300, 5, 0);
    driver.tick(*level, 1.0);
    EXPECT_EQ(level->getHeroVx(), 5.0f);
}

// The arrow keys through the game: the shortest tap nudges Mr.Tiko a little, a key held a while
// sends him across.
TEST_F(LevelFixture, ArrowKeysNudgeOnATapAndSteerFastWhenHeld) {
    play();
    auto travel = [&](double holdSeconds) {
        platform::KeyTiltRamp ramp;
        const double start = 100.0;
        ramp.press(platform::KeyTiltRamp::Side::Right, start);
        ramp.release(platform::KeyTiltRamp::Side::Right, start + holdSeconds);
        float distance = 0;
        float x = level->getHeroX();
        for (int tick = 1; tick <= 100; ++tick) {
            driver.tick(*level, ramp.valueAt(start + tick * 0.010));
            float dx = level->getHeroX() - x;
            // Off one side of the world, on at the other.
            if (dx > VerticalLevel::kWorldWidth / 2.0f) dx -= VerticalLevel::kWorldWidth;
            if (dx < -VerticalLevel::kWorldWidth / 2.0f) dx += VerticalLevel::kWorldWidth;
            distance += std::fabs(dx);
            x = level->getHeroX();
        }
        return distance / VerticalLevel::kWorldWidth;
    };
    const float tap = travel(0);
    EXPECT_GT(tap, 0.005f) << "a tap moves him";
    EXPECT_LT(tap, 0.03f) << "the shortest tap throws him " << tap * 100 << " % of the width";
    EXPECT_GT(travel(0.5), 10 * tap);
}
