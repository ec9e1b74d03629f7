#pragma once
// The base of every full-screen controller of the game: it knows the app core (not owned), keeps
// to the one interface orientation the app core has chosen, and can make itself the window's
// root or take its view off the window.
#include <string>

#include "platform/ui/ViewController.h"
#include "screens/ChosenOrientation.h"

class ViewControllerBase : public screens::KeepsChosenOrientation<platform::ui::ViewController> {
  public:
    explicit ViewControllerBase(std::string interfaceName = "")
        : KeepsChosenOrientation(std::move(interfaceName)) {}

    // Runs once after construction, before the view loads (the creator calls it).
    virtual void setup() {}

    // Becomes the window's root view controller and the app core's root screen.
    void startAsRootView();
    // Takes the view off the window.
    virtual void stop();
};
