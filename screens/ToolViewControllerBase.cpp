#include "screens/ToolViewControllerBase.h"

#include "platform/ui/BarButtonItem.h"
#include "platform/ui/ScrollView.h"
#include "shell/AppDoor.h"

ToolViewControllerBase::ToolViewControllerBase(std::string interfaceName)
    : KeepsChosenOrientation(std::move(interfaceName)) {
    registerOutlet("scrollView", scrollView_);
    registerOutlet("contentView", contentView_);
}

void ToolViewControllerBase::setup() {
    navigationItem().setLeftBarButtonItem(std::make_shared<platform::ui::BarButtonItem>(
        "Done", platform::ui::BarButtonItem::Style::Done, [this](platform::ui::BarButtonItem&) { stop(); }));
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
    AppDoor* core = appCore();
    if (!core) return;
    core->stopToolsView();
    core->startTitleView();
    core->transitionAnimation(1, 0.5);
}
