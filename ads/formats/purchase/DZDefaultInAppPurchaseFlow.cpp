#include "ads/formats/purchase/DZDefaultInAppPurchaseFlow.h"

#include <algorithm>

#include "ads/formats/purchase/DZDefaultInAppPurchase.h"
#include "ads/formats/purchase/DZInAppPurchaseProductCache.h"
#include "ads/foundation/DZLogger.h"
#include "platform/dispatch/DispatchQueue.h"
#include "platform/ui/AlertView.h"

using platform::store::PaymentTransaction;
using platform::store::TransactionState;

std::shared_ptr<DZDefaultInAppPurchaseFlow> DZDefaultInAppPurchaseFlow::sharedInstance() {
    // Never destroyed: the payment queue may still deliver to it while the process ends.
    static const auto* flow = new std::shared_ptr<DZDefaultInAppPurchaseFlow>(
        create(platform::store::PaymentQueue::defaultQueue()));
    return *flow;
}

std::shared_ptr<DZDefaultInAppPurchaseFlow> DZDefaultInAppPurchaseFlow::create(
    std::shared_ptr<platform::store::PaymentQueue> queue) {
    return std::shared_ptr<DZDefaultInAppPurchaseFlow>(new DZDefaultInAppPurchaseFlow(std::move(queue)));
}

void DZDefaultInAppPurchaseFlow::enableDefaultPurchaseFlowWithDelegate(
    std::shared_ptr<DZDefaultInAppPurchaseDelegate> delegate) {
    if (!delegate || delegate_) return;
    queue_->addObserver(shared_from_this());
    delegate_ = std::move(delegate);
}

void DZDefaultInAppPurchaseFlow::disableDefaultPurchaseFlow() {
    if (!delegate_) return;
    delegate_.reset();
    queue_->removeObserver(this);
}

void DZDefaultInAppPurchaseFlow::didReceiveInAppPurchase(const std::shared_ptr<DZInAppPurchase>& purchase) {
    if (!purchase) return;
    auto delegate = delegate_;
    const std::string productID = purchase->productID();
    if (delegate && delegate->shouldStartPurchaseForProductID(productID, purchase->quantity()) == false) {
        purchase->reportPurchaseStatus(DZInAppPurchase::kStatusError);
        notifyUserOfUnavailableProduct();
        return;
    }
    if (productID.empty()) {
        purchase->reportPurchaseStatus(DZInAppPurchase::kStatusInvalidProduct);
        return;
    }
    // A quantity the store could not take (an invalid one was stored as 0) never reaches it.
    if (!DZInAppPurchase::quantityIsValid(purchase->quantity())) {
        DZLogger::sharedInstance()->logPublicFormat(
            "Purchase of \"%s\" refused: quantity %ld is not 1 to 10.", productID.c_str(),
            static_cast<long>(purchase->quantity()));
        purchase->reportPurchaseStatus(DZInAppPurchase::kStatusError);
        return;
    }
    auto& cache = DZInAppPurchaseProductCache::sharedInstance();
    if (cache.cachedProductForProductID(productID)) {
        purchaseProduct(purchase);
        return;
    }
    // Offers can come in bursts: the store is asked once about a product, and not again once it
    // has said it does not know it.
    auto& waiting = awaitingProducts_[productID];
    waiting.push_back(purchase);
    if (waiting.size() > 1) return;
    if (cache.isKnownInvalid(productID)) {
        validatedProduct(productID, false, "");
        return;
    }
    std::weak_ptr<DZDefaultInAppPurchaseFlow> weak = weak_from_this();
    cache.requestProductsWithProductIdentifiers(
        {productID}, platform::DispatchQueue::main(),
        [weak, productID](const DZProductsRequest::Products& products, const std::set<std::string>&,
                          const std::string& error) {
            if (auto self = weak.lock())
                self->validatedProduct(productID, error.empty() && products.count(productID), error);
        });
}

