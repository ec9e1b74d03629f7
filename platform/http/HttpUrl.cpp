#include "platform/http/HttpUrl.h"

#include <curl/curl.h>

#include <algorithm>
#include <cctype>
#include <memory>

namespace platform {

namespace {

struct UrlDeleter {
    void operator()(CURLU* u) const { curl_url_cleanup(u); }
};
using UrlHandle = std::unique_ptr<CURLU, UrlDeleter>;

std::string part(CURLU* u, CURLUPart which, unsigned flags = 0) {
    char* value = nullptr;
    if (curl_url_get(u, which, &value, flags) != CURLUE_OK || !value) return {};
    std::string out(value);
    curl_free(value);
    return out;
}

bool hasControlOrSpace(std::string_view text) {
    return std::any_of(text.begin(), text.end(), [](char c) {
        auto u = static_cast<unsigned char>(c);
        return u <= 0x20 || u == 0x7f;
    });
}

}  // namespace

std::optional<std::string> urlScheme(std::string_view text) {
    if (text.empty() || !std::isalpha(static_cast<unsigned char>(text[0]))) return std::nullopt;
    for (std::size_t i = 1; i < text.size(); ++i) {
        char c = text[i];
        if (c == ':') {
            std::string scheme(text.substr(0, i));
            std::transform(scheme.begin(), scheme.end(), scheme.begin(),
                           [](unsigned char ch) { return static_cast<char>(std::tolower(ch)); });
            return scheme;
        }
        if (!std::isalnum(static_cast<unsigned char>(c)) && c != '+' && c != '-' && c != '.') break;
    }
    return std::nullopt;
}

bool isHttpScheme(std::string_view lowerScheme) {
    return lowerScheme == "http" || lowerScheme == "https";
}

std::optional<UrlParts> parseUrl(std::string_view text) {
    if (text.empty() || hasControlOrSpace(text)) return std::nullopt;
    UrlHandle u(curl_url());
    if (!u) return std::nullopt;
    std::string owned(text);
    if (curl_url_set(u.get(), CURLUPART_URL, owned.c_str(), CURLU_NON_SUPPORT_SCHEME) != CURLUE_OK) {
        return std::nullopt;
    }
    UrlParts p;
    p.scheme = part(u.get(), CURLUPART_SCHEME);
    std::transform(p.scheme.begin(), p.scheme.end(), p.scheme.begin(),
                   [](unsigned char ch) { return static_cast<char>(std::tolower(ch)); });
    p.host = part(u.get(), CURLUPART_HOST);
    p.port = part(u.get(), CURLUPART_PORT);
    p.path = part(u.get(), CURLUPART_PATH);
    p.query = part(u.get(), CURLUPART_QUERY);
    p.fragment = part(u.get(), CURLUPART_FRAGMENT);
    p.normalized = part(u.get(), CURLUPART_URL);
    if (p.scheme.empty()) return std::nullopt;
    return p;
}

std::optional<std::string> resolveUrl(std::string_view base, std::string_view reference) {
    if (hasControlOrSpace(reference)) return std::nullopt;
    UrlHandle u(curl_url());
    if (!u) return std::nullopt;
    std::string b(base);
    std::string r(reference);
    if (curl_url_set(u.get(), CURLUPART_URL, b.c_str(), CURLU_NON_SUPPORT_SCHEME) != CURLUE_OK)
        return std::nullopt;
    if (curl_url_set(u.get(), CURLUPART_URL, r.c_str(), CURLU_NON_SUPPORT_SCHEME) != CURLUE_OK)
        return std::nullopt;
    std::string out = part(u.get(), CURLUPART_URL);
    if (out.empty()) return std::nullopt;
    return out;
}

bool isReservedInvalidHost(std::string_view name) {
    std::string host(name);
    for (char& c : host) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    if (!host.empty() && host.back() == '.') host.pop_back();
    return host == "invalid" || (host.size() > 8 && host.compare(host.size() - 8, 8, ".invalid") == 0);
}

}  // namespace platform
