#include "platform/url/Url.h"

#include <glib.h>

#include <algorithm>
#include <cctype>

namespace platform {

namespace {

// Bytes a URL never carries raw: controls, space, DEL and anything outside ASCII.
bool hasForbiddenByte(std::string_view text) {
    return std::any_of(text.begin(), text.end(), [](char c) {
        const auto b = static_cast<unsigned char>(c);
        return b <= 0x20 || b >= 0x7F;
    });
}

std::string orEmpty(const char* text) {
    return text != nullptr ? std::string(text) : std::string();
}

}  // namespace

std::optional<Url> Url::parse(std::string_view text, std::string* error) {
    return parse(text, kMaxLength, error);
}

std::optional<Url> Url::parse(std::string_view text, std::size_t maxLength, std::string* error) {
    auto fail = [&](const std::string& why) -> std::optional<Url> {
        if (error) *error = why;
        return std::nullopt;
    };
    if (text.empty()) return fail("empty URL");
    if (text.size() > maxLength) return fail("URL longer than " + std::to_string(maxLength) + " bytes");
    if (hasForbiddenByte(text)) return fail("URL with a control character, a space or a non-ASCII byte");
    const std::string copy(text);
    GError* gerror = nullptr;
    // Encoded: the parts stay as written, so nothing decoded sneaks past the checks above.
    GUri* uri = g_uri_parse(copy.c_str(), G_URI_FLAGS_ENCODED, &gerror);
    if (uri == nullptr) {
        std::string why =
            std::string("malformed URL: ") + (gerror != nullptr ? gerror->message : "unparsable");
        if (gerror != nullptr) g_error_free(gerror);
        return fail(why);
    }
    Url url;
    url.text_ = copy;
    url.scheme_ = orEmpty(g_uri_get_scheme(uri));
    std::transform(url.scheme_.begin(), url.scheme_.end(), url.scheme_.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    url.host_ = orEmpty(g_uri_get_host(uri));
    url.path_ = orEmpty(g_uri_get_path(uri));
    url.query_ = orEmpty(g_uri_get_query(uri));
    if (const int port = g_uri_get_port(uri); port >= 0) url.port_ = std::to_string(port);
    url.fragment_ = orEmpty(g_uri_get_fragment(uri));
    g_uri_unref(uri);
    return url;
}

}  // namespace platform