void DZDefaultInAppPurchaseFlow::validatedProduct(const std::string& productID, bool valid,
                                                  const std::string& error) {
    auto self = shared_from_this();  // reports and the app's delegate may let go of the flow
    std::vector<std::shared_ptr<DZInAppPurchase>> waiting;
    if (auto it = awaitingProducts_.find(productID); it != awaitingProducts_.end()) {
        waiting = std::move(it->second);
        awaitingProducts_.erase(it);
    }
    if (valid) {
        for (const auto& purchase : waiting) purchaseProduct(purchase);
        return;
    }
    for (const auto& purchase : waiting)
        purchase->reportPurchaseStatus(DZInAppPurchase::kStatusInvalidProduct);
    auto logger = DZLogger::sharedInstance();
    if (!error.empty()) logger->logPublicFormat("%s", error.c_str());
    logger->logPublicFormat(
        "\"%s\" is not a valid product ID or could not be validated. Verify your ad configuration.",
        productID.c_str());
    notifyUserOfUnavailableProduct();
}

void DZDefaultInAppPurchaseFlow::purchaseProduct(const std::shared_ptr<DZInAppPurchase>& purchase) {
    if (activeInAppPurchases_.size() >= kMaxActivePurchases) {
        DZLogger::sharedInstance()->logPublicFormat(
            "Purchase of \"%s\" refused: too many purchases under way.", purchase->productID().c_str());
        purchase->reportPurchaseStatus(DZInAppPurchase::kStatusError);
        return;
    }
    activeInAppPurchases_.push_back(purchase);
    queue_->addPayment({purchase->productID(), purchase->quantity()});
}

void DZDefaultInAppPurchaseFlow::paymentQueueUpdatedTransactions(
    platform::store::PaymentQueue&, const std::vector<std::shared_ptr<PaymentTransaction>>& transactions) {
    auto self = shared_from_this();  // the app's delegate may disable the flow
    for (const auto& transaction : transactions) {
        if (!transaction) continue;
        if (transaction->state() == TransactionState::Purchased)
            completeTransaction(transaction);
        else if (transaction->state() == TransactionState::Failed)
            failedTransaction(transaction);
    }
}

std::shared_ptr<DZInAppPurchase> DZDefaultInAppPurchaseFlow::dequeueInAppPurchaseForTransaction(
    const PaymentTransaction& transaction) {
    const auto& payment = transaction.payment();
    auto it =
        std::find_if(activeInAppPurchases_.begin(), activeInAppPurchases_.end(), [&](const auto& purchase) {
            return purchase->quantity() == payment.quantity &&
                   purchase->productID() == payment.productIdentifier;
        });
    if (it != activeInAppPurchases_.end()) {
        auto purchase = *it;
        activeInAppPurchases_.erase(it);
        return purchase;
    }
    // A purchase no ad of ours started: it reaches the app all the same and reports nowhere.
    auto purchase = std::make_shared<DZInAppPurchase>();
    purchase->setProductID(payment.productIdentifier);
    purchase->setQuantity(payment.quantity);
    return purchase;
}

void DZDefaultInAppPurchaseFlow::completeTransaction(const std::shared_ptr<PaymentTransaction>& transaction) {
    const auto& payment = transaction->payment();
    auto paid =
        std::make_shared<DZDefaultInAppPurchase>(payment.productIdentifier, payment.quantity, transaction,
                                                 dequeueInAppPurchaseForTransaction(*transaction), queue_);
    if (auto delegate = delegate_) delegate->userDidPayForPurchase(paid);
}

void DZDefaultInAppPurchaseFlow::failedTransaction(const std::shared_ptr<PaymentTransaction>& transaction) {
    auto purchase = dequeueInAppPurchaseForTransaction(*transaction);
    purchase->reportPurchaseStatus(transaction->errorCode() == PaymentTransaction::kErrorPaymentCancelled
                                       ? DZInAppPurchase::kStatusCancel
                                       : DZInAppPurchase::kStatusError);
    queue_->finishTransaction(transaction);
}

void DZDefaultInAppPurchaseFlow::notifyUserOfUnavailableProduct() {
    // One at a time: the window queues panels, and a burst of them would each need a tap.
    static std::weak_ptr<platform::ui::AlertView> showing;
    if (!showing.expired()) return;
    auto alert = std::make_shared<platform::ui::AlertView>(
        kUnavailableTitle, kUnavailableMessage, std::weak_ptr<platform::ui::AlertViewDelegate>(), "OK");
    showing = alert;
    alert->show();
}
