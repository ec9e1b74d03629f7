#include "screens/PauseView.h"

#include "appbase/JTAppContext.h"
#include "appbase/JTScene.h"
#include "platform/ui/Button.h"
#include "shell/AppDoor.h"
#include "shell/GameViewBase.h"

PauseView::PauseView(std::string interfaceName) : ViewControllerBase(std::move(interfaceName)) {
    registerOutlet("soundBtn", soundBtn_);
    registerOutlet("resumeBtn", resumeBtn_);
    registerOutlet("additional0Btn", additional0Btn_);
    registerAction("onSoundBtn", [this](platform::ui::Control&) { onSoundBtn(); });
    registerAction("onResumeBtn", [this](platform::ui::Control&) { onResumeBtn(); });
    registerAction("onAdditional0Btn", [this](platform::ui::Control&) { onAdditional0Btn(); });
    registerAction("onBackToTitleBtn", [this](platform::ui::Control&) { onBackToTitleBtn(); });
}

JTAppBase::JTScene* PauseView::gameScene() const {
    GameViewBase* game = appCore() ? appCore()->gameView() : nullptr;
    return game ? game->gameScene() : nullptr;
}

void PauseView::viewWillAppear(bool) {
    updateView();
    if (resumeBtn_) {
        const bool none = resumeBtnPos_.x == 0 && resumeBtnPos_.y == 0;
        resumeBtn_->setHidden(none);
        if (!none) resumeBtn_->setCenter(resumeBtnPos_);
    }
    if (additional0Btn_) {
        JTAppBase::JTScene* scene = gameScene();
        auto title = scene ? scene->getPauseButtonTitle(0) : nullptr;
        additional0Btn_->setHidden(!title);
        if (title) additional0Btn_->setTitle(title->toUtf8());
    }
}

void PauseView::updateView() {
    if (soundBtn_ && appCore()) soundBtn_->setTitle("SoundVolume: " + appCore()->soundVolumeString());
}

void PauseView::onSoundBtn() {
    AppDoor* core = appCore();
    if (!core) return;
    core->toggleSoundVolume();
    core->saveSettings();
    updateView();
    core->updateSoundSetting();
}

void PauseView::onResumeBtn() {
    stop();
    if (appCore()) appCore()->resumeGameView();
}

void PauseView::onAdditional0Btn() {
    stop();
    if (!appCore()) return;
    appCore()->resumeGameView();
    if (JTAppBase::JTScene* scene = gameScene()) scene->onPauseButton(0);
}

void PauseView::onBackToTitleBtn() {
    AppDoor* core = appCore();
    if (!core) return;
    stop();
    if (GameViewBase* game = core->gameView()) game->stop();
    core->startTitleView();
    core->transitionAnimation(1, 0.5);
}
