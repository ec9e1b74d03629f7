#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <limits>
#include <memory>
#include <numbers>
#include <string>
#include <vector>

#include "LevelTestKit.h"
#include "appbase/JTCanvas.h"
#include "appbase/JTMath.h"
#include "appbase/JTRandom.h"
#include "appbase/JTTextLabel.h"
#include "appbase/Texture2D.h"
#include "core/Utf16.h"
#include "levels/LevelEnemy2.h"
#include "levels/LevelEnemy2_EnemyA.h"
#include "levels/LevelEnemy2_EnemyB.h"
#include "levels/LevelEnemy2_EnemyC.h"
#include "levels/LevelEnemy2_Hamburger.h"
#include "levels/LevelEnemy2_Tama.h"
#include "levels/LevelEnemy2_Toge.h"
#include "support/GLTestContext.h"
#include "support/LevelDriver.h"

using JTApp::GameSceneBase;
using JTApp::LevelEnemy2;
using JTApp::LevelEnemy2_EnemyA;
using JTApp::LevelEnemy2_EnemyB;
using JTApp::LevelEnemy2_EnemyBase;
using JTApp::LevelEnemy2_EnemyC;
using JTApp::LevelEnemy2_Hamburger;
using JTApp::LevelEnemy2_Tama;
using JTApp::LevelEnemy2_Toge;
using JTApp::TaskBase;
using JTApp::VerticalLevel;
using JTCore::makeRef;
using JTCore::Ref;
using leveltest::activeCount;
using leveltest::count;
using leveltest::RecordingContext;
using leveltest::solidTexture;

namespace {

const float kThird = std::bit_cast<float>(0x3EAAAAABu);

class ProbedEnemy2Level : public LevelEnemy2 {
  public:
    using LevelEnemy2::LevelEnemy2;
    using LevelEnemy2::setNextEnemyY;
    using LevelEnemy2::setNextHamburgerY;
    using VerticalLevel::clearPlatforms;
    using VerticalLevel::setHero;
    using VerticalLevel::setScroll;
    using VerticalLevel::setTop;

    template <class T>
    Ref<T> actor(const Ref<JTCore::JTArrayList>& pool, int i) const {
        return pool->getAs<T>(i);
    }
    Ref<LevelEnemy2_EnemyA> a(int i) const { return actor<LevelEnemy2_EnemyA>(getEnemyAPool(), i); }
    Ref<LevelEnemy2_EnemyB> b(int i) const { return actor<LevelEnemy2_EnemyB>(getEnemyBPool(), i); }
    Ref<LevelEnemy2_EnemyC> c(int i) const { return actor<LevelEnemy2_EnemyC>(getEnemyCPool(), i); }
    Ref<LevelEnemy2_Toge> toge(int i) const { return actor<LevelEnemy2_Toge>(getTogePool(), i); }
    Ref<LevelEnemy2_Tama> tama(int i) const { return actor<LevelEnemy2_Tama>(getTamaPool(), i); }
    Ref<LevelEnemy2_Hamburger> hamburger(int i) const {
        return actor<LevelEnemy2_Hamburger>(getHamburgerPool(), i);
    }
};

void deactivateAll(const Ref<JTCore::JTArrayList>& pool) {
    for (int i = 0; i < pool->size(); ++i) pool->getAs<TaskBase>(i)->deactivate();
}

struct Enemy2Fixture : leveltest::LevelTest<ProbedEnemy2Level> {
    Enemy2Fixture() : LevelTest(11, 28, "Level: Enemy2") {}
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
    // One spawn due at the current scroll, every pool emptied first.
    void spawnOnce() {
        for (const auto& pool : {level->getEnemyAPool(), level->getEnemyBPool(), level->getEnemyCPool()})
            deactivateAll(pool);
        level->setNextEnemyY(level->getScroll());
        hover();
    }
};

}  // namespace

