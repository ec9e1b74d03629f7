#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstdint>
#include <memory>
#include <vector>

#include "LevelTestKit.h"
#include "appbase/JTTextLabel.h"
#include "appbase/Texture2D.h"
#include "levels/LevelRightEnemy.h"
#include "levels/LevelRightEnemy_Enemy.h"
#include "levels/LevelRightEnemy_Hamburger.h"
#include "levels/LevelRightEnemy_Tama.h"
#include "support/GLTestContext.h"
#include "support/LevelDriver.h"

using JTApp::GameSceneBase;
using JTApp::LevelRightEnemy;
using JTApp::LevelRightEnemy_Enemy;
using JTApp::LevelRightEnemy_Hamburger;
using JTApp::LevelRightEnemy_Tama;
using JTApp::SidewaysLevel;
using JTApp::VerticalLevel;
using JTCore::makeRef;
using JTCore::Ref;
using leveltest::activeCount;
using leveltest::aheadTilt;
using leveltest::solidTexture;

namespace {

const float kThird = std::bit_cast<float>(0x3EAAAAABu);
const float kDamping = std::bit_cast<float>(0x3F7FAA8Eu);
const float kKnockBackDecay = std::bit_cast<float>(0x3F7A8D31u);
constexpr int kFireRight = 1 << 5;

class ProbedRightEnemy : public LevelRightEnemy {
  public:
    using LevelRightEnemy::LevelRightEnemy;
    using LevelRightEnemy::setNextEnemyX;
    using LevelRightEnemy::setNextHamburgerX;
    using SidewaysLevel::setNextPlatformX;
    using SidewaysLevel::setScrollX;
    using VerticalLevel::clearPlatforms;
    using VerticalLevel::setHero;

    Ref<LevelRightEnemy_Enemy> enemy(int i) const { return getEnemyPool()->getAs<LevelRightEnemy_Enemy>(i); }
    Ref<LevelRightEnemy_Tama> tama(int i) const { return getTamaPool()->getAs<LevelRightEnemy_Tama>(i); }
    Ref<LevelRightEnemy_Hamburger> hamburger(int i) const {
        return getHamburgerPool()->getAs<LevelRightEnemy_Hamburger>(i);
    }
};

struct RightEnemyFixture : leveltest::LevelTest<ProbedRightEnemy> {
    RightEnemyFixture() : LevelTest(11, 29, "Level: Right+Enemy") {}
    // Playing, the hero alone at (x, y) in a view whose left edge is at `scrollX`, nothing due.
    void isolate(int scrollX, float x, float y) {
        driver.run(*level, 150);
        ASSERT_EQ(level->getState(), GameSceneBase::kStatePlaying);
        level->clearPlatforms();
        level->setScrollX(scrollX);
        level->setNextPlatformX(scrollX + 100000);
        level->setNextEnemyX(1 << 30);
        level->setNextHamburgerX(1 << 30);
        level->setHero(x, y, 0, 0);
        driver.core.sounds.clear();
    }
    // Keeps the hero hovering in place for one tick.
    void hover() {
        level->setHero(level->getHeroX(), level->getHeroY(), 0, 0);
        driver.tick(*level);
    }
};

}  // namespace

TEST_F(RightEnemyFixture, StartsAsLevelRightWithThreeShotsAndTheFirstEnemyComesInAtTheRight) {
    EXPECT_EQ(level->getHeroX(), 60.0f);
    EXPECT_EQ(level->getHeroY(), 300.0f);
    EXPECT_EQ(level->platformY(2), 168);
    EXPECT_EQ(level->getFire(), 3);
    EXPECT_EQ(level->getNextEnemyX(), 0);
    EXPECT_EQ(level->getNextHamburgerX(), 1000);
    EXPECT_EQ(level->getDifficulty(3200 + 5), 5);
    for (int i = 0; i < 8; ++i) ASSERT_TRUE(level->enemy(i));
    for (int i = 0; i < 4; ++i) ASSERT_TRUE(level->tama(i) && level->hamburger(i));
    for (uint64_t seed : {1u, 2u, 3u, 4u, 5u, 6u, 7u, 8u}) {
        SCOPED_TRACE(seed);
        testsupport::LevelDriver d(seed, 29, "Level: Right+Enemy");
        auto l = makeRef<ProbedRightEnemy>(d.context());
        d.run(*l, 151);
        ASSERT_EQ(l->getState(), GameSceneBase::kStatePlaying);
        ASSERT_EQ(activeCount(l->getEnemyPool()), 1);
        auto enemy = l->enemy(0);
        // Placed at x 720 just past the first screen, then pulled one tick toward the hero.
        EXPECT_EQ(std::round(enemy->getX() - kThird * enemy->getVx() / 256), 720.0f);
        const float y0 = std::round(enemy->getY() - kThird * enemy->getVy() / 256);
        EXPECT_GE(y0, 200.0f);
        EXPECT_LE(y0, 499.0f);
        EXPECT_GE(l->getNextEnemyX(), 800);
        EXPECT_LT(l->getNextEnemyX(), 1200);
    }
}

