#include "ads/render/view/DZBadAdReport.h"

#include <nlohmann/json.hpp>

#include "ads/core/DZAdServer.h"
#include "ads/foundation/DZDictionaryAdditions.h"
#include "ads/foundation/DZLogger.h"
#include "ads/foundation/DZNSURLRequestUtilities.h"
#include "platform/defaults/UserDefaults.h"
#include "platform/http/HttpConnection.h"
#include "platform/url/Url.h"

std::string DZBadAdReportEndpoint() {
    if (auto path = platform::UserDefaults::standard()->stringForKey(kDZBadAdReportPathKey)) {
        const auto url = platform::Url::parse(*path);
        if (url && url->isWeb()) return url->text();
        if (!path->empty())
            DZLog("Bad ad report path \"%s\" is no http(s) URL; the ad server takes it", path->c_str());
    }
    return DZAdServerURL("/adpage/badad");
}

std::string DZBadAdReportBody(const std::optional<std::string>& debugText) {
    const nlohmann::json report = {
        {"debugHeader", debugText ? nlohmann::json(*debugText) : nlohmann::json()}};
    return dz_JSONStringPretty(dz_JSONSafeDictionary(report), false).value_or("");
}

void DZSendBadAdReport(const std::optional<std::string>& debugText) {
    // The layer keeps no response cache, so the report always goes out afresh.
    auto request = dz_requestForURL(DZBadAdReportEndpoint(), DZBadAdReportBody(debugText), std::nullopt,
                                    std::string("application/json"));
    if (!request) return;
    platform::HttpConnection::send(std::move(*request), [](const platform::HttpConnection::Outcome&) {});
}
