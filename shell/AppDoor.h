#pragma once
// The one door through which screens and services reach the app core: its identity and links,
// the navigation between screens and the game, the level choice, the player's settings, and the
// announcement service the core runs. The app core implements it; nothing above the shell
// includes the app core itself.
#include "shell/AppIdentity.h"
#include "shell/AppNavigation.h"
#include "shell/LevelSelection.h"
#include "shell/UserSettings.h"

class Announcements;

class AppDoor : public AppIdentity, public AppNavigation, public LevelSelection, public UserSettings {
  public:
    // The announcement service in use; null when the core runs without one.
    virtual Announcements* announcements() const = 0;
};