TEST_F(Enemy2Fixture, DifficultyPacesJumpsSpawnsAndGaps) {
    EXPECT_EQ(level->getDifficulty(301), 200);
    EXPECT_EQ(level->getDifficulty(std::numeric_limits<int>::max()), 1431655764);
    EXPECT_EQ(level->jumpSpeed(12287), 20.0f);
    EXPECT_EQ(level->jumpSpeed(12288), 19.0f);
    // Five jump heights: 5 x 203 while k is 20, 5 x 8 once it is down to 4.
    EXPECT_EQ(LevelEnemy2::enemyInterval(0), 1015);
    EXPECT_EQ(LevelEnemy2::enemyInterval(8191), 1015);
    EXPECT_EQ(LevelEnemy2::enemyInterval(8192), 5 * 183);
    EXPECT_EQ(LevelEnemy2::enemyInterval(16 * 8192), 40);
    EXPECT_EQ(LevelEnemy2::enemyInterval(std::numeric_limits<int>::max()), 40);

    // With a difficulty term of 0 the gap is 203 - 173.
    play();
    level->clearPlatforms();
    level->setTop(0);
    ASSERT_TRUE(level->generatePlatform());
    EXPECT_EQ(level->platformY(0), 30);
    EXPECT_EQ(level->getTop(), 30);
}

TEST_F(Enemy2Fixture, StartsWithThreeShotsAndTheFirstPlayingTickSpawnsAStillEnemyAt680) {
    EXPECT_EQ(level->getFire(), 3);
    EXPECT_EQ(level->getNextHamburgerY(), 1000);
    EXPECT_EQ(level->platformY(0), 60);
    EXPECT_EQ(level->getEnemyAPool()->size(), 8);
    EXPECT_EQ(level->getEnemyBPool()->size(), 8);
    EXPECT_EQ(level->getEnemyCPool()->size(), 8);
    EXPECT_EQ(level->getTogePool()->size(), 8);
    EXPECT_EQ(level->getTamaPool()->size(), 4);
    EXPECT_EQ(level->getHamburgerPool()->size(), 4);
    for (uint64_t seed : {1u, 2u, 3u, 4u, 5u}) {
        SCOPED_TRACE(seed);
        testsupport::LevelDriver d(seed, 28, "Level: Enemy2");
        auto l = makeRef<ProbedEnemy2Level>(d.context());
        d.run(*l, 150);
        EXPECT_EQ(activeCount(l->getEnemyBPool()), 0);
        d.tick(*l);
        ASSERT_EQ(activeCount(l->getEnemyBPool()), 1);
        EXPECT_EQ(activeCount(l->getEnemyAPool()) + activeCount(l->getEnemyCPool()), 0);
        EXPECT_EQ(l->b(0)->getY(), 680.0f);
        EXPECT_GE(l->b(0)->getX(), 100.0f);
        EXPECT_LT(l->b(0)->getX(), 540.0f);
        EXPECT_EQ(l->getNextEnemyY(), 1015);
    }
}

TEST_F(Enemy2Fixture, TheMixOfFoesChangesWithTheHeight) {
    isolate(320, 10300);
    struct Mix {
        int a = 0, b = 0, rings = 0;
    };
    auto spawnAt = [&](int scroll, int spawns) {
        level->setScroll(scroll);
        level->setTop(scroll + 700);
        level->setHero(320, static_cast<float>(scroll + 300), 0, 0);
        level->setHurtTimer(1 << 20);  // nothing hurts the hero meanwhile
        Mix mix;
        for (int i = 0; i < spawns; ++i) {
            spawnOnce();
            const int a = activeCount(level->getEnemyAPool());
            const int b = activeCount(level->getEnemyBPool());
            const int c = activeCount(level->getEnemyCPool());
            EXPECT_EQ(a + b + c, c == 0 ? 1 : 3);
            mix.a += a;
            mix.b += b;
            mix.rings += c / 3;
            if (a == 1) {
                // Beside the screen's sides, 680 above the spawn height.
                const float x = std::round(level->a(0)->getX());
                EXPECT_TRUE((x >= -20 && x <= 120) || (x >= 520 && x <= 660)) << x;
                EXPECT_NEAR(level->a(0)->getY(), scroll + 680, 0.1);
            }
        }
        return mix;
    };
    const Mix low = spawnAt(1000, 60);
    EXPECT_EQ(low.b, 60);
    const Mix middle = spawnAt(2000, 300);
    EXPECT_EQ(middle.rings, 0);
    EXPECT_GT(middle.a, 110);
    EXPECT_GT(middle.b, 110);
    const Mix high = spawnAt(3000, 300);
    EXPECT_GT(high.rings, 70);
    EXPECT_LT(high.rings, 130);
    EXPECT_GT(high.a, 50);
    EXPECT_GT(high.b, 50);
}

