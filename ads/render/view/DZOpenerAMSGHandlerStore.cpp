// The page's store messages: a sheet loaded ahead, a sheet shown, a purchase offered.
#include <algorithm>

#include "ads/core/DZInAppPurchase.h"
#include "ads/core/DZValues.h"
#include "ads/foundation/DZLogger.h"
#include "ads/render/view/DZOpener.h"
#include "ads/render/view/DZOpenerAMSGHandler.h"
#include "ads/render/view/DZPageTrackers.h"

namespace {

constexpr std::size_t kMaxPurchaseProductBytes = 255;
constexpr std::size_t kMaxReportingFormats = 16;

bool isPurchaseProduct(const std::string& productID) {
    return !productID.empty() && productID.size() <= kMaxPurchaseProductBytes &&
           std::all_of(productID.begin(), productID.end(), [](char c) { return c > ' ' && c < 0x7f; });
}

// Split at any white space, empty pieces dropped.
std::vector<std::string> reportingFormats(const std::string& text) {
    std::vector<std::string> formats;
    std::size_t at = 0;
    while (at < text.size()) {
        const auto start = text.find_first_not_of(" \t\r\n\v\f", at);
        if (start == std::string::npos) break;
        auto end = text.find_first_of(" \t\r\n\v\f", start);
        if (end == std::string::npos) end = text.size();
        formats.push_back(text.substr(start, end - start));
        at = end;
    }
    return formats;
}

}  // namespace

void DZOpenerAMSGHandler::fetchInAppStore(const DZAMSGArguments& arguments) {
    const auto productID = arguments.note->parameter("product_id");
    if (!productID) return;
    auto opener = opener_;
    opener->fetchInAppStoreForProductID(*productID);
}

void DZOpenerAMSGHandler::actionOpenInAppStore(const DZAMSGArguments& arguments) {
    const auto productID = arguments.note->parameter("product_id");
    if (!productID) return;
    const auto fallback = URLFromParameters(arguments.note->parameters());
    const bool wait = arguments.note->parameter("wait_for_fetch") == "true";
    // Held across the callbacks, which may release the page's delegate and so this handler.
    auto opener = opener_;
    opener->openInAppStoreWithProductID(*productID, fallback.value_or(""), wait);
}

void DZOpenerAMSGHandler::actionOpenInAppPurchase(const DZAMSGArguments& arguments) {
    const auto productID = arguments.note->parameter("product_id");
    if (!productID) return;
    if (!isPurchaseProduct(*productID)) {
        DZLog("Ad purchase of a product of %zu bytes ignored: not a product identifier", productID->size());
        return;
    }
    const auto quantity = dz_integerValue(arguments.note->parameter("quantity").value_or(""));
    if (!DZInAppPurchase::quantityIsValid(quantity)) return;
    auto formats = reportingFormats(arguments.note->parameter("report_urls").value_or(""));
    const bool tooLong = std::any_of(formats.begin(), formats.end(),
                                     [](const std::string& f) { return f.size() > DZOpener::kMaxURLLength; });
    if (formats.size() > kMaxReportingFormats || tooLong) {
        DZLog("Ad purchase with %zu reporting URLs ignored: too many or too long", formats.size());
        return;
    }
    auto opener = opener_;
    // The reports are the page's trackers too: each once, and never the ad's own billed click.
    std::vector<std::string> reports;
    for (auto& format : formats) {
        if (DZPageTrackers::isOwnClick(format, opener->host()) ||
            std::find(reports.begin(), reports.end(), format) != reports.end())
            continue;
        reports.push_back(std::move(format));
    }
    if (reports.size() < formats.size())
        DZLog("Ad purchase reporting URLs dropped: %zu repeated or the ad's own click or impression URL",
              formats.size() - reports.size());
    opener->openInAppPurchase(*productID, static_cast<int>(quantity), std::move(reports));
}
