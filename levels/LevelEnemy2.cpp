#include "levels/LevelEnemy2.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <limits>
#include <numbers>

#include "appbase/JTAppContext.h"
#include "appbase/JTMath.h"
#include "levels/LevelEnemy.h"
#include "levels/LevelEnemy2_EnemyA.h"
#include "levels/LevelEnemy2_EnemyB.h"
#include "levels/LevelEnemy2_EnemyC.h"
#include "levels/LevelEnemy2_Hamburger.h"
#include "levels/LevelEnemy2_Tama.h"
#include "levels/LevelEnemy2_Toge.h"

namespace JTApp {

using JTCore::JTArrayList;
using JTCore::makeRef;

namespace {

constexpr float kThird = std::bit_cast<float>(0x3EAAAAABu);
constexpr int kFirstHamburgerY = 1000;
// Spawns bring only still enemies below the first height, homing ones too above it, and rings
// above the second.
constexpr int kHomingFrom = 1280;
constexpr int kRingsAbove = 2560;
// How far above the spawn height foes appear: just above the top of the screen.
constexpr int kSpawnAbove = 680;
constexpr int kRingAbove = 740;
constexpr int kRingSize = 3;

enum Texture { kTextureHero = 1 };

// A height above an int one, as the float a foe's position is kept in; in 64 bits so a threshold
// near the int maximum does not wrap round below the screen.
float above(int height, int by) {
    return static_cast<float>(static_cast<int64_t>(height) + by);
}

}  // namespace

VerticalLevelRules LevelEnemy2::enemy2Rules() {
    VerticalLevelRules rules;
    // The hero comes round the sides sooner than in the plain climb.
    rules.wrapMargin = 16;
    return rules;
}

LevelEnemy2::LevelEnemy2(JTAppBase::JTAppContext* context) : LevelEnemy2(context, enemy2Rules()) {
    start();
}

LevelEnemy2::LevelEnemy2(JTAppBase::JTAppContext* context, const VerticalLevelRules& rules)
    : VerticalLevel(context, rules),
      EnemyShooting(this),
      enemyBPool_(makeRef<JTArrayList>()),
      enemyCPool_(makeRef<JTArrayList>()),
      togePool_(makeRef<JTArrayList>()) {
    createScoreLabel(24, 0xFFFFFFFFu, 0xFF000000u, 2);
    createFireLabel(24, 0xFFFFFFFFu, 0xFF000000u, 2);
    createMessageLabel(24, 0xFFFFFF00u, 0xFF000000u, 2);
    setGameOverDelay(1500);
}

LevelEnemy2::~LevelEnemy2() = default;

int LevelEnemy2::getDifficulty(int height) const {
    // 64-bit: twice a great height does not fit an int, two thirds of it does.
    return static_cast<int>(static_cast<int64_t>(height) * 2 / 3);
}

int LevelEnemy2::enemyInterval(int difficulty) {
    const auto k = static_cast<float>(std::max(20 - difficulty / 8192, 4));
    return 5 * static_cast<int>(k * (k + kThird) * 0.5f);
}

void LevelEnemy2::makeActors() {
    fillPools<LevelEnemy2_EnemyA, LevelEnemy2_Tama, LevelEnemy2_Hamburger, LevelEnemy2_EnemyB,
              LevelEnemy2_EnemyC, LevelEnemy2_Toge>(this);
}

void LevelEnemy2::start() {
    // A new stock of shots, and every actor made here, once: a tick only switches them on and off.
    makeActors();
    nextEnemyY_ = 0;
    nextHamburgerY_ = kFirstHamburgerY;
    // The climb itself: hero, platforms, then the intro.
    VerticalLevel::start();
}

void LevelEnemy2::updateEnemies() {
    TaskBase::updateAll(getEnemyAPool());
    TaskBase::updateAll(enemyBPool_);
    TaskBase::updateAll(enemyCPool_);
    TaskBase::updateAll(togePool_);
}

bool LevelEnemy2::launchTama(float x, float y, float vx) {
    auto tama = JTCore::dynamicRef<LevelEnemy2_Tama>(TaskBase::findInactive(getTamaPool()));
    if (!tama) return false;
    tama->launch(x, y, vx);
    return true;
}

void LevelEnemy2::spawnEnemyIfDue() {
    const int scroll = getScroll();
    if (nextEnemyY_ > scroll) return;
    if (scroll > kRingsAbove && JTAppBase::randomInt(3) == 0) {
        spawnRing();
    } else if (scroll < kHomingFrom || JTAppBase::randomInt(2) == 0) {
        // The place is drawn only for an enemy that will take it.
        if (auto b = JTCore::dynamicRef<LevelEnemy2_EnemyB>(TaskBase::findInactive(enemyBPool_))) {
            const int x = JTAppBase::randomRange(100, 540);
            b->place(static_cast<float>(x), above(nextEnemyY_, kSpawnAbove));
        }
    } else {
        // Homing enemies enter beside the screen, left or right.
        const int side = JTAppBase::randomInt(2);
        const int offset = JTAppBase::randomRange(200, 340);
        if (auto a = JTCore::dynamicRef<LevelEnemy2_EnemyA>(TaskBase::findInactive(getEnemyAPool()))) {
            a->place(static_cast<float>(side == 1 ? 320 + offset : 320 - offset),
                     above(nextEnemyY_, kSpawnAbove));
        }
    }
    // Due or not, the next one is due further up: a full pool only skips this one.
    nextEnemyY_ = advance(nextEnemyY_, enemyInterval(getDifficulty(nextEnemyY_)));
}

void LevelEnemy2::spawnRing() {
    const int d = getDifficulty(getScroll());
    const float speed = static_cast<float>(static_cast<int64_t>(d) + 5000) / 150000;
    const float baseY = above(nextEnemyY_, kRingAbove);
    // One centre and speed, 120 degrees apart.
    for (int i = 0; i < kRingSize; ++i) {
        auto c = JTCore::dynamicRef<LevelEnemy2_EnemyC>(TaskBase::findInactive(enemyCPool_));
        if (!c) continue;
        c->place(baseY, speed, static_cast<float>(i * 2 * std::numbers::pi / 3));
    }
}

void LevelEnemy2::spawnHamburgerIfDue() {
    if (nextHamburgerY_ > getScroll()) return;
    if (auto hamburger =
            JTCore::dynamicRef<LevelEnemy2_Hamburger>(TaskBase::findInactive(getHamburgerPool()))) {
        const int x = JTAppBase::randomRange(64, 576);
        hamburger->place(x, static_cast<int>(std::min<int64_t>(static_cast<int64_t>(getScroll()) + 700,
                                                               std::numeric_limits<int>::max())));
    }
    // Paced as in Level Enemy, by the foes' difficulty, so the stock keeps up with them.
    nextHamburgerY_ = advance(nextHamburgerY_, LevelEnemy::hamburgerInterval(getDifficulty(nextEnemyY_)));
}

void LevelEnemy2::render() {
    drawWorld();
    drawScore(12, 12);
    drawFire(190, 12);
    drawMessage(static_cast<float>(getCanvasHeight() / 2));
    drawGameOver(200);
}

void LevelEnemy2::drawWorld() {
    drawBackground();
    drawPlatforms();
    // Hamburgers, EnemyA and fireballs, then the other foes.
    drawActors();
    TaskBase::drawAll(enemyBPool_);
    TaskBase::drawAll(enemyCPool_);
    TaskBase::drawAll(togePool_);
    if (isHeroShown()) drawHero(heroTexture(kTextureHero));
}

}  // namespace JTApp
