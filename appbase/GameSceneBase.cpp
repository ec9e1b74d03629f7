#include "appbase/GameSceneBase.h"

#include <algorithm>

#include "appbase/JTAppContext.h"
#include "appbase/JTCanvas.h"
#include "appbase/JTLevelInfo.h"
#include "appbase/JTMath.h"
#include "appbase/JTTextLabel.h"

namespace JTApp {

using JTAppBase::JTCanvas;
using JTAppBase::JTTextLabel;
using JTCore::Ref;

GameSceneBase::GameSceneBase(JTAppBase::JTAppContext* context) : JTScene(context) {
    canvas_ = context->getCanvas();
    // A scene is only made for a level the catalog knows; the context refuses any other id.
    if (auto info = context->getCurrentLevelInfo()) levelId_ = info->getLevelId();
}

GameSceneBase::~GameSceneBase() = default;

Ref<JTCanvas> GameSceneBase::getCanvas() const {
    return canvas_;
}

Ref<JTAppBase::JTSoundHelper> GameSceneBase::getSoundHelper() const {
    auto context = getAppContext();
    return context ? context->getSoundHelper() : nullptr;
}

void GameSceneBase::advanceTick() {
    ++tickCount_;
    updateState(state_);
}

void GameSceneBase::updateState(int state) {
    if (state == kStatePlaying) {
        updatePlaying();
    } else if (state == kStateGameOver) {
        updateGameOver();
    }
}

void GameSceneBase::setState(int state) {
    if (state_ != kStateNone) leaveState(state_);
    state_ = state;
    stateStartTick_ = tickCount_;
    if (state != kStateNone) enterState(state);
}

void GameSceneBase::start() {
    canvas_->setMultiTouchEnabled(false);
}

void GameSceneBase::setGameOverDelay(int ms) {
    const float period = getFramePeriodMillis();
    // A non-positive period would divide by zero; such a scene waits the minimum of one tick.
    const int ticks = period > 0 ? static_cast<int>(static_cast<float>(ms) / period) : 1;
    gameOverDelay_ = std::max(1, ticks);
}

void GameSceneBase::updateGameOver() {
    if (getStateTicks() == gameOverDelay_) {
        if (auto context = getAppContext()) context->gameOver(getScore());
    }
}

void GameSceneBase::drawGameOver(int y) {
    if (state_ != kStateGameOver) return;
    const float d = static_cast<float>(gameOverDelay_);
    const float t = static_cast<float>(getStateTicks());
    const float m = std::min(d * 0.5f, t);
    const float k = d / 20;
    const float fy = static_cast<float>(y);
    canvas_->drawTexture(0, static_cast<float>(getCanvasWidth() / 2), fy - JTAppBase::scaleByRatioF(fy, k, m),
                         0.5f, 0.5f);
}

float GameSceneBase::getElapsedMillis() const {
    return static_cast<float>(tickCount_) * getFramePeriodMillis();
}

float GameSceneBase::getStateElapsedMillis() const {
    return static_cast<float>(getStateTicks()) * getFramePeriodMillis();
}

void GameSceneBase::addScore(int delta) {
    score_ += delta;
    scoreChanged_ = true;
}

Ref<JTTextLabel> GameSceneBase::newLabel(float fontSize, uint32_t color, int alignment, float boxWidth,
                                         uint32_t shadowColor, float shadowOffset) {
    auto context = getAppContext();
    Ref<JTTextLabel> label = context->createTextLabelFor(canvas_);
    label->setStyle(color, fontSize, alignment, boxWidth, 32);
    if (shadowOffset != 0) label->setShadow(shadowColor, shadowOffset, shadowOffset);
    return label;
}

void GameSceneBase::createScoreLabel(float fontSize, uint32_t color, uint32_t shadowColor,
                                     float shadowOffset) {
    scoreLabel_ = newLabel(fontSize, color, 0, 256, shadowColor, shadowOffset);
}

void GameSceneBase::drawScore(int x, int y) {
    if (!scoreLabel_) return;
    if (scoreChanged_) {
        auto builder = scoreLabel_->getBuilder(true);
        builder->appendCString("Score: ")->appendInt(score_);
        scoreLabel_->setTextFromBuilder(builder);
        scoreChanged_ = false;
    }
    scoreLabel_->draw(static_cast<float>(x), static_cast<float>(y), 0.0f, 0.0f);
}

void GameSceneBase::createMessageLabel(float fontSize, uint32_t color, uint32_t shadowColor,
                                       float shadowOffset) {
    messageUntil_ = 0;
    messageLabel_ =
        newLabel(fontSize, color, 1, static_cast<float>(getCanvasWidth()), shadowColor, shadowOffset);
}

void GameSceneBase::showMessage(const Ref<JTCore::JTString>& text, int ticks) {
    if (!text || text->length() == 0 || !messageLabel_) return;
    messageLabel_->setText(text);
    messageUntil_ = tickCount_ + ticks;
}

void GameSceneBase::drawMessage(float y) {
    if (messageUntil_ > tickCount_ && messageLabel_) {
        messageLabel_->draw(static_cast<float>(getCanvasWidth() / 2), y, 0.5f, 0.5f);
    }
}

Ref<JTTextLabel> GameSceneBase::getMessageLabel() const {
    return messageLabel_;
}

Ref<JTTextLabel> GameSceneBase::getScoreLabel() const {
    return scoreLabel_;
}

}  // namespace JTApp
