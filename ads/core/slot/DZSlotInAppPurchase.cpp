// The slot's part in a purchase an ad offers: it passes it on to the app's delegate.
#include "ads/core/DZInAppPurchase.h"
#include "ads/core/slot/DZSlot.h"
#include "ads/core/slot/DZSlotInAppPurchaseHooks.h"
#include "ads/foundation/DZLogger.h"
#include "ads/foundation/DZRunOnMainThread.h"

std::shared_ptr<DZInAppPurchaseDelegate> DZSlot::inAppPurchaseDelegate() const {
    if (const auto& flow = DZSlotInAppPurchaseHooks::defaultPurchaseFlow) {
        if (auto enabled = flow()) return enabled;
    }
    auto delegate = slotDelegate();
    return delegate ? delegate->inAppPurchaseDelegate() : nullptr;
}

void DZSlot::didReceiveInAppPurchase(const std::shared_ptr<DZInAppPurchase>& purchase) {
    auto delegate = inAppPurchaseDelegate();
    if (!delegate) {
        DZLogger::sharedInstance()->logPublicMessage(
            "You must set the in-app purchase delegate. Transaction cannot be completed.");
        return;
    }
    DZRunOnMainThread([delegate, purchase] { delegate->didReceiveInAppPurchase(purchase); });
}
