#include "screens/SettingsToolViewController.h"

#include "platform/ui/Button.h"
#include "platform/ui/Label.h"
#include "platform/ui/Switch.h"
#include "screens/SettingsToolViewController_ContentsScaleIndexDelegate.h"
#include "screens/SimpleSelectView.h"
#include "shell/AppCoreBase.h"

SettingsToolViewController::SettingsToolViewController(std::string interfaceName)
    : ToolViewControllerBase(std::move(interfaceName)) {
    registerOutlet("soundBtn", soundBtn_);
    registerOutlet("bgMusicLabel", bgMusicLabel_);
    registerOutlet("bgMusicSwitch", bgMusicSwitch_);
    registerOutlet("resolutionBtn", resolutionBtn_);
    registerAction("onSoundBtn", [this](platform::ui::Control&) { onSoundBtn(); });
    registerAction("onResolutionBtn", [this](platform::ui::Control&) { onResolutionBtn(); });
}

void SettingsToolViewController::setup() {
    ToolViewControllerBase::setup();
    tabBarItem().setImageName("icon_settings.png");
    tabBarItem().setTitle("Settings");
    navigationItem().setTitle("Settings");
    contentsScaleIndexDelegate_ =
        std::make_shared<SettingsToolViewController_ContentsScaleIndexDelegate>(this);
}

void SettingsToolViewController::viewWillAppear(bool animated) {
    ToolViewControllerBase::viewWillAppear(animated);
    updateView();
}

void SettingsToolViewController::updateView() {
    AppCoreBase* core = appCore();
    if (!core) return;
    if (soundBtn_) soundBtn_->setTitle("SoundVolume: " + core->soundVolumeString());
    const bool music = core->hasMusicResources();
    if (bgMusicSwitch_) {
        bgMusicSwitch_->setHidden(!music);
        if (music) bgMusicSwitch_->setOn(core->bgMusicMode() != 0, false);
    }
    if (bgMusicLabel_) bgMusicLabel_->setHidden(!music);
    if (resolutionBtn_) {
        const bool scalable = core->supportsContentsScale();
        resolutionBtn_->setHidden(!scalable);
        if (scalable) {
            resolutionBtn_->setTitle(std::string("Screen Resolution: ") +
                                     SettingsToolViewController_ContentsScaleIndexDelegate::labelForIndex(
                                         core->contentsScaleIndexSetting()));
        }
    }
}

void SettingsToolViewController::willSaveSettings() {
    if (appCore() && bgMusicSwitch_ && !bgMusicSwitch_->isHidden())
        appCore()->setBgMusicMode(bgMusicSwitch_->isOn() ? 1 : 0);
}

void SettingsToolViewController::viewWillDisappear(bool) {
    willSaveSettings();
    if (appCore()) appCore()->saveSettings();
}

void SettingsToolViewController::onSoundBtn() {
    if (!appCore()) return;
    willSaveSettings();
    appCore()->toggleSoundVolume();
    updateView();
}

void SettingsToolViewController::onResolutionBtn() {
    AppCoreBase* core = appCore();
    if (!core || !contentsScaleIndexDelegate_) return;
    core->stopToolsView();
    auto sheet = core->simpleSelectView();
    // A stored index the rows do not know starts the wheel on the row its label names, so that
    // Done without turning it keeps what the button said.
    sheet->startWithDelegate(contentsScaleIndexDelegate_, "Select Screen Resolution",
                             SettingsToolViewController_ContentsScaleIndexDelegate::rowForIndex(
                                 core->contentsScaleIndexSetting()));
    core->transitionAnimation(2, 0.5);
    sheet->closeWhenSuspend();
}
