#include "platform/foundation/Error.h"

#include <algorithm>

namespace platform {

Error::Error(std::string domain, long code, std::optional<UserInfo> userInfo)
    : domain_(std::move(domain)), code_(code), userInfo_(std::move(userInfo)) {}

const Error::Value* Error::userInfoValue(std::string_view key) const {
    if (!userInfo_) return nullptr;
    for (const auto& [k, v] : *userInfo_) {
        if (k == key) return &v;
    }
    return nullptr;
}

std::optional<std::string> Error::userInfoString(std::string_view key) const {
    const Value* value = userInfoValue(key);
    if (!value) return std::nullopt;
    const auto* json = std::get_if<nlohmann::json>(value);
    if (!json || !json->is_string()) return std::nullopt;
    return json->get<std::string>();
}

ErrorRef Error::underlyingError() const {
    const Value* value = userInfoValue(kUnderlyingErrorKey);
    if (!value) return nullptr;
    const auto* error = std::get_if<ErrorRef>(value);
    return error ? *error : nullptr;
}

std::string Error::localizedDescription() const {
    if (auto text = userInfoString(kLocalizedDescriptionKey)) return *text;
    return "The operation couldn\u2019t be completed. (" + domain_ + " error " + std::to_string(code_) + ".)";
}

void Error::setValue(UserInfo& info, const std::string& key, Value value) {
    auto it = std::find_if(info.begin(), info.end(), [&](const auto& entry) { return entry.first == key; });
    if (it != info.end()) {
        it->second = std::move(value);
    } else {
        info.emplace_back(key, std::move(value));
    }
}

}  // namespace platform
