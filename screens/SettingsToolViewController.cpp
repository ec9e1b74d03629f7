#include "screens/SettingsToolViewController.h"

#include <cmath>
#include <cstdio>
#include <numbers>

#include "platform/ui/ActionSheet.h"
#include "platform/ui/Button.h"
#include "platform/ui/Label.h"
#include "platform/ui/Switch.h"
#include "platform/ui/TabBarController.h"
#include "screens/ScreenDirector.h"
#include "screens/SettingsToolViewController_ContentsScaleIndexDelegate.h"
#include "screens/SimpleSelectView.h"
#include "shell/AccelerometerHelper.h"
#include "shell/AppDoor.h"
#include "shell/OrientationDependedInfo.h"

namespace {

constexpr double kCalibrationFrequency = 100.0;
// Next to no smoothing: the sheet's OK takes the tilt the device has at that moment.
constexpr double kCalibrationFilteringFactorPerSec = 1e-10;

}  // namespace

SettingsToolViewController::SettingsToolViewController(std::string interfaceName)
    : ToolViewControllerBase(std::move(interfaceName)) {
    registerOutlet("soundBtn", soundBtn_);
    registerOutlet("bgMusicLabel", bgMusicLabel_);
    registerOutlet("bgMusicSwitch", bgMusicSwitch_);
    registerOutlet("resolutionBtn", resolutionBtn_);
    registerOutlet("calibrateBtn", calibrateBtn_);
    registerAction("onSoundBtn", [this](platform::ui::Control&) { onSoundBtn(); });
    registerAction("onResolutionBtn", [this](platform::ui::Control&) { onResolutionBtn(); });
    registerAction("onCalibrateBtn", [this](platform::ui::Control&) { onCalibrateBtn(); });
}

// The app core may be going away with this tab: only the helper is let go (it hands the
// accelerometer back), the core is not called.
SettingsToolViewController::~SettingsToolViewController() = default;

void SettingsToolViewController::setup() {
    ToolViewControllerBase::setup();
    tabBarItem().setImageName("icon_settings.png");
    tabBarItem().setTitle("Settings");
    navigationItem().setTitle("Settings");
    contentsScaleIndexDelegate_ =
        std::make_shared<SettingsToolViewController_ContentsScaleIndexDelegate>(this);
    // The tab keeps this handler and every calibration sheet gets a copy: holding the tab
    // strongly here would be a cycle that keeps the tab, and a running helper, alive for ever,
    // and a sheet outliving the tab must do nothing.
    std::weak_ptr<platform::ui::ViewController> weak = weak_from_this();
    calibrateActionDelegate_ = [weak](platform::ui::ActionSheet&, int index) {
        if (auto self = weak.lock()) static_cast<SettingsToolViewController&>(*self).onCalibrateAction(index);
    };
}

void SettingsToolViewController::viewWillAppear(bool animated) {
    ToolViewControllerBase::viewWillAppear(animated);
    updateView();
}

void SettingsToolViewController::updateView() {
    AppDoor* core = appCore();
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
    if (calibrateBtn_) {
        const bool calibrates = core->accelerometerCalibrationType() != 0;
        calibrateBtn_->setHidden(!calibrates);
        if (calibrates) calibrateBtn_->setTitle("Calibrate Tilt Sensor: " + neutralAccelerometerString());
    }
}

void SettingsToolViewController::willSaveSettings() {
    if (appCore() && bgMusicSwitch_ && !bgMusicSwitch_->isHidden())
        appCore()->setBgMusicMode(bgMusicSwitch_->isOn() ? 1 : 0);
}

void SettingsToolViewController::viewWillDisappear(bool) {
    willSaveSettings();
    if (appCore()) appCore()->saveSettings();
    stopAcceleromter();
}

void SettingsToolViewController::onSoundBtn() {
    if (!appCore()) return;
    willSaveSettings();
    appCore()->toggleSoundVolume();
    updateView();
}

void SettingsToolViewController::onResolutionBtn() {
    AppDoor* core = appCore();
    ScreenDirector* screens = ScreenDirector::of(core);
    if (!core || !screens || !contentsScaleIndexDelegate_) return;
    core->stopToolsView();
    auto sheet = screens->simpleSelectView();
    // A stored index the rows do not know starts the wheel on the row its label names, so that
    // Done without turning it keeps what the button said.
    sheet->startWithDelegate(contentsScaleIndexDelegate_, "Select Screen Resolution",
                             SettingsToolViewController_ContentsScaleIndexDelegate::rowForIndex(
                                 core->contentsScaleIndexSetting()));
    core->transitionAnimation(2, 0.5);
    sheet->closeWhenSuspend();
}

