#include "levels/LevelFall.h"

#include <cstdint>

#include "appbase/JTAppContext.h"
#include "appbase/JTMath.h"

namespace JTApp {

namespace {

// Springs only appear once the climb is past this height.
constexpr int kSpringMinTop = 1000;
constexpr int kSpringOdds = 16;
enum Texture { kTextureRegular = 5, kTextureSpring = 6 };
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
    return kind == kPlatform || kind == kSpringPlatform;
}

bool LevelFall::isFalling(int kind) const {
    return kind == kFallingPlatform || kind == kFallingSpringPlatform;
}

void LevelFall::landOn(int slot) {
    const bool spring = platformKind(slot) == kSpringPlatform;
    // Re-placing the platform where it is starts its fall from rest.
    setPlatform(slot, platformX(slot), platformY(slot), spring ? kFallingSpringPlatform : kFallingPlatform);
    // The jump speed is at least 4, so a spring's bounce is at least 8.
    const float speed = jumpSpeed(static_cast<int>(getHeroY()));
    setHero(getHeroX(), getHeroY(), getHeroVx(), spring ? 2 * speed : speed);
    playEffect(kEffectBounce);
}

bool LevelFall::nextIsSpringPlatform() {
    // Low down no random number is drawn at all, so the start of a game is as in the regular
    // sequence.
    return getTop() > kSpringMinTop && JTAppBase::randomInt(kSpringOdds) == 0;
}

int LevelFall::platformTexture(int kind) const {
    return kind == kSpringPlatform || kind == kFallingSpringPlatform ? kTextureSpring : kTextureRegular;
}

}  // namespace JTApp
