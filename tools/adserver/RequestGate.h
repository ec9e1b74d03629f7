#pragma once
// Which requests the local ad server takes at all. It answers its own names only (Host
// 127.0.0.1:PORT or localhost:PORT; HTTP/1.0 may name none), so a page whose name was rebound to
// this machine reaches nothing. Its log (which shows the device's account id) and its commands are for tools,
// not pages: no request that a page sent (one with an Origin) gets them. Measurement units come only from
// pages of its own origin. A body must announce its length, unencoded, within the route's limit,
// and is refused before it is read.
#include <httplib.h>

#include <cstddef>
#include <optional>
#include <string>

namespace tikoleap::adserver {

class RequestGate {
  public:
    // The largest body of any route but the bad-ad report's.
    static constexpr std::size_t kMaxBodyBytes = std::size_t{1} << 20;

    struct Refusal {
        int status;
        std::string reason;
    };

    // Why the server on port refuses the request, or nothing; maxReportBytes bounds the bad-ad
    // report's body.
    static std::optional<Refusal> refusal(const httplib::Request& req, int port, std::size_t maxReportBytes);
    // "http://127.0.0.1:PORT" or "http://localhost:PORT" (any case).
    static bool isOwnOrigin(const std::string& origin, int port);
};

}  // namespace tikoleap::adserver
