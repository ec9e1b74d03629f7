#include "ads/foundation/DZMUtilities.h"

#include <string_view>
#include <utility>
#include <vector>

#include "ads/foundation/DZSDKVersion.h"
#include "ads/foundation/DZStringAdditions.h"
#include "platform/foundation/PercentEncoding.h"
#include "platform/http/HttpUrl.h"

namespace {

bool isHexDigit(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

// Values come from the server (qdata, network IDs) and may hold anything. Only what no URL may
// carry raw is escaped: controls, space, bytes past ASCII, the characters URLs never use and a
// "%" that starts no escape. Everything else stays, so a value the server encoded itself arrives
// as it was sent.
std::string escapedForURL(std::string_view value) {
    static constexpr std::string_view kAllowed = "!#$&'()*+,-./:;=?@[]_~";
    std::string out;
    std::size_t start = 0;
    for (std::size_t i = 0; i + 2 < value.size(); ++i) {
        if (value[i] != '%' || !isHexDigit(value[i + 1]) || !isHexDigit(value[i + 2])) continue;
        out += platform::percentEncode(value.substr(start, i - start), kAllowed, false);
        out += value.substr(i, 3);
        start = i + 3;
        i += 2;
    }
    out += platform::percentEncode(value.substr(start), kAllowed, false);
    return out;
}

}  // namespace

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
    // A value's own "@" is doubled so that it can neither close a keyword nor open one for the
    // keywords filled after it.
    for (const auto& [keyword, value] : values)
        dz_replaceAtQuotedKeywordPattern(url, std::string(keyword), dz_escapeAts(escapedForURL(value)));
    dz_removeAtQuotedKeywords(url);
    dz_unescapeAts(url);
    if (url.empty() || !platform::parseUrl(url)) return std::nullopt;
    return url;
}
