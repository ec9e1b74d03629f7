#pragma once
// The base of every full-screen controller of the game: it knows the app core (not owned), keeps
// to the one interface orientation the app core has chosen, and can make itself the window's
// root or take its view off the window.
#include <string>

#include "platform/ui/ViewController.h"

class AppCoreBase;

class ViewControllerBase : public platform::ui::ViewController {
  public:
    explicit ViewControllerBase(std::string interfaceName = "") : ViewController(std::move(interfaceName)) {}

    // Runs once after construction, before the view loads (the creator calls it).
    virtual void setup() {}

    AppCoreBase* appCore() const { return appCore_; }
    void setAppCore(AppCoreBase* appCore) { appCore_ = appCore; }

    bool shouldAutorotateToInterfaceOrientation(platform::ui::InterfaceOrientation o) override;
    bool shouldAutorotate() override { return true; }
    unsigned supportedInterfaceOrientations() override;
    platform::ui::InterfaceOrientation preferredInterfaceOrientationForPresentation() override;

    // Becomes the window's root view controller and the app core's root screen.
    void startAsRootView();
    // Takes the view off the window.
    virtual void stop();

  private:
    AppCoreBase* appCore_ = nullptr;
};

// The one-orientation rule, shared with the containers.
namespace screens {
int chosenOrientation(const AppCoreBase* appCore);
unsigned orientationMask(int orientation);
}  // namespace screens
