#include "ads/formats/signin/DZIDToken.h"

#include <nlohmann/json.hpp>

#include "ads/foundation/DZ_RTMStringEncoding.h"

std::optional<DZIDToken::Claims> DZIDToken::claims(std::string_view idToken) {
    if (idToken.size() > kMaxBytes) return std::nullopt;
    const auto first = idToken.find('.');
    if (first == std::string_view::npos) return std::nullopt;
    const auto second = idToken.find('.', first + 1);
    if (second == std::string_view::npos || idToken.find('.', second + 1) != std::string_view::npos)
        return std::nullopt;
    static const auto encoding = DZ_RTMStringEncoding::rfc4648Base64WebsafeStringEncoding();
    const auto payload = encoding->stringByDecoding(idToken.substr(first + 1, second - first - 1));
    if (!payload) return std::nullopt;
    const auto claims = nlohmann::json::parse(*payload, nullptr, false);
    if (!claims.is_object()) return std::nullopt;
    const auto issuer = claims.find("iss");
    const auto userID = claims.find("sub");
    if (issuer == claims.end() || !issuer->is_string() || userID == claims.end() || !userID->is_string())
        return std::nullopt;
    return Claims{issuer->get<std::string>(), userID->get<std::string>()};
}
