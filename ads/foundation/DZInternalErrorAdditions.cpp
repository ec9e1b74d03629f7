#include "ads/foundation/DZInternalErrorAdditions.h"

#include <memory>

platform::ErrorRef dz_errorWithDomain(const std::string& domain, long code,
                                      const std::optional<std::string>& description) {
    std::optional<platform::Error::UserInfo> info;
    if (description) {
        info.emplace();
        platform::Error::setValue(*info, platform::Error::kLocalizedDescriptionKey,
                                  nlohmann::json(*description));
        platform::Error::setValue(*info, platform::Error::kLocalizedFailureReasonErrorKey,
                                  nlohmann::json(*description));
    }
    return std::make_shared<const platform::Error>(domain, code, std::move(info));
}

platform::ErrorRef dz_errorWithCode(long code, const std::optional<std::string>& description) {
    return dz_errorWithDomain(kDZInternalErrorDomain, code, description);
}

std::optional<std::string> dz_localizedDescriptionForErrorCode(long code) {
    switch (code) {
        case kDZInternalErrorFileNotReadable:
            return "File could not be read.";
        case kDZInternalErrorInternal:
            return "Internal error.";
        case kDZInternalErrorInvalidArgument:
            return "Invalid argument.";
        default:
            return std::nullopt;
    }
}
