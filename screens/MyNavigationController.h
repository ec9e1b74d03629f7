#pragma once
// The navigation container of the picker sheet: it carries the app core and keeps to its
// orientation, as every screen does.
#include "platform/ui/NavigationController.h"

class AppCoreBase;

class MyNavigationController : public platform::ui::NavigationController {
  public:
    using NavigationController::NavigationController;

    AppCoreBase* appCore() const { return appCore_; }
    void setAppCore(AppCoreBase* appCore) { appCore_ = appCore; }

    bool shouldAutorotateToInterfaceOrientation(platform::ui::InterfaceOrientation o) override;
    bool shouldAutorotate() override { return true; }
    unsigned supportedInterfaceOrientations() override;
    platform::ui::InterfaceOrientation preferredInterfaceOrientationForPresentation() override;

  private:
    AppCoreBase* appCore_ = nullptr;
};
