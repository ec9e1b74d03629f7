#pragma once
// One HTTP exchange as the layer sees it: the request to send, the response that came back and
// the ways a transfer can fail.
#include <cstddef>
#include <string>

#include "platform/http/HttpHeaders.h"

namespace platform {

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
