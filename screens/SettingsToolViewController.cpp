#include "screens/SettingsToolViewController.h"

#include "platform/ui/Button.h"
#include "platform/ui/Label.h"
#include "platform/ui/Switch.h"
#include "shell/AppCoreBase.h"

SettingsToolViewController::SettingsToolViewController(std::string interfaceName)
    : ToolViewControllerBase(std::move(interfaceName)) {
    registerOutlet("soundBtn", soundBtn_);
    registerOutlet("bgMusicLabel", bgMusicLabel_);
    registerOutlet("bgMusicSwitch", bgMusicSwitch_);
    registerAction("onSoundBtn", [this](platform::ui::Control&) { onSoundBtn(); });
}

void SettingsToolViewController::setup() {
    ToolViewControllerBase::setup();
    tabBarItem().setImageName("icon_settings.png");
    tabBarItem().setTitle("Settings");
    navigationItem().setTitle("Settings");
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
