#include "platform/web/WebKitHost.h"

#include <gtk/gtk.h>
#include <sched.h>
#include <unistd.h>
#include <webkit2/webkit2.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <thread>

#include "platform/foundation/Log.h"
#include "platform/runloop/GLibRunLoop.h"
#include "platform/web/LoopTicks.h"
#include "platform/web/ScriptInterception.h"
#include "platform/web/WebExtensionProtocol.h"
#include "platform/web/WebKitEngine.h"
#include "platform/web/WebKitPageDefaults.h"
#include "platform/web/WebProcessList.h"

namespace platform::web {

namespace {

WebKitHost* gHost = nullptr;
constexpr const char* kExtensionFile = "libtikoleap-webext.so";

// The cores this process may run on: its web processes inherit its affinity.
int usableCores() {
    cpu_set_t set;
    CPU_ZERO(&set);
    if (sched_getaffinity(0, sizeof set, &set) == 0 && CPU_COUNT(&set) > 0) return CPU_COUNT(&set);
    return std::max(1u, std::thread::hardware_concurrency());
}

}  // namespace

WebKitHost& WebKitHost::start(GLibRunLoop& loop, const WebLimits& limits) {
    if (gHost) {
        if (&gHost->loop_ != &loop) throw std::runtime_error("the web engine already runs on another loop");
        gHost->limits_.maxViews = limits.maxViews;
        gHost->limits_.loadTimeoutSeconds = limits.loadTimeoutSeconds;
        gHost->limits_.scriptTimeoutSeconds = limits.scriptTimeoutSeconds;
        gHost->limits_.dialogsAnswered = limits.dialogsAnswered;
        gHost->limits_.dialogsBeforeStop = limits.dialogsBeforeStop;
        gHost->limits_.oversizedNavigationsBeforeStop = limits.oversizedNavigationsBeforeStop;
        gHost->limits_.probeIntervalSeconds = limits.probeIntervalSeconds;
        gHost->limits_.probeTimeoutSeconds = limits.probeTimeoutSeconds;
        return *gHost;
    }
    if (loop.context() != g_main_context_default())
        throw std::runtime_error("the web engine needs a run loop on GLib's default main context");
    WebKitPageDefaults::prepareEnvironment();
    if (!gtk_init_check(nullptr, nullptr)) {
        // The displays the environment names, so that a dead one is told by name.
        std::string named;
        for (const char* variable : {"DISPLAY", "WAYLAND_DISPLAY"}) {
            const char* value = std::getenv(variable);
            if (value && *value)
                named += (named.empty() ? " " : " or ") + std::string(variable) + "=" + value;
        }
        throw std::runtime_error("the web engine could not open the display" +
                                 (named.empty() ? std::string(" (none is named)") : named));
    }
    // Lives for the rest of the process: GTK cannot be started twice.
    gHost = new WebKitHost(loop, limits);
    // A stopped web process would outlive the game: nothing in it runs to see its host gone.
    std::atexit(&WebProcessList::endOwn);
    return *gHost;
}

WebKitHost* WebKitHost::current() {
    return gHost;
}

WebKitHost::WebKitHost(GLibRunLoop& loop, const WebLimits& limits) : loop_(loop), limits_(limits) {
    context_ = WebKitPageDefaults::newContext(limits, sandboxed_);

    webProcessCpuCores_ = std::clamp(limits.webProcessCpuShare * usableCores(), 0.0,
                                     std::max(limits.webProcessCpuMostCores, 0.0));
    ticks_ = std::make_unique<LoopTicks>(loop_);
    interception_ = std::make_unique<ScriptInterception>(*this, context_);
    extensionDir_ = findExtensionDirectory();
    extensionFound_ = !extensionDir_.empty();
    if (extensionFound_) {
        GVariantBuilder names;
        g_variant_builder_init(&names, G_VARIANT_TYPE("as"));
        for (const auto& name : limits.interceptedScripts) g_variant_builder_add(&names, "s", name.c_str());
        webkit_web_context_set_web_extensions_directory(context_, extensionDir_.c_str());
        webkit_web_context_set_web_extensions_initialization_user_data(
            context_,
            g_variant_new(extension::kStartDataType, ScriptInterception::scheme(),
                          ScriptInterception::secretHeader(), interception_->secret().c_str(), &names,
                          static_cast<guint32>(std::max(limits.webProcessMemoryLimitMB, 64)),
                          static_cast<guint32>(std::max(limits.memoryWatchMilliseconds, 1)),
                          static_cast<guint32>(webProcessCpuCores_ * 1000),
                          static_cast<guint32>(std::max(limits.webProcessCpuSpanSeconds, 0.0) * 1000),
                          static_cast<guint32>(sandboxed_ ? 0 : getpid())));
    } else {
        logMessage("WebKitHost", 4,
                   std::string("no ") + kExtensionFile + ": scripts cannot be answered from memory");
    }
}

WebKitHost::~WebKitHost() = default;

std::string WebKitHost::findExtensionDirectory() {
    namespace fs = std::filesystem;
    std::vector<fs::path> candidates;
    if (const char* env = std::getenv("TIKOLEAP_WEB_EXTENSION_DIR")) candidates.emplace_back(env);
    std::error_code ec;
    const fs::path exe = fs::read_symlink("/proc/self/exe", ec);
    if (!ec) {
        candidates.push_back(exe.parent_path() / "webext");
        candidates.push_back(exe.parent_path().parent_path() / "webext");  // tests live one folder down
    }
#ifdef TIKOLEAP_WEB_EXTENSION_DIR
    candidates.emplace_back(TIKOLEAP_WEB_EXTENSION_DIR);
#endif
    for (const auto& dir : candidates) {
        if (fs::is_regular_file(dir / kExtensionFile, ec)) return dir.string();
    }
    return {};
}

std::unique_ptr<WebEngine> WebKitHost::createView(int width, int height) {
    if (liveViews() >= limits_.maxViews) {
        logMessage("WebKitHost::createView", 3,
                   "refused: " + std::to_string(liveViews()) + " web views are live");
        return nullptr;
    }
    return std::make_unique<WebKitEngine>(*this, width, height);
}

void WebKitHost::viewCreated(WebKitEngine* engine) {
    views_.push_back(engine);
}

void WebKitHost::viewDestroyed(WebKitEngine* engine) {
    std::erase(views_, engine);
}

bool WebKitHost::anyViewLoading() const {
    // WebKit's own flag, set as soon as a load is asked for; the views' isLoading() waits for the
    // load to start.
    return std::any_of(views_.begin(), views_.end(),
                       [](WebKitEngine* e) { return webkit_web_view_is_loading(e->webView()) != FALSE; });
}

WebKitEngine* WebKitHost::engineFor(WebKitWebView* view) const {
    auto it =
        std::find_if(views_.begin(), views_.end(), [view](WebKitEngine* e) { return e->webView() == view; });
    return it == views_.end() ? nullptr : *it;
}

}  // namespace platform::web
