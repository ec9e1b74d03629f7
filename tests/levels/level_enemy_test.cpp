#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "LevelTestKit.h"
#include "appbase/JTCanvas.h"
#include "appbase/JTTextLabel.h"
#include "appbase/Texture2D.h"
#include "core/Utf16.h"
#include "levels/LevelEnemy.h"
#include "levels/LevelEnemy_Enemy.h"
#include "levels/LevelEnemy_Hamburger.h"
#include "levels/LevelEnemy_Tama.h"
#include "support/GLTestContext.h"
#include "support/LevelDriver.h"

using JTApp::GameSceneBase;
using JTApp::LevelEnemy;
using JTApp::LevelEnemy_Enemy;
using JTApp::LevelEnemy_Hamburger;
using JTApp::LevelEnemy_Tama;
using JTApp::VerticalLevel;
using JTCore::makeRef;
using JTCore::Ref;
using leveltest::activeCount;
using leveltest::count;
using leveltest::RecordingContext;
using leveltest::solidTexture;

namespace {

const float kThird = std::bit_cast<float>(0x3EAAAAABu);
const float kDamping = std::bit_cast<float>(0x3F7F54E3u);
const float kKnockBackDecay = std::bit_cast<float>(0x3F7A8D31u);
constexpr int kFireLeft = 1 << 4;
constexpr int kFireRight = 1 << 5;

class ProbedEnemyLevel : public LevelEnemy {
  public:
    using LevelEnemy::LevelEnemy;
    using LevelEnemy::setNextEnemyY;
    using LevelEnemy::setNextHamburgerY;
    using VerticalLevel::clearPlatforms;
    using VerticalLevel::setHero;
    using VerticalLevel::setPlatform;
    using VerticalLevel::setScroll;
    using VerticalLevel::setTop;

