#pragma once
// The parts of URL handling the HTTP layer needs, on libcurl's URL parser: pulling a URL apart
// and resolving a redirect's Location against the URL it came from.
#include <optional>
#include <string>
#include <string_view>

namespace platform {

struct UrlParts {
    std::string scheme;  // lower case
    std::string host;    // empty when the URL has none
    std::string port;    // as written; empty when none is given
    std::string path;
    std::string query;       // without the "?"; empty when none
    std::string fragment;    // without the "#"
    std::string normalized;  // the whole URL as the parser writes it back
};

// Any scheme is accepted; nullopt when the text is no URL at all.
std::optional<UrlParts> parseUrl(std::string_view text);

// The scheme of a text that starts with one ("itms-apps:", "HTTP:"), lower-cased; nullopt for a
// relative reference.
std::optional<std::string> urlScheme(std::string_view text);

bool isHttpScheme(std::string_view lowerScheme);

// Whether a host name lies under the reserved .invalid domain, whose names never resolve.
bool isReservedInvalidHost(std::string_view host);

// The reference (absolute or relative) resolved against base; nullopt when either is malformed.
std::optional<std::string> resolveUrl(std::string_view base, std::string_view reference);

}  // namespace platform
