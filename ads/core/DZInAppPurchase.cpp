#include "ads/core/DZInAppPurchase.h"

#include <cstdio>
#include <map>

#include <nlohmann/json.hpp>

#include "ads/core/DZRequest.h"
#include "ads/foundation/DZApplication.h"
#include "ads/foundation/DZClickTrackerCollection.h"
#include "ads/foundation/DZDevice.h"
#include "ads/foundation/DZRunOnMainThread.h"
#include "ads/foundation/DZStringAdditions.h"

std::string DZInAppPurchase::stringForStatus(int32_t status) {
    switch (status) {
        case kStatusSuccess:
            return "success";
        case kStatusCancel:
            return "cancel";
        case kStatusInvalidProduct:
            return "invalid product";
        default:
            return "error";
    }
}

std::string DZInAppPurchase::description() const {
    char head[64];
    std::snprintf(head, sizeof head, "<DZInAppPurchase: %p>", static_cast<const void*>(this));
    return std::string(head) + "(\n  productID: " + productID_ +
           ",\n  quantity: " + std::to_string(quantity_) + ")";
}

void DZInAppPurchase::reportPurchaseStatus(int32_t status) {
    if (statusReported_.exchange(true)) return;
    if (status == kStatusSuccess && closeAdScreen_) DZRunOnMainThread(closeAdScreen_);
    purchaseStatus_ = status;
    auto urls = nlohmann::json::array();
    for (const auto& format : reportingURLStringFormats_)
        urls.push_back(expandedURLStringForURLStringFormat(format));
    // All purchases' reports share one asker's share: a page may offer purchase after purchase.
    static const DZPingAsker purchaseReports = DZPingAsker::next();
    if (!urls.empty())
        DZClickTrackerCollection::sharedInstance()->trackURLs(urls, purchaseReports, false, reportCheck_);
}

std::string DZInAppPurchase::expandedURLStringForURLStringFormat(const std::string& format) const {
    auto application = DZApplication::sharedInstance();
    std::map<std::string, std::string> values = {
        {"quantity", std::to_string(quantity_)},
        {"status", std::to_string(purchaseStatus_)},
        {"sessionid", application->currentSession().uniqueID()},
        {"appversion", application->version()},
        {"osversion", DZDevice::sharedInstance()->systemVersion()},
        {"sdkversion", DZRequest::sdkVersion()},
        {"timestamp", std::to_string(application->timeSinceFirstAdRequestInMilliseconds())},
    };
    if (!productID_.empty()) values["sku"] = productID_;
    if (const auto& bundle = application->mainBundleIdentifier()) values["appid"] = *bundle;
    std::string text = format;
    for (const auto& [name, value] : values) {
        // Escaped as a URL parameter: a value holding "&" or "=" must not split the query.
        dz_replaceAtQuotedKeywordPattern(text, name, dz_escapeAts(dz_stringByEscapingAsURLParameter(value)));
    }
    dz_removeAtQuotedKeywords(text);
    dz_unescapeAts(text);
    return text;
}
