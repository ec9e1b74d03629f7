#include "ads/formats/purchase/DZInAppPurchaseAds.h"

#include "ads/core/slot/DZSlotInAppPurchaseHooks.h"
#include "ads/formats/purchase/DZDefaultInAppPurchaseFlow.h"
#include "ads/formats/purchase/DZInAppPurchaseTransactionReporter.h"
#include "ads/foundation/DZApplication.h"

void DZInAppPurchaseAds::install() {
    DZSlotInAppPurchaseHooks::defaultPurchaseFlow = []() -> std::shared_ptr<DZInAppPurchaseDelegate> {
        auto flow = DZDefaultInAppPurchaseFlow::sharedInstance();
        return flow->isDefaultPurchaseFlowEnabled() ? flow : nullptr;
    };
    DZApplication::setEarlyActivityHook(&DZEarlyActivityHooks::enablePurchaseReportingWhenDue, [] {
        auto reporter = DZInAppPurchaseTransactionReporter::sharedInstance();
        if (reporter->shouldBeEnabled()) reporter->enableReporting();
    });
}
