#include "benchmarks/BenchWebHost.h"

#include <stdexcept>

#include "platform/gl/GLContext.h"
#include "platform/runloop/GLibRunLoop.h"
#include "platform/web/WebKitHost.h"

void makeGLContextBeforeTheEngine() {
    // Its display stays for the process; the context itself is not needed.
    if (!platform::web::WebKitHost::current()) platform::GLContext::createHeadless();
}

platform::web::WebKitHost* benchWebHost(std::string& error) {
    static auto* loop = new platform::GLibRunLoop();
    makeGLContextBeforeTheEngine();
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
