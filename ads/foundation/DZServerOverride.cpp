#include "ads/foundation/DZServerOverride.h"

#include <cstdlib>

#include "platform/foundation/Log.h"
#include "platform/url/Url.h"

std::optional<std::string> dz_adServerURLFromValue(const char* value) {
    if (!value || !*value) return std::nullopt;
    const auto url = platform::Url::parse(value);
    if (url && url->isWeb() && !url->host().empty()) return url->text();
    platform::logMessage(__func__, 3, "TIKOLEAP_AD_SERVER is no http or https URL; the default server stays");
    return std::nullopt;
}

std::optional<std::string> dz_adServerOverride() {
    static const std::optional<std::string> server =
        dz_adServerURLFromValue(std::getenv("TIKOLEAP_AD_SERVER"));
    return server;
}
