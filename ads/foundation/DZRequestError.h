#pragma once
// The ad component's public error: every failure of an ad request reaches the app's delegates as
// one of these, in the domain "com.rerive.ads", with a message per code under both the localized
// description and the failure reason.
//
// The request itself belongs to the request layer; what an error takes from it is its parameter
// dictionary (`DZRequest` `parameters`), passed here as a JSON object (null: no request).
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include <nlohmann/json.hpp>

#include "platform/foundation/Error.h"

enum DZErrorCode : int32_t {
    kDZErrorInvalidRequest = 0,
    kDZErrorNoFill = 1,
    kDZErrorNetworkError = 2,
    kDZErrorServerError = 3,
    kDZErrorOSVersionTooLow = 4,
    kDZErrorTimeout = 5,
    kDZErrorInterstitialAlreadyUsed = 6,
    kDZErrorMediationDataError = 7,
    kDZErrorMediationAdapterError = 8,
    kDZErrorMediationNoFill = 9,
    kDZErrorMediationInvalidAdSize = 10,
    kDZErrorInternalError = 11,
    kDZErrorInvalidArgument = 12,
    kDZErrorReceivedInvalidResponse = 13,
};

class DZRequestError : public platform::Error {
  public:
    inline static const std::string kDomain = "com.rerive.ads";
    inline static const std::string kHttpStatusKey = "HttpStatus";

    using Ref = std::shared_ptr<const DZRequestError>;

    // The designated initialiser: the message is customMessage when given, else the code's own
    // (a code outside 0 to 13 takes the text of code 0 and keeps its number).
    static Ref initWithCode(int32_t code, const nlohmann::json& requestParameters, long httpStatusCode,
                            const std::optional<std::string>& customMessage,
                            platform::ErrorRef underlyingError);

    static Ref errorWithCodeRequestHTTPStatusCodeCustomMessageUnderlyingError(
        int32_t code, const nlohmann::json& requestParameters, long httpStatusCode,
        const std::optional<std::string>& customMessage, platform::ErrorRef underlyingError);
    static Ref errorWithCodeRequestHTTPStatusCodeCustomMessage(
        int32_t code, const nlohmann::json& requestParameters, long httpStatusCode,
        const std::optional<std::string>& customMessage);
    static Ref errorWithCodeRequestHTTPStatusCode(int32_t code, const nlohmann::json& requestParameters,
                                                  long httpStatusCode);
    static Ref errorWithCodeRequest(int32_t code, const nlohmann::json& requestParameters);
    static Ref errorWithCode(int32_t code);
    static Ref errorWithCodeCustomMessage(int32_t code, const std::optional<std::string>& customMessage);
    // The underlying error's localized description becomes the message.
    static Ref errorWithCodeUnderlyingError(int32_t code, platform::ErrorRef underlyingError);

    // What a foreign (domain, code, user information) becomes: code 11 "Request Error: Internal
    // error." with the foreign error kept as the underlying error.
    static Ref initWithDomainCodeUserInfo(const std::string& domain, long code,
                                          std::optional<platform::Error::UserInfo> userInfo);

    // A plain platform error with the same domain, code and user information.
    platform::ErrorRef error() const;

    // The standard message of a code (code 0's for unknown codes).
    static std::string messageForCode(int32_t code);

  private:
    DZRequestError(int32_t code, platform::Error::UserInfo userInfo)
        : platform::Error(kDomain, code, std::move(userInfo)) {}
};
