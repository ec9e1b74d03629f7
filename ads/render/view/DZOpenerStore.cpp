// The opener's store sheets and purchase hand-off. Product numbers come from ad pages, so they
// are checked before any sheet is made, and the sheets loaded ahead of a click are bounded.
#include <algorithm>
#include <utility>

#include "ads/core/DZInAppPurchase.h"
#include "ads/core/DZValues.h"
#include "ads/foundation/DZLogger.h"
#include "ads/render/host/DZAdHost.h"
#include "ads/render/overlay/DZViewController.h"
#include "ads/render/view/DZOpener.h"
#include "ads/render/view/DZOverlayProxy.h"
#include "ads/render/view/DZPageTrackers.h"
#include "ads/render/view/DZSKStoreProductViewControllerDelegate.h"
#include "platform/store/StoreProductViewController.h"

using platform::store::StoreProductViewController;

namespace {

// A decimal that fits a 64-bit number with room to spare.
constexpr std::size_t kMaxProductDigits = 18;

bool refused(const std::string& productID) {
    if (DZOpener::isValidStoreProductID(productID)) return false;
    DZLog("Store product of %zu bytes ignored: not a product number", productID.size());
    return true;
}

std::map<std::string, std::string> loadParameters(const std::string& productID) {
    return {
        {StoreProductViewController::kItemIdentifierParameter, std::to_string(dz_integerValue(productID))}};
}

std::shared_ptr<DZOverlayProxy> proxyForSheet(const std::shared_ptr<StoreProductViewController>& sheet,
                                              const std::shared_ptr<DZAdHost>& host) {
    auto proxy = DZOverlayProxy::overlayProxyForViewController(sheet.get());
    if (!proxy) proxy = DZOverlayProxy::create(sheet);
    proxy->setHost(host);
    sheet->setDelegate(DZSKStoreProductViewControllerDelegate::sharedInstance());
    return proxy;
}

// A tap's one click: counted when the sheet has come up, or by the fallback page that replaces
// it, whichever is first.
void presentSheet(DZOpener& opener, const std::shared_ptr<DZOverlayProxy>& proxy,
                  std::shared_ptr<bool> clickCounted = std::make_shared<bool>(false)) {
    proxy->presentFromViewController(opener.viewController(), [weak = opener.weak_from_this(), clickCounted] {
        if (std::exchange(*clickCounted, true)) return;
        if (auto opener = weak.lock()) opener->didOpenInApp();
    });
}

}  // namespace

bool DZOpener::isValidStoreProductID(const std::string& productID) {
    return !productID.empty() && productID.size() <= kMaxProductDigits &&
           std::all_of(productID.begin(), productID.end(), [](char c) { return c >= '0' && c <= '9'; }) &&
           dz_integerValue(productID) > 0;
}

std::shared_ptr<StoreProductViewController> DZOpener::cachedStoreProductViewController(
    const std::string& productID) const {
    for (const auto& [id, sheet] : cachedStoreSheets_) {
        if (id == productID) return sheet;
    }
    return nullptr;
}

void DZOpener::fetchInAppStoreForProductID(const std::string& productID) {
    if (refused(productID) || cachedStoreProductViewController(productID)) return;
    auto sheet = std::make_shared<StoreProductViewController>();
    sheet->loadProductWithParameters(loadParameters(productID), [self = shared_from_this(), sheet, productID](
                                                                    bool loaded, const std::string&) {
        if (!loaded) return;
        // The later of two loads of one product wins; past the bound the oldest sheet goes.
        auto& cache = self->cachedStoreSheets_;
        std::erase_if(cache, [&productID](const auto& entry) { return entry.first == productID; });
        cache.emplace_back(productID, sheet);
        while (cache.size() > kMaxCachedStoreSheets) cache.erase(cache.begin());
    });
}

void DZOpener::openInAppStoreWithProductID(const std::string& productID, const std::string& fallbackURL,
                                           bool shouldWaitForFetch) {
    if (refused(productID) || !shouldPerformOpenAction()) return;
    auto self = shared_from_this();
    const auto cached = std::find_if(cachedStoreSheets_.begin(), cachedStoreSheets_.end(),
                                     [&productID](const auto& entry) { return entry.first == productID; });
    if (cached != cachedStoreSheets_.end()) {
        auto sheet = std::move(cached->second);
        cachedStoreSheets_.erase(cached);
        presentSheet(*this, proxyForSheet(sheet, host_.lock()));
        return;
    }
    auto sheet = std::make_shared<StoreProductViewController>();
    auto proxy = proxyForSheet(sheet, host_.lock());
    auto clickCounted = std::make_shared<bool>(false);
    sheet->loadProductWithParameters(
        loadParameters(productID),
        [self, sheet, proxy, fallbackURL, shouldWaitForFetch, clickCounted](bool loaded, const std::string&) {
            if (loaded) {
                if (shouldWaitForFetch) presentSheet(*self, proxy, clickCounted);
                return;
            }
            // Only a sheet the user already sees makes way for the fallback page, which belongs to
            // the tap that showed the sheet: that tap is used up, and explains it all the same.
            auto* presenting = sheet->presentingViewController();
            if (!presenting || presenting->presentedViewController() != sheet) return;
            if (auto delegate = sheet->delegate()) delegate->productViewControllerDidFinish(*sheet);
            self->openExplainedApp(fallbackURL, !std::exchange(*clickCounted, true));
        });
    if (!shouldWaitForFetch) presentSheet(*this, proxy, clickCounted);
}

void DZOpener::openInAppPurchase(const std::string& productID, int quantity,
                                 std::vector<std::string> reportingURLStringFormats) {
    if (!shouldPerformOpenAction()) return;
    auto self = shared_from_this();
    // A banner's opener works over the app's own controller: that one is not the ad's to close.
    auto controller = std::dynamic_pointer_cast<DZViewController>(viewController_.lock());
    DZInAppPurchase::AdScreenCloser closeAdScreen;
    if (controller) {
        closeAdScreen = [weak = std::weak_ptr<DZViewController>(controller)] {
            if (auto screen = weak.lock()) screen->relinquishScreenWithCompletion(nullptr);
        };
    }
    auto purchase = std::make_shared<DZInAppPurchase>(std::move(closeAdScreen));
    purchase->setProductID(productID);
    purchase->setQuantity(quantity);
    purchase->setReportingURLStringFormats(std::move(reportingURLStringFormats));
    auto host = host_.lock();
    // A template filled in may spell the ad's click URL, or redirect to it, where the written one
    // did not: each report is checked as it goes out.
    purchase->setReportCheck(DZPageTrackers::hopCheck(host));
    if (host) host->didReceiveInAppPurchase(purchase);
    didOpenInApp();
}
