#include "tools/adserver/TokenEndpoint.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>

#include "platform/foundation/PercentEncoding.h"

namespace tikoleap::adserver {

namespace {

// A field as sent; one that does not decode is kept as it came.
std::string decoded(const std::string& text) {
    return platform::percentDecode(text, true).value_or(text);
}

bool allDigits(const std::string& text, std::size_t maxLength) {
    return !text.empty() && text.size() <= maxLength &&
           std::all_of(text.begin(), text.end(), [](unsigned char c) { return std::isdigit(c); });
}

std::string field(const nlohmann::json& form, const char* name) {
    const auto it = form.find(name);
    return it != form.end() && it->is_string() ? it->get<std::string>() : std::string();
}

}  // namespace

nlohmann::json TokenEndpoint::form(const std::string& body) {
    nlohmann::json fields = nlohmann::json::object();
    std::size_t start = 0;
    while (start <= body.size() && fields.size() < kMaxFields) {
        const std::size_t end = std::min(body.find('&', start), body.size());
        const std::string pair = body.substr(start, end - start);
        const std::size_t equals = pair.find('=');
        const std::string name = decoded(pair.substr(0, equals));
        const std::string value = equals == std::string::npos ? "" : decoded(pair.substr(equals + 1));
        if (!name.empty() && !fields.contains(name)) fields[name] = value.substr(0, kMaxValueBytes);
        start = end + 1;
    }
    return fields;
}

TokenEndpoint::Answer TokenEndpoint::answer(const nlohmann::json& form, long serial) {
    Answer out;
    const std::string refreshToken = field(form, "refresh_token");
    if (field(form, "client_id").empty() || field(form, "grant_type") != "refresh_token" ||
        refreshToken.empty() || field(form, "scope").empty()) {
        out.body = R"({"error":"invalid_request"})";
        return out;
    }
    nlohmann::json token = {{"access_token", "tikoleap-token-" + std::to_string(serial)},
                            {"expires_in", 3600}};
    const std::string slow = "tikoleap-slow-", error = "tikoleap-error-", expires = "tikoleap-expires-",
                      status = "tikoleap-status-";
    if (refreshToken.rfind(slow, 0) == 0) {
        const std::string ms = refreshToken.substr(slow.size());
        if (!allDigits(ms, 6)) {
            out.body = R"({"error":"invalid_request"})";
            return out;
        }
        out.delayMs = std::min(std::strtol(ms.c_str(), nullptr, 10), kMaxDelayMs);
    } else if (refreshToken.rfind(error, 0) == 0) {
        const std::string status = refreshToken.substr(error.size());
        const long value = allDigits(status, 3) ? std::strtol(status.c_str(), nullptr, 10) : 0;
        out.status = value >= 400 && value <= 599 ? static_cast<int>(value) : 400;
        out.body = R"({"error":"refused"})";
        return out;
    } else if (refreshToken.rfind(status, 0) == 0) {
        // A server that fails but still writes a token into its answer.
        const std::string code = refreshToken.substr(status.size());
        const long value = allDigits(code, 3) ? std::strtol(code.c_str(), nullptr, 10) : 0;
        out.status = value >= 200 && value <= 599 ? static_cast<int>(value) : 400;
        out.body = token.dump();
        return out;
    } else if (refreshToken.rfind(expires, 0) == 0) {
        const std::string value = refreshToken.substr(expires.size());
        const auto number = nlohmann::json::parse(value, nullptr, false);
        token["expires_in"] = number.is_number() ? number : nlohmann::json(value);
    }
    out.status = 200;
    out.body = token.dump();
    return out;
}

}  // namespace tikoleap::adserver
