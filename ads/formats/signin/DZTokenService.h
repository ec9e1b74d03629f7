#pragma once
// The sign-in service's token endpoint as the dispenser speaks to it: the refresh-token grant's
// form and the reading of its answer. Answers are untrusted: anything but a JSON object with an
// "access_token" text that is a usable token is no token.
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

class DZSignedInUser;

class DZTokenService {
  public:
    // Answers longer than this are not read (the load is cut there).
    static constexpr std::size_t kMaxAnswerBytes = 64 * 1024;
    static constexpr std::size_t kMaxTokenBytes = 8 * 1024;

    // Not empty, at most kMaxTokenBytes, and no control character: a token goes into a request
    // header, where a line break would start a header of the server's choosing.
    static bool isUsableToken(std::string_view token);

    // The token endpoint on the ad server's host.
    static std::string defaultEndpoint();
    // "https://<the endpoint's host>/auth/display_ads"; "" for an endpoint that is no URL.
    static std::string scopeForEndpoint(const std::string& endpoint);
    // Whether a refresh token may go there: https, or http to a loopback host.
    static bool mayCarryRefreshToken(const std::string& endpoint);
    // client_id, grant_type, refresh_token, scope: each key=value percent-escaped, joined by "&".
    static std::string formBody(const DZSignedInUser& user, const std::string& scope);

    struct Answer {
        std::string accessToken;
        // "expires_in" when it is a finite number (text is not read as one).
        std::optional<double> expiresIn;
    };
    static std::optional<Answer> readAnswer(std::string_view body);
};