    Ref<LevelEnemy_Enemy> enemy(int i) const { return getEnemyPool()->getAs<LevelEnemy_Enemy>(i); }
    Ref<LevelEnemy_Tama> tama(int i) const { return getTamaPool()->getAs<LevelEnemy_Tama>(i); }
    Ref<LevelEnemy_Hamburger> hamburger(int i) const {
        return getHamburgerPool()->getAs<LevelEnemy_Hamburger>(i);
    }
};

struct EnemyFixture : leveltest::LevelTest<ProbedEnemyLevel> {
    EnemyFixture() : LevelTest(11, 22, "Level: Enemy") {}
    // Playing, the hero alone at (x, y) high above a screen scrolled to 10000, no spawn due.
    void isolate(float x, float y) {
        play();
        level->clearPlatforms();
        level->setScroll(10000);
        level->setTop(10700);  // platforms enough above the screen: none generated
        level->setNextEnemyY(1 << 30);
        level->setNextHamburgerY(1 << 30);
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

TEST_F(EnemyFixture, DifficultyIsTwoThirdsOfTheHeightAndPacesSpawnsAndJumps) {
    EXPECT_EQ(level->getDifficulty(0), 0);
    EXPECT_EQ(level->getDifficulty(301), 200);
    EXPECT_EQ(level->getDifficulty(-301), -200);
    EXPECT_EQ(level->getDifficulty(std::numeric_limits<int>::max()), 1431655764);
    // Unlike the plain climb, the jump weakens already at 12288 (difficulty 8192).
    EXPECT_EQ(level->jumpSpeed(12287), 20.0f);
    EXPECT_EQ(level->jumpSpeed(12288), 19.0f);
    EXPECT_EQ(LevelEnemy::enemyInterval(0), 1050);
    EXPECT_EQ(LevelEnemy::hamburgerInterval(0), 840);
    EXPECT_EQ(LevelEnemy::enemyInterval(8192), 5 * 190);
    EXPECT_EQ(LevelEnemy::hamburgerInterval(8192), 190 * (8192 / 5 + 1024) / 256);
    EXPECT_EQ(LevelEnemy::enemyInterval(16 * 8192), 50);
    EXPECT_EQ(LevelEnemy::enemyInterval(std::numeric_limits<int>::max()), 50);
    // At the far end the hamburger product no longer fits 32 bits; the interval still grows.
    EXPECT_EQ(LevelEnemy::hamburgerInterval(1431655764),
              static_cast<int>(10LL * (1431655764 / 5 + 1024) / 256));
}

TEST_F(EnemyFixture, StartsWithThreeShotsAndTheFirstPlayingTickSpawnsAnEnemyAt680) {
    EXPECT_EQ(level->getFire(), 3);
    EXPECT_EQ(level->getNextHamburgerY(), 1000);
    EXPECT_EQ(level->getHeroY(), 100.0f);
    EXPECT_EQ(level->platformY(0), 60);
    for (uint64_t seed : {1u, 2u, 3u, 4u, 5u, 6u, 7u, 8u}) {
        SCOPED_TRACE(seed);
        testsupport::LevelDriver d(seed, 22, "Level: Enemy");
        auto l = makeRef<ProbedEnemyLevel>(d.context());
        EXPECT_EQ(activeCount(l->getEnemyPool()), 0);
        d.run(*l, 151);
        ASSERT_EQ(l->getState(), GameSceneBase::kStatePlaying);
        ASSERT_EQ(activeCount(l->getEnemyPool()), 1);
        auto enemy = l->enemy(0);
        // Placed left or right of the centre by 200 to 339, then pulled one tick toward the hero.
        const float x0 = std::round(enemy->getX() - kThird * enemy->getVx() / 256);
        EXPECT_NEAR(enemy->getY(), 680, 0.02);
        EXPECT_TRUE((x0 >= -19 && x0 <= 120) || (x0 >= 520 && x0 <= 659)) << x0;
        EXPECT_EQ(l->getNextEnemyY(), 1050);
    }
}

TEST_F(EnemyFixture, DueSpawnsWithFullPoolsPlaceNothingButMoveOn) {
    isolate(320, 10300);
    for (int i = 0; i < 8; ++i) level->enemy(i)->place(static_cast<float>(i * 80), 10500);
    for (int i = 0; i < 4; ++i) level->hamburger(i)->place(320, 10650);
    level->setHurtTimer(500);  // nothing eats or hurts meanwhile
    level->setNextEnemyY(9000);
    level->setNextHamburgerY(9500);
    hover();
    EXPECT_EQ(level->getNextEnemyY(), 9000 + LevelEnemy::enemyInterval(6000));
    EXPECT_EQ(
        level->getNextHamburgerY(),
        9500 + LevelEnemy::hamburgerInterval(level->getDifficulty(9000 + LevelEnemy::enemyInterval(6000))));
    for (int i = 0; i < 4; ++i) EXPECT_EQ(level->hamburger(i)->getY(), 10650.0f);

    // With room in the pool the hamburger comes 700 above the screen's bottom.
    level->hamburger(2)->deactivate();
    level->setNextHamburgerY(10000);
    hover();
    auto h = level->hamburger(2);
    ASSERT_TRUE(h->isActive());
    EXPECT_EQ(h->getY(), 10700.0f);
    EXPECT_GE(h->getX(), 64.0f);
    EXPECT_LT(h->getX(), 576.0f);
}

TEST_F(EnemyFixture, EnemyChasesWithDampedPullAndLevelCountsAsBelow) {
    isolate(320, 10300);
    auto enemy = level->enemy(0);
    enemy->place(100, 10300);  // exactly level: the pull is upward
    enemy->update();
    const float a = static_cast<float>(25 + level->getDifficulty(10000) / 200);
    EXPECT_EQ(enemy->getVx(), (kThird * a) * kDamping);
    EXPECT_EQ(enemy->getVy(), (kThird * a) * kDamping);
    EXPECT_GT(enemy->getY(), 10300.0f);
    EXPECT_EQ(kDamping, static_cast<float>(std::pow(0.9921875, 1.0 / 3)));

    // At difficulty 0 a chase in one direction tends to about 3183, 4.14 units a tick.
    level->setScroll(0);
    enemy->place(-12700, -2700);
    for (int t = 0; t < 3000; ++t) enemy->update();
    EXPECT_NEAR(enemy->getVx(), 3183, 2);
    const float before = enemy->getX();
    enemy->update();
    EXPECT_NEAR(enemy->getX() - before, 4.14, 0.01);
}

TEST_F(EnemyFixture, ContactHurtsOnceAndFlicksTheHeroTowardTheMiddle) {
    for (float heroX : {400.0f, 320.0f}) {
        SCOPED_TRACE(heroX);
        level = makeRef<ProbedEnemyLevel>(driver.context());
        isolate(heroX, 10300);
        level->enemy(0)->place(heroX + 54, 10300 - 54);
        level->enemy(1)->place(heroX - 10, 10300);
        hover();
        EXPECT_EQ(driver.core.sounds, std::vector<int>{3});
        // Set to 90 by the first enemy, then counted down on the next tick.
        EXPECT_EQ(level->getHurtTimer(), 90);
        const float push = level->getKnockBackVx();
        EXPECT_EQ(push, std::round(push));
        EXPECT_GE(std::fabs(push), 20.0f);
        EXPECT_LE(std::fabs(push), 29.0f);
        EXPECT_EQ(push<0, heroX> 320);

        // While hurt: the push moves him and fades, the other enemy passes through him.
        const float x = level->getHeroX();
        hover();
        EXPECT_EQ(level->getHurtTimer(), 89);
        EXPECT_EQ(level->getKnockBackVx(), push * kKnockBackDecay);
        EXPECT_EQ(level->getHeroX(), x + push * kThird);
        EXPECT_EQ(driver.core.sounds, std::vector<int>{3});
    }
    // Once the timer runs out the push no longer applies.
    level->setHurtTimer(0);
    for (int i = 0; i < 8; ++i) level->enemy(i)->deactivate();
    const float x = level->getHeroX();
    hover();
    EXPECT_EQ(level->getHeroX(), x);
}

TEST_F(EnemyFixture, OneFireballThroughThreeEnemiesScoresMoreForEach) {
    isolate(320, 10300);
    level->enemy(1)->place(20, 10400);
    level->enemy(3)->place(40, 10420);
    level->enemy(5)->place(700, 10380);
    level->enemy(6)->place(60, 10400);
    level->enemy(6)->hit(500);  // already showing its points: not hit again
    const int score = level->getScore();
    driver.core.sounds.clear();
    auto tama = level->tama(0);
    tama->launch(30 - 30 * kThird, 10400, 30);
    tama->update();
    EXPECT_EQ(tama->getHits(), 2);
    EXPECT_EQ(level->getScore(), score + 1000 + 2000);
    EXPECT_EQ(driver.core.sounds, (std::vector<int>{4, 4, 4, 4}));
    EXPECT_EQ(level->enemy(1)->getMode(), LevelEnemy_Enemy::kHit);
    EXPECT_EQ(level->enemy(1)->getX(), 96.0f);  // the points stay clear of the side
    EXPECT_EQ(level->enemy(3)->getX(), 96.0f);
    EXPECT_EQ(level->enemy(6)->getTimer(), 180);

    // Past 740 it goes back to the pool but still hits on that last tick.
    tama->launch(739, 10380, 30);
    tama->update();
    EXPECT_FALSE(tama->isActive());
    EXPECT_EQ(tama->getHits(), 1);
    EXPECT_EQ(level->enemy(5)->getX(), 544.0f);
    EXPECT_EQ(level->getScore(), score + 1000 + 2000 + 1000);

    // A hit enemy shows its points for 180 ticks, then leaves.
    auto hitEnemy = level->enemy(5);
    for (int t = 0; t < 179; ++t) hitEnemy->update();
    EXPECT_TRUE(hitEnemy->isActive());
    EXPECT_EQ(hitEnemy->getX(), 544.0f);
    hitEnemy->update();
    EXPECT_FALSE(hitEnemy->isActive());
}

TEST(LevelEnemyLabels, PointsAndHamburgerTextsAreTheGamesOwn) {
    GLTestContext gl{320, 480};
    fakes::FakeAppCore core;
    auto context = makeRef<RecordingContext>();
    context->setAppCore(&core);
    context->getCanvas()->setCanvasSize(320, 480);
    auto level = makeRef<ProbedEnemyLevel>(context.get());
    // Score, fire and message labels, then one per enemy and one per hamburger, in pool order.
    ASSERT_EQ(context->labels.size(), 3u + 8u + 4u);
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(context->labels[11 + i]->texts, std::vector<std::string>{"Fire +3"});

    for (int i = 0; i < 3; ++i) level->enemy(i)->place(100.0f + 30 * i, 500);
    auto tama = level->tama(0);
    tama->launch(130, 500, 30);
    tama->update();
    EXPECT_EQ(context->labels[3]->texts, std::vector<std::string>{"500 pts."});
    EXPECT_EQ(context->labels[4]->texts, std::vector<std::string>{"1000 pts."});
    EXPECT_EQ(context->labels[5]->texts, std::vector<std::string>{"1500 pts."});
    EXPECT_EQ(level->getScore(), 1000 + 2000 + 3000);
}

TEST_F(EnemyFixture, TouchesShootOnlyAtTheirStartAndOnlyWithFireLeft) {
    isolate(320, 10300);  // on screen at x 160
    driver.touch(100, 50);
    hover();
    auto first = level->tama(0);
    ASSERT_TRUE(first->isActive());
    EXPECT_EQ(first->getVx(), -30.0f);
    EXPECT_EQ(first->getX(), 290 - 30 * kThird);  // launched, then moved on the same tick
    EXPECT_EQ(first->getY(), 10300.0f);
    EXPECT_EQ(level->getFire(), 2);
    EXPECT_EQ(driver.core.sounds, std::vector<int>{5});
    hover();  // still held: no second shot
    EXPECT_EQ(level->getFire(), 2);
    driver.release();
    hover();
    driver.touch(161, 50);
    hover();
    EXPECT_EQ(level->tama(1)->getVx(), 30.0f);
    EXPECT_EQ(level->getFire(), 1);

    // Out of fire: a touch that starts now never shoots, even once fire arrives.
    level->addFire(-1);
    driver.release();
    hover();
    driver.touch(200, 50);
    hover();
    level->addFire(1);
    hover();
    EXPECT_EQ(activeCount(level->getTamaPool()), 2);
    EXPECT_EQ(level->getFire(), 1);

    // Every fireball in flight: the shot is not spent.
    for (int i = 0; i < 4; ++i) level->tama(i)->launch(320, 0, 0);
    driver.release();
    hover();
    driver.touch(200, 50);
    hover();
    EXPECT_EQ(level->getFire(), 1);
}

TEST_F(EnemyFixture, KeysShootOnPressAndTheHintWaitsForTheFirstKeyShot) {
    level->setControlMode(VerticalLevel::kControlKeys);
    isolate(320, 10300);
    auto label = level->getMessageLabel();
    const Texture2D* texture = label->texture();
    std::vector<int> shownAt;
    for (int t = 1; t <= 1000; ++t) {
        hover();
        if (label->texture() != texture) shownAt.push_back(level->getStateTicks());
        texture = label->texture();
    }
    EXPECT_EQ(shownAt, std::vector<int>{300});
    EXPECT_TRUE(level->isHintPending());

    driver.setKeys(kFireLeft | kFireRight | (1 << 2));  // steering does not count as a shot
    hover();
    EXPECT_EQ(activeCount(level->getTamaPool()), 1);
    EXPECT_EQ(level->tama(0)->getVx(), 30.0f);
    EXPECT_FALSE(level->isHintPending());
    hover();  // held: nothing new pressed
    driver.setKeys(kFireRight);
    hover();  // the left key released, the right still held
    EXPECT_EQ(level->getFire(), 2);
    driver.setKeys(kFireRight | kFireLeft);
    hover();
    EXPECT_EQ(level->tama(1)->getVx(), -30.0f);
    EXPECT_EQ(level->getFire(), 1);
}

TEST_F(EnemyFixture, HamburgersGiveThreeShotsUnlessTheHeroIsHurt) {
    isolate(320, 10300);
    auto h = level->hamburger(0);
    h->place(620, 10364);
    level->setHero(556, 10300, 0, 0);
    level->setHurtTimer(5);
    h->update();
    EXPECT_EQ(h->getMode(), LevelEnemy_Hamburger::kWaiting);
    level->setHurtTimer(0);
    h->update();
    EXPECT_EQ(h->getMode(), LevelEnemy_Hamburger::kEaten);
    EXPECT_EQ(h->getX(), 544.0f);
    EXPECT_EQ(level->getFire(), 6);
    EXPECT_EQ(driver.core.sounds, std::vector<int>{2});
    for (int t = 0; t < 59; ++t) h->update();
    EXPECT_TRUE(h->isActive());
    h->update();
    EXPECT_FALSE(h->isActive());

    // Missed ones leave once 64 below the screen's bottom.
    h->place(100, 10000 - 64);
    h->update();
    EXPECT_TRUE(h->isActive());
    h->place(100, 10000 - 65);
    h->update();
    EXPECT_FALSE(h->isActive());
}

TEST_F(EnemyFixture, SidesJoinSixteenPastTheEdge) {
    const std::pair<float, float> cases[] = {
        {-16.5f, 656.0f}, {656.5f, -16.0f}, {-16.0f, -16.0f}, {656.0f, 656.0f}};
    for (const auto& [from, to] : cases) {
        SCOPED_TRACE(from);
        level = makeRef<ProbedEnemyLevel>(driver.context());
        isolate(from, 10300);
        hover();
        EXPECT_EQ(level->getHeroX(), to);
    }
}

TEST_F(EnemyFixture, HurtHeroBlinksAndActorsDrawWhereTheWorldPutsThem) {
    ASSERT_TRUE(gl.ok()) << gl.error();
    auto hero = solidTexture(255, 0, 0);
    auto ouch = solidTexture(0, 255, 0);
    auto enemy = solidTexture(0, 0, 255);
    auto left = solidTexture(255, 255, 0);
    driver.core.textures[1] = hero.get();
    driver.core.textures[3] = ouch.get();
    driver.core.textures[11] = enemy.get();
    driver.core.textures[12] = left.get();
    isolate(320, 10300);                      // bottom centre on screen at (160, 480 - 268 x 480 / 640 = 279)
    level->enemy(0)->place(100, 10400);       // screen (50, 180)
    level->tama(0)->launch(400, 10200, -30);  // screen (200 + 20, 330)
    using Px = std::array<uint8_t, 4>;
    const Px black{0, 0, 0, 255};
    for (int timer : {0, 9, 12, 13, 17, 18}) {
        SCOPED_TRACE(timer);
        level->setHurtTimer(timer);
        gl.clear(0, 0, 0, 1);
        driver.render(*level);
        const bool shown = timer == 0 || timer % 9 <= 3;
        const Px heroColour = timer == 0 ? Px{255, 0, 0, 255} : Px{0, 255, 0, 255};
        EXPECT_EQ(gl.pixel(160, 276), shown ? heroColour : black);
        EXPECT_EQ(gl.pixel(50, 180), (Px{0, 0, 255, 255}));
        EXPECT_EQ(gl.pixel(220, 330), (Px{255, 255, 0, 255}));
    }
}

TEST_F(EnemyFixture, WholeGamesEndInOneGameOverAndReplayExactlyFromTheSeed) {
    using Outcome = leveltest::ShootingGame;
    auto playGame = [](uint64_t seed) {
        testsupport::LevelDriver d(seed, 22, "Level: Enemy");
        auto l = makeRef<ProbedEnemyLevel>(d.context());
        // A climbing player who taps beside the hero now and then, and after a while gives up
        // steering and drifts off the platforms.
        return leveltest::playShootingGame(
            d, *l, [&](int t) { return t < 5000 ? testsupport::LevelDriver::autopilotTilt(*l) : 0.6; },
            [](int) {});
    };
    const Outcome a = playGame(5);
    ASSERT_EQ(a.gameOvers.size(), 1u);
    EXPECT_EQ(a.gameOvers[0], a.score);
    EXPECT_EQ(count(a.sounds, 0), 1);
    EXPECT_GT(count(a.sounds, 5), 0) << "taps should have shot";
    EXPECT_GT(count(a.sounds, 3), 0) << "enemies should have caught the hero at least once";

    const Outcome b = playGame(5);
    EXPECT_EQ(b.score, a.score);
    EXPECT_EQ(b.ticks, a.ticks);
    EXPECT_EQ(b.sounds, a.sounds);
    EXPECT_NE(playGame(6).sounds, a.sounds);
}