TEST_F(Enemy2Fixture, SpawnsDrawTheirRandomNumbersInTheGamesOrder) {
    isolate(320, 10300);
    level->setHurtTimer(1 << 20);
    level->setScroll(2000);
    level->setTop(2700);
    level->setHero(320, 2300, 0, 0);
    for (uint64_t seed = 1; seed <= 12; ++seed) {
        SCOPED_TRACE(seed);
        JTAppBase::JTRandom::current().seed(seed);
        const int kind = JTAppBase::randomInt(2);
        const int first = kind == 1 ? JTAppBase::randomInt(2) : JTAppBase::randomRange(100, 540);
        const int offset = kind == 1 ? JTAppBase::randomRange(200, 340) : 0;
        JTAppBase::JTRandom::current().seed(seed);
        spawnOnce();
        if (kind == 0) {
            EXPECT_EQ(level->b(0)->getX(), static_cast<float>(first));
        } else {
            const float x = static_cast<float>(first == 1 ? 320 + offset : 320 - offset);
            EXPECT_NEAR(level->a(0)->getX(), x, 0.1);
        }
    }
}

TEST_F(Enemy2Fixture, ARingSharesItsCentreAndSpeedAndFullPoolsOnlyMoveTheThresholdOn) {
    isolate(320, 10300);
    level->setHurtTimer(1 << 20);
    // A seed whose first draw brings a ring.
    uint64_t seed = 1;
    for (;; ++seed) {
        JTAppBase::JTRandom::current().seed(seed);
        if (JTAppBase::randomInt(3) == 0) break;
    }
    JTAppBase::JTRandom::current().seed(seed);
    spawnOnce();
    ASSERT_EQ(activeCount(level->getEnemyCPool()), 3);
    const float speed = static_cast<float>(level->getDifficulty(10000) + 5000) / 150000;
    for (int i = 0; i < 3; ++i) {
        SCOPED_TRACE(i);
        auto c = level->c(i);
        EXPECT_EQ(c->getBaseY(), 10740.0f);
        EXPECT_EQ(c->getSpeed(), speed);
        EXPECT_EQ(c->getPhaseB(), kThird * (speed * 0.7f));
        // 120 degrees apart, moved on by one tick.
        EXPECT_NEAR(c->getPhaseA(), i * 2 * std::numbers::pi / 3 + kThird * speed, 1e-6);
        // Every member on the one circle around the swaying centre.
        const double r = 100 + 40 * std::sin(c->getPhaseC());
        EXPECT_NEAR(c->getX(), 320 + 200 * std::sin(c->getPhaseB()) + r * std::cos(c->getPhaseA()), 1e-3);
        EXPECT_NEAR(c->getY(), 10740 + r * std::sin(c->getPhaseA()) * 2 / 3, 1e-3);
    }
    EXPECT_EQ(level->getNextEnemyY(), 10000 + LevelEnemy2::enemyInterval(level->getDifficulty(10000)));

    // A ring leaves together once its centre is 100 below the screen.
    level->setScroll(10841);
    for (int i = 0; i < 3; ++i) level->c(i)->update();
    EXPECT_EQ(activeCount(level->getEnemyCPool()), 0);

    // With every still enemy busy a due spawn places nothing, but the next is due further up.
    level->setScroll(1000);
    level->setTop(1700);
    level->setHero(320, 1300, 0, 0);
    for (int i = 0; i < 8; ++i) level->b(i)->place(static_cast<float>(i * 60), 5000);
    level->setNextEnemyY(900);
    hover();
    EXPECT_EQ(activeCount(level->getEnemyBPool()), 8);
    for (int i = 0; i < 8; ++i) EXPECT_EQ(level->b(i)->getY(), 5000.0f);
    EXPECT_EQ(level->getNextEnemyY(), 900 + 1015);
}

