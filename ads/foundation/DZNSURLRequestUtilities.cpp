#include "ads/foundation/DZNSURLRequestUtilities.h"

#include "ads/foundation/DZDevice.h"

std::optional<platform::HttpRequest> dz_requestForURL(
    const std::optional<std::string>& url, const std::optional<std::string>& data,
    const std::optional<std::map<std::string, std::string>>& headers,
    const std::optional<std::string>& type) {
    if (!url) return std::nullopt;
    platform::HttpRequest request;
    request.url = *url;
    if (headers) {
        for (const auto& [name, value] : *headers) request.headers.set(name, value);
    }
    if (const std::string agent = DZDevice::sharedInstance()->userAgentString(); !agent.empty())
        request.headers.set("User-Agent", agent);
    if (data && type) {
        request.method = "POST";
        request.body = *data;
        request.headers.set("Content-Length", std::to_string(data->size()));
        request.headers.set("Content-Type", *type);
    }
    return request;
}
