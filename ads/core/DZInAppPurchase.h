#pragma once
// One of the app's own store products offered by an ad, handed from the ad's click to the app's
// in-app purchase delegate through the slot: which product, how many, and the URL templates the
// outcome is reported to. Main thread only.
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "ads/foundation/DZClickTracker.h"

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

    // Closes the ad's full-screen controller if it still exists (a successful purchase ends the
    // ad); the opener, which knows the controller, makes it holding it weakly. Empty for a banner.
    using AdScreenCloser = std::function<void()>;
    explicit DZInAppPurchase(AdScreenCloser closeAdScreen = {}) : closeAdScreen_(std::move(closeAdScreen)) {}

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
    // What each report URL, filled, and every redirect on its way, must pass before it is requested.
    void setReportCheck(DZClickTracker::HopCheck check) { reportCheck_ = std::move(check); }
    int32_t purchaseStatus() const { return purchaseStatus_; }
    void setPurchaseStatus(int32_t status) { purchaseStatus_ = status; }
    // Whether an outcome was reported: the status alone cannot tell an error from none yet.
    bool hasReportedStatus() const { return statusReported_.load(); }
    bool hasAdScreen() const { return static_cast<bool>(closeAdScreen_); }

    // Keeps the status, closes the ad's screen on success and pings every reporting template
    // filled with this purchase's values; the first outcome reported stands, later ones do
    // nothing. Any thread: the screen closes on the main thread.
    void reportPurchaseStatus(int32_t status);
    // The template with its placeholders filled (values escaped as URL parameters) and any other
    // placeholder removed.
    std::string expandedURLStringForURLStringFormat(const std::string& format) const;

    std::string description() const;

  private:
    std::string productID_;
    int32_t quantity_ = 1;
    std::vector<std::string> reportingURLStringFormats_;
    int32_t purchaseStatus_ = kStatusError;
    std::atomic<bool> statusReported_{false};
    AdScreenCloser closeAdScreen_;
    DZClickTracker::HopCheck reportCheck_;
};

// The app's side of an offered purchase.
class DZInAppPurchaseDelegate {
  public:
    virtual ~DZInAppPurchaseDelegate() = default;
    virtual void didReceiveInAppPurchase(const std::shared_ptr<DZInAppPurchase>& purchase) = 0;
};