TEST_F(Enemy2Fixture, StillEnemiesFireSpikesAtTheHeroAndSwellBeforeEachShot) {
    isolate(320, 10300);
    auto b = level->b(0);
    b->place(200, 10500);
    const int n = (JTAppBase::scaleByRatio(3000, 4096, level->getDifficulty(10000)) + 100) / 10;
    EXPECT_EQ(b->getShotInterval(), n);
    EXPECT_EQ(b->getShotCountdown(), n);
    EXPECT_EQ(b->drawScale(), 1 + 25 * 0.2f / 25);  // just after a shot: still shrinking back
    for (int t = 1; t < n; ++t) b->update();
    EXPECT_EQ(activeCount(level->getTogePool()), 0);
    EXPECT_EQ(b->drawScale(), 1 + 99 * 0.2f / 100);  // the tick before the shot
    b->update();
    ASSERT_EQ(activeCount(level->getTogePool()), 1);
    EXPECT_EQ(driver.core.sounds, std::vector<int>{8});
    auto toge = level->toge(0);
    const double angle = std::atan2(-200.0, 120.0);
    EXPECT_EQ(toge->getX(), 200.0f);
    EXPECT_EQ(toge->getVx(), static_cast<float>(std::cos(angle)) * 6);
    EXPECT_EQ(toge->getVy(), static_cast<float>(std::sin(angle)) * 6);
    EXPECT_EQ(b->getShotCountdown(), n);

    // At difficulty 0 it fires every 310 ticks, and at rest between swellings it is drawn as is.
    level->setScroll(0);
    EXPECT_EQ(b->getFireInterval(), 310);
    b->place(200, 500);
    for (int t = 0; t < 110; ++t) b->update();
    EXPECT_EQ(b->drawScale(), 1.0f);
    // High up the interval is below 100: it swells over its whole cycle.
    level->setScroll(30000);
    b->place(200, 30500);
    EXPECT_EQ(b->getShotInterval(), 60);
    EXPECT_EQ(b->drawScale(), 1 + 40 * 0.2f / 100);

    // With every spike in flight the shot is lost and the next waits a whole interval.
    for (int i = 0; i < 8; ++i) level->toge(i)->launch(0, 30000, 0, 0);
    driver.core.sounds.clear();
    for (int t = 0; t < 60; ++t) b->update();
    EXPECT_TRUE(driver.core.sounds.empty());
    EXPECT_EQ(b->getShotCountdown(), 60);
    level->toge(3)->deactivate();
    for (int t = 0; t < 59; ++t) b->update();
    EXPECT_FALSE(level->toge(3)->isActive());
    b->update();
    EXPECT_TRUE(level->toge(3)->isActive());

    // Scrolled 100 below the screen, it goes.
    b->place(200, 29899);
    b->update();
    EXPECT_FALSE(b->isActive());
}

TEST_F(Enemy2Fixture, FoesAndSpikesHurtOnlyAnUnhurtHeroAndSpikesLeaveTheScreensNeighbourhood) {
    isolate(400, 10300);
    auto toge = level->toge(0);
    // Leaving above the screen on this tick, it still hurts on it.
    level->setHero(400, 10700, 0, 0);
    toge->launch(400, 10740 - 6 * kThird + 1, 0, 6);
    toge->update();
    EXPECT_FALSE(toge->isActive());
    EXPECT_EQ(level->getHurtTimer(), LevelEnemy2::kHurtTicks);
    EXPECT_LE(level->getKnockBackVx(), -20.0f);  // right of the middle: pushed left
    EXPECT_GE(level->getKnockBackVx(), -29.0f);
    EXPECT_EQ(driver.core.sounds, std::vector<int>{3});

    // While hurt, nothing hurts him again and no hamburger can be taken.
    level->a(0)->place(400, 10700);
    level->a(0)->update();
    level->hamburger(0)->place(400, 10700);
    level->hamburger(0)->update();
    EXPECT_EQ(level->hamburger(0)->getState(), LevelEnemy2_Hamburger::kWaiting);
    EXPECT_EQ(driver.core.sounds, std::vector<int>{3});
    EXPECT_EQ(level->getFire(), 3);

    // Spikes go when past the world's sides or 100 below the screen.
    for (const auto& [x, y] :
         std::vector<std::pair<float, float>>{{-101, 10500}, {741, 10500}, {300, 9899}}) {
        toge->launch(x, y, 0, 0);
        toge->update();
        EXPECT_FALSE(toge->isActive()) << x << ", " << y;
    }
    toge->launch(-99, 9901, 0, 0);
    toge->update();
    EXPECT_TRUE(toge->isActive());
}

