#include "levels/EnemyShooting.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <limits>

#include "appbase/JTAppContext.h"
#include "appbase/JTCanvas.h"
#include "appbase/JTKeyHelper.h"
#include "appbase/JTMath.h"
#include "appbase/JTSoundHelper.h"
#include "appbase/JTTextLabel.h"
#include "levels/LevelEnemy_Tama.h"
#include "levels/VerticalLevel.h"

namespace JTApp {

using JTCore::JTArrayList;
using JTCore::makeRef;

namespace {

// 0.9375 per three ticks: the knock-back fades over the hurt time.
constexpr float kKnockBackDecay = std::bit_cast<float>(0x3F7A8D31u);
constexpr int kFireLeftKeyBit = 4;
constexpr int kFireRightKeyBit = 5;
constexpr int kShotOffset = 30;
constexpr int kStartingFire = 3;
constexpr int kHintTick = 300;
constexpr float kReach = 54;

enum Texture { kTextureHurtHero = 3 };
enum Effect { kEffectHurt = 3, kEffectShot = 5 };

}  // namespace

EnemyShooting::EnemyShooting(VerticalLevel* level)
    : level_(level),
      enemyPool_(makeRef<JTArrayList>()),
      tamaPool_(makeRef<JTArrayList>()),
      hamburgerPool_(makeRef<JTArrayList>()) {}

EnemyShooting::~EnemyShooting() = default;

int EnemyShooting::advance(int threshold, int interval) {
    return static_cast<int>(
        std::min<int64_t>(static_cast<int64_t>(threshold) + interval, std::numeric_limits<int>::max()));
}

void EnemyShooting::resetStock() {
    knockBackVx_ = 0;
    hurtTimer_ = 0;
    fire_ = kStartingFire;
    previousTouching_ = false;
    previousKeys_ = 0;
    enemyPool_->clear();
    tamaPool_->clear();
    hamburgerPool_->clear();
}

int EnemyShooting::addFire(int delta) {
    fire_ += delta;
    fireChanged_ = true;
    return 1;
}

bool EnemyShooting::hurtHeroNear(float x, float y) {
    if (hurtTimer_ != 0 || std::fabs(level_->getHeroX() - x) > kReach ||
        std::fabs(level_->getHeroY() - y) > kReach)
        return false;
    hurtTimer_ = kHurtTicks;
    const int r = JTAppBase::randomRange(20, 30);
    // Always toward the middle of the world.
    knockBackVx_ = static_cast<float>(level_->getHeroX() > 320 ? -r : r);
    if (auto sound = level_->getSoundHelper()) sound->playEffect(kEffectHurt);
    return true;
}

void EnemyShooting::updateFireHint() {
    // Moving by keys needs no hint here; shooting does, until the first key shot.
    if (level_->getStateTicks() == kHintTick)
        level_->showMessage(makeRef<JTCore::JTString>("D / F keys to fire!"), 300);
}

void EnemyShooting::updateShooting() {
    spawnEnemyIfDue();
    if (hurtTimer_ >= 1) {
        --hurtTimer_;
        knockBackVx_ *= kKnockBackDecay;
    }
    updateEnemies();
    fire();
    TaskBase::updateAll(tamaPool_);
    spawnHamburgerIfDue();
    TaskBase::updateAll(hamburgerPool_);
}

void EnemyShooting::updateEnemies() {
    TaskBase::updateAll(enemyPool_);
}

bool EnemyShooting::launchTama(float x, float y, float vx) {
    auto tama = JTCore::dynamicRef<LevelEnemy_Tama>(TaskBase::findInactive(tamaPool_));
    if (!tama) return false;
    tama->launch(x, y, vx);
    return true;
}

void EnemyShooting::fire() {
    const int mode = level_->getControlMode();
    if (mode == VerticalLevel::kControlKeys) {
        auto context = level_->getAppContext();
        const int keys = context ? context->getKeyHelper()->getKeyState() : 0;
        const int pressed = keys & ~previousKeys_;
        int direction = 0;
        if (JTAppBase::isBitSet(pressed, kFireLeftKeyBit)) direction = -kShotOffset;
        if (JTAppBase::isBitSet(pressed, kFireRightKeyBit)) direction = kShotOffset;
        if (direction != 0 && fire_ >= 1) {
            clearFireHint();
            shoot(direction);
        }
        previousKeys_ = keys;
    } else if (mode == VerticalLevel::kControlTouch || mode == VerticalLevel::kControlTilt) {
        // No touch record exists before the view's first tick: nobody is touching.
        auto touch = level_->getCanvas()->getTouch();
        const bool touching = touch && touch->isTouching();
        // Only the start of a touch shoots; holding the finger down does not.
        if (!previousTouching_ && touching && fire_ >= 1) {
            const auto heroScreenX =
                static_cast<float>(level_->toScreenX(static_cast<int>(level_->getHeroX())));
            shoot(touch->getX() < heroScreenX ? -kShotOffset : kShotOffset);
        }
        previousTouching_ = touching;
    }
}

void EnemyShooting::shoot(int direction) {
    const auto d = static_cast<float>(direction);
    // Every fireball still in flight: the shot is not spent.
    if (!launchTama(level_->getHeroX() + d, level_->getHeroY(), d)) return;
    addFire(-1);
    if (auto sound = level_->getSoundHelper()) sound->playEffect(kEffectShot);
}

void EnemyShooting::createFireLabel(float fontSize, uint32_t color, uint32_t shadowColor,
                                    float shadowOffset) {
    auto context = level_->getAppContext();
    if (!context) return;
    fireLabel_ = context->createTextLabelFor(level_->getCanvas());
    fireLabel_->setStyle(color, fontSize, 0, 256, 32);
    if (shadowOffset != 0) fireLabel_->setShadow(shadowColor, shadowOffset, shadowOffset);
}

void EnemyShooting::drawFire(int x, int y) {
    if (!fireLabel_) return;
    if (fireChanged_) {
        auto builder = fireLabel_->getBuilder(true);
        builder->appendCString("Fire: ")->appendInt(fire_);
        fireLabel_->setTextFromBuilder(builder);
        fireChanged_ = false;
    }
    fireLabel_->draw(static_cast<float>(x), static_cast<float>(y), 0.0f, 0.0f);
}

void EnemyShooting::drawActors() {
    TaskBase::drawAll(hamburgerPool_);
    TaskBase::drawAll(enemyPool_);
    TaskBase::drawAll(tamaPool_);
}

int EnemyShooting::heroTexture(int unhurt) const {
    return hurtTimer_ > 0 ? kTextureHurtHero : unhurt;
}

}  // namespace JTApp
