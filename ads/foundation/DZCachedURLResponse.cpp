#include "ads/foundation/DZCachedURLResponse.h"

std::shared_ptr<DZCachedURLResponse> DZCachedURLResponse::create(
    platform::HttpResponse response, std::string data, std::optional<platform::SystemTime> expirationDate,
    std::optional<std::string> destinationURL) {
    if (!expirationDate) return nullptr;
    return std::shared_ptr<DZCachedURLResponse>(new DZCachedURLResponse(
        std::move(response), std::move(data), *expirationDate, std::move(destinationURL)));
}
