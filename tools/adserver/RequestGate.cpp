#include "tools/adserver/RequestGate.h"

#include <algorithm>
#include <cctype>

namespace tikoleap::adserver {

namespace {

bool sameText(const std::string& a, const std::string& b) {
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(),
                      [](unsigned char x, unsigned char y) { return std::tolower(x) == std::tolower(y); });
}

bool isOwnHost(const std::string& host, int port) {
    const std::string suffix = ":" + std::to_string(port);
    return host == "127.0.0.1" + suffix || sameText(host, "localhost" + suffix);
}

}  // namespace

bool RequestGate::isOwnOrigin(const std::string& origin, int port) {
    const std::string scheme = "http://";
    return origin.size() > scheme.size() && sameText(origin.substr(0, scheme.size()), scheme) &&
           isOwnHost(origin.substr(scheme.size()), port);
}

std::optional<RequestGate::Refusal> RequestGate::refusal(const httplib::Request& req, int port,
                                                         std::size_t maxReportBytes) {
    // One Host header, naming this server. HTTP/1.0 may go without (a hand-made request does, and
    // no page sends one).
    const bool bareOldRequest = req.version == "HTTP/1.0" && !req.has_header("Host");
    if (!bareOldRequest &&
        (req.get_header_value_count("Host") != 1 || !isOwnHost(req.get_header_value("Host"), port)))
        return Refusal{403, "this server answers 127.0.0.1:" + std::to_string(port) +
                                " and localhost:" + std::to_string(port) + " only"};
    const bool fromPage = req.has_header("Origin");
    if ((req.path == "/_log" || req.path.rfind("/cmd/", 0) == 0) && fromPage)
        return Refusal{403, "not for pages"};
    if (req.method == "POST" && req.path == "/zd/unit" && fromPage &&
        (req.get_header_value_count("Origin") != 1 || !isOwnOrigin(req.get_header_value("Origin"), port)))
        return Refusal{403, "units come from this server's own pages only"};

    if (req.has_header("Transfer-Encoding")) return Refusal{411, "a body must announce its length"};
    if (!req.has_header("Content-Length")) return std::nullopt;
    if (req.has_header("Content-Encoding")) return Refusal{415, "a body must not be encoded"};
    const std::string length = req.get_header_value("Content-Length");
    const std::size_t limit = req.path == "/adpage/badad" ? maxReportBytes : kMaxBodyBytes;
    if (req.get_header_value_count("Content-Length") != 1 || length.empty() || length.size() > 12 ||
        !std::all_of(length.begin(), length.end(), [](unsigned char c) { return std::isdigit(c); }))
        return Refusal{400, "the body's length is no number"};
    if (std::stoull(length) > limit)
        return Refusal{413, "the body passes " + std::to_string(limit) + " bytes"};
    return std::nullopt;
}

}  // namespace tikoleap::adserver
