#include "levels/VerticalLevel.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <limits>

#include "appbase/JTAccelerometerHelper.h"
#include "appbase/JTAppContext.h"
#include "appbase/JTCanvas.h"
#include "appbase/JTKeyHelper.h"
#include "appbase/JTLevelInfo.h"
#include "appbase/JTMath.h"
#include "appbase/JTSoundHelper.h"
#include "appbase/JTTextLabel.h"

namespace JTApp {

using JTCore::makeRef;
using JTCore::Ref;

namespace {

// The game's fixed step: velocities are per three ticks, and a step multiplies by this float
// rather than dividing by 3, so results are bit-for-bit those of the original arithmetic.
constexpr float kThird = std::bit_cast<float>(0x3EAAAAABu);
constexpr float kGravity = std::bit_cast<float>(0xBEAAAAABu);
// One step away from the nearest floats to -0.4 and 0.4.
constexpr float kSteerLeft = std::bit_cast<float>(0xBECCCCCEu);
constexpr float kSteerRight = std::bit_cast<float>(0x3ECCCCCEu);
constexpr float kFallAcceleration = std::bit_cast<float>(0xBF2AAAABu);
// 2^31: the first float past the int range.
constexpr float kIntLimit = 2147483648.0f;
constexpr int kHeroHalfWidth = 32;
constexpr int kPlatformHalfWidth = 27;
constexpr int kPlatformTop = 32;
constexpr int kIntroTicks = 150;
constexpr int kLeftKeyBit = 2;
constexpr int kRightKeyBit = 3;

enum Texture { kTextureHero = 1, kTextureBackground = 14 };
enum Effect { kEffectFall = 0, kEffectBounce = 1 };

// The whole number of units the tilt gives the hero's speed: the tilt x 64 truncated toward zero.
// Converting NaN or a value past the int range to int is undefined: a broken sample steers
// nowhere, an absurd one as far as an int goes. Every real reading, a hard shake included, is
// truncated as it is.
int tiltSpeed(float tilt) {
    const float scaled = tilt * 64;
    if (std::isnan(scaled)) return 0;
    if (scaled >= kIntLimit) return std::numeric_limits<int>::max();
    if (scaled < -kIntLimit) return std::numeric_limits<int>::min();
    return static_cast<int>(scaled);
}

}  // namespace

VerticalLevel::VerticalLevel(JTAppBase::JTAppContext* context, const VerticalLevelRules& rules)
    : GameSceneBase(context), rules_(rules) {}

int VerticalLevel::toScreenY(int y) const {
    // 64-bit so a platform far off screen (during the game-over fall) cannot overflow the product.
    return 480 - static_cast<int>((static_cast<int64_t>(y) - scroll_) * 480 / 640);
}

float VerticalLevel::jumpSpeed(int height) const {
    const int s = rules_.jumpMultiplier * (rules_.jumpBase - getDifficulty(height) / rules_.jumpDivisor);
    return static_cast<float>(std::max(s, 4));
}

void VerticalLevel::setHero(float x, float y, float vx, float vy) {
    heroX_ = x;
    heroY_ = y;
    heroVx_ = vx;
    heroVy_ = vy;
}

void VerticalLevel::setPlatform(int slot, int x, int y, int kind) {
    platformX_[slot] = x;
    platformY_[slot] = y;
    platformFallSpeed_[slot] = 0;
    platformKind_[slot] = kind;
}

void VerticalLevel::clearPlatforms() {
    for (int i = 0; i < kPlatformSlots; ++i) setPlatform(i, 0, 0, kFree);
}

int VerticalLevel::usedPlatformCount() const {
    return static_cast<int>(std::count_if(std::begin(platformKind_), std::end(platformKind_),
                                          [](int kind) { return kind != kFree; }));
}

int VerticalLevel::firstFreeSlot() const {
    for (int i = 0; i < kPlatformSlots; ++i) {
        if (platformKind_[i] == kFree) return i;
    }
    return -1;
}

void VerticalLevel::playEffect(int n) {
    if (auto sound = getSoundHelper()) sound->playEffect(n);
}

void VerticalLevel::start() {
    GameSceneBase::start();
    if (auto context = getAppContext()) context->setPauseButtonPos(-27, 25);
    scroll_ = 0;
    setHero(320, rules_.heroStartY, 0, -10);
    clearPlatforms();
    top_ = static_cast<int>(heroY_) - 40;
    for (int i = 0; i < rules_.startPlatforms; ++i) setPlatform(i, 320, top_ - 50 * i, newPlatformKind());
    while (generatePlatform()) {
    }
    setState(kStateIntro);
}

bool VerticalLevel::generatePlatform() {
    if (top_ - 8 - scroll_ > 640) return false;
    const int slot = firstFreeSlot();
    if (slot < 0) return false;
    const bool spring = nextIsSpringPlatform();
    const float s = jumpSpeed(top_ + kPlatformTop);
    // The height a jump of speed s reaches.
    const int reach = static_cast<int>(s * (s + kThird) * 0.5f);
    // 64-bit: at extreme heights difficulty x percent no longer fits 32 bits (the quotient does).
    const int64_t k =
        static_cast<int64_t>(getDifficulty(top_)) * JTAppBase::randomRange(rules_.gapRandomMin, 100) / 100;
    const int gap =
        reach - JTAppBase::scaleByRatio(std::max(reach - 30, 0), rules_.jumpDivisor, static_cast<int>(k));
    const int x = JTAppBase::randomRange(27, 613);
    if (spring) {
        setPlatform(slot, x, top_ + JTAppBase::randomRange(gap / 4, gap * 3 / 4), kSpringPlatform);
    } else {
        top_ += gap;
        setPlatform(slot, x, top_, newPlatformKind());
    }
    return true;
}

void VerticalLevel::updateState(int state) {
    if (state == kStateIntro) {
        updateIntro();
    } else {
        GameSceneBase::updateState(state);
    }
}

void VerticalLevel::updateIntro() {
    const int t = getStateTicks();
    if (t % 50 == 1) {
        auto context = getAppContext();
        auto info = context ? context->getCurrentLevelInfo() : nullptr;
        if (info) showMessage(info->getName(), 25);
    }
    if (t == kIntroTicks) setState(kStatePlaying);
}

void VerticalLevel::updateKeysHint(int keys) {
    if (JTAppBase::isBitSet(keys, kLeftKeyBit) || JTAppBase::isBitSet(keys, kRightKeyBit)) {
        clearHint();
    } else if (getStateTicks() % 500 == 300) {
        if (auto label = getMessageLabel()) label->setStyle(0xFFFFFF00u, 20.0f, 1, 256, 32);
        showMessage(makeRef<JTCore::JTString>("LEFT / RIGHT keys to move!"), 300);
    }
}

void VerticalLevel::steer() {
    auto context = getAppContext();
    if (!context) return;
    if (controlMode_ == kControlKeys) {
        const int keys = context->getKeyHelper()->getKeyState();
        if (JTAppBase::isBitSet(keys, kLeftKeyBit)) heroVx_ += kSteerLeft;
        if (JTAppBase::isBitSet(keys, kRightKeyBit)) heroVx_ += kSteerRight;
        if (hintPending_) updateKeysHint(keys);
    } else if (controlMode_ == kControlTouch) {
        // No touch record exists before the view's first tick: nobody is touching.
        auto touch = getCanvas()->getTouch();
        const bool touching = touch && touch->isTouching();
        if (touching) heroVx_ += touch->getX() < 160 ? kSteerLeft : kSteerRight;
        if (hintPending_) {
            if (touching) {
                clearHint();
            } else if (getStateTicks() % 450 == 300) {
                showMessage(makeRef<JTCore::JTString>("Touch to control !"), 180);
            }
        }
    } else if (controlMode_ == kControlTilt) {
        heroVx_ = static_cast<float>(tiltSpeed(context->getAccelerometerHelper()->getAccelerationH()));
    }
}

void VerticalLevel::landIfDue() {
    const float nextY = heroY_ + heroVy_ * kThird;
    int winner = -1;
    int winnerTop = 0;
    for (int i = 0; i < kPlatformSlots; ++i) {
        if (!isLandable(platformKind_[i])) continue;
        const int px = platformX_[i];
        const int surface = platformY_[i] + kPlatformTop;
        if (!(static_cast<float>(px - kPlatformHalfWidth) < heroX_ + kHeroHalfWidth &&
              heroX_ - kHeroHalfWidth < static_cast<float>(px + kPlatformHalfWidth))) {
            continue;
        }
        const float top = static_cast<float>(surface);
        if (heroY_ >= top && nextY < top && (winner < 0 || surface > winnerTop)) {
            winner = i;
            winnerTop = surface;
        }
    }
    if (winner < 0) return;
    heroY_ = static_cast<float>(winnerTop);
    landOn(winner);
}

void VerticalLevel::landOn(int slot) {
    heroVy_ = jumpSpeed(static_cast<int>(heroY_));
    playEffect(kEffectBounce);
}

void VerticalLevel::moveFallingPlatforms() {
    for (int i = 0; i < kPlatformSlots; ++i) {
        if (platformKind_[i] == kFree) continue;
        if (isFalling(platformKind_[i])) {
            platformFallSpeed_[i] += kFallAcceleration;
            platformY_[i] =
                static_cast<int>(static_cast<float>(platformY_[i]) + platformFallSpeed_[i] * kThird);
        }
        if (platformY_[i] < scroll_) platformKind_[i] = kFree;
    }
}

void VerticalLevel::wrapHero() {
    const float margin = static_cast<float>(rules_.wrapMargin);
    if (heroX_ < -margin) {
        heroX_ = kWorldWidth + margin;
    } else if (heroX_ > kWorldWidth + margin) {
        heroX_ = -margin;
    }
}

void VerticalLevel::updatePlaying() {
    steer();
    landIfDue();
    heroX_ += (heroVx_ + pushVx()) * kThird;
    heroY_ += heroVy_ * kThird;
    wrapHero();
    if ((heroY_ - static_cast<float>(scroll_)) + kPlatformTop < 0) {
        playEffect(kEffectFall);
        setState(kStateGameOver);
        return;
    }
    heroVy_ += kGravity;
    const int height = static_cast<int>(heroY_);
    if (height - scroll_ > rules_.scrollThreshold) {
        const int newScroll = height - rules_.scrollThreshold;
        if (rules_.scoreFromHeight) addScore(newScroll - scroll_);
        scroll_ = newScroll;
    }
    moveFallingPlatforms();
    while (generatePlatform()) {
    }
    updateActors();
}

void VerticalLevel::updateGameOver() {
    // The view follows the hero down; he stays just below its bottom edge.
    scroll_ += static_cast<int>(heroVy_ * kThird);
    heroY_ = static_cast<float>(scroll_ - 64);
    if (heroVy_ > -70) heroVy_ += kGravity;
    GameSceneBase::updateGameOver();
}

void VerticalLevel::render() {
    drawWorld();
    drawScore(12, 12);
    drawMessage(static_cast<float>(getCanvasHeight() / 2));
    drawGameOver(200);
}

void VerticalLevel::drawWorld() {
    drawBackground();
    drawPlatforms();
    drawHero(kTextureHero);
}

void VerticalLevel::drawBackground() {
    // Half the scrolling speed, so the backdrop looks far away.
    const int offset = (scroll_ / 2) % 160 - 160;
    auto canvas = getCanvas();
    for (int x = 0; x <= 160; x += 160) {
        for (int y = offset; y < 480; y += 160) {
            canvas->drawTexture(kTextureBackground, static_cast<float>(x), static_cast<float>(y), 0, 0);
        }
    }
}

void VerticalLevel::drawPlatforms() {
    auto canvas = getCanvas();
    for (int i = 0; i < kPlatformSlots; ++i) {
        if (platformKind_[i] == kFree) continue;
        canvas->drawTexture(platformTexture(platformKind_[i]), static_cast<float>(toScreenX(platformX_[i])),
                            static_cast<float>(toScreenY(platformY_[i])), 0.5f, 0.5f);
    }
}

void VerticalLevel::drawHero(int texture) {
    getCanvas()->drawTexture(texture, static_cast<float>(toScreenX(static_cast<int>(heroX_))),
                             static_cast<float>(toScreenY(static_cast<int>(heroY_) - kPlatformTop)), 0.5f,
                             1.0f);
}

}  // namespace JTApp
