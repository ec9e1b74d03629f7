#include "platform/web/WebKitBackend.h"

#include <gtk/gtk.h>
#include <webkit2/webkit2.h>

#include <climits>
#include <stdexcept>

#include "platform/foundation/Log.h"
#include "platform/web/WebKitHost.h"
#include "platform/web/WebViews.h"

namespace platform::web {

namespace {

std::optional<std::string> readUserAgent() {
    WebKitSettings* settings = webkit_settings_new();
    const char* agent = webkit_settings_get_user_agent(settings);
    std::optional<std::string> text;
    if (agent && *agent) text = agent;
    g_object_unref(settings);
    return text;
}

// Installs the backend as the library loads (also in a program that links it).
const bool kInstalled = [] {
    static auto* backend = new WebKitBackend();  // lives as long as the process, as the engine
    WebViews::installBackend(*backend);
    return true;
}();

}  // namespace

std::unique_ptr<WebEngine> WebKitBackend::createView(GLibRunLoop* startOn, int width, int height,
                                                     std::string* error) {
    WebKitHost* host = WebKitHost::current();
    if (!host) {
        if (startFailure_.empty() && !startOn) startFailure_ = "no web views: no loop to start the engine on";
        if (!startFailure_.empty()) {
            *error = startFailure_;
            return nullptr;
        }
        try {
            host = &WebKitHost::start(*startOn);
        } catch (const std::exception& e) {
            startFailure_ = std::string("no web views: ") + e.what();
            logMessage("WebViews", 3, startFailure_);
            *error = startFailure_;
            return nullptr;
        }
    }
    auto view = host->createView(width, height);
    if (!view)
        *error = "no web view: " + std::to_string(host->liveViews()) + " are live, the most there may be";
    return view;
}

bool WebKitBackend::running() const {
    return WebKitHost::current() != nullptr;
}

bool WebKitBackend::anyViewLoading() const {
    const WebKitHost* host = WebKitHost::current();
    return host && host->anyViewLoading();
}

std::optional<std::string> WebKitBackend::defaultUserAgent() {
    if (!running()) return std::nullopt;
    // Read once: every view sends the same unless told otherwise.
    static const std::optional<std::string> agent = readUserAgent();
    return agent;
}

bool WebKitBackend::offerToClipboard(const std::string& text) {
    // GTK is started by the engine only; before that (or without a display) there is no desktop
    // clipboard to reach, and GTK must not be touched at all.
    if (!running() || !gdk_display_get_default() || text.size() > static_cast<std::size_t>(INT_MAX))
        return false;
    GtkClipboard* clipboard = gtk_clipboard_get(GDK_SELECTION_CLIPBOARD);
    if (!clipboard) return false;
    // Only takes the selection; pastes are answered later from the main loop. (Handing the text
    // to a clipboard manager so it outlives the game would wait for that manager's answer.)
    gtk_clipboard_set_text(clipboard, text.data(), static_cast<gint>(text.size()));
    return true;
}

}  // namespace platform::web
