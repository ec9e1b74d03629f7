#pragma once
// The real web engine's process-wide side: GTK started on the main loop's GLib context, one
// shared web context (network process, security rules, the script-interception scheme), the
// limits every view obeys, and the register of live views. Web views made here share one web
// process while any of them is alive. Main thread only.
#include <memory>
#include <string>
#include <vector>

#include "platform/web/WebEngine.h"

typedef struct _WebKitWebContext WebKitWebContext;
typedef struct _WebKitWebView WebKitWebView;

namespace platform {
class GLibRunLoop;
}

namespace platform::web {

class WebKitEngine;

struct WebLimits {
    int maxViews = 6;                   // live views at once; createView refuses more
    double loadTimeoutSeconds = 30;     // a load still running then is stopped and fails
    double scriptTimeoutSeconds = 5;    // an evaluation not answered by then fails, and its page is stopped
    int dialogsAnswered = 20;           // per load: later dialogs are dismissed unasked
    int dialogsBeforeStop = 200;        // per load: a page opening more is stopped as hostile
    int webProcessMemoryLimitMB = 512;  // a web process above it is ended by the engine
    // Last path components of script requests the views' responders may answer.
    std::vector<std::string> interceptedScripts{"mraid.js"};
};

class WebKitHost {
  public:
    // Starts the engine once per process on `loop`, which must run on GLib's default main
    // context (the engine attaches there). Throws std::runtime_error without a display, or when
    // called again with another loop. Limits given on a later call replace the view limits but
    // not the memory limit or the intercepted scripts, which the web processes took at start.
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

    // Used by the views.
    WebKitWebContext* context() const { return context_; }
    void viewCreated(WebKitEngine* engine);
    void viewDestroyed(WebKitEngine* engine);
    // A live view whose web process a new view should share, or null.
    WebKitWebView* processPeer() const;
    WebKitEngine* engineFor(WebKitWebView* view) const;

    static const char* interceptionScheme() { return "tikoleap-script"; }

  private:
    WebKitHost(GLibRunLoop& loop, const WebLimits& limits);
    static std::string findExtensionDirectory();

    GLibRunLoop& loop_;
    WebLimits limits_;
    WebKitWebContext* context_ = nullptr;
    std::vector<WebKitEngine*> views_;
    std::string extensionDir_;
    bool extensionFound_ = false;
};

}  // namespace platform::web
