#pragma once
// The component's own purchase flow, for apps that do not run their store themselves: it checks
// an offered product with the store, pays for it through the payment queue and hands each paid
// purchase to the app's delegate; cancelled, failed, refused and unknown products are reported
// to the ad's URLs. Off until the app enables it. Main thread only.
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "ads/core/DZInAppPurchase.h"
#include "platform/store/PaymentQueue.h"

class DZDefaultInAppPurchaseDelegate;

class DZDefaultInAppPurchaseFlow : public DZInAppPurchaseDelegate,
                                   public platform::store::PaymentTransactionObserver,
                                   public std::enable_shared_from_this<DZDefaultInAppPurchaseFlow> {
  public:
    static constexpr const char* kUnavailableTitle = "Whoops!";
    static constexpr const char* kUnavailableMessage = "Sorry, the product is currently unavailable.";
    // Payments under way at once; an offer past it is refused.
    static constexpr std::size_t kMaxActivePurchases = 8;

    static std::shared_ptr<DZDefaultInAppPurchaseFlow> sharedInstance();
    // A flow of its own over the given queue (tests).
    static std::shared_ptr<DZDefaultInAppPurchaseFlow> create(
        std::shared_ptr<platform::store::PaymentQueue> queue);

    void enableDefaultPurchaseFlowWithDelegate(std::shared_ptr<DZDefaultInAppPurchaseDelegate> delegate);
    void disableDefaultPurchaseFlow();
    bool isDefaultPurchaseFlowEnabled() const { return static_cast<bool>(delegate_); }
    // Purchases whose payments are under way.
    std::size_t activePurchaseCount() const { return activeInAppPurchases_.size(); }

    // DZInAppPurchaseDelegate
    void didReceiveInAppPurchase(const std::shared_ptr<DZInAppPurchase>& purchase) override;
    // platform::store::PaymentTransactionObserver
    void paymentQueueUpdatedTransactions(
        platform::store::PaymentQueue& queue,
        const std::vector<std::shared_ptr<platform::store::PaymentTransaction>>& transactions) override;

  private:
    explicit DZDefaultInAppPurchaseFlow(std::shared_ptr<platform::store::PaymentQueue> queue)
        : queue_(std::move(queue)) {}

    void purchaseProduct(const std::shared_ptr<DZInAppPurchase>& purchase);
    void validatedProduct(const std::string& productID, bool valid, const std::string& error);
    std::shared_ptr<DZInAppPurchase> dequeueInAppPurchaseForTransaction(
        const platform::store::PaymentTransaction& transaction);
    void completeTransaction(const std::shared_ptr<platform::store::PaymentTransaction>& transaction);
    void failedTransaction(const std::shared_ptr<platform::store::PaymentTransaction>& transaction);
    static void notifyUserOfUnavailableProduct();

    std::shared_ptr<platform::store::PaymentQueue> queue_;
    std::vector<std::shared_ptr<DZInAppPurchase>> activeInAppPurchases_;
    // Offers waiting for the store's answer on their product, one question per product.
    std::map<std::string, std::vector<std::shared_ptr<DZInAppPurchase>>> awaitingProducts_;
    std::shared_ptr<DZDefaultInAppPurchaseDelegate> delegate_;
};
