#include "levels/LevelEnemy.h"

#include <algorithm>
#include <limits>

#include "appbase/JTAppContext.h"
#include "appbase/JTMath.h"
#include "levels/LevelEnemy_Enemy.h"
#include "levels/LevelEnemy_Hamburger.h"
#include "levels/LevelEnemy_Tama.h"

namespace JTApp {

namespace {

constexpr int kFirstHamburgerY = 1000;

enum Texture { kTextureHero = 1 };

// The 1 + 2 + ... + j of the spawn intervals, j = 20 - difficulty / 8192, at least 4.
int64_t steps(int difficulty) {
    const int64_t j = std::max<int64_t>(20 - difficulty / 8192, 4);
    return j * (j + 1) / 2;
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
    : VerticalLevel(context, enemyRules()), EnemyShooting(this) {
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

void LevelEnemy::start() {
    resetShooting<LevelEnemy_Enemy, LevelEnemy_Tama, LevelEnemy_Hamburger>(this);
    nextEnemyY_ = 0;
    nextHamburgerY_ = kFirstHamburgerY;
    // The climb itself: hero, platforms, then the intro.
    VerticalLevel::start();
}

void LevelEnemy::spawnEnemyIfDue() {
    if (nextEnemyY_ > getScroll()) return;
    if (auto enemy = JTCore::dynamicRef<LevelEnemy_Enemy>(TaskBase::findInactive(getEnemyPool()))) {
        const int side = JTAppBase::randomInt(2);
        const int offset = JTAppBase::randomRange(200, 340);
        const int x = side != 0 ? 320 + offset : 320 - offset;
        enemy->place(static_cast<float>(x), static_cast<float>(nextEnemyY_ + 680));
    }
    // Due or not, the next one is due further up: a full pool only skips this one.
    nextEnemyY_ = advance(nextEnemyY_, enemyInterval(getDifficulty(nextEnemyY_)));
}

void LevelEnemy::spawnHamburgerIfDue() {
    if (nextHamburgerY_ > getScroll()) return;
    if (auto hamburger =
            JTCore::dynamicRef<LevelEnemy_Hamburger>(TaskBase::findInactive(getHamburgerPool()))) {
        const int x = JTAppBase::randomRange(64, 576);
        hamburger->place(x, getScroll() + 700);
    }
    // Paced by the enemies' difficulty, so the stock keeps up with them.
    nextHamburgerY_ = advance(nextHamburgerY_, hamburgerInterval(getDifficulty(nextEnemyY_)));
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
    drawActors();
    if (isHeroShown()) drawHero(heroTexture(kTextureHero));
}

}  // namespace JTApp