std::string SettingsToolViewController::neutralAccelerometerString() const {
    AppDoor* core = appCore();
    if (!core) return "N/A";
    const int o = core->interfaceOrientation();
    const OrientationDependedInfo& info = core->orientationDependedInfoFor(o);
    const double x = info.neutralAccelerometerX();
    const double y = info.neutralAccelerometerY();
    const double z = info.neutralAccelerometerZ();
    char text[64];
    switch (core->accelerometerCalibrationType()) {
        case 1: {
            double h = x;
            if (o == 2) h = -x;
            if (o == 3) h = -y;
            if (o == 4) h = y;
            // A flat default negated reads -0: shown as the +0.000 it is.
            std::snprintf(text, sizeof text, "%+0.3f", h + 0.0);
            return text;
        }
        case 2: {
            double rotH = 0.0;
            double rotV = 0.0;
            AccelerometerHelper::getAnglesWithOrientation(o, x, y, z, &rotH, &rotV);
            std::snprintf(text, sizeof text, "%+d,%+d", static_cast<int>(rotH * 180.0 / std::numbers::pi),
                          static_cast<int>(rotV * 180.0 / std::numbers::pi));
            return text;
        }
        default:
            return "N/A";
    }
}

void SettingsToolViewController::startAcceleromter() {
    AppDoor* core = appCore();
    if (accelerometerHelper_ || !core) return;
    core->setTiltCalibrationRunning(true);
    accelerometerHelper_ = std::make_unique<AccelerometerHelper>(&core->accelerometerOwner());
    accelerometerHelper_->startWithFrequency(kCalibrationFrequency, kCalibrationFilteringFactorPerSec);
}

void SettingsToolViewController::stopAcceleromter() {
    if (!accelerometerHelper_) return;
    accelerometerHelper_->stop();
    accelerometerHelper_.reset();
    if (AppDoor* core = appCore()) core->setTiltCalibrationRunning(false);
}

void SettingsToolViewController::onCalibrateBtn() {
    AppDoor* core = appCore();
    if (!core) return;
    startAcceleromter();
    const std::string title = core->accelerometerCalibrationType() == 2
                                  ? "Keep the device on your preferred neutral angle, and press OK"
                                  : "Hold the device neutrally, and press OK";
    auto sheet = std::make_shared<platform::ui::ActionSheet>(
        title, std::weak_ptr<platform::ui::ActionSheetDelegate>{}, "Cancel", "OK",
        std::vector<std::string>{"Reset to default"});
    sheet->setClickHandler(calibrateActionDelegate_);
    platform::ui::TabBarController* tabs = tabBarController();
    sheet->showInView(tabs ? tabs->view() : view());
}

void SettingsToolViewController::onCalibrateAction(int buttonIndex) {
    AppDoor* core = appCore();
    if (!core) return;
    willSaveSettings();
    const int o = core->interfaceOrientation();
    if (buttonIndex == 1) {
        core->resetNeutralAcceleromterValueFor(o);
    } else if (buttonIndex == 0) {
        if (!accelerometerHelper_) {
            // The helper went with the tab (it left the screen while the sheet was up): nothing
            // was measured, so the neutral tilt goes back to the default.
            core->resetNeutralAcceleromterValueFor(o);
        } else {
            const double x = accelerometerHelper_->accelerometerX();
            const double y = accelerometerHelper_->accelerometerY();
            const double z = accelerometerHelper_->accelerometerZ();
            double rotH = 0.0;
            double rotV = 0.0;
            AccelerometerHelper::getAnglesWithOrientation(o, x, y, z, &rotH, &rotV);
            if (std::fabs(std::numbers::pi / 2 - std::fabs(rotH)) < std::numbers::pi / 4) {
                // The helper keeps measuring: the player may straighten the device and try again.
                core->showOkAlert("Calibration Error",
                                  "The device is tilting invalidly. Please hold the device more parallel "
                                  "to the floor.");
                return;
            }
            core->setNeutralAcceleromterFor(o, x, y, z);
        }
    }
    // A tab already gone has saved its settings: what changed since must not wait for its
    // next disappearance.
    if (buttonIndex == 0 || buttonIndex == 1) {
        if (!isAppeared()) core->saveSettings();
    }
    updateView();
    stopAcceleromter();
}
