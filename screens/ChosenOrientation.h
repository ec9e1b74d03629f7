#pragma once
// The one-orientation rule every screen and container of the game keeps: it turns only to the
// interface orientation the app core has chosen. `Base` is the toolkit controller it extends.
#include "platform/ui/InterfaceOrientation.h"

class AppCoreBase;

namespace screens {
// The app core's interface orientation; portrait without an app core.
int chosenOrientation(const AppCoreBase* appCore);
// The mask with the orientation's bit alone; 0 for an orientation outside the mask's 32 bits.
unsigned orientationMask(int orientation);

template <class Base>
class KeepsChosenOrientation : public Base {
  public:
    using Base::Base;

    AppCoreBase* appCore() const { return appCore_; }
    void setAppCore(AppCoreBase* appCore) { appCore_ = appCore; }

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
    AppCoreBase* appCore_ = nullptr;  // not owned
};
}  // namespace screens
