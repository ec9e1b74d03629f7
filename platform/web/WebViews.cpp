#include "platform/web/WebViews.h"

#include <cstdlib>

#include "platform/foundation/LazyModule.h"
#include "platform/gl/GLContext.h"
#include "platform/runloop/GLibRunLoop.h"
#include "platform/web/WebBackend.h"

namespace platform::web {

namespace {

WebBackend* gBackend = nullptr;

}  // namespace

WebBackend* WebViews::backend() {
    return gBackend;
}

void WebViews::installBackend(WebBackend& backend) {
    gBackend = &backend;
}

std::unique_ptr<WebEngine> WebViews::create(int width, int height, std::string* error) {
    if (!gBackend || !gBackend->running()) {
        // Checked before the library is opened, so that a run without a display never maps it.
        if (!displayNamed()) {
            *error = "no web views without a display (neither DISPLAY nor WAYLAND_DISPLAY is set)";
            return nullptr;
        }
        static LazyModule module("libtikoleap-web.so");
        std::string why;
        if (!gBackend && (!module.load(&why) || !gBackend)) {
            *error = "no web views: " + (why.empty() ? std::string("its library installed no engine") : why);
            return nullptr;
        }
    }
    // The engine's loop outlives every run of the process, as the engine does; the main run loop
    // may be a virtual-clock one, which cannot carry it. Made only when the engine is to start.
    GLibRunLoop* startOn = nullptr;
    if (!gBackend->running()) {
        static auto* loop = new GLibRunLoop();
        startOn = loop;
    }
    // The engine's start makes its own GL context current behind the caller's back: what the
    // caller uploads next (a game's textures, when an ad's view was made at launch) must still
    // reach the caller's context.
    GLContext* current = GLContext::current();
    std::unique_ptr<WebEngine> view = gBackend->createView(startOn, width, height, error);
    if (current && !current->isCurrent()) current->makeCurrent();
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
    return gBackend && gBackend->running();
}

bool WebViews::loading() {
    return gBackend && gBackend->anyViewLoading();
}

}  // namespace platform::web
