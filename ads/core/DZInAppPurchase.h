#pragma once
// One of the app's own store products offered by an ad, handed from the ad's click to the app's
// in-app purchase delegate through the slot: which product, how many, and the URL templates the
// outcome is reported to. Main thread only.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class DZViewController;

class DZInAppPurchase {
  public:
    enum Status : int32_t {
        kStatusError = 0,
        kStatusSuccess = 1,
        kStatusCancel = 2,
        kStatusInvalidProduct = 3
    };
    static constexpr int32_t kMinQuantity = 1;
    static constexpr int32_t kMaxQuantity = 10;

    // The ad's full-screen controller (closed on a successful purchase), or null for a banner.
    explicit DZInAppPurchase(std::weak_ptr<DZViewController> viewController)
        : adViewController_(std::move(viewController)) {}

    static bool quantityIsValid(int64_t quantity) {
        return quantity >= kMinQuantity && quantity <= kMaxQuantity;
    }
    static std::string stringForStatus(int32_t status);

    const std::string& productID() const { return productID_; }
    void setProductID(std::string productID) { productID_ = std::move(productID); }
    int32_t quantity() const { return quantity_; }
    // A quantity out of range is stored as 0.
    void setQuantity(int64_t quantity) {
        quantity_ = quantityIsValid(quantity) ? static_cast<int32_t>(quantity) : 0;
    }
    const std::vector<std::string>& reportingURLStringFormats() const { return reportingURLStringFormats_; }
    void setReportingURLStringFormats(std::vector<std::string> formats) {
        reportingURLStringFormats_ = std::move(formats);
    }
    int32_t purchaseStatus() const { return purchaseStatus_; }
    void setPurchaseStatus(int32_t status) { purchaseStatus_ = status; }
    std::shared_ptr<DZViewController> adViewController() const { return adViewController_.lock(); }

    std::string description() const;

  private:
    std::string productID_;
    int32_t quantity_ = 1;
    std::vector<std::string> reportingURLStringFormats_;
    int32_t purchaseStatus_ = kStatusError;
    std::weak_ptr<DZViewController> adViewController_;
};

// The app's side of an offered purchase.
class DZInAppPurchaseDelegate {
  public:
    virtual ~DZInAppPurchaseDelegate() = default;
    virtual void didReceiveInAppPurchase(const std::shared_ptr<DZInAppPurchase>& purchase) = 0;
};
