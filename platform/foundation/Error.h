#pragma once
// Stands in for the platform's error object: a domain, a code and an optional user-information
// dictionary. Entries keep their order of insertion (a later entry under the same key replaces
// the earlier one in place); values are JSON values or another error (the underlying error).
// Errors are immutable once made and may be shared between threads.
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

#include <nlohmann/json.hpp>

namespace platform {

class Error;
using ErrorRef = std::shared_ptr<const Error>;

class Error {
  public:
    using Value = std::variant<nlohmann::json, ErrorRef>;
    using UserInfo = std::vector<std::pair<std::string, Value>>;

    inline static const std::string kLocalizedDescriptionKey = "NSLocalizedDescription";
    inline static const std::string kLocalizedFailureReasonErrorKey = "NSLocalizedFailureReason";
    inline static const std::string kUnderlyingErrorKey = "NSUnderlyingError";

    // No user information at all when userInfo is nothing (an empty one is kept as empty).
    Error(std::string domain, long code, std::optional<UserInfo> userInfo = std::nullopt);
    virtual ~Error() = default;

    const std::string& domain() const { return domain_; }
    long code() const { return code_; }
    const std::optional<UserInfo>& userInfo() const { return userInfo_; }

    const Value* userInfoValue(std::string_view key) const;
    // The entry when it is text.
    std::optional<std::string> userInfoString(std::string_view key) const;
    // The entry under kUnderlyingErrorKey when it is an error.
    ErrorRef underlyingError() const;
    // The description entry, or "The operation couldn’t be completed. (<domain> error <code>.)".
    std::string localizedDescription() const;

    // Sets key in info: replaces an entry of that key in place, else appends.
    static void setValue(UserInfo& info, const std::string& key, Value value);

  private:
    std::string domain_;
    long code_;
    std::optional<UserInfo> userInfo_;
};

}  // namespace platform
