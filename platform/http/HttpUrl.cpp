#include "platform/http/HttpUrl.h"

#include <arpa/inet.h>
#include <curl/curl.h>
#include <glib.h>
#include <netinet/in.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <memory>
#include <sstream>

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

// The name the engine looks up: an international one is mapped to ASCII first (so full-width
// letters and digits, circled digits and ideographic full stops spell the plain name or address).
// libcurl's own conversion is not offered by every version's URL API; GLib's maps the same way.
std::string asciiHost(const std::string& host) {
    if (std::all_of(host.begin(), host.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; }))
        return host;
    char* ascii = g_hostname_to_ascii(host.c_str());
    std::string out = ascii ? ascii : host;
    g_free(ascii);
    return out;
}

// A name as it is compared: lower case, without its final dot.
std::string plainName(std::string_view written) {
    std::string name(written);
    for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (name.size() > 1 && name.back() == '.') name.pop_back();
    return name;
}

// A hosts file is a few lines; one past this is not read further.
constexpr std::size_t kMaxHostsFile = 1 << 20;

std::string readCapped(const char* path, std::size_t cap) {
    std::ifstream file(path, std::ios::binary);
    std::string text(cap, '\0');
    file.read(text.data(), static_cast<std::streamsize>(cap));
    text.resize(static_cast<std::size_t>(std::max<std::streamsize>(file.gcount(), 0)));
    return text;
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
    if (!p.host.empty()) p.place = hostPlace(asciiHost(p.host));
    if (p.scheme.empty()) return std::nullopt;
    return p;
}

LocalNames localNames(std::string_view hostsText, std::string_view machineName) {
    LocalNames names;
    const std::string machine = plainName(machineName);
    if (!machine.empty()) names.emplace(machine, "loopback");
    std::istringstream lines{std::string(hostsText)};
    for (std::string line; std::getline(lines, line);) {
        std::istringstream words(line.substr(0, line.find('#')));
        std::string address;
        if (!(words >> address)) continue;
        in_addr v4{};
        in6_addr v6{};
        std::string place;
        if (inet_pton(AF_INET, address.c_str(), &v4) == 1) {
            place = hostPlace(address, {});
        } else if (inet_pton(AF_INET6, address.c_str(), &v6) == 1) {
            place = hostPlace("[" + address + "]", {});
        } else {
            continue;
        }
        for (std::string name; words >> name;) names.emplace(plainName(name), place);
    }
    return names;
}

std::string hostPlace(std::string_view host) {
    static const LocalNames names = [] {
        char machine[256] = {};
        if (gethostname(machine, sizeof machine - 1) != 0) machine[0] = '\0';
        return localNames(readCapped("/etc/hosts", kMaxHostsFile), machine);
    }();
    return hostPlace(host, names);
}

std::string hostPlace(std::string_view written, const LocalNames& names) {
    const std::string host = plainName(written);
    const auto ipv4 = [](in_addr address) {
        const std::uint32_t value = ntohl(address.s_addr);
        if ((value >> 24) == 127 || value == 0) return std::string("loopback");
        char text[INET_ADDRSTRLEN] = {};
        inet_ntop(AF_INET, &address, text, sizeof text);
        return std::string(text);
    };
    if (host.size() > 2 && host.front() == '[' && host.back() == ']') {
        std::string inner = host.substr(1, host.size() - 2);
        inner = inner.substr(0, inner.find('%'));  // a zone names the interface, not the address
        in6_addr address{};
        if (inet_pton(AF_INET6, inner.c_str(), &address) != 1) return host;
        if (IN6_IS_ADDR_V4MAPPED(&address)) {
            in_addr v4{};
            std::memcpy(&v4.s_addr, address.s6_addr + 12, 4);
            return ipv4(v4);
        }
        if (IN6_IS_ADDR_LOOPBACK(&address) || IN6_IS_ADDR_UNSPECIFIED(&address)) return "loopback";
        char text[INET6_ADDRSTRLEN] = {};
        inet_ntop(AF_INET6, &address, text, sizeof text);
        return "[" + std::string(text) + "]";
    }
    // Every numeric form the resolver takes for an address (127.1, 0x7f.1, 2130706433, octal).
    in_addr v4{};
    if (inet_aton(host.c_str(), &v4) != 0) return ipv4(v4);
    if (host == "localhost" || host.ends_with(".localhost")) return "loopback";
    if (const auto local = names.find(host); local != names.end()) return local->second;
    return host;
}

bool isAddressPlace(std::string_view place) {
    if (place.starts_with('[')) return true;
    in_addr v4{};
    return inet_pton(AF_INET, std::string(place).c_str(), &v4) == 1;
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
