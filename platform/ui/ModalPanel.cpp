#include "platform/ui/ModalPanel.h"

#include "platform/ui/Application.h"
#include "platform/ui/Button.h"
#include "platform/ui/Window.h"

namespace platform::ui {

bool ModalPanel::isVisible() const {
    return window() != nullptr && !isHidden();
}

void ModalPanel::present(Window* window) {
    presented_ = true;
    auto self = shared_from_this();
    if (window) {
        window_ = std::static_pointer_cast<Window>(window->shared_from_this());
        window->presentModal(self);
    } else {
        auto& app = Application::shared();
        window_ = app.keyWindow();
        app.presentModal(self);
    }
}

void ModalPanel::takeDown() {
    presented_ = false;
    auto self = shared_from_this();
    if (auto w = window_.lock()) {
        w->dismissModal(this);
    } else {
        Application::shared().forgetPendingModal(this);
        if (auto key = Application::shared().keyWindow()) key->dismissModal(this);
    }
    window_.reset();
}

std::shared_ptr<Button> ModalPanel::buttonViewForIndex(int index) const {
    for (const auto& [i, b] : buttons_) {
        if (i == index) return b;
    }
    return nullptr;
}

std::shared_ptr<Button> ModalPanel::makeButton(const ButtonSpec& spec) {
    auto b = std::make_shared<Button>(ButtonType::RoundedRect);
    b->setTitle(spec.title);
    if (spec.look == Look::Destructive) b->setTitleColor({0.85f, 0.1f, 0.1f, 1});
    if (spec.look == Look::Cancel) b->setTitleColor(Color::gray(0.25f));
    const int index = spec.index;
    std::weak_ptr<View> weakSelf = weak_from_this();
    b->addTarget(ControlEventTouchUpInside, [weakSelf, index](Control&) {
        if (auto self = std::dynamic_pointer_cast<ModalPanel>(weakSelf.lock()))
            self->clickButtonAtIndex(index);
    });
    buttons_.emplace_back(index, b);
    addSubview(b);
    return b;
}

void ModalPanel::clearButtons() {
    for (auto& [i, b] : buttons_) b->removeFromSuperview();
    buttons_.clear();
}

}  // namespace platform::ui
