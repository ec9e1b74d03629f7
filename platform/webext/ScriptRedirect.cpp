#include "platform/webext/ScriptRedirect.h"

#include <webkit2/webkit-web-extension.h>

#include "platform/web/WebExtensionProtocol.h"

namespace webext {

namespace {

std::string lastPathComponent(const char* path) {
    std::string p = path ? path : "";
    const auto slash = p.rfind('/');
    return slash == std::string::npos ? p : p.substr(slash + 1);
}

std::string escaped(const char* text) {
    gchar* e = g_uri_escape_string(text ? text : "", nullptr, FALSE);
    std::string out = e;
    g_free(e);
    return out;
}

}  // namespace

struct ScriptRedirect::Signals {
    static gboolean sendRequest(WebKitWebPage* page, WebKitURIRequest* request, WebKitURIResponse*,
                                gpointer data) {
        auto& self = *static_cast<ScriptRedirect*>(data);
        if (!self.admit(page)) return TRUE;
        const char* uri = webkit_uri_request_get_uri(request);
        GUri* parsed = uri ? g_uri_parse(uri, G_URI_FLAGS_ENCODED, nullptr) : nullptr;
        if (!parsed) return FALSE;
        std::string scheme = g_uri_get_scheme(parsed) ? g_uri_get_scheme(parsed) : "";
        for (char& c : scheme) c = g_ascii_tolower(c);
        const std::string name = lastPathComponent(g_uri_get_path(parsed));
        g_uri_unref(parsed);
        if (scheme != "http" && scheme != "https") return FALSE;
        bool wanted = false;
        for (const auto& n : self.names_) wanted = wanted || n == name;
        if (!wanted) return FALSE;

        SoupMessageHeaders* headers = webkit_uri_request_get_http_headers(request);
        if (!headers) return FALSE;
        const char* referer = soup_message_headers_get_one(headers, "Referer");
        if (!referer || !*referer) referer = webkit_web_page_get_uri(page);
        const std::string target =
            self.scheme_ + "://script?url=" + escaped(uri) + "&referer=" + escaped(referer);
        soup_message_headers_replace(headers, self.secretHeader_.c_str(), self.secret_.c_str());
        webkit_uri_request_set_uri(request, target.c_str());
        return FALSE;
    }
};

ScriptRedirect::ScriptRedirect(std::string scheme, std::string secretHeader, std::string secret,
                               std::vector<std::string> names)
    : scheme_(std::move(scheme)),
      secretHeader_(std::move(secretHeader)),
      secret_(std::move(secret)),
      names_(std::move(names)) {}

bool ScriptRedirect::admit(WebKitWebPage* page) {
    Share& share = shares_[webkit_web_page_get_id(page)];
    const gint64 now = g_get_monotonic_time();
    bool over = false;
    for (Span* span : {&share.burst, &share.sustained}) {
        if (span->count == 0 || now - span->start > span->length) {
            span->start = now;
            span->count = 0;
            share.told = false;
        }
        over = over || span->count >= span->most;
    }
    // Only what goes through counts: a page asking steadily past its share still gets the whole
    // of it in each span, not just what it got before its refusals filled the longer span.
    if (!over) {
        ++share.burst.count;
        ++share.sustained.count;
        return true;
    }
    if (!share.told) {
        share.told = true;
        webkit_web_page_send_message_to_view(
            page, webkit_user_message_new(platform::web::extension::kRequestsRefusedMessage, nullptr),
            nullptr, nullptr, nullptr);
    }
    return false;
}

void ScriptRedirect::watch(WebKitWebPage* page) {
    g_signal_connect(page, "send-request", G_CALLBACK(Signals::sendRequest), this);
}

}  // namespace webext
