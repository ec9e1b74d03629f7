#include "platform/web/WebViews.h"

#include <cstdlib>
#include <stdexcept>

#include "platform/foundation/Log.h"
#include "platform/runloop/GLibRunLoop.h"
#include "platform/web/WebKitHost.h"

namespace platform::web {

namespace {

// The reason the engine could not start; GTK is not started twice, so it stands for the process.
std::string& startFailure() {
    static std::string failure;
    return failure;
}

}  // namespace

std::unique_ptr<WebEngine> WebViews::create(int width, int height, std::string* error) {
    WebKitHost* host = WebKitHost::current();
    if (!host) {
        if (!startFailure().empty()) {
            *error = startFailure();
            return nullptr;
        }
        // Checked before the engine is tried, so that a run without a display never starts GTK.
        if (!displayNamed()) {
            *error = "no web views without a display (neither DISPLAY nor WAYLAND_DISPLAY is set)";
            return nullptr;
        }
        // The engine's loop outlives every run of the process, as the engine does; the main run
        // loop may be a virtual-clock one, which cannot carry it.
        static auto* loop = new GLibRunLoop();
        try {
            host = &WebKitHost::start(*loop);
        } catch (const std::exception& e) {
            startFailure() = std::string("no web views: ") + e.what();
            logMessage("WebViews", 3, startFailure());
            *error = startFailure();
            return nullptr;
        }
    }
    auto view = host->createView(width, height);
    if (!view)
        *error = "no web view: " + std::to_string(host->liveViews()) + " are live, the most there may be";
    return view;
}

bool WebViews::displayNamed() {
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY"}) {
        const char* value = std::getenv(name);
        if (value && *value) return true;
    }
    return false;
}

bool WebViews::engineRunning() {
    return WebKitHost::current() != nullptr;
}

bool WebViews::loading() {
    const WebKitHost* host = WebKitHost::current();
    return host && host->anyViewLoading();
}

}  // namespace platform::web