TEST_F(Enemy2Fixture, OneFireballThroughTwoHomingAndOneCirclingFoeScores4200) {
    isolate(320, 10300);
    level->setHurtTimer(1 << 20);
    level->a(1)->place(40, 10400);
    level->a(4)->place(60, 10420);
    level->c(0)->place(10400, 0, 0);  // at (420, 10400)
    level->b(0)->place(80, 10380);
    level->b(0)->hit(700);  // already showing its points: neither hit again nor hurting
    const int score = level->getScore();
    driver.core.sounds.clear();
    auto tama = level->tama(0);
    tama->launch(50 - 30 * kThird, 10400, 30);
    tama->update();
    EXPECT_EQ(tama->getHits(), 2);
    EXPECT_EQ(level->getScore(), score + 2 * (500 + 1000));
    EXPECT_EQ(level->a(1)->getState(), LevelEnemy2_EnemyBase::kShowingPoints);
    EXPECT_EQ(level->a(1)->getX(), 96.0f);
    EXPECT_EQ(level->b(0)->getTimer(), LevelEnemy2_EnemyBase::kPointsTicks);
    // On along its way through the circling one, the third hit of this shot.
    while (tama->getHits() < 3 && tama->isActive()) tama->update();
    EXPECT_EQ(level->getScore(), score + 4200);
    EXPECT_EQ(level->c(0)->getState(), LevelEnemy2_EnemyBase::kShowingPoints);
    EXPECT_EQ(count(driver.core.sounds, 4), 6);

    // A hit foe shows its points for 180 ticks without moving, then leaves.
    auto c = level->c(0);
    const float x = c->getX();
    for (int t = 0; t < 179; ++t) c->update();
    EXPECT_TRUE(c->isActive());
    EXPECT_EQ(c->getX(), x);
    c->update();
    EXPECT_FALSE(c->isActive());
}

TEST(LevelEnemy2Labels, PointsAndHamburgerTextsAreTheGamesOwn) {
    GLTestContext gl{320, 480};
    fakes::FakeAppCore core;
    auto context = makeRef<RecordingContext>();
    context->setAppCore(&core);
    context->getCanvas()->setCanvasSize(320, 480);
    auto level = makeRef<ProbedEnemy2Level>(context.get());
    // Score, fire and message labels, then the pools in the order they are made: homing foes,
    // hamburgers, still foes, circling foes.
    ASSERT_EQ(context->labels.size(), 3u + 8u + 4u + 8u + 8u);
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(context->labels[11 + i]->texts, std::vector<std::string>{"Fire +3"});

    level->a(0)->place(100, 500);
    level->c(0)->place(500, 0, std::numbers::pi_v<float>);  // at (220, 500)
    auto tama = level->tama(0);
    tama->launch(100, 500, 30);
    while (tama->isActive()) tama->update();
    EXPECT_EQ(context->labels[3]->texts, std::vector<std::string>{"500 pts."});
    EXPECT_EQ(context->labels[23]->texts, std::vector<std::string>{"400 pts."});
    EXPECT_EQ(level->getScore(), 1000 + 800);

    // A hamburger taken at x 20 shows its text at x 96.
    auto h = level->hamburger(0);
    level->setHero(20, 500, 0, 0);
    h->place(20, 500);
    h->update();
    EXPECT_EQ(h->getX(), 96.0f);
    EXPECT_EQ(level->getFire(), 6);
    for (int t = 0; t < 60; ++t) h->update();
    EXPECT_FALSE(h->isActive());
}

TEST_F(Enemy2Fixture, TouchesShootAtTheirStartAndKeysOnPress) {
    isolate(320, 10300);  // on screen at x 160
    driver.touch(100, 50);
    hover();
    hover();  // still held: no second shot
    EXPECT_EQ(level->tama(0)->getVx(), -30.0f);
    EXPECT_EQ(level->getFire(), 2);
    EXPECT_EQ(driver.core.sounds, std::vector<int>{5});
    driver.release();
    hover();
    level->addFire(-2);
    driver.touch(200, 50);
    hover();
    level->addFire(1);
    hover();  // begun without fire: never shoots
    EXPECT_EQ(activeCount(level->getTamaPool()), 1);

    level = makeRef<ProbedEnemy2Level>(driver.context());
    level->setControlMode(VerticalLevel::kControlKeys);
    isolate(320, 10300);
    driver.setKeys((1 << 4) | (1 << 5));
    hover();
    EXPECT_EQ(level->tama(0)->getVx(), 30.0f);  // both at once: right
    EXPECT_FALSE(level->isHintPending());
    hover();
    EXPECT_EQ(level->getFire(), 2);
}