TEST_F(RightEnemyFixture, SpawnsFollowTheScrollXAndAFullPoolOnlyMovesTheThresholdOn) {
    isolate(1000, 1200, 2000);
    level->setNextHamburgerX(1000);
    level->setNextEnemyX(1001);
    hover();
    auto h = level->hamburger(0);
    ASSERT_TRUE(h->isActive());
    EXPECT_EQ(h->getX(), 1720.0f);
    EXPECT_GE(h->getY(), 64.0f);
    EXPECT_LT(h->getY(), 416.0f);
    EXPECT_GE(level->getNextHamburgerX(), 1500);
    EXPECT_LT(level->getNextHamburgerX(), 2500);
    EXPECT_EQ(activeCount(level->getEnemyPool()), 0);
    EXPECT_EQ(level->getNextEnemyX(), 1001);

    for (int i = 0; i < 8; ++i) level->enemy(i)->place(3000.0f + 100 * i, 6000);
    for (int i = 1; i < 4; ++i) level->hamburger(i)->place(1500, 5000);
    level->setNextEnemyX(1000);
    level->setNextHamburgerX(1000);
    hover();
    EXPECT_GE(level->getNextEnemyX(), 1800);
    EXPECT_LT(level->getNextEnemyX(), 2200);
    EXPECT_GE(level->getNextHamburgerX(), 1500);
    EXPECT_LT(level->getNextHamburgerX(), 2500);
    EXPECT_EQ(h->getX(), 1720.0f);
    for (int i = 1; i < 4; ++i) EXPECT_EQ(level->hamburger(i)->getX(), 1500.0f);
}

TEST_F(RightEnemyFixture, EnemiesChaseAtAFixedPullTwiceAsFastAndAreGivenUpFarBehind) {
    isolate(50000, 50200, 2000);
    EXPECT_EQ(kDamping, static_cast<float>(std::pow(0.99609375, 1.0 / 3)));
    auto enemy = level->enemy(0);
    // Far along, yet the pull is 25; level with the hero counts as below him.
    enemy->place(50100, 2000);
    enemy->update();
    EXPECT_EQ(enemy->getVx(), (kThird * 25) * kDamping);
    EXPECT_EQ(enemy->getVy(), (kThird * 25) * kDamping);

    // The chase tends to about 6383, 8.31 units a tick (near the start, where floats are fine).
    level->setScrollX(0);
    level->setHero(200, 2000, 0, 0);
    enemy->place(60000, 62000);
    for (int t = 0; t < 6000; ++t) enemy->update();
    ASSERT_TRUE(enemy->isActive());
    EXPECT_NEAR(enemy->getVx(), -6383, 3);
    const float before = enemy->getX();
    enemy->update();
    EXPECT_NEAR(enemy->getX() - before, -8.31, 0.01);

    // Outrun: gone once more than 1280 behind the view's left edge after its move.
    level->setScrollX(50000);
    level->setHero(50200, 2000, 0, 0);
    enemy->place(50000 - 1280, 2000);
    enemy->update();
    EXPECT_TRUE(enemy->isActive());
    enemy->place(50000 - 1281, 2000);
    enemy->update();
    EXPECT_FALSE(enemy->isActive());
}

TEST_F(RightEnemyFixture, ContactThrowsTheHeroBackAndTheKnockBackFadesOverNinetyTicks) {
    isolate(50000, 50200, 2000);
    level->enemy(0)->place(50200 + 54, 2000 - 54);
    hover();
    EXPECT_EQ(driver.core.sounds, std::vector<int>{3});
    EXPECT_EQ(level->getHurtTimer(), 90);
    const float push = level->getKnockBackVx();
    EXPECT_EQ(push, std::round(push));
    EXPECT_GE(push, -29.0f);
    EXPECT_LE(push, -20.0f);
    level->enemy(0)->deactivate();

    float expected = push;
    for (int t = 89; t >= 0; --t) {
        const float x = level->getHeroX();
        hover();
        // Moved by this tick's push, which then fades; the left edge of the view stops him.
        ASSERT_EQ(level->getHeroX(), std::max(x + expected * kThird, 50032.0f));
        expected *= kKnockBackDecay;
        ASSERT_EQ(level->getHurtTimer(), t);
        ASSERT_EQ(level->getKnockBackVx(), expected);
    }
    const float x = level->getHeroX();
    hover();
    EXPECT_EQ(level->getHeroX(), x);
}

