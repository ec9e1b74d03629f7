#pragma once
// The one-orientation rule every screen and container of the game keeps: it turns only to the
// interface orientation the app core has chosen. `Base` is the toolkit controller it extends.
#include "platform/ui/InterfaceOrientation.h"

class AppDoor;

namespace screens {
// The app core's interface orientation; portrait without an app core.
int chosenOrientation(const AppDoor* appCore);
// The mask with the orientation's bit alone; 0 for an orientation outside the mask's 32 bits.
unsigned orientationMask(int orientation);

template <class Base>
class KeepsChosenOrientation : public Base {
  public:
    using Base::Base;

    AppDoor* appCore() const { return appCore_; }
    void setAppCore(AppDoor* appCore) { appCore_ = appCore; }

    bool shouldAutorotateToInterfaceOrientation(platform::ui::InterfaceOrientation o) override {
        return static_cast<int>(o) == chosenOrientation(appCore_);
    }
    bool shouldAutorotate() override { return true; }
    unsigned supportedInterfaceOrientations() override {
        return orientationMask(chosenOrientation(appCore_));
    }
    platform::ui::InterfaceOrientation preferredInterfaceOrientationForPresentation() override {
        return static_cast<platform::ui::InterfaceOrientation>(chosenOrientation(appCore_));
    }

  private:
    AppDoor* appCore_ = nullptr;  // not owned
};
}  // namespace screens