TEST_F(Enemy2Fixture, TheWorldDrawsEveryFoeItsWayAndTheHurtHeroBlinks) {
    ASSERT_TRUE(gl.ok()) << gl.error();
    std::vector<std::unique_ptr<Texture2D>> textures;
    auto give = [&](int n, uint8_t r, uint8_t g, uint8_t b) {
        textures.push_back(solidTexture(r, g, b));
        driver.core.textures[n] = textures.back().get();
    };
    give(1, 255, 0, 0);
    give(3, 0, 255, 0);
    give(11, 0, 0, 255);
    give(15, 255, 255, 0);
    give(16, 0, 255, 255);
    give(17, 255, 0, 255);
    isolate(320, 10300);                       // bottom centre on screen at (160, 279)
    level->setHero(320, 10300, 0, 0);          // no tick from here on: the hero stays put
    level->a(0)->place(100, 10400);            // screen (50, 180)
    level->b(0)->place(500, 10400);            // screen (250, 180), drawn 1.2 times its size
    level->c(0)->place(10200, 0, 0);           // screen (210, 330)
    level->toge(0)->launch(100, 10200, 0, 0);  // screen (50, 330)
    using Px = std::array<uint8_t, 4>;
    const Px black{0, 0, 0, 255};
    for (int timer : {0, 9, 12, 13, 17}) {
        SCOPED_TRACE(timer);
        level->setHurtTimer(timer);
        gl.clear(0, 0, 0, 1);
        driver.render(*level);
        const bool shown = timer == 0 || timer % 9 <= 3;
        const Px heroColour = timer == 0 ? Px{255, 0, 0, 255} : Px{0, 255, 0, 255};
        EXPECT_EQ(gl.pixel(160, 276), shown ? heroColour : black);
        EXPECT_EQ(gl.pixel(50, 180), (Px{0, 0, 255, 255}));
        EXPECT_EQ(gl.pixel(254, 180), (Px{255, 255, 0, 255}));  // beyond 4 points: the swelling
        EXPECT_EQ(gl.pixel(210, 330), (Px{0, 255, 255, 255}));
        EXPECT_EQ(gl.pixel(50, 330), (Px{255, 0, 255, 255}));
    }
}

namespace {

// A level that varies this one the way Fall+Enemy2 does: its own start column, its own actor
// classes, started once it is whole.
template <class Base>
class Own : public Base {
  public:
    using Base::Base;
};

class VariantLevel : public LevelEnemy2 {
  public:
    explicit VariantLevel(JTAppBase::JTAppContext* context) : LevelEnemy2(context, rules()) { start(); }
    int actorFills = 0;

  protected:
    static JTApp::VerticalLevelRules rules() {
        auto r = enemy2Rules();
        r.startPlatforms = 3;
        return r;
    }
    void makeActors() override {
        ++actorFills;
        fillPools<Own<LevelEnemy2_EnemyA>, Own<LevelEnemy2_Tama>, Own<LevelEnemy2_Hamburger>,
                  Own<LevelEnemy2_EnemyB>, Own<LevelEnemy2_EnemyC>, Own<LevelEnemy2_Toge>>(this);
    }
};

}  // namespace

TEST(LevelEnemy2Variant, ADerivedLevelStartsOnceWithItsOwnActorsAndRules) {
    GLTestContext gl{320, 480};
    testsupport::LevelDriver driver{3, 30, "Level: Fall+Enemy2"};
    auto level = makeRef<VariantLevel>(driver.context());
    EXPECT_EQ(level->actorFills, 1);
    EXPECT_EQ(level->platformY(0), 60);
    EXPECT_EQ(level->platformY(1), 10);
    EXPECT_EQ(level->platformY(2), -40);
    EXPECT_EQ(level->getFire(), 3);
    EXPECT_EQ(level->getState(), GameSceneBase::kStateIntro);
    EXPECT_TRUE(level->getEnemyAPool()->getAs<Own<LevelEnemy2_EnemyA>>(7));
    EXPECT_TRUE(level->getTamaPool()->getAs<Own<LevelEnemy2_Tama>>(3));
    EXPECT_TRUE(level->getHamburgerPool()->getAs<Own<LevelEnemy2_Hamburger>>(3));
    EXPECT_TRUE(level->getEnemyBPool()->getAs<Own<LevelEnemy2_EnemyB>>(7));
    EXPECT_TRUE(level->getEnemyCPool()->getAs<Own<LevelEnemy2_EnemyC>>(7));
    EXPECT_TRUE(level->getTogePool()->getAs<Own<LevelEnemy2_Toge>>(7));
    // Its actors serve it as this level's do: the first spawn brings a still enemy.
    driver.run(*level, 151);
    EXPECT_EQ(activeCount(level->getEnemyBPool()), 1);
}

