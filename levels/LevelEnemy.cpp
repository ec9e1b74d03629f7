#include "levels/LevelEnemy.h"

#include <algorithm>
#include <bit>
#include <limits>

#include "appbase/JTAppContext.h"
#include "appbase/JTCanvas.h"
#include "appbase/JTKeyHelper.h"
#include "appbase/JTMath.h"
#include "appbase/JTTextLabel.h"
#include "levels/LevelEnemy_Enemy.h"
#include "levels/LevelEnemy_Hamburger.h"
#include "levels/LevelEnemy_Tama.h"

namespace JTApp {

using JTCore::JTArrayList;
using JTCore::makeRef;
using JTCore::Ref;

namespace {

// 0.9375 per three ticks: the knock-back fades over the hurt time.
constexpr float kKnockBackDecay = std::bit_cast<float>(0x3F7A8D31u);
constexpr int kFireLeftKeyBit = 4;
constexpr int kFireRightKeyBit = 5;
constexpr int kShotOffset = 30;
constexpr int kFirstHamburgerY = 1000;

enum Texture { kTextureHero = 1, kTextureHurtHero = 3 };
enum Effect { kEffectShot = 5 };

// The 1 + 2 + ... + j of the spawn intervals, j = 20 - difficulty / 8192, at least 4.
int64_t steps(int difficulty) {
    const int64_t j = std::max<int64_t>(20 - difficulty / 8192, 4);
    return j * (j + 1) / 2;
}

// A threshold moved on by an interval; it stops at the int range instead of wrapping round to
// a height the screen passed long ago.
int advance(int threshold, int interval) {
    return static_cast<int>(
        std::min<int64_t>(static_cast<int64_t>(threshold) + interval, std::numeric_limits<int>::max()));
}

int saturate(int64_t v) {
    return static_cast<int>(std::clamp<int64_t>(v, 0, std::numeric_limits<int>::max()));
}

// The plain climb, except that the hero comes round the sides sooner.
VerticalLevelRules enemyRules() {
    VerticalLevelRules rules;
    rules.wrapMargin = 16;
    return rules;
}

}  // namespace

LevelEnemy::LevelEnemy(JTAppBase::JTAppContext* context)
    : VerticalLevel(context, enemyRules()),
      enemyPool_(makeRef<JTArrayList>()),
      tamaPool_(makeRef<JTArrayList>()),
      hamburgerPool_(makeRef<JTArrayList>()) {
    createScoreLabel(24, 0xFFFFFFFFu, 0xFF000000u, 2);
    createFireLabel(24, 0xFFFFFFFFu, 0xFF000000u, 2);
    createMessageLabel(24, 0xFFFFFF00u, 0xFF000000u, 2);
    setGameOverDelay(1500);
    start();
}

LevelEnemy::~LevelEnemy() = default;

int LevelEnemy::getDifficulty(int height) const {
    // 64-bit: twice a great height does not fit an int, two thirds of it does.
    return static_cast<int>(static_cast<int64_t>(height) * 2 / 3);
}

int LevelEnemy::enemyInterval(int difficulty) {
    return saturate(5 * steps(difficulty));
}

int LevelEnemy::hamburgerInterval(int difficulty) {
    return saturate(steps(difficulty) * (difficulty / 5 + 1024) / 256);
}

void LevelEnemy::addFire(int delta) {
    fire_ += delta;
    fireChanged_ = true;
}

void LevelEnemy::start() {
    knockBackVx_ = 0;
    hurtTimer_ = 0;
    fire_ = 3;
    previousTouching_ = false;
    previousKeys_ = 0;
    // Every actor is made here, once: a tick only switches them on and off.
    enemyPool_->clear();
    tamaPool_->clear();
    hamburgerPool_->clear();
    for (int i = 0; i < kEnemies; ++i) enemyPool_->add(makeRef<LevelEnemy_Enemy>(this));
    for (int i = 0; i < kTamas; ++i) tamaPool_->add(makeRef<LevelEnemy_Tama>(this));
    for (int i = 0; i < kHamburgers; ++i) hamburgerPool_->add(makeRef<LevelEnemy_Hamburger>(this));
    nextEnemyY_ = 0;
    nextHamburgerY_ = kFirstHamburgerY;
    // The climb itself: hero, platforms, then the intro.
    VerticalLevel::start();
}

void LevelEnemy::updateKeysHint(int keys) {
    // Moving by keys needs no hint here; shooting does, until the first key shot.
    if (getStateTicks() == 300) showMessage(makeRef<JTCore::JTString>("D / F keys to fire!"), 300);
}

void LevelEnemy::updateActors() {
    if (nextEnemyY_ <= getScroll()) spawnEnemy();
    if (hurtTimer_ >= 1) {
        --hurtTimer_;
        knockBackVx_ *= kKnockBackDecay;
    }
    TaskBase::updateAll(enemyPool_);
    fire();
    TaskBase::updateAll(tamaPool_);
    if (nextHamburgerY_ <= getScroll()) spawnHamburger();
    TaskBase::updateAll(hamburgerPool_);
}

void LevelEnemy::spawnEnemy() {
    if (auto enemy = JTCore::dynamicRef<LevelEnemy_Enemy>(TaskBase::findInactive(enemyPool_))) {
        const int side = JTAppBase::randomInt(2);
        const int offset = JTAppBase::randomRange(200, 340);
        const int x = side != 0 ? 320 + offset : 320 - offset;
        enemy->place(static_cast<float>(x), static_cast<float>(nextEnemyY_ + 680));
    }
    // Due or not, the next one is due further up: a full pool only skips this one.
    nextEnemyY_ = advance(nextEnemyY_, enemyInterval(getDifficulty(nextEnemyY_)));
}

void LevelEnemy::spawnHamburger() {
    if (auto hamburger = JTCore::dynamicRef<LevelEnemy_Hamburger>(TaskBase::findInactive(hamburgerPool_))) {
        const int x = JTAppBase::randomRange(64, 576);
        hamburger->place(x, getScroll() + 700);
    }
    // Paced by the enemies' difficulty, so the stock keeps up with them.
    nextHamburgerY_ = advance(nextHamburgerY_, hamburgerInterval(getDifficulty(nextEnemyY_)));
}

void LevelEnemy::fire() {
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

void LevelEnemy::shoot(int direction) {
    auto tama = JTCore::dynamicRef<LevelEnemy_Tama>(TaskBase::findInactive(tamaPool_));
    // Every fireball still in flight: the shot is not spent.
    if (!tama) return;
    const auto d = static_cast<float>(direction);
    tama->launch(getHeroX() + d, getHeroY(), d);
    addFire(-1);
    playEffect(kEffectShot);
}

void LevelEnemy::createFireLabel(float fontSize, uint32_t color, uint32_t shadowColor, float shadowOffset) {
    auto context = getAppContext();
    if (!context) return;
    fireLabel_ = context->createTextLabelFor(getCanvas());
    fireLabel_->setStyle(color, fontSize, 0, 256, 32);
    if (shadowOffset != 0) fireLabel_->setShadow(shadowColor, shadowOffset, shadowOffset);
}

void LevelEnemy::drawFire(int x, int y) {
    if (!fireLabel_) return;
    if (fireChanged_) {
        auto builder = fireLabel_->getBuilder(true);
        builder->appendCString("Fire: ")->appendInt(fire_);
        fireLabel_->setTextFromBuilder(builder);
        fireChanged_ = false;
    }
    fireLabel_->draw(static_cast<float>(x), static_cast<float>(y), 0.0f, 0.0f);
}

void LevelEnemy::render() {
    drawWorld();
    drawScore(12, 12);
    drawFire(190, 12);
    drawMessage(static_cast<float>(getCanvasHeight() / 2));
    drawGameOver(200);
}

void LevelEnemy::drawWorld() {
    drawBackground();
    drawPlatforms();
    TaskBase::drawAll(hamburgerPool_);
    TaskBase::drawAll(enemyPool_);
    TaskBase::drawAll(tamaPool_);
    // While hurt the hero blinks: shown on 4 ticks of every 9.
    if (hurtTimer_ != 0 && hurtTimer_ % 9 > 3) return;
    drawHero(hurtTimer_ > 0 ? kTextureHurtHero : kTextureHero);
}

}  // namespace JTApp
