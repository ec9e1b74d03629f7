#include "ads/foundation/DZMUtilities.h"

#include <utility>
#include <vector>

#include "ads/foundation/DZSDKVersion.h"
#include "ads/foundation/DZStringAdditions.h"
#include "platform/http/HttpUrl.h"

std::optional<std::string> DZMUtilities::mediationURLFrom(
    const std::string& urlTemplate, const std::string& adLocationID, bool adNetworkRefresh,
    const std::string& allocationID, const std::string& adNetworkID, const std::string& qData,
    const std::string& sessionID, const std::string& sequenceNumber, const std::string& exitCodes,
    const std::string& durations) {
    std::string url = urlTemplate;
    const std::vector<std::pair<const char*, std::string>> values = {
        {"gw_adlocid", adLocationID},
        {"gw_qdata", qData},
        {"gw_sdkver", kDZSDKVersion},
        {"gw_sessid", sessionID},
        {"gw_seqnum", sequenceNumber},
        {"gw_devid", ""},
        {"gw_adnetrefresh", adNetworkRefresh ? "1" : "0"},
        {"gw_adnetid", adNetworkID},
        {"gw_allocid", allocationID},
        {"gw_aec", exitCodes},
        {"gw_adt", durations},
    };
    for (const auto& [keyword, value] : values)
        dz_replaceAtQuotedKeywordPattern(url, std::string(keyword), value);
    if (url.empty() || !platform::parseUrl(url)) return std::nullopt;
    return url;
}
