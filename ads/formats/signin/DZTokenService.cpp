#include "ads/formats/signin/DZTokenService.h"

#include <cmath>

#include <nlohmann/json.hpp>

#include "ads/core/DZAdServer.h"
#include "ads/formats/signin/DZSignedInUser.h"
#include "ads/foundation/DZStringAdditions.h"
#include "platform/url/Url.h"

bool DZTokenService::isUsableToken(std::string_view token) {
    return !token.empty() && token.size() <= kMaxTokenBytes && !dz_hasControlCharacter(token);
}

std::string DZTokenService::defaultEndpoint() {
    return DZAdServerURL("/oauth2/v3/token");
}

std::string DZTokenService::scopeForEndpoint(const std::string& endpoint) {
    const auto url = platform::Url::parse(endpoint);
    if (!url || url->host().empty()) return "";
    return "https://" + url->host() + "/auth/display_ads";
}

bool DZTokenService::mayCarryRefreshToken(const std::string& endpoint) {
    const auto url = platform::Url::parse(endpoint);
    if (!url) return false;
    if (url->scheme() == "https") return true;
    const std::string host = url->host();
    return url->scheme() == "http" &&
           (host == "127.0.0.1" || host == "localhost" || host == "::1" || host == "[::1]");
}

std::string DZTokenService::formBody(const DZSignedInUser& user, const std::string& scope) {
    // In the order of their keys, compared without case.
    const std::pair<const char*, const std::string*> fields[] = {
        {"client_id", &user.applicationID()},
        {"grant_type", nullptr},
        {"refresh_token", &user.refreshToken()},
        {"scope", &scope},
    };
    std::string body;
    for (const auto& [key, value] : fields) {
        if (!body.empty()) body += '&';
        body += dz_stringByEscapingAsURLParameter(key);
        body += '=';
        body += dz_stringByEscapingAsURLParameter(value ? *value : std::string("refresh_token"));
    }
    return body;
}

std::optional<DZTokenService::Answer> DZTokenService::readAnswer(std::string_view body) {
    if (body.size() > kMaxAnswerBytes) return std::nullopt;
    const auto answer = nlohmann::json::parse(body, nullptr, false);
    if (!answer.is_object()) return std::nullopt;
    const auto token = answer.find("access_token");
    if (token == answer.end() || !token->is_string()) return std::nullopt;
    const auto& text = token->get_ref<const std::string&>();
    if (!isUsableToken(text)) return std::nullopt;
    Answer out{text, std::nullopt};
    if (const auto expires = answer.find("expires_in"); expires != answer.end() && expires->is_number()) {
        const double value = expires->get<double>();
        if (std::isfinite(value)) out.expiresIn = value;
    }
    return out;
}
