#include "ads/formats/purchase/DZDefaultInAppPurchase.h"

#include "ads/core/DZInAppPurchase.h"
#include "ads/formats/purchase/DZDefaultInAppPurchaseFlow.h"
#include "platform/store/PaymentQueue.h"

DZDefaultInAppPurchase::DZDefaultInAppPurchase(
    std::string productID, int32_t quantity, std::shared_ptr<platform::store::PaymentTransaction> transaction,
    std::shared_ptr<DZInAppPurchase> inAppPurchase, std::shared_ptr<platform::store::PaymentQueue> queue)
    : productID_(std::move(productID)),
      quantity_(quantity),
      paymentTransaction_(std::move(transaction)),
      inAppPurchase_(std::move(inAppPurchase)),
      queue_(queue ? std::move(queue) : platform::store::PaymentQueue::defaultQueue()) {}

void DZDefaultInAppPurchase::enableDefaultPurchaseFlowWithDelegate(
    std::shared_ptr<DZDefaultInAppPurchaseDelegate> delegate) {
    DZDefaultInAppPurchaseFlow::sharedInstance()->enableDefaultPurchaseFlowWithDelegate(std::move(delegate));
}

void DZDefaultInAppPurchase::disableDefaultPurchaseFlow() {
    DZDefaultInAppPurchaseFlow::sharedInstance()->disableDefaultPurchaseFlow();
}

void DZDefaultInAppPurchase::finishTransaction() {
    if (auto transaction = std::move(paymentTransaction_)) {
        paymentTransaction_.reset();
        queue_->finishTransaction(transaction);
    }
    if (auto purchase = std::move(inAppPurchase_)) {
        inAppPurchase_.reset();
        purchase->reportPurchaseStatus(DZInAppPurchase::kStatusSuccess);
    }
}
