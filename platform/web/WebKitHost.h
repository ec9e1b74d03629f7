#pragma once
// The real web engine's process-wide side: GTK started on the main loop's GLib context, one
// shared web context (network process, security rules, the script-interception scheme), the
// limits every view obeys, and the register of live views. Each view gets a web process of its
// own, so that stopping one hostile page never touches another view. Main thread only.
#include <memory>
#include <string>
#include <vector>

#include "platform/web/WebEngine.h"
#include "platform/web/WebPageLimits.h"

typedef struct _WebKitWebContext WebKitWebContext;
typedef struct _WebKitWebView WebKitWebView;

namespace platform {
class GLibRunLoop;
}

namespace platform::web {

class WebKitEngine;
class ScriptInterception;
class LoopTicks;

class WebKitHost {
  public:
    // Starts the engine once per process on `loop`, which must run on GLib's default main
    // context (the engine attaches there). Throws std::runtime_error without a display, or when
    // called again with another loop. Limits given on a later call replace the view limits but
    // not the memory limit, the processor share or the intercepted scripts, which the web processes took
    // at start.
    static WebKitHost& start(GLibRunLoop& loop, const WebLimits& limits = {});
    // The started host, or null.
    static WebKitHost* current();

    // A new view of `width` x `height` points, or null at the view cap.
    std::unique_ptr<WebEngine> createView(int width, int height);
    int liveViews() const { return static_cast<int>(views_.size()); }
    // Whether a live view has a page on its way (asked for, neither finished nor failed yet).
    bool anyViewLoading() const;

    const WebLimits& limits() const { return limits_; }
    GLibRunLoop& loop() const { return loop_; }
    // Where the script-interception extension was looked for, and whether it was found.
    const std::string& extensionDirectory() const { return extensionDir_; }
    bool scriptInterceptionAvailable() const { return extensionFound_; }
    // Whether the web processes run in the engine's sandbox: wherever it can start (see
    // WebKitPageDefaults::newContext), unless TIKOLEAP_WEB_SANDBOX=0 switches it off.
    bool sandboxed() const { return sandboxed_; }
    // The cores each web process may keep busy on average over its span (see WebLimits).
    double webProcessCpuCores() const { return webProcessCpuCores_; }
    // How late the main loop's ticks come, what a page past its processor share is judged by.
    const LoopTicks& loopTicks() const { return *ticks_; }

    // Used by the views.
    WebKitWebContext* context() const { return context_; }
    void viewCreated(WebKitEngine* engine);
    void viewDestroyed(WebKitEngine* engine);
    WebKitEngine* engineFor(WebKitWebView* view) const;

  private:
    WebKitHost(GLibRunLoop& loop, const WebLimits& limits);
    ~WebKitHost();
    static std::string findExtensionDirectory();

    GLibRunLoop& loop_;
    WebLimits limits_;
    WebKitWebContext* context_ = nullptr;
    std::vector<WebKitEngine*> views_;
    std::unique_ptr<ScriptInterception> interception_;
    std::unique_ptr<LoopTicks> ticks_;
    std::string extensionDir_;
    bool extensionFound_ = false;
    bool sandboxed_ = false;
    double webProcessCpuCores_ = 0;
};

}  // namespace platform::web
