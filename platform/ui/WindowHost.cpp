#include "platform/ui/WindowHost.h"

#include <algorithm>
#include <cmath>

#include "platform/gl/GLContext.h"
#include "platform/runloop/RunLoop.h"
#include "platform/ui/Window.h"
#include "platform/ui/WindowRenderer.h"
#include "platform/window/Window.h"

namespace platform::ui {

std::unique_ptr<WindowHost> WindowHost::create(std::shared_ptr<Window> window, const std::string& title,
                                               std::string* error) {
    if (!window) {
        if (error) *error = "no window to show";
        return nullptr;
    }
    std::unique_ptr<WindowHost> host(new WindowHost());
    const Rect b = window->bounds();
    host->desktop_ = platform::Window::create(static_cast<int>(std::lround(b.size.width)),
                                              static_cast<int>(std::lround(b.size.height)), title, error);
    if (!host->desktop_) return nullptr;
    host->context_ = GLContext::createForWindow(*host->desktop_, error);
    if (!host->context_) return nullptr;
    // High-density screens get more pixels per point.
    const Size points = host->desktop_->pointSize();
    const Size pixels = host->desktop_->pixelSize();
    const float scale = points.width > 0 ? std::max(1.0f, pixels.width / points.width) : 1.0f;
    host->renderer_ = std::make_unique<WindowRenderer>(host->context_, scale);
    host->window_ = std::move(window);
    return host;
}

WindowHost::~WindowHost() {
    // The renderer's GL objects go before the context, the context before the desktop window.
    renderer_.reset();
    context_.reset();
    desktop_.reset();
}

void WindowHost::pump() {
    for (const auto& e : desktop_->pollEvents()) {
        if (e.type == WindowEvent::Type::Quit) quit_ = true;
        window_->handleWindowEvent(e);
    }
    renderer_->render(*window_);
}

std::shared_ptr<Timer> WindowHost::attach(RunLoop& loop, double interval) {
    return loop.addPoller([this] { pump(); }, interval);
}

}  // namespace platform::ui