TEST_F(Enemy2Fixture, WholeGamesEndInOneGameOverAndReplayExactlyFromTheSeed) {
    using Outcome = leveltest::ShootingGame;
    auto playGame = [](uint64_t seed) {
        testsupport::LevelDriver d(seed, 28, "Level: Enemy2");
        auto l = makeRef<ProbedEnemy2Level>(d.context());
        // A climbing player who taps beside the hero now and then, and after a while gives up
        // steering and drifts off the platforms.
        return leveltest::playShootingGame(
            d, *l, [&](int t) { return t < 6000 ? testsupport::LevelDriver::autopilotTilt(*l) : 0.6; },
            [](int) {});
    };
    const Outcome a = playGame(5);
    ASSERT_EQ(a.gameOvers.size(), 1u);
    EXPECT_EQ(a.gameOvers[0], a.score);
    EXPECT_EQ(count(a.sounds, 0), 1);
    EXPECT_GT(count(a.sounds, 5), 0) << "taps should have shot";
    EXPECT_GT(count(a.sounds, 8), 0) << "still enemies should have fired spikes";
    EXPECT_GT(count(a.sounds, 3), 0) << "foes should have caught the hero at least once";

    const Outcome b = playGame(5);
    EXPECT_EQ(b.score, a.score);
    EXPECT_EQ(b.ticks, a.ticks);
    EXPECT_EQ(b.sounds, a.sounds);
    EXPECT_NE(playGame(6).sounds, a.sounds);
}

TEST_F(Enemy2Fixture, ASpikeHurtsOnTheTickItLeavesByAnyEdge) {
    isolate(320, 10300);
    auto toge = level->toge(0);
    struct Exit {
        const char* edge;
        float x, y, vx, vy;  // launched so that this tick's step takes it out
    };
    const float step = 6 * kThird;
    const Exit exits[] = {
        {"top", 320, 10740 - step + 1, 0, 6},
        {"bottom", 320, 9900 + step - 1, 0, -6},
        {"left", -100 + step - 1, 10300, -6, 0},
        {"right", 740 - step + 1, 10300, 6, 0},
    };
    for (const Exit& e : exits) {
        SCOPED_TRACE(e.edge);
        level->setHurtTimer(0);
        toge->launch(e.x, e.y, e.vx, e.vy);
        // The hero right where the spike ends this tick, whatever the edge.
        level->setHero(e.x + e.vx * kThird, e.y + e.vy * kThird, 0, 0);
        toge->update();
        EXPECT_FALSE(toge->isActive());
        EXPECT_EQ(level->getHurtTimer(), LevelEnemy2::kHurtTicks);
    }
}

TEST_F(Enemy2Fixture, RingsComeOnlyAboveAScrollOf2560) {
    isolate(320, 10300);
    level->setHurtTimer(1 << 20);
    // Seeds whose first draw brings a ring wherever rings may come.
    std::vector<uint64_t> seeds;
    for (uint64_t seed = 1; seeds.size() < 20; ++seed) {
        JTAppBase::JTRandom::current().seed(seed);
        if (JTAppBase::randomInt(3) == 0) seeds.push_back(seed);
    }
    for (const int scroll : {2560, 2561}) {
        level->setScroll(scroll);
        level->setTop(scroll + 700);
        level->setHero(320, static_cast<float>(scroll + 300), 0, 0);
        int rings = 0;
        for (const uint64_t seed : seeds) {
            JTAppBase::JTRandom::current().seed(seed);
            spawnOnce();
            rings += activeCount(level->getEnemyCPool()) / 3;
            deactivateAll(level->getEnemyCPool());
        }
        EXPECT_EQ(rings, scroll == 2560 ? 0 : 20) << "at a scroll of " << scroll;
    }
}
