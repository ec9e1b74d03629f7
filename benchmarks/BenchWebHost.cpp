#include "benchmarks/BenchWebHost.h"

#include <cstdlib>
#include <stdexcept>

#include "platform/gl/GLContext.h"
#include "platform/runloop/GLibRunLoop.h"
#include "platform/web/WebKitHost.h"

std::string makeGLContextBeforeTheEngine() {
    std::string error;
    // Its display stays for the process; the context itself is not needed. Making the first one
    // sets the variable the engine reads as it starts, unless EGL has no surfaceless display to
    // give. In this binary it is set only that way, and the GL benchmarks come before the web ones.
    const bool running = platform::web::WebKitHost::current() != nullptr;
    if (!running) platform::GLContext::createHeadless(&error);
    if (std::getenv("WEBKIT_DISABLE_DMABUF_RENDERER")) return {};
    if (running) return "the web engine started before any headless GL context, on its DMA-BUF renderer";
    return "no headless GL context (" + error + "): the web engine would start on its DMA-BUF renderer";
}

platform::web::WebKitHost* benchWebHost(std::string& error) {
    static auto* loop = new platform::GLibRunLoop();
    error = makeGLContextBeforeTheEngine();
    if (!error.empty()) return nullptr;
    try {
        platform::web::WebLimits limits;
        limits.maxViews = 8;
        platform::web::WebKitHost* running = platform::web::WebKitHost::current();
        return &platform::web::WebKitHost::start(running ? running->loop() : *loop, limits);
    } catch (const std::exception& e) {
        error = e.what();
        return nullptr;
    }
}
