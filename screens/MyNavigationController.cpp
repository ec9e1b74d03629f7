#include "screens/MyNavigationController.h"

#include "screens/ViewControllerBase.h"

bool MyNavigationController::shouldAutorotateToInterfaceOrientation(platform::ui::InterfaceOrientation o) {
    return static_cast<int>(o) == screens::chosenOrientation(appCore_);
}

unsigned MyNavigationController::supportedInterfaceOrientations() {
    return screens::orientationMask(screens::chosenOrientation(appCore_));
}

platform::ui::InterfaceOrientation MyNavigationController::preferredInterfaceOrientationForPresentation() {
    return static_cast<platform::ui::InterfaceOrientation>(screens::chosenOrientation(appCore_));
}
