#include "screens/ViewControllerBase.h"

#include "platform/ui/View.h"
#include "platform/ui/Window.h"
#include "shell/AppCoreBase.h"

void ViewControllerBase::startAsRootView() {
    AppCoreBase* core = appCore();
    if (!core) return;
    auto self = std::static_pointer_cast<ViewControllerBase>(shared_from_this());
    if (const auto& window = core->window()) window->setRootViewController(self);
    core->setRootViewController(self);
}

void ViewControllerBase::stop() {
    if (isViewLoaded()) view()->removeFromSuperview();
}
