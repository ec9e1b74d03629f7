#include "ads/foundation/DZHeaderParser.h"

#include <cctype>
#include <chrono>
#include <cstdint>
#include <limits>
#include <string>

namespace {

// Reads an integer the way a text scanner does: leading white space skipped, an optional sign,
// then digits. Values beyond 32 bits saturate, so no date arithmetic can overflow.
std::optional<std::int64_t> scanInteger(std::string_view s) {
    std::size_t i = 0;
    while (i < s.size() && std::isspace(static_cast<unsigned char>(s[i]))) ++i;
    bool negative = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) negative = s[i++] == '-';
    const std::size_t digitsStart = i;
    std::int64_t value = 0;
    constexpr std::int64_t kMax = std::numeric_limits<std::int32_t>::max();
    for (; i < s.size() && std::isdigit(static_cast<unsigned char>(s[i])); ++i) {
        value = std::min<std::int64_t>(kMax, value * 10 + (s[i] - '0'));
    }
    if (i == digitsStart) return std::nullopt;
    return negative ? -value : value;
}

}  // namespace

std::optional<platform::SystemTime> dz_dateFromHttpDateString(std::string_view text) {
    return platform::parseHttpDate(text);
}

std::optional<platform::SystemTime> dz_expirationDate(const platform::HttpResponse& response) {
    return dz_expirationDate(response, std::chrono::system_clock::now());
}

std::optional<platform::SystemTime> dz_expirationDate(const platform::HttpResponse& response,
                                                      platform::SystemTime now) {
    const auto& headers = response.headers;
    if (headers.get("Pragma") == "no-cache") return std::nullopt;

    // A Date that none of the forms reads counts as the current time, like a missing one.
    platform::SystemTime base = now;
    if (auto date = headers.get("Date")) base = dz_dateFromHttpDateString(*date).value_or(now);

    if (auto cacheControl = headers.get("Cache-Control")) {
        if (cacheControl->find("no-store") != std::string::npos) return std::nullopt;
        const std::string kMaxAge = "max-age=";
        if (auto at = cacheControl->find(kMaxAge); at != std::string::npos) {
            if (auto seconds = scanInteger(std::string_view(*cacheControl).substr(at + kMaxAge.size()))) {
                if (*seconds < 1) return std::nullopt;
                return base + std::chrono::seconds(*seconds);
            }
        }
    }
    if (auto expiresText = headers.get("Expires")) {
        if (auto expires = dz_dateFromHttpDateString(*expiresText)) {
            const auto span = *expires - base;
            if (span > platform::SystemTime::duration::zero()) return now + span;
            return std::nullopt;
        }
    }
    return std::nullopt;
}
