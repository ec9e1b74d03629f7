#pragma once
// The real web engine's process-wide side: GTK started on the main loop's GLib context, one
// shared web context (network process, security rules, the script-interception scheme), the
// limits every view obeys, and the register of live views. Each view gets a web process of its
// own, so that stopping one hostile page never touches another view. Main thread only.
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
class ScriptInterception;

struct WebLimits {
    // Live views at once; createView refuses more. Six hold what the ad component keeps at
    // once (a banner, a preloaded interstitial, the hidden core page, one extra ad view and a
    // full-screen page) and one spare view of the web-view cache.
    int maxViews = 6;
    double loadTimeoutSeconds = 30;   // a load still running then is stopped and fails
    double scriptTimeoutSeconds = 5;  // an evaluation not answered by then fails, and its page is stopped
    // A page that has not answered the host's probe within the time-out is stopped; probes go
    // every interval while a page is shown. A spinning page is stopped within their sum.
    double probeIntervalSeconds = 1;
    double probeTimeoutSeconds = 2;
    int dialogsAnswered = 20;     // per load: later dialogs are dismissed unasked
    int dialogsBeforeStop = 200;  // per load: a page opening more is stopped as hostile
    // Per page the host loads (its own reloads included): a page sending this many navigations
    // over WebEngine::kMaxNavigationURLBytes is stopped as hostile (each is refused).
    int oversizedNavigationsBeforeStop = 3;
    // Taken when the engine starts, for good. A web process (one view's) is held under the
    // limit: the extension in it measures it every watch interval while it grows or nears the
    // limit (less often at rest) and has it ended, as hostile, well before the limit (the
    // engine's own measure, a second old at worst, is only the last resort). The engine frees
    // what it can past half the limit.
    int webProcessMemoryLimitMB = 512;
    double memoryPollSeconds = 1;
    int memoryWatchMilliseconds = 10;
    // Taken when the engine starts, for good. A web process that used more than its share of the
    // processor on average over a whole span of real time (read once a second by the extension in
    // it) is ended as hostile. The share is this fraction of the cores the game may run on (its
    // affinity), and at most webProcessCpuMostCores: a banner's animations cost a tenth to a fifth
    // of a core, and on a machine of one or two cores a page never takes more than a quarter of it
    // from the game. A share of 0 turns the watch off.
    double webProcessCpuShare = 0.25;
    double webProcessCpuMostCores = 1;
    double webProcessCpuSpanSeconds = 10;
    // Last path components of script requests the views' responders may answer.
    std::vector<std::string> interceptedScripts{"mraid.js"};
};

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
    std::string extensionDir_;
    bool extensionFound_ = false;
    bool sandboxed_ = false;
    double webProcessCpuCores_ = 0;
};

}  // namespace platform::web
