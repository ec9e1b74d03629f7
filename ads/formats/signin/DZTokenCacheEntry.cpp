#include "ads/formats/signin/DZTokenCacheEntry.h"

#include <cmath>

#include "ads/formats/signin/DZTokenService.h"

namespace {

std::optional<double> finiteNumber(const nlohmann::json& object, const char* key) {
    const auto it = object.find(key);
    if (it == object.end() || !it->is_number()) return std::nullopt;
    const double value = it->get<double>();
    if (!std::isfinite(value)) return std::nullopt;
    return value;
}

}  // namespace

nlohmann::json DZTokenCacheEntry::encoded() const {
    return {{"token", token},
            {"lastAccess", lastAccess},
            {"expiration", expiration},
            {"lifespanInSeconds", lifespanInSeconds}};
}

std::optional<DZTokenCacheEntry> DZTokenCacheEntry::decoded(const nlohmann::json& value) {
    if (!value.is_object()) return std::nullopt;
    const auto token = value.find("token");
    // The kept file is read like an answer: a token it holds goes into request headers too.
    if (token == value.end() || !token->is_string() ||
        !DZTokenService::isUsableToken(token->get_ref<const std::string&>()))
        return std::nullopt;
    const auto lastAccess = finiteNumber(value, "lastAccess");
    const auto expiration = finiteNumber(value, "expiration");
    const auto lifespan = finiteNumber(value, "lifespanInSeconds");
    if (!lastAccess || !expiration || !lifespan) return std::nullopt;
    return DZTokenCacheEntry{token->get<std::string>(), *lastAccess, *expiration, *lifespan};
}
