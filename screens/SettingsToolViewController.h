#pragma once
// The "Settings" tab: the sound step, the background-music switch and the screen resolution
// (through the picker sheet), saved whenever the tab goes away.
#include <memory>

#include "screens/ToolViewControllerBase.h"

namespace platform::ui {
class Button;
class Label;
class Switch;
}  // namespace platform::ui
class SimpleSelectViewDelegate;

class SettingsToolViewController : public ToolViewControllerBase {
  public:
    explicit SettingsToolViewController(std::string interfaceName);

    void setup() override;
    void viewWillAppear(bool animated) override;
    void viewWillDisappear(bool animated) override;
    virtual void updateView();
    // The switch's state goes into the app core's music mode (only while the switch shows).
    virtual void willSaveSettings();
    void onSoundBtn();
    // Leaves the tools area for the resolution sheet; the sheet comes back here when it closes.
    void onResolutionBtn();

  private:
    std::shared_ptr<platform::ui::Button> soundBtn_;
    std::shared_ptr<platform::ui::Label> bgMusicLabel_;
    std::shared_ptr<platform::ui::Switch> bgMusicSwitch_;
    std::shared_ptr<platform::ui::Button> resolutionBtn_;
    std::shared_ptr<SimpleSelectViewDelegate> contentsScaleIndexDelegate_;
};
