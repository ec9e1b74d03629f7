#include "levels/SidewaysLevel.h"

#include <algorithm>
#include <bit>
#include <cstdint>

#include "appbase/JTAppContext.h"
#include "appbase/JTCanvas.h"
#include "appbase/JTMath.h"

namespace JTApp {

namespace {

// Velocities are per three ticks; a step multiplies by this float rather than dividing by 3.
constexpr float kThird = std::bit_cast<float>(0x3EAAAAABu);
constexpr float kGravity = std::bit_cast<float>(0xBEAAAAABu);
constexpr float kFallAcceleration = std::bit_cast<float>(0xBF2AAAABu);
constexpr int kHeroHalfWidth = 32;
constexpr int kPlatformTop = 32;
// A platform this far past an edge of the view is out of sight.
constexpr int kOffViewMargin = 54;
constexpr int kScreenWidth = 640;
// A falling platform is gone once its centre is this far below the ground.
constexpr int kFallenBelow = -8;
// No platform is generated above this height, nor below kLowestPlatform while one can be higher.
constexpr int kHighestPlatform = 440;
constexpr int kLowestPlatform = 20;
// Where the lowest and highest standing platforms are taken to be when none is standing.
constexpr int kNoLowest = 1000;
constexpr int kNoHighest = 0;
constexpr int kFirstGap = 80;
constexpr int kLargestGap = 600;
// Added before the remainder so a view scrolled back behind x 0 (during the game-over drift)
// still gives a column offset in [0, 160).
constexpr int64_t kBackgroundBias = 1073741824;
constexpr int kTile = 160;

enum Texture { kTextureHero = 2, kTexturePlatform = 5, kTextureBackground = 14 };
enum Effect { kEffectFall = 0, kEffectBounce = 1 };

VerticalLevelRules sidewaysRules() {
    VerticalLevelRules rules;
    // A bounce is a little weaker than on the climb.
    rules.jumpBase = 18;
    return rules;
}

}  // namespace

SidewaysLevel::SidewaysLevel(JTAppBase::JTAppContext* context) : VerticalLevel(context, sidewaysRules()) {}

int SidewaysLevel::getDifficulty(int distance) const {
    return std::max(distance - 3200, 0);
}

int SidewaysLevel::toScreenX(int x) const {
    // 64-bit so a platform far behind the view cannot overflow the difference.
    return static_cast<int>((static_cast<int64_t>(x) - scrollX_) / 2);
}

int SidewaysLevel::reach(int distance) const {
    const float s = jumpSpeed(distance);
    return std::max(static_cast<int>(s * (s + kThird) * 0.5f) - 4, 0);
}

void SidewaysLevel::start() {
    GameSceneBase::start();
    if (auto context = getAppContext()) context->setPauseButtonPos(-27, 25);
    setScroll(0);
    setHero(60, 300, 0, -10);
    clearPlatforms();
    // A column of three under the hero, the highest right under his feet.
    const int x = static_cast<int>(getHeroX());
    const int feet = static_cast<int>(getHeroY()) - kPlatformTop;
    for (int i = 0; i < 3; ++i) setPlatform(i, x, feet - 50 * i, kPlatform);
    nextPlatformX_ = x + kFirstGap;
    while (generatePlatform()) {
    }
    setState(kStateIntro);
}

bool SidewaysLevel::generatePlatform() {
    // Platforms reach just past the right edge of the view.
    if (nextPlatformX_ - kOffViewMargin - scrollX_ > kScreenWidth) return false;
    int slot = 0;
    while (slot < kPlatformSlots && platformKind(slot) != kFree) ++slot;
    if (slot == kPlatformSlots) return false;
    int low = kNoLowest;
    int high = kNoHighest;
    bool standing = false;
    for (int i = 0; i < kPlatformSlots; ++i) {
        if (platformKind(i) != kPlatform) continue;
        low = standing ? std::min(low, platformY(i)) : platformY(i);
        high = standing ? std::max(high, platformY(i)) : platformY(i);
        standing = true;
    }
    // Never higher than a bounce off the highest standing platform can take him, nor so low
    // under the lowest that the way would drop.
    const int up = reach(nextPlatformX_);
    const int top = std::min(up + high, kHighestPlatform);
    const int y = JTAppBase::randomRange(JTAppBase::clampInt(low - up, kLowestPlatform, top), top);
    setPlatform(slot, nextPlatformX_, y, kPlatform);
    const int g = std::min(160 + scrollX_ / 128, kLargestGap);
    nextPlatformX_ += JTAppBase::randomRange(g / 2, g);
    return true;
}

void SidewaysLevel::landOn(int slot) {
    // The bounce weakens with the distance, not the height.
    setHero(getHeroX(), getHeroY(), getHeroVx(), jumpSpeed(static_cast<int>(getHeroX())));
    // Re-placing the platform where it is starts its fall from rest.
    setPlatform(slot, platformX(slot), platformY(slot), kFallingPlatform);
    playEffect(kEffectBounce);
}

void SidewaysLevel::updatePlaying() {
    steer();
    setHero(getHeroX(), getHeroY(), JTAppBase::clampFloat(getHeroVx(), -kMaxSpeed, kMaxSpeed), getHeroVy());
    landIfDue();
    float x = getHeroX() + (getHeroVx() + pushVx()) * kThird;
    const float y = getHeroY() + getHeroVy() * kThird;
    float vx = getHeroVx();
    // The left edge of the view is a wall: no way back, and no wrap at either side.
    if (x - static_cast<float>(scrollX_) - kHeroHalfWidth < 0) {
        x = static_cast<float>(scrollX_ + kHeroHalfWidth);
        vx = 0;
    }
    setHero(x, y, vx, getHeroVy());
    if ((y - static_cast<float>(getScroll())) + kPlatformTop < 0) {
        playEffect(kEffectFall);
        setState(kStateGameOver);
        return;
    }
    setHero(x, y, vx, getHeroVy() + kGravity);
    if (x - static_cast<float>(scrollX_) > kScrollThreshold) {
        // Past the threshold x is larger than scrollX_ + 300, so the view only moves right.
        const int newScroll = static_cast<int>(x) - kScrollThreshold;
        addScore(newScroll - scrollX_);
        scrollX_ = newScroll;
    }
    updatePlatforms();
    while (generatePlatform()) {
    }
    updateActors();
}

void SidewaysLevel::updatePlatforms() {
    for (int i = 0; i < kPlatformSlots; ++i) {
        const int kind = platformKind(i);
        if (kind == kFree) continue;
        if (platformX(i) - scrollX_ < -kOffViewMargin) {
            setPlatformKind(i, kFree);
        } else if (kind == kFallingPlatform) {
            const float speed = platformFallSpeed(i) + kFallAcceleration;
            const int y = platformY(i) + static_cast<int>(speed);
            setPlatformFall(i, y, speed);
            if (y < kFallenBelow) setPlatformKind(i, kFree);
        }
    }
}

void SidewaysLevel::updateGameOver() {
    // The view drifts on with the hero's last sideways speed; he stays out of sight behind it,
    // and the climbing levels' fall takes care of the vertical.
    scrollX_ += static_cast<int>(getHeroVx() * kThird);
    setHero(static_cast<float>(scrollX_ - 64), getHeroY(), getHeroVx(), getHeroVy());
    VerticalLevel::updateGameOver();
}

int SidewaysLevel::platformTexture(int) const {
    return kTexturePlatform;
}

void SidewaysLevel::drawWorld() {
    drawSidewaysBackground();
    drawPlatforms();
    drawHero(kTextureHero);
}

void SidewaysLevel::drawSidewaysBackground() {
    // Half the scrolling speed, so the backdrop looks far away.
    const int left = -static_cast<int>((kBackgroundBias + scrollX_ / 2) % kTile);
    const int bottom = (getScroll() / 2) % kTile - kTile;
    auto canvas = getCanvas();
    for (int x = left; x < 320; x += kTile) {
        for (int y = bottom; y < 480; y += kTile) {
            canvas->drawTexture(kTextureBackground, static_cast<float>(x), static_cast<float>(y), 0, 0);
        }
    }
}

}  // namespace JTApp
