#include "ads/core/DZAdServer.h"

#include "ads/foundation/DZServerOverride.h"
#include "platform/url/Url.h"

std::string DZAdServerBaseURLFromValue(const char* value) {
    return dz_adServerURLFromValue(value).value_or(kDZDefaultAdServer);
}

std::string DZAdServerBaseURL() {
    return dz_adServerOverride().value_or(kDZDefaultAdServer);
}

std::string DZAdServerHost() {
    const auto url = platform::Url::parse(DZAdServerBaseURL());
    return url ? url->host() : std::string();
}

std::string DZAdServerURL(const std::string& path) {
    std::string base = DZAdServerBaseURL();
    while (!base.empty() && base.back() == '/') base.pop_back();
    return base + path;
}
