#include "platform/web/WebKitHost.h"

#include <gtk/gtk.h>
#include <unistd.h>
#include <webkit2/webkit2.h>

#include <algorithm>
#include <filesystem>
#include <stdexcept>

#include "platform/foundation/Log.h"
#include "platform/runloop/GLibRunLoop.h"
#include "platform/web/WebKitEngine.h"

namespace platform::web {

namespace {

WebKitHost* gHost = nullptr;
constexpr const char* kExtensionFile = "libtikoleap-webext.so";

std::string queryValue(GHashTable* params, const char* key) {
    const auto* value = params ? static_cast<const char*>(g_hash_table_lookup(params, key)) : nullptr;
    return value ? value : "";
}

// Requests the web-process extension redirected here: tikoleap-script://script?url=...&referer=...
void serveScript(WebKitURISchemeRequest* request, gpointer data) {
    auto* host = static_cast<WebKitHost*>(data);
    const char* uri = webkit_uri_scheme_request_get_uri(request);
    GUri* parsed = g_uri_parse(uri, G_URI_FLAGS_ENCODED_QUERY, nullptr);
    const char* query = parsed ? g_uri_get_query(parsed) : nullptr;
    GHashTable* params = query ? g_uri_parse_params(query, -1, "&", G_URI_PARAMS_NONE, nullptr) : nullptr;
    ScriptRequest script{queryValue(params, "url"), queryValue(params, "referer")};
    if (params) g_hash_table_unref(params);
    if (parsed) g_uri_unref(parsed);

    WebKitEngine* engine = host->engineFor(webkit_uri_scheme_request_get_web_view(request));
    std::optional<std::string> body;
    if (engine && !script.url.empty()) body = engine->answerScriptRequest(script);
    if (!body) {
        GError* error =
            g_error_new(G_IO_ERROR, G_IO_ERROR_NOT_FOUND, "no script from memory for %s", script.url.c_str());
        webkit_uri_scheme_request_finish_error(request, error);
        g_error_free(error);
        return;
    }
    GBytes* bytes = g_bytes_new(body->data(), body->size());
    GInputStream* stream = g_memory_input_stream_new_from_bytes(bytes);
    WebKitURISchemeResponse* response =
        webkit_uri_scheme_response_new(stream, static_cast<gint64>(body->size()));
    webkit_uri_scheme_response_set_status(response, 200, "OK");
    webkit_uri_scheme_response_set_content_type(response, "application/javascript");
    SoupMessageHeaders* headers = soup_message_headers_new(SOUP_MESSAGE_HEADERS_RESPONSE);
    soup_message_headers_append(headers, "Access-Control-Allow-Origin", "*");
    webkit_uri_scheme_response_set_http_headers(response, headers);  // takes the headers
    webkit_uri_scheme_request_finish_with_response(request, response);
    g_object_unref(response);
    g_object_unref(stream);
    g_bytes_unref(bytes);
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
        return *gHost;
    }
    if (loop.context() != g_main_context_default())
        throw std::runtime_error("the web engine needs a run loop on GLib's default main context");
    if (!gtk_init_check(nullptr, nullptr)) throw std::runtime_error("the web engine needs an X display");
    // Lives for the rest of the process: GTK cannot be started twice.
    gHost = new WebKitHost(loop, limits);
    return *gHost;
}

WebKitHost* WebKitHost::current() {
    return gHost;
}

WebKitHost::WebKitHost(GLibRunLoop& loop, const WebLimits& limits) : loop_(loop), limits_(limits) {
    WebKitMemoryPressureSettings* memory = webkit_memory_pressure_settings_new();
    webkit_memory_pressure_settings_set_memory_limit(
        memory, static_cast<guint>(std::max(limits.webProcessMemoryLimitMB, 64)));
    // Ephemeral: nothing the pages do is kept on disk.
    WebKitWebsiteDataManager* data = webkit_website_data_manager_new_ephemeral();
    context_ = WEBKIT_WEB_CONTEXT(g_object_new(WEBKIT_TYPE_WEB_CONTEXT, "website-data-manager", data,
                                               "memory-pressure-settings", memory, nullptr));
    g_object_unref(data);
    webkit_memory_pressure_settings_free(memory);
    // The engine's sandbox cannot run as root (CI); pages are kept from local files by the
    // navigation rule and the engine's own file-access settings instead.
    webkit_web_context_set_sandbox_enabled(context_, FALSE);
    webkit_web_context_set_cache_model(context_, WEBKIT_CACHE_MODEL_DOCUMENT_VIEWER);

    extensionDir_ = findExtensionDirectory();
    extensionFound_ = !extensionDir_.empty();
    if (extensionFound_) {
        GVariantBuilder names;
        g_variant_builder_init(&names, G_VARIANT_TYPE("as"));
        for (const auto& name : limits.interceptedScripts) g_variant_builder_add(&names, "s", name.c_str());
        webkit_web_context_set_web_extensions_directory(context_, extensionDir_.c_str());
        webkit_web_context_set_web_extensions_initialization_user_data(
            context_, g_variant_new("(sas)", interceptionScheme(), &names));
    } else {
        logMessage("WebKitHost", 4,
                   std::string("no ") + kExtensionFile + ": scripts cannot be answered from memory");
    }
    webkit_web_context_register_uri_scheme(context_, interceptionScheme(), serveScript, this, nullptr);
    WebKitSecurityManager* security = webkit_web_context_get_security_manager(context_);
    webkit_security_manager_register_uri_scheme_as_secure(security, interceptionScheme());
    webkit_security_manager_register_uri_scheme_as_cors_enabled(security, interceptionScheme());
}

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

WebKitWebView* WebKitHost::processPeer() const {
    return views_.empty() ? nullptr : views_.front()->webView();
}

WebKitEngine* WebKitHost::engineFor(WebKitWebView* view) const {
    auto it =
        std::find_if(views_.begin(), views_.end(), [view](WebKitEngine* e) { return e->webView() == view; });
    return it == views_.end() ? nullptr : *it;
}

}  // namespace platform::web
