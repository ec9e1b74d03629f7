#include "screens/ViewControllerBase.h"

#include "platform/ui/View.h"
#include "platform/ui/Window.h"
#include "shell/AppCoreBase.h"

namespace screens {
int chosenOrientation(const AppCoreBase* appCore) {
    return appCore ? appCore->interfaceOrientation() : 1;
}
unsigned orientationMask(int orientation) {
    return orientation >= 0 && orientation < 32 ? 1u << orientation : 0u;
}
}  // namespace screens

bool ViewControllerBase::shouldAutorotateToInterfaceOrientation(platform::ui::InterfaceOrientation o) {
    return static_cast<int>(o) == screens::chosenOrientation(appCore_);
}

unsigned ViewControllerBase::supportedInterfaceOrientations() {
    return screens::orientationMask(screens::chosenOrientation(appCore_));
}

platform::ui::InterfaceOrientation ViewControllerBase::preferredInterfaceOrientationForPresentation() {
    return static_cast<platform::ui::InterfaceOrientation>(screens::chosenOrientation(appCore_));
}

void ViewControllerBase::startAsRootView() {
    if (!appCore_) return;
    auto self = std::static_pointer_cast<ViewControllerBase>(shared_from_this());
    if (const auto& window = appCore_->window()) window->setRootViewController(self);
    appCore_->setRootViewController(self);
}

void ViewControllerBase::stop() {
    if (isViewLoaded()) view()->removeFromSuperview();
}
