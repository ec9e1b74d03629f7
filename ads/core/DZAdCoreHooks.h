#pragma once
// Where the request core calls into layers that come later: the signed-in token service, the
// page-content sampling and the swipe layer. Each hook is empty (does nothing, or answers
// nothing) until its layer installs it at start-up, on the main thread, before the first ad.
#include <functional>
#include <optional>
#include <string>

#include <nlohmann/json.hpp>

class DZAd;

class DZAdCoreHooks {
  public:
    // The sign-in token for trusted ad requests; nothing without one.
    inline static std::function<std::optional<std::string>()> signedInAdsToken;
    // The server said the token it was sent is no good ("x-zazo-content-url-opted-out" aside,
    // the only token status there is: "clear").
    inline static std::function<void(const std::string& token)> refreshSignedInAdsToken;
    // Page-content sampling on (the server did not opt the app out) or off.
    inline static std::function<void(bool enabled)> setContentHashingEnabled;
    // The swipe layer makes its configurations from an ad's decoded settings.
    inline static std::function<void(DZAd& ad, const nlohmann::json& settings)>
        makeSwipeToViewControllerConfigurations;
};
