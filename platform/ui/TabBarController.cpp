#include "platform/ui/TabBarController.h"

#include "platform/ui/ContainerView.h"
#include "platform/ui/NavigationController.h"
#include "platform/ui/TabBar.h"
#include "platform/ui/UiResources.h"
#include "platform/ui/View.h"

namespace platform::ui {

TabBarController::~TabBarController() {
    if (auto container = std::dynamic_pointer_cast<ContainerView>(isViewLoaded() ? view() : nullptr)) {
        container->setLayout(nullptr);
    }
    if (bar_) bar_->setOnSelect(nullptr);
    for (auto& c : controllers_) {
        if (c->parent_ == this) c->parent_ = nullptr;
    }
}

TabBarItem& TabBarController::tabItemOf(ViewController& controller) {
    TabBarItem& own = controller.tabBarItem();
    if (auto* nav = dynamic_cast<NavigationController*>(&controller)) {
        const bool unset = own.title().empty() && own.imageName().empty() && !own.image();
        if (unset && !nav->viewControllers().empty()) return nav->viewControllers().front()->tabBarItem();
    }
    return own;
}

void TabBarController::loadView() {
    auto container = std::make_shared<ContainerView>(Rect{0, 0, 320, 480});
    container->setBackgroundColor(Color::black());
    container->setLayout([this] { layout(); });
    bar_ = std::make_shared<TabBar>();
    bar_->setOnSelect([this](std::size_t i) { setSelectedIndex(i); });
    container->addSubview(bar_);
    setView(container);
    setViewControllers(controllers_);
}

std::shared_ptr<TabBar> TabBarController::tabBar() {
    view();
    return bar_;
}

void TabBarController::setViewControllers(std::vector<std::shared_ptr<ViewController>> controllers) {
    for (auto& c : controllers_) {
        if (c->parent_ == this) c->parent_ = nullptr;
    }
    controllers_.clear();
    for (auto& c : controllers) {
        if (!c) continue;
        c->parent_ = this;
        controllers_.push_back(std::move(c));
    }
    if (selected_ >= controllers_.size()) selected_ = 0;
    if (!isViewLoaded()) return;
    std::vector<TabBarItem*> items;
    for (auto& c : controllers_) items.push_back(&tabItemOf(*c));
    bar_->setSelectedIndex(selected_);
    bar_->setItems(std::move(items), resources());
    showSelected();
}

std::shared_ptr<ViewController> TabBarController::selectedViewController() const {
    return selected_ < controllers_.size() ? controllers_[selected_] : nullptr;
}

void TabBarController::setSelectedIndex(std::size_t index) {
    if (index >= controllers_.size()) return;
    selected_ = index;
    if (!isViewLoaded()) return;
    bar_->setSelectedIndex(index);
    showSelected();
}

void TabBarController::showSelected() {
    auto c = selectedViewController();
    auto v = c ? c->view() : nullptr;
    if (shown_ && shown_ != v) shown_->removeFromSuperview();
    shown_ = v;
    if (shown_ && shown_->superview() != view()) view()->insertSubviewAt(shown_, 0);
    layout();
}

void TabBarController::layout() {
    if (!isViewLoaded()) return;
    const Rect b = view()->bounds();
    bar_->setFrame({0, b.size.height - TabBar::kHeight, b.size.width, TabBar::kHeight});
    if (shown_) shown_->setFrame({0, 0, b.size.width, b.size.height - TabBar::kHeight});
}

}  // namespace platform::ui
