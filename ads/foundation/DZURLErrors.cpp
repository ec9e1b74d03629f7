#include "ads/foundation/DZURLErrors.h"

#include <memory>

long dz_URLErrorCode(platform::HttpError::Code code) {
    using C = platform::HttpError::Code;
    switch (code) {
        case C::InvalidUrl:
        case C::InvalidRequest:
            return -1000;
        case C::TimedOut:
            return -1001;
        case C::UnsupportedScheme:
            return -1002;
        case C::CannotConnect:
            return -1004;
        case C::ConnectionLost:
            return -1005;
        case C::TooManyRedirects:
            return -1007;
        case C::BadResponse:
            return -1011;
        case C::BodyTooLarge:
            return -1103;
        case C::Cancelled:
            return -999;
        case C::Other:
            break;
    }
    return -1;
}

platform::ErrorRef dz_errorForHttpError(const platform::HttpError& error) {
    platform::Error::UserInfo info;
    platform::Error::setValue(info, platform::Error::kLocalizedDescriptionKey, nlohmann::json(error.message));
    return std::make_shared<platform::Error>(kDZURLErrorDomain, dz_URLErrorCode(error.code), std::move(info));
}

platform::ErrorRef dz_errorForFileWrite(const std::filesystem::path& path, const std::string& why) {
    platform::Error::UserInfo info;
    platform::Error::setValue(info, platform::Error::kLocalizedDescriptionKey,
                              nlohmann::json("could not write " + path.string() + ": " + why));
    platform::Error::setValue(info, "NSFilePath", nlohmann::json(path.string()));
    return std::make_shared<platform::Error>(kDZCocoaErrorDomain, 512, std::move(info));
}
