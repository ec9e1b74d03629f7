// The engine's GObject signal handlers: each turns one WebKit event into the engine's own terms.
#include <algorithm>
#include <charconv>
#include <cstring>

#include "platform/web/WebExtensionProtocol.h"
#include "platform/web/WebKitEngineParts.h"
#include "platform/web/WebKitPageDefaults.h"

namespace platform::web {

namespace {

NavigationType navigationType(WebKitNavigationType type) {
    switch (type) {
        case WEBKIT_NAVIGATION_TYPE_LINK_CLICKED:
            return NavigationType::LinkClicked;
        case WEBKIT_NAVIGATION_TYPE_FORM_SUBMITTED:
            return NavigationType::FormSubmitted;
        case WEBKIT_NAVIGATION_TYPE_BACK_FORWARD:
            return NavigationType::BackForward;
        case WEBKIT_NAVIGATION_TYPE_RELOAD:
            return NavigationType::Reload;
        case WEBKIT_NAVIGATION_TYPE_FORM_RESUBMITTED:
            return NavigationType::FormResubmitted;
        default:
            return NavigationType::Other;
    }
}

// "WxH" with both sides in range, else nothing.
std::optional<ContentSize> parseContentSize(const char* text) {
    if (!text) return std::nullopt;
    const char* end = text + std::strlen(text);
    ContentSize size;
    auto [p, ec] = std::from_chars(text, end, size.width);
    if (ec != std::errc() || p == end || *p != 'x') return std::nullopt;
    auto [q, ec2] = std::from_chars(p + 1, end, size.height);
    if (ec2 != std::errc() || q != end) return std::nullopt;
    if (size.width < 0 || size.height < 0 || size.width > WebEngine::kMaxContentSide ||
        size.height > WebEngine::kMaxContentSide)
        return std::nullopt;
    return size;
}

HeaderList requestHeaders(WebKitURIRequest* request) {
    HeaderList headers;
    SoupMessageHeaders* soup = webkit_uri_request_get_http_headers(request);
    if (!soup) return headers;
    SoupMessageHeadersIter it;
    soup_message_headers_iter_init(&it, soup);
    const char* name = nullptr;
    const char* value = nullptr;
    while (soup_message_headers_iter_next(&it, &name, &value)) headers.emplace_back(name, value);
    return headers;
}

std::string scriptValueText(JSCValue* value) {
    if (!value || jsc_value_is_undefined(value) || jsc_value_is_null(value)) return {};
    if (jsc_value_is_string(value)) {
        // As bytes with their length: a page's string may hold a NUL, which a C string would cut
        // short, so the caller would see a different value than the page sent.
        GBytes* bytes = jsc_value_to_string_as_bytes(value);
        gsize size = 0;
        const auto* data = bytes ? static_cast<const char*>(g_bytes_get_data(bytes, &size)) : nullptr;
        std::string out = data ? std::string(data, size) : std::string();
        if (bytes) g_bytes_unref(bytes);
        return out;
    }
    gchar* text = jsc_value_to_json(value, 0);
    std::string out = text ? text : "";
    g_free(text);
    return out;
}

}  // namespace

gboolean WebKitEngine::Signals::decidePolicy(WebKitWebView*, WebKitPolicyDecision* decision,
                                             WebKitPolicyDecisionType type, gpointer data) {
    auto* self = static_cast<WebKitEngine*>(data);
    if (type == WEBKIT_POLICY_DECISION_TYPE_RESPONSE) {
        self->defaults_->decideResponse(WEBKIT_RESPONSE_POLICY_DECISION(decision));
        return TRUE;
    }
    auto* navigation = WEBKIT_NAVIGATION_POLICY_DECISION(decision);
    WebKitNavigationAction* action = webkit_navigation_policy_decision_get_navigation_action(navigation);
    WebKitURIRequest* request = webkit_navigation_action_get_request(action);
    const char* uri = webkit_uri_request_get_uri(request);
    const std::size_t bytes = uri ? std::strlen(uri) : 0;
    if (!self->countNavigation(bytes)) {
        webkit_policy_decision_ignore(decision);
        return TRUE;
    }
    if (bytes > kMaxNavigationURLBytes) {
        webkit_policy_decision_ignore(decision);
        self->onOversizedNavigation(bytes);
        return TRUE;
    }
    NavigationAction a;
    a.url = uri ? uri : "";
    a.type = navigationType(webkit_navigation_action_get_navigation_type(action));
    a.userGesture = webkit_navigation_action_is_user_gesture(action);
    a.newWindow = type == WEBKIT_POLICY_DECISION_TYPE_NEW_WINDOW_ACTION;
    a.headers = requestHeaders(request);
    // The engine does not say which frame a navigation is for, so each reads as the main
    // frame's; a frame's navigation still shows by starting none of the view's loads.
    // Taken first: the delegate may release the view.
    // The page's autoplay rule goes with each navigation.
    WebKitWebsitePolicies* policies = WebKitPageDefaults::newWebsitePolicies(self->mediaPlayback_);
    if (self->onNavigation(a, a.newWindow, a.url)) {
        webkit_policy_decision_use_with_policies(decision, policies);
    } else {
        webkit_policy_decision_ignore(decision);
    }
    g_object_unref(policies);
    return TRUE;
}

void WebKitEngine::Signals::loadChanged(WebKitWebView*, WebKitLoadEvent event, gpointer data) {
    auto* self = static_cast<WebKitEngine*>(data);
    if (event == WEBKIT_LOAD_STARTED) self->onLoadStarted();
    if (event == WEBKIT_LOAD_FINISHED) self->onLoadFinished();
}

gboolean WebKitEngine::Signals::loadFailed(WebKitWebView*, WebKitLoadEvent, gchar* failingUri, GError* error,
                                           gpointer data) {
    // A video or sound opened as the page: the engine hands it to its own media player, which shows
    // it, and says so as a failure. The load goes on to finish as any other.
    if (error && g_error_matches(error, WEBKIT_PLUGIN_ERROR, WEBKIT_PLUGIN_ERROR_WILL_HANDLE_LOAD))
        return TRUE;
    WebError e;
    e.failingUrl = failingUri ? failingUri : "";
    if (error) {
        e.domain = g_quark_to_string(error->domain);
        e.code = error->code;
        e.message = error->message ? error->message : "";
        if (g_error_matches(error, WEBKIT_NETWORK_ERROR, WEBKIT_NETWORK_ERROR_CANCELLED)) {
            e.domain = "web";
            e.code = WebError::kCancelled;
        }
    }
    static_cast<WebKitEngine*>(data)->onLoadFailed(e);
    return TRUE;
}

gboolean WebKitEngine::Signals::scriptDialog(WebKitWebView*, WebKitScriptDialog* dialog, gpointer data) {
    auto* self = static_cast<WebKitEngine*>(data);
    const WebKitScriptDialogType type = webkit_script_dialog_get_dialog_type(dialog);
    if (type == WEBKIT_SCRIPT_DIALOG_BEFORE_UNLOAD_CONFIRM) {
        // A page may never keep the host from leaving it.
        webkit_script_dialog_confirm_set_confirmed(dialog, TRUE);
        return TRUE;
    }
    ScriptDialog d;
    d.kind = type == WEBKIT_SCRIPT_DIALOG_ALERT     ? DialogKind::Alert
             : type == WEBKIT_SCRIPT_DIALOG_CONFIRM ? DialogKind::Confirm
                                                    : DialogKind::Prompt;
    const char* message = webkit_script_dialog_get_message(dialog);
    d.message = message ? message : "";
    if (d.kind == DialogKind::Prompt) {
        const char* text = webkit_script_dialog_prompt_get_default_text(dialog);
        d.defaultText = text ? text : "";
    }
    bool answered = false;
    const DialogAnswer answer = self->onDialog(d, answered);
    if (d.kind == DialogKind::Confirm)
        webkit_script_dialog_confirm_set_confirmed(dialog, answered && answer.accepted);
    if (d.kind == DialogKind::Prompt && answered && answer.accepted)
        webkit_script_dialog_prompt_set_text(dialog, answer.text.c_str());
    return TRUE;
}

GtkWidget* WebKitEngine::Signals::create(WebKitWebView*, WebKitNavigationAction*, gpointer) {
    return nullptr;
}

void WebKitEngine::Signals::responsive(GObject* view, GParamSpec*, gpointer data) {
    if (!webkit_web_view_get_is_web_process_responsive(WEBKIT_WEB_VIEW(view)))
        static_cast<WebKitEngine*>(data)->onUnresponsive();
}

void WebKitEngine::Signals::uriChanged(GObject* view, GParamSpec*, gpointer data) {
    static_cast<WebKitEngine*>(data)->onURIChanged(webkit_web_view_get_uri(WEBKIT_WEB_VIEW(view)));
}

gboolean WebKitEngine::Signals::userMessage(WebKitWebView*, WebKitUserMessage* message, gpointer data) {
    const char* name = webkit_user_message_get_name(message);
    GVariant* parameters = webkit_user_message_get_parameters(message);
    auto* self = static_cast<WebKitEngine*>(data);
    if (name && std::strcmp(name, extension::kFrameHistoryMessage) == 0) {
        // A frame's address changes cost as navigations do.
        guint32 changes = 0;
        guint64 characters = 0;
        if (parameters && g_variant_is_of_type(parameters, G_VARIANT_TYPE("(ut)")))
            g_variant_get(parameters, "(ut)", &changes, &characters);
        self->countNavigation(static_cast<std::size_t>(std::min<guint64>(characters, 1ull << 40)),
                              static_cast<int>(std::min<guint32>(changes, 1u << 20)));
        return TRUE;
    }
    const char* text = parameters && g_variant_is_of_type(parameters, G_VARIANT_TYPE_STRING)
                           ? g_variant_get_string(parameters, nullptr)
                           : nullptr;
    self->onProcessMessage(name ? name : "", text ? text : "");
    return TRUE;
}

void WebKitEngine::Signals::processTerminated(WebKitWebView*, WebKitWebProcessTerminationReason reason,
                                              gpointer data) {
    static_cast<WebKitEngine*>(data)->onProcessEnded(static_cast<int>(reason));
}

gboolean WebKitEngine::Signals::drawn(GtkWidget*, cairo_t*, gpointer data) {
    static_cast<WebKitEngine*>(data)->onPageDrawn();
    return FALSE;
}

void WebKitEngine::Signals::sizeMessage(WebKitUserContentManager*, WebKitJavascriptResult* result,
                                        gpointer data) {
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    JSCValue* value = webkit_javascript_result_get_js_value(result);
#pragma GCC diagnostic pop
    if (!value || !jsc_value_is_string(value)) return;
    gchar* text = jsc_value_to_string(value);
    const auto size = parseContentSize(text);
    g_free(text);
    if (size) static_cast<WebKitEngine*>(data)->onContentSize(*size);
}

void WebKitEngine::Signals::scriptDone(GObject* source, GAsyncResult* result, gpointer data) {
    auto* holder = static_cast<std::shared_ptr<PendingScript>*>(data);
    std::shared_ptr<PendingScript> pending = std::move(*holder);
    delete holder;
    GError* error = nullptr;
    JSCValue* value = webkit_web_view_evaluate_javascript_finish(WEBKIT_WEB_VIEW(source), result, &error);
    ScriptResult r;
    if (value) {
        r.ok = true;
        r.value = scriptValueText(value);
        g_object_unref(value);
        // The page may answer the host's own calls with as much as it likes: it weighs as its
        // navigations do, and one too heavy stops it.
        if (!pending->alive.expired() && !pending->engine->countNavigation(r.value.size(), 0))
            r = {false, {}, "the page's answer was too large and the page was stopped"};
    } else {
        r.error = error && error->message ? error->message : "script failed";
    }
    if (error) g_error_free(error);
    pending->finish(r);
}

}  // namespace platform::web
