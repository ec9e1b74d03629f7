#include "levels/LevelFallEnemy2.h"

#include "appbase/JTAppContext.h"
#include "levels/FallingPlatforms.h"
#include "levels/LevelFallEnemy2_EnemyA.h"
#include "levels/LevelFallEnemy2_EnemyB.h"
#include "levels/LevelFallEnemy2_EnemyC.h"
#include "levels/LevelFallEnemy2_Hamburger.h"
#include "levels/LevelFallEnemy2_Tama.h"
#include "levels/LevelFallEnemy2_Toge.h"

namespace JTApp {

namespace {

enum Effect { kEffectBounce = 1 };

VerticalLevelRules withStartColumn(VerticalLevelRules rules) {
    // A column of three under the hero: each one he bounces on drops away, so there is another
    // to catch him below the first.
    rules.startPlatforms = 3;
    return rules;
}

}  // namespace

LevelFallEnemy2::LevelFallEnemy2(JTAppBase::JTAppContext* context)
    : LevelEnemy2(context, withStartColumn(enemy2Rules())) {
    start();
}

LevelFallEnemy2::~LevelFallEnemy2() = default;

void LevelFallEnemy2::makeActors() {
    fillPools<LevelFallEnemy2_EnemyA, LevelFallEnemy2_Tama, LevelFallEnemy2_Hamburger, LevelFallEnemy2_EnemyB,
              LevelFallEnemy2_EnemyC, LevelFallEnemy2_Toge>(this);
}

bool LevelFallEnemy2::isLandable(int kind) const {
    return FallingPlatforms::isLandable(kind);
}

bool LevelFallEnemy2::isFalling(int kind) const {
    return FallingPlatforms::isFalling(kind);
}

void LevelFallEnemy2::landOn(int slot) {
    const int kind = platformKind(slot);
    // Re-placing the platform where it is starts its fall from rest.
    setPlatform(slot, platformX(slot), platformY(slot), FallingPlatforms::landedKind(kind));
    const float speed = jumpSpeed(static_cast<int>(getHeroY()));
    setHero(getHeroX(), getHeroY(), getHeroVx(), FallingPlatforms::bounceSpeed(kind, speed));
    playEffect(kEffectBounce);
}

bool LevelFallEnemy2::nextIsSpringPlatform() {
    return FallingPlatforms::nextIsSpring(getTop());
}

int LevelFallEnemy2::platformTexture(int kind) const {
    return FallingPlatforms::texture(kind);
}

}  // namespace JTApp
