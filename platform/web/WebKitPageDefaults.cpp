#include "platform/web/WebKitPageDefaults.h"

#include <gtk/gtk.h>
#include <webkit2/webkit2.h>

#include <algorithm>
#include <cstdlib>

#include "platform/foundation/Log.h"
#include "platform/web/WebKitHost.h"

namespace platform::web {

namespace {

// Where a view keeps its defaults, for the context's downloads, which name only their view.
constexpr const char* kViewKey = "tikoleap-page-defaults";

// The engine's setting for hyperlink auditing does nothing any more: a clicked link's `ping` is
// taken off before any listener of the page runs (the window's first capturing listener), and
// again once every listener has run (the last one added to the window, as the event reaches
// it), so the click itself goes on and no post is made. In all frames, in our world.
constexpr const char* kNoPingsScript = R"JS((function () {
  function strip(e) {
    e.composedPath().forEach(function (n) {
      if (n.localName === 'a' || n.localName === 'area') n.removeAttribute('ping');
    });
  }
  addEventListener('click', function (e) {
    strip(e);
    addEventListener('click', function () { strip(e); }, {once: true});
  }, true);
})();)JS";

// As the engine reads the header (its own libsoup parser): the disposition before any
// parameter, whatever its case.
bool isAttachment(WebKitURIResponse* response) {
    SoupMessageHeaders* headers = response ? webkit_uri_response_get_http_headers(response) : nullptr;
    char* disposition = nullptr;
    if (!headers || !soup_message_headers_get_content_disposition(headers, &disposition, nullptr))
        return false;
    const bool attachment = disposition && g_ascii_strcasecmp(disposition, "attachment") == 0;
    g_free(disposition);
    return attachment;
}

}  // namespace

// GObject signal handlers; `data` is the view's defaults, disconnected before they go. None calls
// anything that may release a view.
struct WebKitPageDefaults::Signals {
    static void downloadStarted(WebKitWebContext*, WebKitDownload* download, gpointer) {
        // Whatever started it (an attachment that slipped past the response's decision, `<a
        // download>`, a blob's): it ends here, before a destination is ever chosen.
        g_signal_connect(download, "decide-destination", G_CALLBACK(decideDestination), nullptr);
        webkit_download_cancel(download);
        WebKitWebView* view = webkit_download_get_web_view(download);
        auto* self =
            view ? static_cast<WebKitPageDefaults*>(g_object_get_data(G_OBJECT(view), kViewKey)) : nullptr;
        if (self) self->refused(Refusal::Download, "a download");
    }
    static gboolean decideDestination(WebKitDownload* download, gchar*, gpointer) {
        webkit_download_cancel(download);
        return TRUE;
    }
    static gboolean print(WebKitWebView*, WebKitPrintOperation*, gpointer data) {
        static_cast<WebKitPageDefaults*>(data)->refused(Refusal::Print, "printing");
        return TRUE;
    }
    static gboolean authenticate(WebKitWebView*, WebKitAuthenticationRequest* request, gpointer data) {
        // Goes on without credentials: the page gets the server's refusal, as after a cancelled
        // prompt.
        webkit_authentication_request_authenticate(request, nullptr);
        static_cast<WebKitPageDefaults*>(data)->refused(Refusal::Authentication, "a password prompt");
        return TRUE;
    }
    static gboolean fileChooser(WebKitWebView*, WebKitFileChooserRequest* request, gpointer data) {
        webkit_file_chooser_request_cancel(request);
        static_cast<WebKitPageDefaults*>(data)->refused(Refusal::FileChooser, "a file chooser");
        return TRUE;
    }
    static gboolean colorChooser(WebKitWebView*, WebKitColorChooserRequest* request, gpointer data) {
        webkit_color_chooser_request_cancel(request);
        static_cast<WebKitPageDefaults*>(data)->refused(Refusal::ColorChooser, "a colour chooser");
        return TRUE;
    }
    static gboolean contextMenu(WebKitWebView*, WebKitContextMenu*, GdkEvent*, WebKitHitTestResult*,
                                gpointer data) {
        static_cast<WebKitPageDefaults*>(data)->refused(Refusal::ContextMenu, "a context menu");
        return TRUE;
    }
    static gboolean optionMenu(WebKitWebView*, WebKitOptionMenu* menu, GdkEvent*, GdkRectangle*,
                               gpointer data) {
        // Closed at once, so that the page sees its menu end.
        webkit_option_menu_close(menu);
        static_cast<WebKitPageDefaults*>(data)->refused(Refusal::OptionMenu, "an option menu");
        return TRUE;
    }
    static gboolean permission(WebKitWebView*, WebKitPermissionRequest* request, gpointer data) {
        // The engine's own default denies all but the pointer lock, which it grants.
        webkit_permission_request_deny(request);
        static_cast<WebKitPageDefaults*>(data)->refused(Refusal::Permission, "a permission");
        return TRUE;
    }
    static gboolean permissionState(WebKitWebView*, WebKitPermissionStateQuery* query, gpointer) {
        // What a request would get.
        webkit_permission_state_query_finish(query, WEBKIT_PERMISSION_STATE_DENIED);
        return TRUE;
    }
    static gboolean notification(WebKitWebView*, WebKitNotification*, gpointer data) {
        static_cast<WebKitPageDefaults*>(data)->refused(Refusal::Notification, "a desktop notification");
        return TRUE;
    }
    // The widget's own answer would show the page's `title=` in a tooltip window on the desktop.
    static gboolean tooltip(GtkWidget* widget, gint, gint, gboolean, GtkTooltip*, gpointer) {
        g_signal_stop_emission_by_name(widget, "query-tooltip");
        return FALSE;
    }
};

