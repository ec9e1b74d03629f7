// Loaded by the engine into each web process. Requests for the scripts the host may answer
// (by last path component, http and https only) are sent to the host's own scheme instead,
// carrying the original address, the page that asked, and the host's secret in a header the
// pages never see (so that a page asking the scheme itself is refused); everything else passes.
#include <webkit2/webkit-web-extension.h>

#include <string>
#include <vector>

namespace {

std::string gScheme;
std::string gSecretHeader;
std::string gSecret;
std::vector<std::string> gNames;

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

gboolean onSendRequest(WebKitWebPage* page, WebKitURIRequest* request, WebKitURIResponse*, gpointer) {
    const char* uri = webkit_uri_request_get_uri(request);
    GUri* parsed = uri ? g_uri_parse(uri, G_URI_FLAGS_ENCODED, nullptr) : nullptr;
    if (!parsed) return FALSE;
    std::string scheme = g_uri_get_scheme(parsed) ? g_uri_get_scheme(parsed) : "";
    for (char& c : scheme) c = g_ascii_tolower(c);
    const std::string name = lastPathComponent(g_uri_get_path(parsed));
    g_uri_unref(parsed);
    if (scheme != "http" && scheme != "https") return FALSE;
    bool wanted = false;
    for (const auto& n : gNames) wanted = wanted || n == name;
    if (!wanted) return FALSE;

    SoupMessageHeaders* headers = webkit_uri_request_get_http_headers(request);
    if (!headers) return FALSE;
    const char* referer = soup_message_headers_get_one(headers, "Referer");
    if (!referer || !*referer) referer = webkit_web_page_get_uri(page);
    const std::string target = gScheme + "://script?url=" + escaped(uri) + "&referer=" + escaped(referer);
    soup_message_headers_replace(headers, gSecretHeader.c_str(), gSecret.c_str());
    webkit_uri_request_set_uri(request, target.c_str());
    return FALSE;
}

void onPageCreated(WebKitWebExtension*, WebKitWebPage* page, gpointer) {
    g_signal_connect(page, "send-request", G_CALLBACK(onSendRequest), nullptr);
}

}  // namespace

extern "C" G_MODULE_EXPORT void webkit_web_extension_initialize_with_user_data(WebKitWebExtension* extension,
                                                                               const GVariant* data) {
    const gchar* scheme = nullptr;
    const gchar* header = nullptr;
    const gchar* secret = nullptr;
    GVariantIter* names = nullptr;
    if (!data || !g_variant_is_of_type(const_cast<GVariant*>(data), G_VARIANT_TYPE("(sssas)"))) return;
    g_variant_get(const_cast<GVariant*>(data), "(&s&s&sas)", &scheme, &header, &secret, &names);
    gScheme = scheme;
    gSecretHeader = header;
    gSecret = secret;
    const gchar* name = nullptr;
    while (g_variant_iter_next(names, "&s", &name)) gNames.emplace_back(name);
    g_variant_iter_free(names);
    g_signal_connect(extension, "page-created", G_CALLBACK(onPageCreated), nullptr);
}
