#pragma once
// What the component reads of the sign-in library's ID token (a JSON Web Token): the issuer and
// subject claims of its payload. The token is untrusted text; its signature is not checked, as
// the token names the user only for the cache.
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

class DZIDToken {
  public:
    // Longer ID tokens are not read.
    static constexpr std::size_t kMaxBytes = 16 * 1024;

    struct Claims {
        std::string issuer;  // "iss"
        std::string userID;  // "sub"
    };
    // Three parts split at ".", the middle one URL-safe base64 of a JSON object whose "iss" and
    // "sub" are texts; nothing for anything else.
    static std::optional<Claims> claims(std::string_view idToken);
};
