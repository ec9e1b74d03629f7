#include "appbase/JTAppContext.h"

#include <cassert>

#include "appbase/JTCanvas.h"
#include "appbase/JTLevelManager.h"
#include "appbase/JTScene.h"
#include "appbase/JTTextLabel.h"
#include "appbase/LogMessage.h"

namespace JTAppBase {

using JTCore::makeRef;
using JTCore::Ref;

JTAppContext::JTAppContext() {
    soundHelper_ = makeRef<JTSoundHelper>(this);
    accelerometerHelper_ = makeRef<JTAccelerometerHelper>(this);
    canvas_ = makeRef<JTCanvas>(this);
    keyHelper_ = makeRef<JTKeyHelper>(this);
}

JTAppContext::~JTAppContext() = default;

Ref<JTTextLabel> JTAppContext::createTextLabelFor(const Ref<JTCanvas>& canvas) {
    return makeRef<JTTextLabel>(canvas.get());
}

Ref<JTTextLabel> JTAppContext::createTextLabel() {
    return createTextLabelFor(getCanvas());
}

Ref<JTLevelInfo> JTAppContext::getCurrentLevelInfo() const {
    return currentLevelInfo_;
}

Ref<JTCanvas> JTAppContext::getCanvas() const {
    return canvas_;
}

Ref<JTLevelManager> JTAppContext::getLevelManager() const {
    return levelManager_;
}

void JTAppContext::setLevelManager(const Ref<JTLevelManager>& manager) {
    levelManager_ = manager;
}

void JTAppContext::logD(const Ref<JTCore::JTString>& text) {
    if (!logEnabled_) return;
    assert(text && "logD of a null text");
    LogMessage("logD", 1, text->toUtf8());
}

void JTAppContext::setGameView(GameViewLink* view) {
    gameView_ = view;
    canvas_->setView(view);
    if (view != nullptr) {
        interfaceOrientation_ = view->interfaceOrientation();
    } else {
        currentLevelInfo_.reset();
    }
}

void JTAppContext::startLevel(int levelId) {
    startAborted_ = false;
    assert(levelManager_ && "startLevel before the level manager is set");
    currentLevelInfo_ = levelManager_->getLevelInfo(levelId);
    if (!currentLevelInfo_) {
        // An id outside the catalog (an old settings file, a foreign link) must not reach the scene
        // code, which needs the level's info: refuse, and let the shell go back to the title.
        LogMessage("startLevel", 3, "no level with id " + std::to_string(levelId));
        startAborted_ = true;
        return;
    }
    if (appCore_ != nullptr && appCore_->currentLevelId() != levelId) {
        appCore_->setCurrentLevelId(levelId);
        appCore_->saveSettings();
    }
    if (gameView_ != nullptr) gameView_->setLevelInfo(currentLevelInfo_.get());
    currentLevelData_ = levelManager_->createLevelData(currentLevelInfo_);
    if (!startAborted_) levelManager_->startLevelScene(levelId);
}

void JTAppContext::startScene(const Ref<JTScene>& scene) {
    if (scene) canvas_->setCanvasSize(scene->getCanvasWidth(), scene->getCanvasHeight());
    if (gameView_ != nullptr) gameView_->startGameScene(scene.get());
}

void JTAppContext::gameOver(int score) {
    if (levelManager_) {
        levelManager_->beginCollectingMessages();
        if (currentLevelInfo_) levelManager_->onGameOver(currentLevelInfo_->getLevelId(), score);
    }
    if (gameView_ != nullptr) gameView_->gameOverWithScore(score);
}

void JTAppContext::showAlert(const Ref<JTCore::JTString>& title, const Ref<JTCore::JTString>& message) {
    assert(title && message && "showAlert needs a title and a message");
    if (appCore_ != nullptr) appCore_->showOkAlert(title->toUtf8(), message->toUtf8());
}

void JTAppContext::setPauseButtonPos(int x, int y) {
    if (gameView_ != nullptr) gameView_->setPauseBtnPos({static_cast<float>(x), static_cast<float>(y)});
}

void JTAppContext::backToTitle() {
    if (gameView_ != nullptr) gameView_->stop();
    if (appCore_ != nullptr) {
        appCore_->startTitleView();
        appCore_->transitionAnimation(1, 0.5);
    }
}

}  // namespace JTAppBase