WebKitSettings* WebKitPageDefaults::newSettings() {
    WebKitSettings* settings = webkit_settings_new();
    // Full screen would take the player's screen. (Hyperlink auditing is not set: its setting
    // does nothing but warn; see kNoPingsScript.)
    g_object_set(settings, "enable-javascript", TRUE, "javascript-can-open-windows-automatically", FALSE,
                 "allow-file-access-from-file-urls", FALSE, "allow-universal-access-from-file-urls", FALSE,
                 "enable-developer-extras", FALSE, "enable-write-console-messages-to-stdout", FALSE,
                 "enable-page-cache", FALSE, "enable-back-forward-navigation-gestures", FALSE,
                 "enable-fullscreen", FALSE, nullptr);
    return settings;
}

WebKitWebsiteDataManager* WebKitPageDefaults::newDataManager() {
    return webkit_website_data_manager_new_ephemeral();
}

void WebKitPageDefaults::prepareEnvironment() {
    // Nothing here talks to an accessibility bus; without these every web process warns, the
    // first for this process's toolkit, the second (empty: no bus) for the engine's web processes.
    g_setenv("NO_AT_BRIDGE", "1", FALSE);
    g_setenv("WEBKIT_A11Y_BUS_ADDRESS", "", FALSE);
    // The graphics driver would keep the shaders of every page (a page's WebGL makes as many as
    // it likes) in the player's cache folder, up to a GiB. Both names: parts of the driver still
    // read the older one alone.
    g_setenv("MESA_SHADER_CACHE_DISABLE", "true", FALSE);
    g_setenv("MESA_GLSL_CACHE_DISABLE", "true", FALSE);
}

void WebKitPageDefaults::guardContext(WebKitWebContext* context) {
    g_signal_connect(context, "download-started", G_CALLBACK(Signals::downloadStarted), nullptr);
}

WebKitWebContext* WebKitPageDefaults::newContext(const WebLimits& limits, bool& sandboxed) {
    // The engine measures each web process every poll interval: past the limit it frees what it
    // can, and a process still above the kill threshold (the limit itself) is ended.
    WebKitMemoryPressureSettings* memory = webkit_memory_pressure_settings_new();
    webkit_memory_pressure_settings_set_memory_limit(
        memory, static_cast<guint>(std::max(limits.webProcessMemoryLimitMB, 64)));
    // Each threshold is checked against the others already set: the highest goes first.
    webkit_memory_pressure_settings_set_kill_threshold(memory, 1.0);
    webkit_memory_pressure_settings_set_strict_threshold(memory, 0.75);
    webkit_memory_pressure_settings_set_conservative_threshold(memory, 0.5);
    webkit_memory_pressure_settings_set_poll_interval(memory, std::max(limits.memoryPollSeconds, 0.05));
    WebKitWebsiteDataManager* data = newDataManager();
    auto* context = WEBKIT_WEB_CONTEXT(g_object_new(WEBKIT_TYPE_WEB_CONTEXT, "website-data-manager", data,
                                                    "memory-pressure-settings", memory, nullptr));
    g_object_unref(data);
    webkit_memory_pressure_settings_free(memory);
    guardContext(context);
    const char* sandbox = std::getenv("TIKOLEAP_WEB_SANDBOX");
    sandboxed = !(sandbox && std::string(sandbox) == "0") && sandboxCanRun();
    webkit_web_context_set_sandbox_enabled(context, sandboxed);
    if (!sandboxed) logMessage("WebKitHost", 3, "web processes run without the engine's sandbox");
    webkit_web_context_set_cache_model(context, WEBKIT_CACHE_MODEL_DOCUMENT_VIEWER);
    return context;
}

