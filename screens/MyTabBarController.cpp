#include "screens/MyTabBarController.h"

#include "screens/ViewControllerBase.h"

bool MyTabBarController::shouldAutorotateToInterfaceOrientation(platform::ui::InterfaceOrientation o) {
    return static_cast<int>(o) == screens::chosenOrientation(appCore_);
}

unsigned MyTabBarController::supportedInterfaceOrientations() {
    return screens::orientationMask(screens::chosenOrientation(appCore_));
}

platform::ui::InterfaceOrientation MyTabBarController::preferredInterfaceOrientationForPresentation() {
    return static_cast<platform::ui::InterfaceOrientation>(screens::chosenOrientation(appCore_));
}
