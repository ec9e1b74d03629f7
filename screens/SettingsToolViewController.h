#pragma once
// The "Settings" tab: the sound step, the background-music switch, the screen resolution
// (through the picker sheet) and the tilt calibration, saved whenever the tab goes away.
#include <functional>
#include <memory>
#include <string>

#include "screens/ToolViewControllerBase.h"

class AccelerometerHelper;
namespace platform::ui {
class ActionSheet;
class Button;
class Label;
class Switch;
}  // namespace platform::ui
class SimpleSelectViewDelegate;

class SettingsToolViewController : public ToolViewControllerBase {
  public:
    explicit SettingsToolViewController(std::string interfaceName);
    ~SettingsToolViewController() override;

    void setup() override;
    void viewWillAppear(bool animated) override;
    void viewWillDisappear(bool animated) override;
    virtual void updateView();
    // The switch's state goes into the app core's music mode (only while the switch shows).
    virtual void willSaveSettings();
    void onSoundBtn();
    // Leaves the tools area for the resolution sheet; the sheet comes back here when it closes.
    void onResolutionBtn();

    // --- tilt calibration
    // The stored neutral tilt of the current orientation as the calibrate button shows it.
    std::string neutralAccelerometerString() const;
    // Runs a helper of its own (the game's tilt helper waits meanwhile); stopping releases it.
    void startAcceleromter();
    void stopAcceleromter();
    AccelerometerHelper* accelerometerHelper() const { return accelerometerHelper_.get(); }
    // Starts measuring and asks: OK (0), Reset to default (1) or Cancel (-1).
    void onCalibrateBtn();
    // 0 keeps the device's present tilt as neutral (refused while it is rolled 45 to 135 degrees
    // sideways), 1 restores the default neutral tilt; any other index changes nothing.
    void onCalibrateAction(int buttonIndex);

  private:
    std::shared_ptr<platform::ui::Button> soundBtn_;
    std::shared_ptr<platform::ui::Label> bgMusicLabel_;
    std::shared_ptr<platform::ui::Switch> bgMusicSwitch_;
    std::shared_ptr<platform::ui::Button> resolutionBtn_;
    std::shared_ptr<SimpleSelectViewDelegate> contentsScaleIndexDelegate_;
    std::shared_ptr<platform::ui::Button> calibrateBtn_;
    std::unique_ptr<AccelerometerHelper> accelerometerHelper_;
    std::function<void(platform::ui::ActionSheet&, int)> calibrateActionDelegate_;
};
