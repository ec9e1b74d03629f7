#include "levels/LevelColors.h"

#include <algorithm>
#include <limits>

#include "appbase/JTAppContext.h"
#include "appbase/JTCanvas.h"
#include "appbase/JTMath.h"
#include "appbase/JTTextLabel.h"
#include "core/JTStringBuilder.h"

namespace JTApp {

using JTCore::makeRef;

namespace {

// From this chain on every landing gives the same bonus.
constexpr int kChainCap = 20;
constexpr int kPointsPerChain = 10;
// The label's centre stays far enough from the screen's edges for its 128 x 64 box.
constexpr int kLabelMinX = 64;
constexpr int kLabelMaxX = 256;
constexpr int kLabelMinY = 64;
constexpr int kLabelMaxY = 416;

// Texture and landing sound of each colour, indexed by colour - 1.
constexpr int kColorTexture[LevelColors::kColorCount] = {4, 7, 8};
constexpr int kColorEffect[LevelColors::kColorCount] = {1, 6, 7};

// The colour of a platform of either kind, or 0 for a free slot or an unknown kind.
int colorOf(int kind) {
    if (kind >= 1 && kind <= LevelColors::kColorCount) return kind;
    if (kind > LevelColors::kLandedOffset && kind <= LevelColors::kLandedOffset + LevelColors::kColorCount)
        return kind - LevelColors::kLandedOffset;
    return 0;
}

VerticalLevelRules colorsRules() {
    VerticalLevelRules rules;
    // Three start platforms under a hero 40 above the highest: he lands on it first.
    rules.heroStartY = 200;
    rules.startPlatforms = 3;
    // Gaps vary more than in the plain climb.
    rules.gapRandomMin = 1;
    // Only chain bonuses score.
    rules.scoreFromHeight = false;
    return rules;
}

}  // namespace

LevelColors::LevelColors(JTAppBase::JTAppContext* context) : VerticalLevel(context, colorsRules()) {
    createScoreLabel(24, 0xFFFFFFFFu, 0xFF000000u, 2);
    createMessageLabel(24, 0xFFFFFF00u, 0xFF000000u, 2);
    setGameOverDelay(1500);
    start();
}

LevelColors::~LevelColors() = default;

int LevelColors::getDifficulty(int height) const {
    return std::max(height - 600, 0);
}

void LevelColors::start() {
    VerticalLevel::start();
    auto context = getAppContext();
    chainLabel_ = context ? context->createTextLabelFor(getCanvas()) : nullptr;
    if (chainLabel_) {
        chainLabel_->setStyle(0xFFFFFFFFu, 22, 1, 128, 64);
        chainLabel_->setShadow(0xFF000000u, 1, 1);
    }
}

void LevelColors::updateState(int state) {
    VerticalLevel::updateState(state);
    // The label fades on its own clock, whatever the state: intro, play or the fall.
    if (labelTimer_ >= 1) --labelTimer_;
}

bool LevelColors::isLandable(int kind) const {
    return kind >= 1 && kind <= kColorCount;
}

bool LevelColors::isFalling(int kind) const {
    return kind > kLandedOffset && kind <= kLandedOffset + kColorCount;
}

int LevelColors::newPlatformKind() {
    return JTAppBase::randomRange(1, kColorCount + 1);
}

int LevelColors::platformTexture(int kind) const {
    const int color = colorOf(kind);
    return color > 0 ? kColorTexture[color - 1] : kColorTexture[0];
}

int LevelColors::chainBonus(int n) {
    // A count below 1 only comes from setChain; it earns nothing rather than costing points.
    if (n < 1) return 0;
    return n < kChainCap + 1 ? n * kPointsPerChain : kChainCap * kPointsPerChain;
}

void LevelColors::landOn(int slot) {
    const int color = platformKind(slot);
    // Re-placing the platform where it is starts its fall from rest.
    setPlatform(slot, platformX(slot), platformY(slot), color + kLandedOffset);
    setHero(getHeroX(), getHeroY(), getHeroVx(), jumpSpeed(static_cast<int>(getHeroY())));
    playEffect(kColorEffect[color - 1]);

    if (color != lastColor_) {
        lastColor_ = color;
        setChain(0);
    }
    // A chain cannot run past the int range, however long the game.
    const int current = getChain();
    setChain(current < std::numeric_limits<int>::max() ? current + 1 : current);
    const int n = getChain();
    const int bonus = chainBonus(n);
    showChain(slot, n, bonus);
    addScore(bonus);
}

void LevelColors::showChain(int slot, int chain, int bonus) {
    labelX_ = static_cast<float>(JTAppBase::clampInt(toScreenX(platformX(slot)), kLabelMinX, kLabelMaxX));
    labelY_ = static_cast<float>(JTAppBase::clampInt(toScreenY(platformY(slot)), kLabelMinY, kLabelMaxY));
    labelTimer_ = kLabelTicks;
    auto text = makeRef<JTCore::JTStringBuilder>();
    if (chain >= 2) text->appendInt(chain)->appendCString(" chain\n");
    text->appendCString("+")->appendInt(bonus)->appendCString(" pts.");
    chainText_ = text->toString();
    if (chainLabel_) chainLabel_->setText(chainText_);
}

void LevelColors::drawWorld() {
    VerticalLevel::drawWorld();
    if (labelTimer_ >= 1 && chainLabel_) chainLabel_->draw(labelX_, labelY_, 0.5f, 0.5f);
}

}  // namespace JTApp
