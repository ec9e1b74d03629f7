#include "ads/foundation/DZRequestError.h"

#include <array>
#include <cstdio>

#include "platform/foundation/HttpStatusText.h"
#include "platform/foundation/SystemVersion.h"

namespace {

constexpr long kMinimumOSMajor = 6;
constexpr long kMinimumOSMinor = 0;

const std::array<const char*, 14> kMessages = {
    "Request Error: Invalid ad request parameter(s). Check the console for details.",
    "Request Error: No ad to show.",
    "Request Error: A network error occurred.",
    "Request Error: Server error processing the request.",
    nullptr,  // code 4 is formatted with the system version
    "Request Error: The Rerive Ad request was unable to be fulfilled before a timeout occurred.",
    "Request Error: Will not send request because interstitial object has been used.",
    "Request Error: The mediation response was invalid.",
    "Request Error: Cannot find an ad network adapter for mediation.",
    "Request Error: No ad to show from all configured ad networks.",
    "Request Error: Incompatible ad type requested.",
    "Request Error: Internal error.",
    "Request Error: Invalid argument.",
    "Request Error: Received invalid response.",
};

// Formatted at each use from the system version the device facts also report, so the text
// never depends on whether those facts were read yet.
std::string osVersionTooLowMessage() {
    const std::string version(platform::kSystemVersion);
    char text[160];
    std::snprintf(text, sizeof text,
                  "Request Error: This device's OS is %s. It is below the minimum of %ld.%ld.",
                  version.c_str(), kMinimumOSMajor, kMinimumOSMinor);
    return text;
}

}  // namespace

std::string DZRequestError::messageForCode(int32_t code) {
    if (code == kDZErrorOSVersionTooLow) {
        const std::string text = osVersionTooLowMessage();
        if (!text.empty()) return text;
    }
    if (code < 0 || code >= static_cast<int32_t>(kMessages.size()) || !kMessages[code]) return kMessages[0];
    return kMessages[code];
}

DZRequestError::Ref DZRequestError::initWithCode(int32_t code, const nlohmann::json& requestParameters,
                                                 long httpStatusCode,
                                                 const std::optional<std::string>& customMessage,
                                                 platform::ErrorRef underlyingError) {
    const std::string message = customMessage ? *customMessage : messageForCode(code);
    platform::Error::UserInfo info;
    setValue(info, kLocalizedDescriptionKey, nlohmann::json(message));
    setValue(info, kLocalizedFailureReasonErrorKey, nlohmann::json(message));
    if (underlyingError) setValue(info, kUnderlyingErrorKey, underlyingError);
    if (code == kDZErrorInvalidRequest && requestParameters.is_object()) {
        for (const auto& [key, value] : requestParameters.items()) setValue(info, key, value);
    }
    if (httpStatusCode >= 1) {
        setValue(info, kHttpStatusKey,
                 nlohmann::json("HTTP status " + std::to_string(httpStatusCode) + ": " +
                                platform::localizedStringForStatusCode(httpStatusCode)));
    }
    return Ref(new DZRequestError(code, std::move(info)));
}

DZRequestError::Ref DZRequestError::errorWithCodeRequestHTTPStatusCodeCustomMessageUnderlyingError(
    int32_t code, const nlohmann::json& requestParameters, long httpStatusCode,
    const std::optional<std::string>& customMessage, platform::ErrorRef underlyingError) {
    return initWithCode(code, requestParameters, httpStatusCode, customMessage, std::move(underlyingError));
}

DZRequestError::Ref DZRequestError::errorWithCodeRequestHTTPStatusCodeCustomMessage(
    int32_t code, const nlohmann::json& requestParameters, long httpStatusCode,
    const std::optional<std::string>& customMessage) {
    return initWithCode(code, requestParameters, httpStatusCode, customMessage, nullptr);
}

DZRequestError::Ref DZRequestError::errorWithCodeRequestHTTPStatusCode(
    int32_t code, const nlohmann::json& requestParameters, long httpStatusCode) {
    return initWithCode(code, requestParameters, httpStatusCode, std::nullopt, nullptr);
}

DZRequestError::Ref DZRequestError::errorWithCodeRequest(int32_t code,
                                                         const nlohmann::json& requestParameters) {
    return initWithCode(code, requestParameters, 0, std::nullopt, nullptr);
}

DZRequestError::Ref DZRequestError::errorWithCode(int32_t code) {
    return errorWithCodeCustomMessage(code, std::nullopt);
}

DZRequestError::Ref DZRequestError::errorWithCodeCustomMessage(
    int32_t code, const std::optional<std::string>& customMessage) {
    return initWithCode(code, nullptr, 0, customMessage, nullptr);
}

DZRequestError::Ref DZRequestError::errorWithCodeUnderlyingError(int32_t code,
                                                                 platform::ErrorRef underlyingError) {
    std::optional<std::string> message;
    if (underlyingError) message = underlyingError->localizedDescription();
    return initWithCode(code, nullptr, 0, message, std::move(underlyingError));
}

DZRequestError::Ref DZRequestError::initWithDomainCodeUserInfo(
    const std::string& domain, long code, std::optional<platform::Error::UserInfo> userInfo) {
    auto foreign = std::make_shared<const platform::Error>(domain, code, std::move(userInfo));
    return initWithCode(kDZErrorInternalError, nullptr, 0, std::nullopt, foreign);
}

platform::ErrorRef DZRequestError::error() const {
    return std::make_shared<const platform::Error>(domain(), code(), userInfo());
}
