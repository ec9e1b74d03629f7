#pragma once
// How the ad server's "x-zazo-" response headers fill an ad: pure, so it runs the same for a
// fetch, a cached answer and headers handed over by the SDK core page. What goes beyond the ad
// (stored settings, other layers) is handed back for the fetcher to do.
#include <cstddef>
#include <map>
#include <optional>
#include <string>

#include <nlohmann/json.hpp>

#include "platform/foundation/Error.h"

class DZAd;

struct DZAdHeaderEffects {
    // Why the response type is invalid (type 0); null otherwise.
    platform::ErrorRef responseTypeError;
    // Page-content sampling: on only when the server says the app did not opt out.
    bool contentHashingEnabled = false;
    // "x-zazo-use-https" when present; nothing: store NO only when no value is stored yet.
    std::optional<bool> useHTTPS;
    // The server cleared the sign-in token it was sent.
    bool clearSignedInToken = false;
    std::optional<std::string> zwsQueryID;
};

class DZAdResponseHeaders {
  public:
    // Longer values are taken for no header at all (one log line each).
    static constexpr std::size_t kMaxValueBytes = 128 * 1024;

    // Names lower-cased; on a clash of spellings the later wins.
    static std::map<std::string, std::string> lowerCased(const std::map<std::string, std::string>& headers);

    // 2 mediation (JSON only; other content is type 0 with error code 3), 3 native, 4 custom
    // rendering, else 1. The request's parameters go with the error.
    static unsigned adResponseTypeFromHeaders(const std::map<std::string, std::string>& lowerCasedHeaders,
                                              const nlohmann::json& requestParameters,
                                              platform::ErrorRef* error);

    // Merges the headers into the ad's response headers and applies every one the ad knows.
    static DZAdHeaderEffects apply(DZAd& ad, const std::map<std::string, std::string>& headers,
                                   const nlohmann::json& requestParameters);
};
