#pragma once
// The tab container of the tools area: it carries the app core and keeps to its orientation.
#include "platform/ui/TabBarController.h"

class AppCoreBase;

class MyTabBarController : public platform::ui::TabBarController {
  public:
    AppCoreBase* appCore() const { return appCore_; }
    void setAppCore(AppCoreBase* appCore) { appCore_ = appCore; }

    bool shouldAutorotateToInterfaceOrientation(platform::ui::InterfaceOrientation o) override;
    bool shouldAutorotate() override { return true; }
    unsigned supportedInterfaceOrientations() override;
    platform::ui::InterfaceOrientation preferredInterfaceOrientationForPresentation() override;

  private:
    AppCoreBase* appCore_ = nullptr;
};