bool WebKitPageDefaults::sandboxCanRun() {
    // The namespaces the engine's launcher asks bubblewrap for.
    const char* argv[] = {
        "bwrap",         "--ro-bind",     "/",         "/",    "--unshare-pid", "--unshare-ipc",
        "--unshare-uts", "--unshare-net", "/bin/true", nullptr};
    gint status = -1;
    const gboolean ran =
        g_spawn_sync(nullptr, const_cast<gchar**>(argv), nullptr,
                     static_cast<GSpawnFlags>(G_SPAWN_SEARCH_PATH | G_SPAWN_STDOUT_TO_DEV_NULL |
                                              G_SPAWN_STDERR_TO_DEV_NULL),
                     nullptr, nullptr, nullptr, nullptr, &status, nullptr);
    return ran && g_spawn_check_wait_status(status, nullptr);
}

void WebKitPageDefaults::setAutoplay(WebKitWebView* view, MediaPlayback policy) {
    webkit_settings_set_media_playback_requires_user_gesture(webkit_web_view_get_settings(view),
                                                             policy == MediaPlayback::RequiresUserGesture);
}

WebKitWebsitePolicies* WebKitPageDefaults::newWebsitePolicies(MediaPlayback policy) {
    // "Deny" still lets the user's click or key start media; without a rule the engine refuses
    // sound a page starts by itself, whatever the view's setting says.
    return webkit_website_policies_new_with_policies(
        "autoplay", policy == MediaPlayback::Automatic ? WEBKIT_AUTOPLAY_ALLOW : WEBKIT_AUTOPLAY_DENY,
        nullptr);
}

std::string WebKitPageDefaults::userAgent(WebKitWebView* view) {
    const char* ua = webkit_settings_get_user_agent(webkit_web_view_get_settings(view));
    return ua ? ua : "";
}

void WebKitPageDefaults::setUserAgent(WebKitWebView* view, const std::string& userAgent) {
    webkit_settings_set_user_agent(webkit_web_view_get_settings(view),
                                   userAgent.empty() ? nullptr : userAgent.c_str());
}

WebKitPageDefaults::WebKitPageDefaults(WebKitWebView* view, const char* world) : view_(view) {
    WebKitUserScript* noPings = webkit_user_script_new_for_world(
        kNoPingsScript, WEBKIT_USER_CONTENT_INJECT_ALL_FRAMES, WEBKIT_USER_SCRIPT_INJECT_AT_DOCUMENT_START,
        world, nullptr, nullptr);
    webkit_user_content_manager_add_script(webkit_web_view_get_user_content_manager(view_), noPings);
    webkit_user_script_unref(noPings);
    g_object_set_data(G_OBJECT(view_), kViewKey, this);
    g_signal_connect(view_, "print", G_CALLBACK(Signals::print), this);
    g_signal_connect(view_, "authenticate", G_CALLBACK(Signals::authenticate), this);
    g_signal_connect(view_, "run-file-chooser", G_CALLBACK(Signals::fileChooser), this);
    g_signal_connect(view_, "run-color-chooser", G_CALLBACK(Signals::colorChooser), this);
    g_signal_connect(view_, "context-menu", G_CALLBACK(Signals::contextMenu), this);
    g_signal_connect(view_, "show-option-menu", G_CALLBACK(Signals::optionMenu), this);
    g_signal_connect(view_, "permission-request", G_CALLBACK(Signals::permission), this);
    g_signal_connect(view_, "query-permission-state", G_CALLBACK(Signals::permissionState), this);
    g_signal_connect(view_, "show-notification", G_CALLBACK(Signals::notification), this);
    g_signal_connect(view_, "query-tooltip", G_CALLBACK(Signals::tooltip), this);
}

WebKitPageDefaults::~WebKitPageDefaults() {
    g_signal_handlers_disconnect_by_data(view_, this);
    g_object_set_data(G_OBJECT(view_), kViewKey, nullptr);
}

void WebKitPageDefaults::decideResponse(WebKitResponsePolicyDecision* decision) {
    auto* policy = WEBKIT_POLICY_DECISION(decision);
    if (isAttachment(webkit_response_policy_decision_get_response(decision))) {
        webkit_policy_decision_ignore(policy);
        refused(Refusal::Download, "a download");
    } else if (webkit_response_policy_decision_is_mime_type_supported(decision)) {
        webkit_policy_decision_use(policy);
    } else {
        // A type the view cannot show: dropped, as the engine would.
        webkit_policy_decision_ignore(policy);
    }
}

void WebKitPageDefaults::refused(Refusal what, const char* text) {
    const auto bit = static_cast<std::size_t>(what);
    if (told_.test(bit)) return;
    told_.set(bit);
    const char* uri = webkit_web_view_get_uri(view_);
    logMessage("WebKitPageDefaults", 3,
               std::string("refused ") + text + " for " + (uri ? uri : "") + " (said once a page)");
}

}  // namespace platform::web
