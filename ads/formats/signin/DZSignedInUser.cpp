#include "ads/formats/signin/DZSignedInUser.h"

#include "ads/core/DZValues.h"
#include "ads/formats/signin/DZIDToken.h"
#include "ads/formats/signin/DZSignInLibrary.h"
#include "platform/defaults/UserDefaults.h"

namespace {

std::optional<std::string> text(const nlohmann::json& object, const char* key) {
    const auto it = object.find(key);
    if (it == object.end() || !it->is_string()) return std::nullopt;
    return it->get_ref<const std::string&>();
}

}  // namespace

bool DZSignedInUser::signedInAdsEnabled() {
    auto defaults = platform::UserDefaults::standard();
    // The server's constants arrive as text ("1"); a switch set in code is a boolean.
    if (auto value = defaults->stringForKey(kDZEnableSignedInAdsKey)) return dz_boolValue(*value);
    return defaults->boolForKey(kDZEnableSignedInAdsKey).value_or(false);
}

DZSignedInUser::DZSignedInUser(std::string issuer, std::string userID, std::string applicationID,
                               std::string refreshToken)
    : issuer_(std::move(issuer)),
      userID_(std::move(userID)),
      applicationID_(std::move(applicationID)),
      refreshToken_(std::move(refreshToken)) {}

std::optional<DZSignedInUser> DZSignedInUser::current() {
    if (!signedInAdsEnabled()) return std::nullopt;
    const auto signIn = DZSignInLibrary::signInObject();
    if (!signIn) return std::nullopt;
    auto clientID = signIn->clientID();
    if (!clientID || clientID->empty()) return std::nullopt;
    const auto user = signIn->currentUser();
    const auto authentication = user ? user->authentication() : nullptr;
    if (!authentication) return std::nullopt;
    const auto idToken = authentication->idToken();
    auto claims = idToken ? DZIDToken::claims(*idToken) : std::nullopt;
    if (!claims) return std::nullopt;
    auto refreshToken = authentication->refreshToken();
    if (!refreshToken || refreshToken->empty()) return std::nullopt;
    return DZSignedInUser(std::move(claims->issuer), std::move(claims->userID), std::move(*clientID),
                          std::move(*refreshToken));
}

nlohmann::json DZSignedInUser::encoded() const {
    return {{"issuer", issuer_},
            {"userID", userID_},
            {"applicationID", applicationID_},
            {"refreshToken", refreshToken_}};
}

std::optional<DZSignedInUser> DZSignedInUser::decoded(const nlohmann::json& value) {
    if (!value.is_object()) return std::nullopt;
    auto issuer = text(value, "issuer");
    auto userID = text(value, "userID");
    auto applicationID = text(value, "applicationID");
    auto refreshToken = text(value, "refreshToken");
    if (!issuer || !userID || !applicationID || !refreshToken) return std::nullopt;
    return DZSignedInUser(std::move(*issuer), std::move(*userID), std::move(*applicationID),
                          std::move(*refreshToken));
}
