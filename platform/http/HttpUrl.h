#pragma once
// The parts of URL handling the HTTP layer needs, on libcurl's URL parser: pulling a URL apart
// and resolving a redirect's Location against the URL it came from.
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>

namespace platform {

struct UrlParts {
    std::string scheme;  // lower case
    std::string host;    // empty when the URL has none
    std::string port;    // as written; empty when none is given
    std::string path;
    std::string query;       // without the "?"; empty when none
    std::string fragment;    // without the "#"
    std::string normalized;  // the whole URL as the parser writes it back
    // The place the host names as the engine reaches it (see hostPlace); empty without a host.
    std::string place;
};

// Any scheme is accepted; nullopt when the text is no URL at all.
std::optional<UrlParts> parseUrl(std::string_view text);

// The places names reach without a name server: each name a hosts file's text gives an address
// (the first address it gives, as the resolver takes it) mapped to that address's place, and the
// machine's own name (gethostname's) to "loopback".
using LocalNames = std::unordered_map<std::string, std::string>;
LocalNames localNames(std::string_view hostsText, std::string_view machineName);

// One spelling for every spelling of the place a host (as the URL parser gives it, an
// international name mapped to ASCII) reaches: an address in its one written form (an IPv4-mapped IPv6
// address as IPv4), "loopback" for this machine's own names and addresses (localhost and its subdomains,
// 127/8, ::1, and the unspecified address, which connects here too), a name `names` holds as its
// place, and any other name lower-cased without its final dot. No name server is asked.
std::string hostPlace(std::string_view host, const LocalNames& names);
// As above with this machine's names: its own and /etc/hosts's, read once on the first call.
std::string hostPlace(std::string_view host);
// Whether a place hostPlace gave is an address (not a name, nor this machine).
bool isAddressPlace(std::string_view place);

// The scheme of a text that starts with one ("itms-apps:", "HTTP:"), lower-cased; nullopt for a
// relative reference.
std::optional<std::string> urlScheme(std::string_view text);

bool isHttpScheme(std::string_view lowerScheme);

// Whether a host name lies under the reserved .invalid domain, whose names never resolve.
bool isReservedInvalidHost(std::string_view host);

// The reference (absolute or relative) resolved against base; nullopt when either is malformed.
std::optional<std::string> resolveUrl(std::string_view base, std::string_view reference);

}  // namespace platform
