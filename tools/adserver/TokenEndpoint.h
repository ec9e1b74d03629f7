#pragma once
// The sign-in service's token endpoint, POST /oauth2/v3/token: a refresh-token grant (the form
// fields client_id, grant_type "refresh_token", refresh_token and scope) is answered with
// {"access_token": "tikoleap-token-N", "expires_in": 3600}. The refresh token chooses other answers:
//   tikoleap-slow-MS       the same answer after MS milliseconds (at most kMaxDelayMs);
//   tikoleap-error-STATUS  that status (400 to 599) and {"error": "refused"};
//   tikoleap-status-STATUS that status (200 to 599) with the usual answer, token and all;
//   tikoleap-expires-VALUE "expires_in" VALUE (a number when it reads as one, else the text).
// Any other body is refused with 400.
#include <string>

#include <nlohmann/json.hpp>

namespace tikoleap::adserver {

class TokenEndpoint {
  public:
    static constexpr const char* kPath = "/oauth2/v3/token";
    static constexpr long kMaxDelayMs = 120000;
    // What the log keeps of a form: at most kMaxFields fields, each value cut to kMaxValueBytes.
    static constexpr std::size_t kMaxFields = 16;
    static constexpr std::size_t kMaxValueBytes = 512;

    // The fields of an URL-encoded form body, {field: value} (the first of a repeated field).
    static nlohmann::json form(const std::string& body);

    struct Answer {
        long delayMs = 0;
        int status = 400;
        std::string body;
    };
    // The answer to the form; serial numbers the token.
    static Answer answer(const nlohmann::json& form, long serial);
};

}  // namespace tikoleap::adserver
