#include "screens/MySettingsToolViewController.h"

#include "shell/MyAppCore.h"

void MySettingsToolViewController::updateView() {
    SettingsToolViewController::updateView();
}

void MySettingsToolViewController::willSaveSettings() {
    SettingsToolViewController::willSaveSettings();
}

MyAppCore* MySettingsToolViewController::myAppCore() const {
    return dynamic_cast<MyAppCore*>(appCore());
}
