#pragma once
// The ad component's private error domain, for its internal routines: errors in
// "com.rerive.ads.private" with a standard description per code.
#include <optional>
#include <string>

#include "platform/foundation/Error.h"

inline const std::string kDZInternalErrorDomain = "com.rerive.ads.private";

enum DZInternalErrorCode : long {
    kDZInternalErrorFileNotReadable = 1,
    kDZInternalErrorInternal = 2,
    kDZInternalErrorInvalidArgument = 3,
};

// With a description: held under both the localized description and the failure reason; without
// one the error has no user information at all.
platform::ErrorRef dz_errorWithDomain(const std::string& domain, long code,
                                      const std::optional<std::string>& description);
platform::ErrorRef dz_errorWithCode(long code, const std::optional<std::string>& description);
// "File could not be read.", "Internal error.", "Invalid argument." for 1 to 3; nothing otherwise.
std::optional<std::string> dz_localizedDescriptionForErrorCode(long code);
