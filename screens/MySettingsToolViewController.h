#pragma once
// The game's "Settings" tab: the base tab as it is.
#include "screens/SettingsToolViewController.h"

class MySettingsToolViewController : public SettingsToolViewController {
  public:
    using SettingsToolViewController::SettingsToolViewController;

    void updateView() override;
    void willSaveSettings() override;
};
