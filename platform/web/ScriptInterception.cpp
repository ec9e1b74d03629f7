#include "platform/web/ScriptInterception.h"

#include <cstring>

#include <unistd.h>
#include <webkit2/webkit2.h>

#include "platform/runloop/GLibRunLoop.h"
#include "platform/web/WebKitEngine.h"
#include "platform/web/WebKitHost.h"

namespace platform::web {

namespace {

std::string queryValue(GHashTable* params, const char* key) {
    const auto* value = params ? static_cast<const char*>(g_hash_table_lookup(params, key)) : nullptr;
    return value ? value : "";
}

// 128 random bits as hex.
std::string newSecret() {
    guint8 bytes[16];
    if (getentropy(bytes, sizeof bytes) != 0) {
        for (auto& b : bytes) b = static_cast<guint8>(g_random_int());
    }
    std::string hex;
    for (guint8 b : bytes) {
        static constexpr char kDigits[] = "0123456789abcdef";
        hex.push_back(kDigits[b >> 4]);
        hex.push_back(kDigits[b & 15]);
    }
    return hex;
}

bool isHttp(const std::string& url) {
    const std::string scheme = WebEngine::schemeOf(url);
    return scheme == "http" || scheme == "https";
}

void finishWithError(WebKitURISchemeRequest* request, const std::string& why) {
    GError* error = g_error_new_literal(G_IO_ERROR, G_IO_ERROR_NOT_FOUND, why.c_str());
    webkit_uri_scheme_request_finish_error(request, error);
    g_error_free(error);
}

void finishWithStream(WebKitURISchemeRequest* request, GInputStream* stream, gint64 length, int status,
                      const char* contentType) {
    WebKitURISchemeResponse* response = webkit_uri_scheme_response_new(stream, length);
    webkit_uri_scheme_response_set_status(response, static_cast<guint>(status), nullptr);
    if (contentType) webkit_uri_scheme_response_set_content_type(response, contentType);
    // The page asked another origin than this scheme's: let it read what it asked for.
    SoupMessageHeaders* headers = soup_message_headers_new(SOUP_MESSAGE_HEADERS_RESPONSE);
    soup_message_headers_append(headers, "Access-Control-Allow-Origin", "*");
    webkit_uri_scheme_response_set_http_headers(response, headers);  // takes the headers
    webkit_uri_scheme_request_finish_with_response(request, response);
    g_object_unref(response);
}

}  // namespace

// One diverted request until it is answered, refused, or timed out; finished exactly once.
struct ScriptInterception::Pending {
    WebKitURISchemeRequest* request = nullptr;
    ScriptRequest script;
    std::string userAgent;
    GCancellable* cancellable = g_cancellable_new();
    std::shared_ptr<Timer> deadline;
    bool finished = false;

