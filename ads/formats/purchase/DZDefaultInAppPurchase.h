#pragma once
// A purchase the store reports paid under the default purchase flow, for the app to fulfil. Its
// transaction stays open until the app calls finishTransaction(), which also reports the success.
// Main thread only.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

class DZDefaultInAppPurchase;
class DZInAppPurchase;

namespace platform::store {
class PaymentQueue;
class PaymentTransaction;
}  // namespace platform::store

// The app's side of the default purchase flow.
class DZDefaultInAppPurchaseDelegate {
  public:
    virtual ~DZDefaultInAppPurchaseDelegate() = default;
    // The store took the payment: deliver the goods, then call finishTransaction().
    virtual void userDidPayForPurchase(const std::shared_ptr<DZDefaultInAppPurchase>& purchase) = 0;
    // Whether a purchase an ad offers may start; nothing: the app does not decide (it may).
    virtual std::optional<bool> shouldStartPurchaseForProductID(const std::string& productID,
                                                                int32_t quantity) {
        (void)productID;
        (void)quantity;
        return std::nullopt;
    }
};

class DZDefaultInAppPurchase {
  public:
    DZDefaultInAppPurchase(std::string productID, int32_t quantity,
                           std::shared_ptr<platform::store::PaymentTransaction> transaction,
                           std::shared_ptr<DZInAppPurchase> inAppPurchase,
                           std::shared_ptr<platform::store::PaymentQueue> queue = nullptr);

    // The flow takes the purchases of every ad while enabled; the delegate is held strongly until
    // disabled. A second delegate while one is set is ignored.
    static void enableDefaultPurchaseFlowWithDelegate(
        std::shared_ptr<DZDefaultInAppPurchaseDelegate> delegate);
    static void disableDefaultPurchaseFlow();

    const std::string& productID() const { return productID_; }
    int32_t quantity() const { return quantity_; }
    const std::shared_ptr<platform::store::PaymentTransaction>& paymentTransaction() const {
        return paymentTransaction_;
    }
    const std::shared_ptr<DZInAppPurchase>& inAppPurchase() const { return inAppPurchase_; }

    // Closes the store's transaction and reports the purchase a success. Once.
    void finishTransaction();

  private:
    std::string productID_;
    int32_t quantity_;
    std::shared_ptr<platform::store::PaymentTransaction> paymentTransaction_;
    std::shared_ptr<DZInAppPurchase> inAppPurchase_;
    std::shared_ptr<platform::store::PaymentQueue> queue_;
};
