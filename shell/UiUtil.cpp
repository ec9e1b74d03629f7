#include "shell/UiUtil.h"

#include <memory>

#include "appbase/LogMessage.h"
#include "platform/launcher/UrlOpener.h"
#include "platform/ui/AlertView.h"
#include "platform/ui/Application.h"
#include "platform/ui/Button.h"
#include "platform/ui/Control.h"

void ShowOkAlert(const std::string& title, const std::string& message) {
    auto alert = std::make_shared<platform::ui::AlertView>(
        title, message, std::weak_ptr<platform::ui::AlertViewDelegate>(), "OK");
    alert->show();
}

bool OpenWebPage(const std::string& url, const char* logName) {
    std::string error;
    switch (platform::UrlOpener::shared().openPage(url, &error)) {
        case platform::UrlOpener::Outcome::Opened:
            return true;
        case platform::UrlOpener::Outcome::Refused:
            LogMessage(logName, 3, "not opened: " + url + ": " + error);
            return false;
        case platform::UrlOpener::Outcome::Failed:
            LogMessage(logName, 3, "cannot open " + url + ": " + error);
            ShowOkAlert("Error", "The page could not be opened.");
            return false;
    }
    return false;
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
