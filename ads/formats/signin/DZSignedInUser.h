#pragma once
// The user signed in through the app's sign-in library, as the token cache knows them: the ID
// token's issuer and subject name the user, the client id and refresh token are how a token is
// asked for. Two users are the same user when issuer and user id agree, whatever their refresh
// tokens (a new sign-in brings a new one).
#include <optional>
#include <string>

#include <nlohmann/json.hpp>

inline const std::string kDZEnableSignedInAdsKey = "/rerive/ads/enable_signed_in_ads";

class DZSignedInUser {
  public:
    DZSignedInUser(std::string issuer, std::string userID, std::string applicationID,
                   std::string refreshToken);

    // The signed-in user of the sign-in library, when signed-in ads are switched on, the library
    // has a client id, its current user's ID token reads and a refresh token is set.
    static std::optional<DZSignedInUser> current();
    // The server's switch of signed-in ads (off when absent).
    static bool signedInAdsEnabled();

    const std::string& issuer() const { return issuer_; }
    const std::string& userID() const { return userID_; }
    const std::string& applicationID() const { return applicationID_; }
    const std::string& refreshToken() const { return refreshToken_; }

    bool operator==(const DZSignedInUser& other) const {
        return issuer_ == other.issuer_ && userID_ == other.userID_;
    }
    bool operator<(const DZSignedInUser& other) const {
        return issuer_ != other.issuer_ ? issuer_ < other.issuer_ : userID_ < other.userID_;
    }

    nlohmann::json encoded() const;
    // Nothing unless all four are texts.
    static std::optional<DZSignedInUser> decoded(const nlohmann::json& value);

  private:
    std::string issuer_;
    std::string userID_;
    std::string applicationID_;
    std::string refreshToken_;
};
