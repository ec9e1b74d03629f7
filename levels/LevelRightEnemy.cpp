#include "levels/LevelRightEnemy.h"

#include "appbase/JTAppContext.h"
#include "appbase/JTMath.h"
#include "levels/LevelRightEnemy_Enemy.h"
#include "levels/LevelRightEnemy_Hamburger.h"
#include "levels/LevelRightEnemy_Tama.h"

namespace JTApp {

namespace {

constexpr int kFirstHamburgerX = 1000;
// Actors come in this far right of the view's left edge: just past its right edge at 640.
constexpr int kAhead = 720;

enum Texture { kTextureHero = 2 };

}  // namespace

LevelRightEnemy::LevelRightEnemy(JTAppBase::JTAppContext* context)
    : SidewaysLevel(context), EnemyShooting(this) {
    createScoreLabel(24, 0xFFFFFFFFu, 0xFF000000u, 2);
    createFireLabel(24, 0xFFFFFFFFu, 0xFF000000u, 2);
    createMessageLabel(24, 0xFFFFFF00u, 0xFF000000u, 2);
    setGameOverDelay(1500);
    start();
}

LevelRightEnemy::~LevelRightEnemy() = default;

void LevelRightEnemy::start() {
    resetShooting<LevelRightEnemy_Enemy, LevelRightEnemy_Tama, LevelRightEnemy_Hamburger>(this);
    nextEnemyX_ = 0;
    nextHamburgerX_ = kFirstHamburgerX;
    // The way itself: hero, platforms, then the intro.
    SidewaysLevel::start();
}

void LevelRightEnemy::spawnEnemyIfDue() {
    if (nextEnemyX_ > getScrollX()) return;
    if (auto enemy = JTCore::dynamicRef<LevelRightEnemy_Enemy>(TaskBase::findInactive(getEnemyPool()))) {
        const int y = getScroll() + JTAppBase::randomRange(200, 500);
        enemy->place(static_cast<float>(advance(getScrollX(), kAhead)), static_cast<float>(y));
    }
    // Due or not, the next one is due further on: a full pool only skips this one.
    nextEnemyX_ = advance(nextEnemyX_, JTAppBase::randomRange(800, 1200));
}

void LevelRightEnemy::spawnHamburgerIfDue() {
    if (nextHamburgerX_ > getScrollX()) return;
    if (auto hamburger =
            JTCore::dynamicRef<LevelRightEnemy_Hamburger>(TaskBase::findInactive(getHamburgerPool()))) {
        // At a fixed height on the screen, whatever the view does vertically.
        hamburger->place(advance(getScrollX(), kAhead), JTAppBase::randomRange(64, 416));
    }
    nextHamburgerX_ = advance(nextHamburgerX_, JTAppBase::randomRange(500, 1500));
}

void LevelRightEnemy::render() {
    drawWorld();
    drawScore(12, 12);
    drawFire(190, 12);
    drawMessage(static_cast<float>(getCanvasHeight() / 2));
    drawGameOver(200);
}

void LevelRightEnemy::drawWorld() {
    drawSidewaysBackground();
    drawPlatforms();
    drawActors();
    if (isHeroShown()) drawHero(heroTexture(kTextureHero));
}

}  // namespace JTApp
