#include "screens/MySettingsToolViewController.h"

void MySettingsToolViewController::updateView() {
    SettingsToolViewController::updateView();
}

void MySettingsToolViewController::willSaveSettings() {
    SettingsToolViewController::willSaveSettings();
}
