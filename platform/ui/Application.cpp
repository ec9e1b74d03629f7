#include "platform/ui/Application.h"

#include <algorithm>

#include "platform/ui/NotificationCenter.h"
#include "platform/ui/Window.h"

namespace platform::ui {

Application::Application(NotificationCenter& center) : center_(center) {}

void Application::enterBackground() {
    if (state_ == ApplicationState::Background) return;
    center_.post(kApplicationWillResignActiveNotification);
    state_ = ApplicationState::Background;
    center_.post(kApplicationDidEnterBackgroundNotification);
}

void Application::enterForeground() {
    if (state_ != ApplicationState::Background) return;
    center_.post(kApplicationWillEnterForegroundNotification);
    state_ = ApplicationState::Active;
    center_.post(kApplicationDidBecomeActiveNotification);
}

void Application::finishLaunching() {
    if (launched_) return;
    launched_ = true;
    center_.post(kApplicationDidFinishLaunchingNotification);
    if (state_ == ApplicationState::Active) center_.post(kApplicationDidBecomeActiveNotification);
}

void Application::terminate() {
    if (terminating_) return;
    terminating_ = true;
    center_.post(kApplicationWillTerminateNotification);
}

void Application::receiveMemoryWarning() {
    center_.post(kApplicationDidReceiveMemoryWarningNotification);
}

void Application::setKeyWindow(const std::shared_ptr<Window>& window) {
    keyWindow_ = window;
    if (!window) return;
    while (!pending_.empty()) {
        auto panel = pending_.front();
        pending_.pop_front();
        window->presentModal(panel);
    }
}

void Application::presentModal(const std::shared_ptr<View>& panel) {
    if (auto w = keyWindow()) {
        w->presentModal(panel);
    } else {
        pending_.push_back(panel);
    }
}

void Application::forgetPendingModal(const View* panel) {
    std::erase_if(pending_, [panel](const auto& p) { return p.get() == panel; });
}

void Application::setStatusBarOrientation(int orientation) {
    if (orientation == statusBarOrientation_) return;
    statusBarOrientation_ = orientation;
    center_.post(kApplicationDidChangeStatusBarOrientationNotification);
}

void Application::setIdleTimerDisabled(bool disabled) {
    if (disabled == idleTimerDisabled_) return;
    idleTimerDisabled_ = disabled;
    if (idleSwitch_) idleSwitch_(disabled);
}

void Application::setIdleTimerSwitch(std::function<void(bool disabled)> idleSwitch) {
    idleSwitch_ = std::move(idleSwitch);
    if (idleSwitch_) idleSwitch_(idleTimerDisabled_);
}

Application& Application::shared() {
    static Application app(NotificationCenter::defaultCenter());
    return app;
}

}  // namespace platform::ui
