#include "screens/ToolViewControllerBase.h"

#include "platform/ui/BarButtonItem.h"
#include "platform/ui/ScrollView.h"
#include "screens/ViewControllerBase.h"
#include "shell/AppCoreBase.h"

ToolViewControllerBase::ToolViewControllerBase(std::string interfaceName)
    : ViewController(std::move(interfaceName)) {
    registerOutlet("scrollView", scrollView_);
    registerOutlet("contentView", contentView_);
}

void ToolViewControllerBase::setup() {
    navigationItem().setLeftBarButtonItem(std::make_shared<platform::ui::BarButtonItem>(
        "Done", platform::ui::BarButtonItem::Style::Done, [this](platform::ui::BarButtonItem&) { stop(); }));
}

bool ToolViewControllerBase::shouldAutorotateToInterfaceOrientation(platform::ui::InterfaceOrientation o) {
    return static_cast<int>(o) == screens::chosenOrientation(appCore_);
}

unsigned ToolViewControllerBase::supportedInterfaceOrientations() {
    return screens::orientationMask(screens::chosenOrientation(appCore_));
}

platform::ui::InterfaceOrientation ToolViewControllerBase::preferredInterfaceOrientationForPresentation() {
    return static_cast<platform::ui::InterfaceOrientation>(screens::chosenOrientation(appCore_));
}

void ToolViewControllerBase::loadView() {
    ViewController::loadView();
    if (scrollView_ && contentView_) {
        scrollView_->addSubview(contentView_);
        scrollView_->setContentSize(contentView_->bounds().size);
    }
}

void ToolViewControllerBase::viewWillAppear(bool) {
    if (!scrollView_) return;
    scrollView_->scrollToTop();
    scrollView_->flashScrollIndicators();
}

void ToolViewControllerBase::stop() {
    if (!appCore_) return;
    appCore_->stopToolsView();
    appCore_->startTitleView();
    appCore_->transitionAnimation(1, 0.5);
}
