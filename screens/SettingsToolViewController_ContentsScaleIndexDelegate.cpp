#include "screens/SettingsToolViewController_ContentsScaleIndexDelegate.h"

#include "screens/SettingsToolViewController.h"
#include "shell/AppDoor.h"

namespace {

struct Row {
    const char* label;
    const char* info;
};

constexpr std::array<Row, SettingsToolViewController_ContentsScaleIndexDelegate::kItemsNum> kRows{{
    {"Automatic", "Automatic (default)"},
    {"Low", "Low Resolution (480x320).\nSame as non-Retina display"},
    {"Medium", "Medium Resolution (720x480).\nBetter perfomance than High resolution"},
    {"High", "High Resolution (960x640).\nRecommended for Retina display and iPad 2x mode"},
}};

const Row& rowFor(int index) {
    return kRows[static_cast<size_t>(
        SettingsToolViewController_ContentsScaleIndexDelegate::rowForIndex(index))];
}

}  // namespace

const char* SettingsToolViewController_ContentsScaleIndexDelegate::labelForIndex(int index) {
    return rowFor(index).label;
}

const char* SettingsToolViewController_ContentsScaleIndexDelegate::infoTextForIndex(int index) {
    return rowFor(index).info;
}

void SettingsToolViewController_ContentsScaleIndexDelegate::didBeDoneWithIndex(int index, SimpleSelectView&) {
    AppDoor* core = owner_ ? owner_->appCore() : nullptr;
    if (!core) return;
    core->setContentsScaleIndexSetting(index);
    // Saved at once: the tab saves again when it is left, but the sheet may be the last screen
    // this run shows.
    core->saveSettings();
    core->updateContentsScaleIndex();
    // The next game loads its textures, and makes its game view, at the new scale.
    core->releaseResources();
}

void SettingsToolViewController_ContentsScaleIndexDelegate::startNextView() {
    if (owner_ && owner_->appCore()) owner_->appCore()->startToolsView();
}
