#include "ads/core/DZAdResponseHeaders.h"

#include <algorithm>
#include <cctype>
#include <sstream>
#include <vector>

#include "ads/core/DZAd.h"
#include "ads/core/DZAdSize.h"
#include "ads/core/DZValues.h"
#include "ads/foundation/DZRequestError.h"
#include "ads/foundation/DZStringAdditions.h"
#include "ads/foundation/DZViewUtilities.h"
#include "platform/foundation/Log.h"

namespace {

std::string lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
    return text;
}

const std::string* find(const std::map<std::string, std::string>& headers, const std::string& name) {
    auto it = headers.find(name);
    return it == headers.end() ? nullptr : &it->second;
}

std::vector<std::string> whiteSpaceSeparated(const std::string& text) {
    std::vector<std::string> pieces;
    std::istringstream in(text);
    for (std::string piece; in >> piece;) pieces.push_back(piece);
    return pieces;
}

}  // namespace

std::map<std::string, std::string> DZAdResponseHeaders::lowerCased(
    const std::map<std::string, std::string>& headers) {
    std::map<std::string, std::string> out;
    for (const auto& [name, value] : headers) {
        if (value.size() > kMaxValueBytes) {
            platform::logMessage(__func__, 3,
                                 "ignored header " + name + " of " + std::to_string(value.size()) + " bytes");
            continue;
        }
        out[lower(name)] = value;
    }
    return out;
}

unsigned DZAdResponseHeaders::adResponseTypeFromHeaders(const std::map<std::string, std::string>& headers,
                                                        const nlohmann::json& requestParameters,
                                                        platform::ErrorRef* error) {
    if (const std::string* mediation = find(headers, "x-zazo-mediation");
        mediation && dz_boolValue(*mediation)) {
        const std::string* type = find(headers, "content-type");
        if (type && type->rfind("application/json", 0) == 0) return kDZAdResponseTypeMediation;
        if (error) *error = DZRequestError::errorWithCodeRequest(kDZErrorServerError, requestParameters);
        return kDZAdResponseTypeInvalid;
    }
    if (const std::string* format = find(headers, "x-zazo-ad-format"); format && lower(*format) == "native")
        return kDZAdResponseTypeNative;
    if (const std::string* custom = find(headers, "x-zazo-custom-rendering-allowed");
        custom && dz_boolValue(*custom))
        return kDZAdResponseTypeCustomRendered;
    return kDZAdResponseTypeHTML;
}

DZAdHeaderEffects DZAdResponseHeaders::apply(DZAd& ad, const std::map<std::string, std::string>& headers,
                                             const nlohmann::json& requestParameters) {
    DZAdHeaderEffects effects;
    const auto h = lowerCased(headers);
    auto merged = ad.responseHeaders();
    for (const auto& [name, value] : h) merged[name] = value;
    ad.setResponseHeaders(std::move(merged));

    ad.setResponseType(adResponseTypeFromHeaders(h, requestParameters, &effects.responseTypeError));

    if (const std::string* urls = find(h, "x-zazo-click-tracking-urls"))
        ad.addClickURLsFromArray(whiteSpaceSeparated(*urls));
    if (const std::string* urls = find(h, "x-zazo-tracking-urls"))
        ad.addImpressionURLsFromArray(whiteSpaceSeparated(*urls));
    if (const std::string* urls = find(h, "x-zazo-manual-tracking-urls"))
        ad.addManualImpressionURLsFromArray(whiteSpaceSeparated(*urls));

    const std::string* optedOut = find(h, "x-zazo-content-url-opted-out");
    effects.contentHashingEnabled = optedOut && *optedOut == "false";

    // Settings of any other JSON type would later be read as an object: only an object counts.
    std::optional<nlohmann::json> zadavaDuru;
    if (const std::string* text = find(h, "x-zazo-zadavaduru")) zadavaDuru = dz_decodedJSONObject(*text);
    ad.setZadavaDuruConfigurations(std::move(zadavaDuru));

    if (const std::string* orientation = find(h, "x-zazo-orientation")) {
        if (const unsigned mask = DZInterfaceOrientationMaskFromString(*orientation))
            ad.setSupportedOrientations(mask);
    }
    if (const std::string* rate = find(h, "x-zazo-refresh-rate"); rate && !rate->empty()) {
        if (auto seconds = dz_numberValue(*rate)) ad.setReloadInterval(*seconds);
    }
    const std::string* dialog = find(h, "x-zazo-debug-dialog");
    ad.setDebugDialog(dialog ? std::optional<std::string>(*dialog) : std::nullopt);
    // Only a size the size functions can read ("WxH", two finite numbers) is kept.
    const std::string* size = find(h, "x-zazo-ad-size");
    const bool readable = size && DZCGSizeFromAdSizeString(*size) != platform::Size{};
    ad.setCustomAdSizeString(readable ? std::optional<std::string>(*size) : std::nullopt);
    const std::string* noScroll = find(h, "x-zazo-disable-activation-and-scroll");
    ad.setScrollEnabled(!(noScroll && dz_boolValue(*noScroll)));
    if (const std::string* https = find(h, "x-zazo-use-https")) effects.useHTTPS = dz_boolValue(*https);
    if (const std::string* status = find(h, "x-zazo-oauth-token-status"))
        effects.clearSignedInToken = lower(*status) == "clear";
    if (const std::string* fluid = find(h, "x-zazo-fluid"); fluid && lower(*fluid) == "height")
        ad.setFluid(true);
    if (const std::string* query = find(h, "x-zazo-zws-query-id")) effects.zwsQueryID = *query;
    if (const std::string* swipe = find(h, "x-zazo-swipe-to-view-controller"))
        ad.setSwipeToViewControllerConfigurations(dz_decodedJSONObject(*swipe));
    return effects;
}
