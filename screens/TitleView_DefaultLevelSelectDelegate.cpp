#include "screens/TitleView_DefaultLevelSelectDelegate.h"

#include "appbase/JTLevelManager.h"
#include "appbase/JTLevelMenuItem.h"
#include "screens/TitleView.h"
#include "shell/AppDoor.h"
#include "shell/LevelInfo.h"

namespace {
std::string text(const JTCore::Ref<JTCore::JTString>& s) {
    return s ? s->toUtf8() : std::string();
}
}  // namespace

TitleView_DefaultLevelSelectDelegate::TitleView_DefaultLevelSelectDelegate(
    TitleView* titleView, JTCore::Ref<JTCore::JTArrayList> menuItems)
    : titleView_(titleView), menuItems_(std::move(menuItems)) {
    if (titleView_ && titleView_->appCore()) {
        if (auto* manager = titleView_->appCore()->levelManager()) useDL_ = manager->canDownloadLevels();
    }
}

JTAppBase::JTLevelMenuItem* TitleView_DefaultLevelSelectDelegate::item(int index) const {
    if (!menuItems_ || index < 0 || index >= menuItems_->size()) return nullptr;
    return menuItems_->getAs<JTAppBase::JTLevelMenuItem>(index).get();
}

int TitleView_DefaultLevelSelectDelegate::itemsNum() {
    return menuCount() + additionalMenuItemsNum();
}

std::string TitleView_DefaultLevelSelectDelegate::itemLabelAt(int index) {
    if (isExtraRow(index)) return "More Levels ...";
    auto* it = item(index);
    return it ? text(it->getLabel()) : "";
}

std::optional<std::string> TitleView_DefaultLevelSelectDelegate::itemInfoTextAt(int index) {
    if (isExtraRow(index)) return "Get more levels now!\n(Press Done button to proceed)";
    auto* it = item(index);
    if (!it) return std::nullopt;
    if (it->isLocked()) return text(it->getLockMessage());
    auto info = it->getInfoText();
    if (!info) return "Select a level you want to play.";
    return info->toUtf8();
}

bool TitleView_DefaultLevelSelectDelegate::canBeDoneWithIndex(int index, SimpleSelectView&) {
    if (isExtraRow(index)) return true;
    auto* it = item(index);
    if (!it) return false;
    if (it->isLocked()) {
        if (titleView_ && titleView_->appCore())
            titleView_->appCore()->showOkAlert(text(it->getLabel()), text(it->getLockMessage()));
        return false;
    }
    return true;
}

void TitleView_DefaultLevelSelectDelegate::didBeDoneWithIndex(int index, SimpleSelectView&) {
    AppDoor* core = titleView_ ? titleView_->appCore() : nullptr;
    if (!core) return;
    if (isExtraRow(index)) {
        auto level = core->currentLevelInfo();
        core->webJump(8, level ? level->webLevelId() : 0);
        return;
    }
    auto* it = item(index);
    if (!it || !it->getLevelInfo()) return;
    core->setCurrentLevelId(it->getLevelInfo()->getLevelId());
    core->saveSettings();
    titleView_->updateView();
    core->updateInterfaceOrientation();
}

void TitleView_DefaultLevelSelectDelegate::startNextView() {
    if (titleView_ && titleView_->appCore()) titleView_->appCore()->startTitleView();
}
