#include "levels/LevelFall.h"

#include <cstdint>

#include "appbase/JTAppContext.h"

namespace JTApp {

namespace {

enum Effect { kEffectBounce = 1 };

VerticalLevelRules fallRules() {
    VerticalLevelRules rules;
    // Three start platforms under a hero 40 above the highest: he lands on it first.
    rules.heroStartY = 200;
    rules.startPlatforms = 3;
    return rules;
}

}  // namespace

LevelFall::LevelFall(JTAppBase::JTAppContext* context) : VerticalLevel(context, fallRules()) {
    createScoreLabel(24, 0xFFFFFFFFu, 0xFF000000u, 2);
    createMessageLabel(24, 0xFFFFFF00u, 0xFF000000u, 2);
    setGameOverDelay(1500);
    start();
}

int LevelFall::getDifficulty(int height) const {
    // 64-bit: twice a height past 2^30 does not fit an int; the quotient plus 5000 always does.
    return static_cast<int>(2 * static_cast<int64_t>(height) / 3 + 5000);
}

bool LevelFall::isLandable(int kind) const {
    return FallingPlatforms::isLandable(kind);
}

bool LevelFall::isFalling(int kind) const {
    return FallingPlatforms::isFalling(kind);
}

void LevelFall::landOn(int slot) {
    const int kind = platformKind(slot);
    // Re-placing the platform where it is starts its fall from rest.
    setPlatform(slot, platformX(slot), platformY(slot), FallingPlatforms::landedKind(kind));
    const float speed = jumpSpeed(static_cast<int>(getHeroY()));
    setHero(getHeroX(), getHeroY(), getHeroVx(), FallingPlatforms::bounceSpeed(kind, speed));
    playEffect(kEffectBounce);
}

bool LevelFall::nextIsSpringPlatform() {
    return FallingPlatforms::nextIsSpring(getTop());
}

int LevelFall::platformTexture(int kind) const {
    return FallingPlatforms::texture(kind);
}

}  // namespace JTApp