TEST_F(RightEnemyFixture, FireballsLabelsAndHamburgersKeepToTheScrolledView) {
    isolate(50000, 50200, 2000);
    const int score = level->getScore();
    level->enemy(1)->place(50010, 2100);
    level->enemy(2)->place(50745, 2100);
    auto tama = level->tama(0);
    tama->launch(50020, 2100, 30);
    tama->update();
    EXPECT_EQ(tama->getHits(), 1);
    EXPECT_EQ(level->enemy(1)->getX(), 50096.0f);
    EXPECT_EQ(level->getScore(), score + 1000);

    // From the right edge it flies until 740 beyond the left one, and hits on its last tick.
    tama->launch(50640, 2100, 30);
    float last = 0;
    while (tama->isActive()) {
        last = tama->getX();
        tama->update();
    }
    EXPECT_LE(last - 50000, 740.0f);
    EXPECT_GT(tama->getX() - 50000, 740.0f);
    EXPECT_EQ(level->enemy(2)->getMode(), LevelRightEnemy_Enemy::kHit);
    EXPECT_EQ(level->enemy(2)->getX(), 50544.0f);
    tama->launch(49910, 2100, -30);
    tama->update();
    EXPECT_TRUE(tama->isActive());
    tama->update();
    EXPECT_FALSE(tama->isActive());

    auto h = level->hamburger(0);
    h->place(50620, 2064);
    level->setHero(50556, 2000, 0, 0);
    driver.core.sounds.clear();
    h->update();
    EXPECT_EQ(h->getMode(), LevelRightEnemy_Hamburger::kEaten);
    EXPECT_EQ(h->getX(), 50544.0f);
    EXPECT_EQ(level->getFire(), 6);
    EXPECT_EQ(driver.core.sounds, std::vector<int>{2});
    // Waiting ones go behind the left edge, not below the screen.
    h->place(50300, -5000);
    h->update();
    EXPECT_TRUE(h->isActive());
    h->place(50000 - 64, 5000);
    h->update();
    EXPECT_TRUE(h->isActive());
    h->place(50000 - 65, 5000);
    h->update();
    EXPECT_FALSE(h->isActive());
}

TEST_F(RightEnemyFixture, ShotsAimFromTheHerosScrolledScreenPosition) {
    isolate(50000, 50250, 2000);  // on screen at x 125
    driver.touch(120, 50);
    hover();
    EXPECT_EQ(level->tama(0)->getVx(), -30.0f);
    EXPECT_EQ(level->tama(0)->getX(), 50220 - 30 * kThird);
    EXPECT_EQ(driver.core.sounds, std::vector<int>{5});
    driver.release();
    hover();
    driver.touch(130, 50);
    hover();
    EXPECT_EQ(level->tama(1)->getVx(), 30.0f);
    EXPECT_EQ(level->getFire(), 1);
}

TEST_F(RightEnemyFixture, KeysModeHintsAtFiringOnceInsteadOfMoving) {
    level->setControlMode(VerticalLevel::kControlKeys);
    isolate(50000, 50200, 2000);
    auto label = level->getMessageLabel();
    const Texture2D* texture = label->texture();
    std::vector<int> shownAt;
    for (int t = 1; t <= 1000; ++t) {
        hover();
        if (label->texture() != texture) shownAt.push_back(level->getStateTicks());
        texture = label->texture();
    }
    // Level Right would hint at moving every 500 ticks.
    EXPECT_EQ(shownAt, std::vector<int>{300});
    EXPECT_TRUE(level->isHintPending());
    driver.setKeys(kFireRight);
    hover();
    EXPECT_EQ(level->tama(0)->getVx(), 30.0f);
    EXPECT_FALSE(level->isHintPending());
}

