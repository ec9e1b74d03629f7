#include "levels/LevelDown.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <limits>

#include "appbase/JTAppContext.h"
#include "appbase/JTCanvas.h"
#include "appbase/JTMath.h"

namespace JTApp {

namespace {

// Velocities are per three ticks; a step multiplies by this float rather than dividing by 3.
constexpr float kThird = std::bit_cast<float>(0x3EAAAAABu);
constexpr float kGravity = std::bit_cast<float>(0xBEAAAAABu);
constexpr int kPlatformTop = 32;
constexpr int kScreenHeight = 640;
// The hero's feet are pushed back this far above the bottom edge when his head meets the ceiling.
constexpr int kUnderCeiling = kScreenHeight - kPlatformTop;
constexpr float kLandingBounce = 10.0f;
constexpr int kLargestGap = 460;
// The world's bottom. The scroll speeds up with the distance, and without a floor the distance
// (the scroll negated) and the platform heights below it would overflow. Long before the floor the
// screen moves hundreds of screens a tick, so no game that can still be played ever reaches it.
constexpr int kLowestScroll = std::numeric_limits<int>::min() / 2;
// Flattening stops once the hero is this many times his own width and this fraction of his height.
constexpr int kWidestCrush = 72;
constexpr int kFlattestCrush = 8;

enum Texture { kTextureHero = 1, kTextureCeiling = 10 };
enum Effect { kEffectLoss = 0, kEffectLanding = 1, kEffectCeiling = 3 };

}  // namespace

LevelDown::LevelDown(JTAppBase::JTAppContext* context) : VerticalLevel(context, VerticalLevelRules{}) {
    createScoreLabel(24, 0xFFFFFFFFu, 0xFF000000u, 2);
    createMessageLabel(24, 0xFFFFFF00u, 0xFF000000u, 2);
    setGameOverDelay(1500);
    start();
}

int LevelDown::getDifficulty(int distance) const {
    return distance;
}

int LevelDown::scrollStep() const {
    const int distance = getDifficulty(-getScroll());
    const int step = static_cast<int>(static_cast<float>(distance / 2048 + 3) * kThird);
    return std::min(step, getScroll() - kLowestScroll);
}

void LevelDown::crushScale(int ticks, float* sx, float* sy) {
    // Both scales are settled after 60 ticks; bounding the count keeps 2 x ticks in range.
    const int t = std::clamp(ticks, 0, 1000);
    const int k = static_cast<int>(static_cast<float>(2 * t) * kThird);
    *sx = k + 32 < kWidestCrush ? static_cast<float>(k + 32) / 32 : 2.25f;
    *sy = 32 - k > kFlattestCrush ? static_cast<float>(32 - k) / 32 : 0.25f;
}

void LevelDown::start() {
    GameSceneBase::start();
    if (auto context = getAppContext()) context->setPauseButtonPos(-27, 25);
    setScroll(-480);
    setHero(320, -200, 0, -20);
    lossCause_ = kPlaying;
    landedThisTick_ = false;
    clearPlatforms();
    setPlatform(0, 320, -240, kPlatform);
    nextPlatformY_ = -290;
    while (generatePlatform()) {
    }
    setState(kStateIntro);
}

bool LevelDown::generatePlatform() {
    // Platforms reach down to just below the bottom edge.
    if (nextPlatformY_ - getScroll() < -8) return false;
    int slot = 0;
    while (slot < kPlatformSlots && platformKind(slot) != kFree) ++slot;
    if (slot == kPlatformSlots) return false;
    setPlatform(slot, JTAppBase::randomRange(54, 586), nextPlatformY_, kPlatform);
    const int g = std::min(120 + getDifficulty(-getScroll()) / 128, kLargestGap);
    nextPlatformY_ -= JTAppBase::randomRange(g / 2, g);
    return true;
}

void LevelDown::landOn(int slot) {
    // The same bounce at every height; remember the surface for the ceiling's crush test.
    landedThisTick_ = true;
    landedSurface_ = getHeroY();
    setHero(getHeroX(), getHeroY(), getHeroVx(), kLandingBounce);
    playEffect(kEffectLanding);
}

void LevelDown::lose(int cause) {
    lossCause_ = cause;
    playEffect(kEffectLoss);
    setState(kStateGameOver);
}

void LevelDown::updatePlaying() {
    steer();
    landedThisTick_ = false;
    landIfDue();
    const int step = scrollStep();
    const int scroll = getScroll();
    const float x = getHeroX() + getHeroVx() * kThird;
    float y = getHeroY() + getHeroVy() * kThird;
    float vy = getHeroVy();
    if ((y - static_cast<float>(scroll)) + kPlatformTop > kScreenHeight) {
        y = static_cast<float>(scroll + kUnderCeiling);
        vy = -std::fabs(vy) - static_cast<float>(step) - 1;
        setHero(x, y, getHeroVx(), vy);
        playEffect(kEffectCeiling);
        // Pushed below the platform he has just landed on: caught between the two.
        if (landedThisTick_ && y < landedSurface_) {
            lose(kCrushed);
            return;
        }
    }
    setHero(x, y, getHeroVx(), vy);
    wrapHero();
    if ((getHeroY() - static_cast<float>(scroll)) + kPlatformTop < 0) {
        lose(kFellOut);
        return;
    }
    setHero(getHeroX(), getHeroY(), getHeroVx(), vy + kGravity);
    addScore(step);
    setScroll(scroll - step);
    for (int i = 0; i < kPlatformSlots; ++i) {
        // Gone above the screen.
        if (platformKind(i) != kFree && (platformY(i) - 8) - getScroll() > kScreenHeight) {
            setPlatformKind(i, kFree);
        }
    }
    while (generatePlatform()) {
    }
}

void LevelDown::updateGameOver() {
    if (lossCause_ == kCrushed) {
        // The hero stays flattened where he is; the view glides until he is just under its top.
        const float offset = ((getHeroY() - 16) - 640) - static_cast<float>(getScroll());
        setScroll(getScroll() + static_cast<int>(offset / 6 * kThird));
        GameSceneBase::updateGameOver();
    } else {
        VerticalLevel::updateGameOver();
    }
}

void LevelDown::drawWorld() {
    drawBackground();
    drawPlatforms();
    const bool over = getState() == kStateGameOver;
    auto canvas = getCanvas();
    if (!(over && lossCause_ == kFellOut)) canvas->drawTexture(kTextureCeiling, 160, 6, 0.5f, 0.5f);
    if (over && lossCause_ == kCrushed) {
        float sx = 1;
        float sy = 1;
        crushScale(getStateTicks(), &sx, &sy);
        const int feet = static_cast<int>((getHeroY() - 32) + 16 * (1 - sy));
        canvas->drawTextureScaled(kTextureHero, static_cast<float>(toScreenX(static_cast<int>(getHeroX()))),
                                  static_cast<float>(toScreenY(feet)), 0.5f, 1.0f, sx, sy);
    } else {
        drawHero(kTextureHero);
    }
}

}  // namespace JTApp
