#pragma once
// One user's access token in the cache. Dates are wall-clock seconds since 1970 (they outlive
// the process).
#include <optional>
#include <string>

#include <nlohmann/json.hpp>

struct DZTokenCacheEntry {
    std::string token;
    double lastAccess = 0;  // when it was last handed out
    double expiration = 0;
    double lifespanInSeconds = 0;

    nlohmann::json encoded() const;
    // Nothing unless the token is a usable text (DZTokenService::isUsableToken) and the three
    // numbers are finite.
    static std::optional<DZTokenCacheEntry> decoded(const nlohmann::json& value);
};
