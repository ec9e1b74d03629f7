#include "platform/ui/WindowHost.h"

#include <algorithm>
#include <cmath>

#include "platform/gl/GLContext.h"
#include "platform/runloop/RunLoop.h"
#include "platform/ui/Application.h"
#include "platform/ui/Window.h"
#include "platform/ui/WindowRenderer.h"
#include "platform/window/Window.h"
#include "platform/window/WindowEvent.h"

namespace platform::ui {

std::unique_ptr<WindowHost> WindowHost::create(std::shared_ptr<Window> window, const std::string& title,
                                               std::string* error, float zoom) {
    if (!window) {
        if (error) *error = "no window to show";
        return nullptr;
    }
    std::unique_ptr<WindowHost> host(new WindowHost());
    host->zoom_ = std::isfinite(zoom) && zoom > 0 ? zoom : 1.0f;
    const Rect b = window->bounds();
    host->desktop_ =
        platform::Window::create(static_cast<int>(std::lround(b.size.width * host->zoom_)),
                                 static_cast<int>(std::lround(b.size.height * host->zoom_)), title, error);
    if (!host->desktop_) return nullptr;
    host->context_ = GLContext::createForWindow(*host->desktop_, error);
    if (!host->context_) return nullptr;
    // High-density screens get more pixels per point.
    const Size points = host->desktop_->pointSize();
    const Size pixels = host->desktop_->pixelSize();
    const float density = points.width > 0 ? std::max(1.0f, pixels.width / points.width) : 1.0f;
    const float scale = density * host->zoom_;
    host->renderer_ = std::make_unique<WindowRenderer>(host->context_, scale);
    host->window_ = std::move(window);
    // The desktop follows the application's idle timer while the window is up.
    platform::Window* desktop = host->desktop_.get();
    host->window_->application().setIdleTimerSwitch(
        [desktop](bool disabled) { desktop->setScreenSaverAllowed(!disabled); });
    return host;
}

WindowHost::~WindowHost() {
    if (window_ && desktop_) {
        window_->application().setIdleTimerSwitch(nullptr);
        desktop_->setScreenSaverAllowed(true);
    }
    // The renderer's GL objects go before the context, the context before the desktop window.
    renderer_.reset();
    context_.reset();
    desktop_.reset();
}

void WindowHost::pump() {
    pumpEvents();
    renderFrame();
}

void WindowHost::pumpEvents(const std::function<void(const WindowEvent&)>& observer) {
    for (const auto& e : desktop_->pollEvents()) {
        if (observer) observer(e);
        if (e.type == WindowEvent::Type::Quit) quit_ = true;
        WindowEvent inWindow = e;
        inWindow.point = {e.point.x / zoom_, e.point.y / zoom_};
        window_->handleWindowEvent(inWindow);
    }
}

void WindowHost::renderFrame() {
    renderer_->render(*window_);
}

void WindowHost::presentAgain() {
    renderer_->presentAgain();
}

std::shared_ptr<Timer> WindowHost::attach(RunLoop& loop, double interval) {
    return loop.addPoller([this] { pump(); }, interval);
}

}  // namespace platform::ui
