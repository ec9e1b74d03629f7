#include "platform/ui/NavigationController.h"

#include "platform/ui/ContainerView.h"
#include "platform/ui/NavigationBar.h"
#include "platform/ui/View.h"

namespace platform::ui {

NavigationController::NavigationController(std::shared_ptr<ViewController> root) {
    if (root) {
        root->parent_ = this;
        stack_.push_back(std::move(root));
    }
}

NavigationController::~NavigationController() {
    if (auto container = std::dynamic_pointer_cast<ContainerView>(isViewLoaded() ? view() : nullptr)) {
        container->setLayout(nullptr);
    }
    for (auto& c : stack_) {
        if (c->parent_ == this) c->parent_ = nullptr;
    }
}

void NavigationController::loadView() {
    auto container = std::make_shared<ContainerView>(Rect{0, 0, 320, 480});
    container->setBackgroundColor(Color::black());
    container->setLayout([this] { layout(); });
    bar_ = std::make_shared<NavigationBar>();
    container->addSubview(bar_);
    setView(container);
    showTop();
}

std::shared_ptr<NavigationBar> NavigationController::navigationBar() {
    view();
    return bar_;
}

void NavigationController::setNavigationBarHidden(bool hidden) {
    barHidden_ = hidden;
    if (isViewLoaded()) {
        bar_->setHidden(hidden);
        layout();
    }
}

std::shared_ptr<ViewController> NavigationController::topViewController() const {
    return stack_.empty() ? nullptr : stack_.back();
}

void NavigationController::pushViewController(std::shared_ptr<ViewController> controller, bool) {
    if (!controller) return;
    controller->parent_ = this;
    stack_.push_back(std::move(controller));
    showTop();
}

std::shared_ptr<ViewController> NavigationController::popViewController(bool) {
    if (stack_.size() < 2) return nullptr;
    auto top = stack_.back();
    stack_.pop_back();
    showTop();
    if (top->parent_ == this) top->parent_ = nullptr;
    return top;
}

void NavigationController::setViewControllers(std::vector<std::shared_ptr<ViewController>> controllers) {
    for (auto& c : stack_) {
        if (c->parent_ == this) c->parent_ = nullptr;
    }
    stack_.clear();
    for (auto& c : controllers) {
        if (!c) continue;
        c->parent_ = this;
        stack_.push_back(std::move(c));
    }
    showTop();
}

void NavigationController::showTop() {
    if (!isViewLoaded()) return;
    auto top = topViewController();
    auto topView = top ? top->view() : nullptr;
    if (shown_ && shown_ != topView) shown_->removeFromSuperview();
    shown_ = topView;
    bar_->setItem(top ? &top->navigationItem() : nullptr);
    if (shown_ && shown_->superview() != view()) view()->insertSubviewAt(shown_, 0);
    layout();
}

void NavigationController::layout() {
    if (!isViewLoaded()) return;
    const Rect b = view()->bounds();
    const float barH = barHidden_ ? 0 : NavigationBar::kHeight;
    bar_->setHidden(barHidden_);
    bar_->setFrame({0, 0, b.size.width, NavigationBar::kHeight});
    if (shown_) shown_->setFrame({0, barH, b.size.width, b.size.height - barH});
}

}  // namespace platform::ui
