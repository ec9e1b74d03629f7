#pragma once
// Errors of URL loading and file saving as the platform's error objects: transfer failures in
// "NSURLErrorDomain" with that domain's codes, file writes in "NSCocoaErrorDomain".
#include <filesystem>
#include <string>

#include "platform/foundation/Error.h"
#include "platform/http/HttpMessage.h"

inline const std::string kDZURLErrorDomain = "NSURLErrorDomain";
inline const std::string kDZCocoaErrorDomain = "NSCocoaErrorDomain";

// -1000 bad URL, -1001 timed out, -1002 unsupported URL, -1004 cannot connect, -1005 connection
// lost, -1007 too many redirects, -1011 bad server response, -1103 data too large, -999
// cancelled, -1 anything else; the layer's message is the description.
long dz_URLErrorCode(platform::HttpError::Code code);
platform::ErrorRef dz_errorForHttpError(const platform::HttpError& error);
// Code 512 (write failed) with the path and why.
platform::ErrorRef dz_errorForFileWrite(const std::filesystem::path& path, const std::string& why);
