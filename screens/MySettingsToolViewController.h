#pragma once
// The game's "Settings" tab: the base tab as it is, with the game's own app core at hand.
#include "screens/SettingsToolViewController.h"

class MyAppCore;

class MySettingsToolViewController : public SettingsToolViewController {
  public:
    using SettingsToolViewController::SettingsToolViewController;

    void updateView() override;
    void willSaveSettings() override;
    // The app core as the game's own; null when the tab runs under another app core.
    MyAppCore* myAppCore() const;
};
