#pragma once
// One HTTP exchange as the layer sees it: the request to send, the response that came back and
// the ways a transfer can fail.
#include <cstddef>
#include <functional>
#include <string>

#include "platform/http/HttpHeaders.h"

namespace platform {

// A hop once its connection is made: the URL it requests and the address and port the transfer
// is connected to (through a proxy, the proxy's).
struct HttpConnectedHop {
    std::string url;
    std::string address;  // written as "127.0.0.1" or "::1"
    int port = 0;
};

struct HttpRequest {
    std::string url;               // http or https only
    std::string method = "GET";    // "GET" or "POST"
    HttpHeaders headers;           // sent as given; "User-Agent" here wins over userAgent
    std::string body;              // sent with POST only
    std::string userAgent;         // empty: the layer's own (kDefaultUserAgent)
    double timeoutSeconds = 60.0;  // for each hop, connection included
    std::size_t maxBodyBytes = 4u << 20;
    int maxRedirects = 20;
    bool cookies = false;  // take part in the process's cookie jar (kept in memory only)
    // Set: asked of every hop on the engine's thread once its connection is made or a kept one is
    // taken, before anything is sent on it; false ends the load (HttpError::Code::Other) with
    // nothing sent. Every transfer waits while it runs: any wait in it must be short and capped.
    std::function<bool(const HttpConnectedHop& hop)> connectCheck;
};

struct HttpResponse {
    std::string url;  // the URL this response answers (after any redirects before it)
    int status = 0;
    HttpHeaders headers;

    bool isRedirect() const {
        return (status == 301 || status == 302 || status == 303 || status == 307 || status == 308);
    }
};

struct HttpError {
    enum class Code {
        InvalidUrl,         // not a URL at all
        InvalidRequest,     // a method other than GET/POST, or a header with a line break
        UnsupportedScheme,  // a URL, but neither http nor https (also a redirect to one)
        CannotConnect,      // name lookup or connection refused
        TimedOut,
        ConnectionLost,  // dropped or cut short (fewer bytes than announced)
        BodyTooLarge,
        TooManyRedirects,
        BadResponse,  // malformed status line, headers or Location
        Cancelled,
        Other,
    };
    Code code = Code::Other;
    std::string message;
};

const char* httpErrorCodeName(HttpError::Code code);

// What the layer sends when the request names no user agent.
inline constexpr const char* kDefaultUserAgent = "TikoLeap/1.0 (Linux)";

}  // namespace platform