    ~Pending() {
        if (deadline) deadline->invalidate();
        g_object_unref(cancellable);
        g_object_unref(request);
    }
    // True the first time only: the caller then finishes the request.
    bool take() {
        if (finished) return false;
        finished = true;
        if (deadline) deadline->invalidate();
        return true;
    }
};

ScriptInterception::ScriptInterception(WebKitHost& host, WebKitWebContext* context)
    : host_(host), secret_(newSecret()) {
    webkit_web_context_register_uri_scheme(context, scheme(), &ScriptInterception::serve, this, nullptr);
    WebKitSecurityManager* security = webkit_web_context_get_security_manager(context);
    webkit_security_manager_register_uri_scheme_as_secure(security, scheme());
    webkit_security_manager_register_uri_scheme_as_cors_enabled(security, scheme());
}

ScriptInterception::~ScriptInterception() {
    if (session_) g_object_unref(session_);
}

void ScriptInterception::serve(WebKitURISchemeRequest* request, void* self) {
    static_cast<ScriptInterception*>(self)->handle(request);
}

// Requests the extension diverted here: tikoleap-script://script?url=...&referer=...
void ScriptInterception::handle(WebKitURISchemeRequest* request) {
    SoupMessageHeaders* headers = webkit_uri_scheme_request_get_http_headers(request);
    const char* secret = headers ? soup_message_headers_get_one(headers, secretHeader()) : nullptr;
    const bool refused = !secret || secret_ != secret;
    // A page may ask as often as it likes: what it asks is counted against it, whatever the answer.
    // The engine may be gone after counting, so it is looked up again.
    WebKitWebView* view = webkit_uri_scheme_request_get_web_view(request);
    WebKitEngine* counter = host_.engineFor(view);
    const char* uri = webkit_uri_scheme_request_get_uri(request);
    if (counter && !counter->countScriptRequest(refused, uri ? std::strlen(uri) : 0))
        return finishWithError(request, "the page was stopped");
    if (refused) return finishWithError(request, "not a script request of the host");
    GUri* parsed =
        g_uri_parse(webkit_uri_scheme_request_get_uri(request), G_URI_FLAGS_ENCODED_QUERY, nullptr);
    const char* query = parsed ? g_uri_get_query(parsed) : nullptr;
    GHashTable* params = query ? g_uri_parse_params(query, -1, "&", G_URI_PARAMS_NONE, nullptr) : nullptr;
    auto pending = std::make_shared<Pending>();
    pending->request = WEBKIT_URI_SCHEME_REQUEST(g_object_ref(request));
    pending->script = {queryValue(params, "url"), queryValue(params, "referer")};
    if (params) g_hash_table_unref(params);
    if (parsed) g_uri_unref(parsed);
    if (!isHttp(pending->script.url))
        return finishWithError(request, "only http and https scripts are answered");

    WebKitEngine* engine = host_.engineFor(view);
    if (!engine) return finishWithError(request, "the page's view is gone");
    pending->userAgent = engine->userAgent();

    std::weak_ptr<Pending> weak = pending;
    pending->deadline = host_.loop().scheduleOnce(host_.limits().loadTimeoutSeconds, [weak](Timer&) {
        auto p = weak.lock();
        if (!p || !p->take()) return;
        g_cancellable_cancel(p->cancellable);
        finishWithError(p->request, "the script was not answered in time");
    });
    ScriptReply reply([this, pending](const ScriptAnswer& answer) {
        if (pending->finished) return;
        if (answer.kind == ScriptAnswer::Kind::Decline) return loadFromNetwork(pending);
        if (!pending->take()) return;
        if (answer.kind == ScriptAnswer::Kind::Fail)
            return finishWithError(pending->request, "the host has no such script");
        GBytes* bytes = g_bytes_new(answer.body.data(), answer.body.size());
        GInputStream* stream = g_memory_input_stream_new_from_bytes(bytes);
        finishWithStream(pending->request, stream, static_cast<gint64>(answer.body.size()), 200,
                         "application/javascript");
        g_object_unref(stream);
        g_bytes_unref(bytes);
    });
    engine->answerScriptRequest(pending->script, std::move(reply));
}

void ScriptInterception::loadFromNetwork(const std::shared_ptr<Pending>& pending) {
    if (!session_) session_ = soup_session_new();
    SoupMessage* message = soup_message_new(SOUP_METHOD_GET, pending->script.url.c_str());
    if (!message) {
        pending->take();
        return finishWithError(pending->request, "not a valid script address");
    }
    SoupMessageHeaders* headers = soup_message_get_request_headers(message);
    if (!pending->userAgent.empty())
        soup_message_headers_replace(headers, "User-Agent", pending->userAgent.c_str());
    if (isHttp(pending->script.referer))
        soup_message_headers_replace(headers, "Referer", pending->script.referer.c_str());
    struct Load {
        std::shared_ptr<Pending> pending;
        SoupMessage* message;
    };
    soup_session_send_async(
        session_, message, G_PRIORITY_DEFAULT, pending->cancellable,
        [](GObject* session, GAsyncResult* result, gpointer data) {
            std::unique_ptr<Load> load(static_cast<Load*>(data));
            GError* error = nullptr;
            GInputStream* stream = soup_session_send_finish(SOUP_SESSION(session), result, &error);
            Pending& p = *load->pending;
            if (p.take()) {
                if (stream) {
                    SoupMessageHeaders* in = soup_message_get_response_headers(load->message);
                    const gint64 length =
                        soup_message_headers_get_encoding(in) == SOUP_ENCODING_CONTENT_LENGTH
                            ? soup_message_headers_get_content_length(in)
                            : -1;
                    finishWithStream(p.request, stream, length,
                                     static_cast<int>(soup_message_get_status(load->message)),
                                     soup_message_headers_get_content_type(in, nullptr));
                } else {
                    finishWithError(p.request, error ? error->message : "the script did not load");
                }
            }
            if (stream) g_object_unref(stream);
            if (error) g_error_free(error);
            g_object_unref(load->message);
        },
        new Load{pending, message});
}

}  // namespace platform::web
