// AppCoreBase: the game view and the turns between the game and the screens around it, which
// the screen flow handed in by the game's app core shows.
#include <numbers>

#include "appbase/JTAppContext.h"
#include "appbase/JTLevelManager.h"
#include "core/JTObject.h"
#include "platform/ui/Window.h"
#include "shell/AppCoreBase.h"
#include "shell/GameViewBase.h"
#include "shell/LevelInfo.h"
#include "shell/MyGameView.h"
#include "shell/ScreenFlow.h"

void AppCoreBase::startTitleView() {
    if (screenFlow_) screenFlow_->startTitleView();
    resetGameView();
}

void AppCoreBase::startGameViewFromTitle() {
    const int context = (bundleVersionOfLoadedSettings_ || startedGameAfterLaunchingApp_) ? 2 : 4;
    if (!screenFlow_) {
        startGameView();
        return;
    }
    screenFlow_->showPopupAdsOverLastFrame(context, [this] { startGameView(); });
}

void AppCoreBase::startGameView() {
    if (!resourceLoaded_) {
        if (!texIconPause_) texIconPause_ = newTextureWithName(kPauseIconTexture);
        loadResources();
        resourceLoaded_ = true;
    }
    resetGameView();
    updateSoundSetting();
    auto& info = orientationDependedInfoFor(interfaceOrientation_);
    if (!info.gameView) info.gameView = createGameView();
    appContext_->setGameView(info.gameView.get());
    auto level = currentLevelInfo();
    appContext_->startLevel(level ? level->levelId() : currentLevelId_);
    if (!appContext_->isStartAborted()) {
        info.gameView->start();
        if (window_) window_->setRootViewController(nullptr);
        if (screenFlow_) screenFlow_->leaveForGame();
        startedGameAfterLaunchingApp_ = true;
    } else {
        startTitleView();
    }
}

void AppCoreBase::resumeGameView() {
    if (GameViewBase* game = gameView()) game->resume();
    if (window_) window_->setRootViewController(nullptr);
    if (screenFlow_) screenFlow_->leaveForGame();
}

void AppCoreBase::resetGameView() {
    GameViewBase* game = gameView();
    if (game && game->gameScene()) game->startGameScene(nullptr);
    if (appContext_ && appContext_->getGameView() != nullptr) {
        appContext_->setGameView(nullptr);
        checkLeaks();
    }
}

void AppCoreBase::checkLeaks() {
    if (!objectCountRecorded_) {
        objectCountAtStart_ = JTCore::getObjectCount();
        objectCountRecorded_ = true;
        return;
    }
    JTCore::checkObjectLeaks();
}

void AppCoreBase::startPauseView() {
    if (screenFlow_) screenFlow_->startPauseView();
}

void AppCoreBase::startGameOverViewWithLevelScores(std::shared_ptr<LevelScores> scores,
                                                   std::shared_ptr<LevelScoreElem> currentScore) {
    if (screenFlow_)
        screenFlow_->startGameOverViewWithLevelScores(std::move(scores), std::move(currentScore));
}

void AppCoreBase::startToolsView() {
    if (screenFlow_) screenFlow_->startToolsView();
}

void AppCoreBase::stopToolsView() {
    if (screenFlow_) screenFlow_->stopToolsView();
}

GameViewBase* AppCoreBase::gameView() const {
    return currentOrientationDependedInfo()->gameView.get();
}

void AppCoreBase::setTiltCalibrationRunning(bool running) {
    tiltCalibrationRunning_ = running;
    for (const auto& info : orientationDependedInfo_) {
        if (!info.gameView) continue;
        if (running) {
            info.gameView->stopAccelerometerHelper();
        } else {
            info.gameView->startAccelerometerHelper();
        }
    }
}

std::string AppCoreBase::currentScreenName() const {
    if (!window_) return "";
    if (!window_->rootViewController()) {
        GameViewBase* game = gameView();
        return game && game->active() ? "game" : "";
    }
    return screenFlow_ ? screenFlow_->currentScreenName() : "";
}

bool AppCoreBase::updateInterfaceOrientation() {
    constexpr int kCanvasLayoutStatic = 0;
    int layout = kCanvasLayoutStatic;
    if (auto level = currentLevelInfo(); level && level->canvasLayout() >= 0) layout = level->canvasLayout();
    const int orientation = layout == 1 ? 3 : 1;
    if (orientation == interfaceOrientation_) return false;
    interfaceOrientation_ = orientation;
    return true;
}

void AppCoreBase::applyInterfaceOrientation(int orientation, platform::ui::View& view) const {
    if (!window_ || orientation < 1 || orientation > 4) return;
    const platform::Size size = window_->bounds().size;
    const bool sideways = orientation == 3 || orientation == 4;
    const float w = sideways ? size.height : size.width;
    const float h = sideways ? size.width : size.height;
    double angle = 0;
    if (orientation == 2) angle = std::numbers::pi;
    if (orientation == 3) angle = std::numbers::pi / 2;
    if (orientation == 4) angle = -std::numbers::pi / 2;
    view.setBounds({0, 0, w, h});
    view.setTransform(orientation == 1 ? platform::ui::AffineTransform::identity()
                                       : platform::ui::AffineTransform::rotation(static_cast<float>(angle)));
    view.setCenter({size.width / 2, size.height / 2});
}

std::unique_ptr<AccelerometerHelper> AppCoreBase::createAccelerometerHelper() {
    return std::make_unique<AccelerometerHelper>(this);
}

const OrientationDependedInfo* AppCoreBase::currentOrientationDependedInfo() const {
    return &orientationDependedInfo_[static_cast<size_t>(indexOfInterfaceOrientation(interfaceOrientation_))];
}

std::shared_ptr<GameViewBase> AppCoreBase::createGameView() {
    return std::make_shared<MyGameView>(this, interfaceOrientation_);
}

std::shared_ptr<LevelInfo> AppCoreBase::levelInfoForId(int levelId) const {
    JTAppBase::JTLevelManager* manager = levelManager();
    return manager ? LevelInfo::forLevel(manager->getLevelInfo(levelId)) : nullptr;
}
