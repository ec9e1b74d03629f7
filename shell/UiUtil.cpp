#include "shell/UiUtil.h"

#include <memory>

#include "platform/ui/AlertView.h"
#include "platform/ui/Application.h"
#include "platform/ui/Button.h"
#include "platform/ui/Control.h"

void ShowOkAlert(const std::string& title, const std::string& message) {
    auto alert = std::make_shared<platform::ui::AlertView>(
        title, message, std::weak_ptr<platform::ui::AlertViewDelegate>(), "OK");
    alert->show();
}

int StatusBarOrientation() {
    return platform::ui::Application::shared().statusBarOrientation();
}

void SetButtonTitle(platform::ui::Button& button, const std::string& title) {
    using namespace platform::ui;
    for (std::uint32_t state :
         {ControlStateNormal, ControlStateSelected, ControlStateDisabled, ControlStateHighlighted})
        button.setTitle(title, state);
}