TEST_F(RightEnemyFixture, HeroFacesRightBlinksWhenHurtAndActorsDrawRelativeToTheScroll) {
    ASSERT_TRUE(gl.ok()) << gl.error();
    auto hero = solidTexture(255, 0, 0);
    auto ouch = solidTexture(0, 255, 0);
    auto enemy = solidTexture(0, 0, 255);
    auto left = solidTexture(255, 255, 0);
    driver.core.textures[2] = hero.get();
    driver.core.textures[3] = ouch.get();
    driver.core.textures[11] = enemy.get();
    driver.core.textures[12] = left.get();
    isolate(50000, 50200, 300);               // feet on screen at (100, 480 - 268 x 480 / 640 = 279)
    level->enemy(0)->place(50100, 400);       // screen (50, 180)
    level->tama(0)->launch(50400, 200, -30);  // screen (200 + 20, 330)
    using Px = std::array<uint8_t, 4>;
    const Px black{0, 0, 0, 255};
    for (int timer : {0, 9, 12, 13, 17}) {
        SCOPED_TRACE(timer);
        level->setHurtTimer(timer);
        gl.clear(0, 0, 0, 1);
        driver.render(*level);
        const bool shown = timer == 0 || timer % 9 <= 3;
        const Px heroColour = timer == 0 ? Px{255, 0, 0, 255} : Px{0, 255, 0, 255};
        EXPECT_EQ(gl.pixel(100, 276), shown ? heroColour : black);
        EXPECT_EQ(gl.pixel(50, 180), (Px{0, 0, 255, 255}));
        EXPECT_EQ(gl.pixel(220, 330), (Px{255, 255, 0, 255}));
    }
}

namespace {

// A player heading right.
double pilot(const SidewaysLevel& level) {
    return aheadTilt(level);
}

struct Outcome {
    std::vector<int64_t> trace;
    std::vector<int> sounds;
    std::vector<int> gameOvers;
    int score = 0;
};

// A game of the pilot tapping to the right of the hero every 40 ticks.
Outcome playGame(uint64_t seed) {
    GLTestContext gl{320, 480};
    testsupport::LevelDriver d(seed, 29, "Level: Right+Enemy");
    auto l = makeRef<LevelRightEnemy>(d.context());
    Outcome o;
    for (int t = 0; t < 40000 && l->getState() != GameSceneBase::kStateGameOver; ++t) {
        if (t % 40 == 0) d.touch(300, 100);
        if (t % 40 == 5) d.release();
        d.tick(*l, pilot(*l));
        if (t % 25 == 0) {
            o.trace.insert(o.trace.end(),
                           {l->getScrollX(), l->getFire(), l->getHurtTimer(), l->getScore(),
                            std::bit_cast<int32_t>(l->getHeroX()), std::bit_cast<int32_t>(l->getHeroY())});
        }
    }
    d.render(*l);
    d.run(*l, 400);
    o.sounds = d.core.sounds;
    o.gameOvers = d.view.gameOvers;
    o.score = l->getScore();
    return o;
}

}  // namespace

TEST(LevelRightEnemyGameTest, AWholeGameEndsInOneReportAndReplaysFromItsSeed) {
    const Outcome a = playGame(29);
    ASSERT_EQ(a.gameOvers.size(), 1u);
    EXPECT_EQ(a.gameOvers[0], a.score);
    EXPECT_EQ(std::count(a.sounds.begin(), a.sounds.end(), 0), 1);
    EXPECT_GT(std::count(a.sounds.begin(), a.sounds.end(), 5), 0) << "taps should have shot";
    EXPECT_GT(std::count(a.sounds.begin(), a.sounds.end(), 4), 0) << "shots should have hit";

    const Outcome b = playGame(29);
    EXPECT_EQ(b.trace, a.trace);
    EXPECT_EQ(b.sounds, a.sounds);
    EXPECT_EQ(b.gameOvers, a.gameOvers);
    EXPECT_NE(playGame(30).trace, a.trace);
}

TEST_F(RightEnemyFixture, HamburgersComeAtEveryHeightFrom64To415) {
    isolate(1000, 1200, 2000);
    int lowest = 1 << 30;
    int highest = -(1 << 30);
    for (int i = 0; i < 4000; ++i) {
        for (int h = 0; h < 4; ++h) level->hamburger(h)->deactivate();
        level->setNextHamburgerX(level->getScrollX());
        hover();
        auto h = level->hamburger(0);
        ASSERT_TRUE(h->isActive());
        const float y = h->getY();
        ASSERT_EQ(y, std::floor(y));
        lowest = std::min(lowest, static_cast<int>(y));
        highest = std::max(highest, static_cast<int>(y));
    }
    // 352 heights, each drawn about 11 times: both ends come up, nothing beyond them.
    EXPECT_EQ(lowest, 64);
    EXPECT_EQ(highest, 415);
}
