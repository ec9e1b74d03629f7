#include "levels/LevelEnemy2.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <limits>
#include <numbers>

#include "appbase/JTAppContext.h"
#include "appbase/JTCanvas.h"
#include "appbase/JTKeyHelper.h"
#include "appbase/JTMath.h"
#include "appbase/JTTextLabel.h"
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
using JTCore::Ref;

namespace {

constexpr float kThird = std::bit_cast<float>(0x3EAAAAABu);
// 0.9375 per three ticks: the knock-back fades over the hurt time.
constexpr float kKnockBackDecay = std::bit_cast<float>(0x3F7A8D31u);
constexpr float kReach = 54;
constexpr int kFireLeftKeyBit = 4;
constexpr int kFireRightKeyBit = 5;
constexpr int kShotOffset = 30;
constexpr int kFirstHamburgerY = 1000;
// Spawns bring only still enemies below the first height, homing ones too above it, and rings
// above the second.
constexpr int kHomingFrom = 1280;
constexpr int kRingsAbove = 2560;
// How far above the spawn height foes appear: just above the top of the screen.
constexpr int kSpawnAbove = 680;
constexpr int kRingAbove = 740;
constexpr int kRingSize = 3;

enum Texture { kTextureHero = 1, kTextureHurtHero = 3 };
enum Effect { kEffectHurt = 3, kEffectShot = 5 };

// A threshold moved on by an interval; it stops at the int range instead of wrapping round to
// a height the screen passed long ago.
int advance(int threshold, int interval) {
    return static_cast<int>(
        std::min<int64_t>(static_cast<int64_t>(threshold) + interval, std::numeric_limits<int>::max()));
}

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
      enemyAPool_(makeRef<JTArrayList>()),
      enemyBPool_(makeRef<JTArrayList>()),
      enemyCPool_(makeRef<JTArrayList>()),
      togePool_(makeRef<JTArrayList>()),
      tamaPool_(makeRef<JTArrayList>()),
      hamburgerPool_(makeRef<JTArrayList>()) {
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

int LevelEnemy2::addFire(int delta) {
    fire_ += delta;
    fireChanged_ = true;
    return 1;
}

bool LevelEnemy2::hurtHeroNear(float x, float y) {
    if (hurtTimer_ != 0 || std::fabs(getHeroX() - x) > kReach || std::fabs(getHeroY() - y) > kReach)
        return false;
    hurtTimer_ = kHurtTicks;
    const int r = JTAppBase::randomRange(20, 30);
    // Always toward the middle of the world.
    knockBackVx_ = static_cast<float>(getHeroX() > 320 ? -r : r);
    playEffect(kEffectHurt);
    return true;
}

void LevelEnemy2::makeActors() {
    fillPools<LevelEnemy2_EnemyA, LevelEnemy2_Tama, LevelEnemy2_Hamburger, LevelEnemy2_EnemyB,
              LevelEnemy2_EnemyC, LevelEnemy2_Toge>(this);
}

void LevelEnemy2::start() {
    knockBackVx_ = 0;
    hurtTimer_ = 0;
    fire_ = 3;
    previousTouching_ = false;
    previousKeys_ = 0;
    // Every actor is made here, once: a tick only switches them on and off.
    makeActors();
    nextEnemyY_ = 0;
    nextHamburgerY_ = kFirstHamburgerY;
    // The climb itself: hero, platforms, then the intro.
    VerticalLevel::start();
}

void LevelEnemy2::updateKeysHint(int keys) {
    // Moving by keys needs no hint here; shooting does, until the first key shot.
    if (getStateTicks() == 300) showMessage(makeRef<JTCore::JTString>("D / F keys to fire!"), 300);
}

void LevelEnemy2::updateActors() {
    if (nextEnemyY_ <= getScroll()) spawnEnemies();
    if (hurtTimer_ >= 1) {
        --hurtTimer_;
        knockBackVx_ *= kKnockBackDecay;
    }
    TaskBase::updateAll(enemyAPool_);
    TaskBase::updateAll(enemyBPool_);
    TaskBase::updateAll(enemyCPool_);
    TaskBase::updateAll(togePool_);
    fire();
    TaskBase::updateAll(tamaPool_);
    if (nextHamburgerY_ <= getScroll()) spawnHamburger();
    TaskBase::updateAll(hamburgerPool_);
}

void LevelEnemy2::spawnEnemies() {
    const int scroll = getScroll();
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
        if (auto a = JTCore::dynamicRef<LevelEnemy2_EnemyA>(TaskBase::findInactive(enemyAPool_))) {
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

void LevelEnemy2::spawnHamburger() {
    if (auto hamburger = JTCore::dynamicRef<LevelEnemy2_Hamburger>(TaskBase::findInactive(hamburgerPool_))) {
        const int x = JTAppBase::randomRange(64, 576);
        hamburger->place(x, static_cast<int>(std::min<int64_t>(static_cast<int64_t>(getScroll()) + 700,
                                                               std::numeric_limits<int>::max())));
    }
    // Paced as in Level Enemy, by the foes' difficulty, so the stock keeps up with them.
    nextHamburgerY_ = advance(nextHamburgerY_, LevelEnemy::hamburgerInterval(getDifficulty(nextEnemyY_)));
}

void LevelEnemy2::fire() {
    const int mode = getControlMode();
    if (mode == kControlKeys) {
        auto context = getAppContext();
        const int keys = context ? context->getKeyHelper()->getKeyState() : 0;
        const int pressed = keys & ~previousKeys_;
        int direction = 0;
        if (JTAppBase::isBitSet(pressed, kFireLeftKeyBit)) direction = -kShotOffset;
        if (JTAppBase::isBitSet(pressed, kFireRightKeyBit)) direction = kShotOffset;
        if (direction != 0 && fire_ >= 1) {
            clearHint();
            shoot(direction);
        }
        previousKeys_ = keys;
    } else if (mode == kControlTouch || mode == kControlTilt) {
        // No touch record exists before the view's first tick: nobody is touching.
        auto touch = getCanvas()->getTouch();
        const bool touching = touch && touch->isTouching();
        // Only the start of a touch shoots; holding the finger down does not.
        if (!previousTouching_ && touching && fire_ >= 1) {
            const float heroScreenX = static_cast<float>(toScreenX(static_cast<int>(getHeroX())));
            shoot(touch->getX() < heroScreenX ? -kShotOffset : kShotOffset);
        }
        previousTouching_ = touching;
    }
}

void LevelEnemy2::shoot(int direction) {
    auto tama = JTCore::dynamicRef<LevelEnemy2_Tama>(TaskBase::findInactive(tamaPool_));
    // Every fireball still in flight: the shot is not spent.
    if (!tama) return;
    const auto d = static_cast<float>(direction);
    tama->launch(getHeroX() + d, getHeroY(), d);
    addFire(-1);
    playEffect(kEffectShot);
}

void LevelEnemy2::createFireLabel(float fontSize, uint32_t color, uint32_t shadowColor, float shadowOffset) {
    auto context = getAppContext();
    if (!context) return;
    fireLabel_ = context->createTextLabelFor(getCanvas());
    fireLabel_->setStyle(color, fontSize, 0, 256, 32);
    if (shadowOffset != 0) fireLabel_->setShadow(shadowColor, shadowOffset, shadowOffset);
}

void LevelEnemy2::drawFire(int x, int y) {
    if (!fireLabel_) return;
    if (fireChanged_) {
        auto builder = fireLabel_->getBuilder(true);
        builder->appendCString("Fire: ")->appendInt(fire_);
        fireLabel_->setTextFromBuilder(builder);
        fireChanged_ = false;
    }
    fireLabel_->draw(static_cast<float>(x), static_cast<float>(y), 0.0f, 0.0f);
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
    TaskBase::drawAll(hamburgerPool_);
    TaskBase::drawAll(enemyAPool_);
    TaskBase::drawAll(tamaPool_);
    TaskBase::drawAll(enemyBPool_);
    TaskBase::drawAll(enemyCPool_);
    TaskBase::drawAll(togePool_);
    // While hurt the hero blinks: shown on 4 ticks of every 9.
    if (hurtTimer_ > 0 && hurtTimer_ % 9 >= 4) return;
    drawHero(hurtTimer_ > 0 ? kTextureHurtHero : kTextureHero);
}

}  // namespace JTApp
