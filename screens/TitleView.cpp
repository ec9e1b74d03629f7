#include "screens/TitleView.h"

#include "appbase/JTLevelManager.h"
#include "appbase/JTLevelMenuItem.h"
#include "platform/ui/Button.h"
#include "platform/ui/Label.h"
#include "screens/ScreenDirector.h"
#include "screens/SimpleSelectView.h"
#include "screens/TitleView_DefaultLevelSelectDelegate.h"
#include "shell/AppDoor.h"
#include "shell/LevelInfo.h"

TitleView::TitleView(std::string interfaceName) : ViewControllerBase(std::move(interfaceName)) {
    registerOutlet("copyrightLabel", copyrightLabel_);
    registerOutlet("levelSelectBtn", levelSelectBtn_);
    registerOutlet("startGameBtnWithSelector", startGameBtnWithSelector_);
    registerOutlet("startGameBtnWithoutSelector", startGameBtnWithoutSelector_);
    registerAction("onGameStartBtn", [this](platform::ui::Control&) { onGameStartBtn(); });
    registerAction("onSelectLevelBtn", [this](platform::ui::Control&) { onSelectLevelBtn(); });
    registerAction("onSettingBtn", [this](platform::ui::Control&) { onSettingBtn(); });
    registerAction("onHowToPlayBtn", [this](platform::ui::Control&) { onHowToPlayBtn(); });
    registerAction("onOtherGamesBtn", [this](platform::ui::Control&) { onOtherGamesBtn(); });
    registerAction("onMoreLevelsBtn", [this](platform::ui::Control&) { onMoreLevelsBtn(); });
}

void TitleView::viewWillAppear(bool) {
    AppDoor* core = appCore();
    if (!core) return;
    JTAppBase::JTLevelManager* manager = core->levelManager();
    if (manager) {
        menuItems_ = manager->getMenuItems();
        // A locked or unknown level falls back to one that can be played.
        core->setCurrentLevelId(manager->getSelectableLevelId(core->currentLevelId()));
        const int index = manager->indexOfMenuItem(core->currentLevelId());
        selectedIndex_ = index == -1 ? 0 : index;
    }
    const int items = menuItems_ ? menuItems_->size() : 0;
    if (startGameBtnWithSelector_ && startGameBtnWithoutSelector_) {
        if (levelSelectBtn_) {
            const bool choice = items >= 2;
            levelSelectBtn_->setHidden(!choice);
            startGameBtnWithSelector_->setHidden(!choice);
            startGameBtnWithoutSelector_->setHidden(choice);
        } else {
            startGameBtnWithoutSelector_->setHidden(true);
        }
    }
    view()->setBackgroundColor({40 / 255.0f, 87 / 255.0f, 149 / 255.0f, 1});
    core->stopLoopingEffects(true, true);
    updateView();
}

void TitleView::updateView() {
    AppDoor* core = appCore();
    if (!core) return;
    if (copyrightLabel_) copyrightLabel_->setText(core->appCopyrightString());
    if (levelSelectBtn_ && !levelSelectBtn_->isHidden()) {
        if (auto* item = menuItemAt(selectedIndex_)) {
            auto title = item->getTitle();
            levelSelectBtn_->setTitle(title ? title->toUtf8() : "");
        }
    }
}

JTAppBase::JTLevelMenuItem* TitleView::menuItemAt(int index) const {
    if (!menuItems_ || index < 0 || index >= menuItems_->size()) return nullptr;
    return menuItems_->getAs<JTAppBase::JTLevelMenuItem>(index).get();
}

std::shared_ptr<SimpleSelectViewDelegate> TitleView::newLevelSelectDelegate() {
    return std::make_shared<TitleView_DefaultLevelSelectDelegate>(this, menuItems_);
}

void TitleView::onGameStartBtn() {
    stop();
    if (appCore()) appCore()->startGameViewFromTitle();
}

void TitleView::onSelectLevelBtn() {
    AppDoor* core = appCore();
    ScreenDirector* screens = ScreenDirector::of(core);
    if (!core || !screens) return;
    if (!levelSelectDelegate_) levelSelectDelegate_ = newLevelSelectDelegate();
    stop();
    auto sheet = screens->simpleSelectView();
    sheet->startWithDelegate(levelSelectDelegate_, "Select a Level", selectedIndex_);
    core->transitionAnimation(2, 0.5);
    sheet->closeWhenSuspend();
}

void TitleView::onSettingBtn() {
    AppDoor* core = appCore();
    if (!core) return;
    stop();
    core->startToolsView();
    core->transitionAnimation(2, 0.5);
}

void TitleView::onHowToPlayBtn() {
    if (appCore()) appCore()->webJump(1);
}

void TitleView::onOtherGamesBtn() {
    if (appCore()) appCore()->webJump(2);
}

void TitleView::onMoreLevelsBtn() {
    AppDoor* core = appCore();
    if (!core) return;
    auto level = core->currentLevelInfo();
    core->webJump(6, level ? level->webLevelId() : 0);
}
