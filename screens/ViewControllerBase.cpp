#include "screens/ViewControllerBase.h"

#include "platform/ui/View.h"
#include "platform/ui/Window.h"
#include "screens/ScreenDirector.h"
#include "shell/AppDoor.h"

void ViewControllerBase::startAsRootView() {
    AppDoor* core = appCore();
    if (!core) return;
    auto self = std::static_pointer_cast<ViewControllerBase>(shared_from_this());
    if (const auto& window = core->window()) window->setRootViewController(self);
    if (ScreenDirector* screens = ScreenDirector::of(core)) screens->setRootViewController(self);
}

void ViewControllerBase::stop() {
    if (isViewLoaded()) view()->removeFromSuperview();
}
