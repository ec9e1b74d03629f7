#include "levels/LevelTrampoline.h"

#include <algorithm>
#include <cstdint>
#include <limits>

#include "appbase/JTAppContext.h"
#include "appbase/JTMath.h"
#include "levels/LevelTrampoline_Hamburger.h"

namespace JTApp {

using JTCore::JTArrayList;
using JTCore::makeRef;

namespace {

enum Texture { kTextureTrampoline = 6, kTextureHero = 1 };
enum Effect { kEffectBounce = 1 };
// Hamburgers appear this far above the screen's bottom edge, just out of sight.
constexpr int64_t kHamburgerAbove = 700;
constexpr auto kIntMax = static_cast<double>(std::numeric_limits<int>::max());

// A height past the int range stops at its end (scroll and thresholds only grow).
int saturate(int64_t v) {
    return static_cast<int>(std::min<int64_t>(v, std::numeric_limits<int>::max()));
}

VerticalLevelRules trampolineRules() {
    VerticalLevelRules rules;
    // One trampoline 40 below the hero.
    rules.heroStartY = 200;
    rules.startPlatforms = 1;
    // Twice the plain jump, weakening twice as fast with height; the generator's gaps shrink
    // from as little as 1 % of the difficulty.
    rules.jumpMultiplier = 2;
    rules.jumpDivisor = 4096;
    rules.gapRandomMin = 1;
    // The jumps are high: the hero gets further up the screen before it follows him.
    rules.scrollThreshold = 500;
    return rules;
}

}  // namespace

LevelTrampoline::LevelTrampoline(JTAppBase::JTAppContext* context)
    : VerticalLevel(context, trampolineRules()), hamburgerPool_(makeRef<JTArrayList>()) {
    createScoreLabel(24, 0xFFFFFFFFu, 0xFF000000u, 2);
    createMessageLabel(24, 0xFFFFFF00u, 0xFF000000u, 2);
    setGameOverDelay(1500);
    start();
}

LevelTrampoline::~LevelTrampoline() = default;

int LevelTrampoline::getDifficulty(int height) const {
    return height;
}

void LevelTrampoline::start() {
    // Every hamburger is made here, once: a tick only switches them on and off. A second start
    // refills the pool rather than growing it.
    hamburgerPool_->clear();
    for (int i = 0; i < kHamburgers; ++i) hamburgerPool_->add(makeRef<LevelTrampoline_Hamburger>(this));
    nextHamburgerY_ = kFirstHamburgerY;
    // The climb itself: hero, trampolines, then the intro.
    VerticalLevel::start();
}

void LevelTrampoline::landOn(int slot) {
    // Re-placing the trampoline where it is starts its sinking from rest.
    setPlatform(slot, platformX(slot), platformY(slot), kSinkingTrampoline);
    setHero(getHeroX(), getHeroY(), getHeroVx(), jumpSpeed(static_cast<int>(getHeroY())));
    playEffect(kEffectBounce);
}

int LevelTrampoline::platformTexture(int) const {
    return kTextureTrampoline;
}

void LevelTrampoline::updateActors() {
    if (nextHamburgerY_ <= getScroll()) spawnHamburger();
    TaskBase::updateAll(hamburgerPool_);
}

void LevelTrampoline::spawnHamburger() {
    if (auto hamburger =
            JTCore::dynamicRef<LevelTrampoline_Hamburger>(TaskBase::findInactive(hamburgerPool_))) {
        const int x = JTAppBase::randomRange(64, 576);
        hamburger->place(x, saturate(static_cast<int64_t>(getScroll()) + kHamburgerAbove));
    }
    // Due or not, the next one is due 100 to 199 further up: a full pool only skips this one.
    // Past the int range the threshold stops at its end instead of wrapping round to a height
    // the screen passed long ago.
    const double next = static_cast<double>(static_cast<float>(nextHamburgerY_)) +
                        (static_cast<double>(JTAppBase::randomFloat()) + 1.0) * 100.0;
    nextHamburgerY_ = next >= kIntMax ? std::numeric_limits<int>::max() : static_cast<int>(next);
}

void LevelTrampoline::drawWorld() {
    drawBackground();
    // Hamburgers lie behind the trampolines.
    TaskBase::drawAll(hamburgerPool_);
    drawPlatforms();
    drawHero(kTextureHero);
}

}  // namespace JTApp
