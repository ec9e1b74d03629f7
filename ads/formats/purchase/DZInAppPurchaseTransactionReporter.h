#pragma once
// Reports every store purchase the app completes, whoever started it, as a conversion to the ad
// server, so purchases can be put down to ads. Switched on at start-up unless the app carries a
// library that reports purchases itself. Store callbacks arrive on the main thread; the reports
// are built and sent on a background queue through the pinger's retry group.
#include <atomic>
#include <cstddef>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/store/PaymentQueue.h"

class DZPinger;

namespace platform {
class UserDefaults;
}

class DZInAppPurchaseTransactionReporter
    : public platform::store::PaymentTransactionObserver,
      public std::enable_shared_from_this<DZInAppPurchaseTransactionReporter> {
  public:
    static constexpr const char* kEquivalentClassesKey = "/rerive/ads/iap_equivalent_classes";
    static constexpr const char* kReportFormatKey = "/rerive/ads/iap_report_format";
    static constexpr const char* kRetrySuffixKey = "/rerive/ads/iap_retry_suffix";
    static constexpr const char* kDefaultEquivalentClass = "RAZEvezurozudi";
    static constexpr const char* kDefaultRetrySuffix = "&retry=1";
    static constexpr const char* kRetryGroupKey = "/rerive/ads/auto-iap";

    using Parameters = std::map<std::string, std::string>;

    static std::shared_ptr<DZInAppPurchaseTransactionReporter> sharedInstance();
    // A reporter of its own (tests).
    static std::shared_ptr<DZInAppPurchaseTransactionReporter> create(
        std::shared_ptr<platform::store::PaymentQueue> queue, std::shared_ptr<DZPinger> pinger,
        std::shared_ptr<platform::UserDefaults> defaults);
    ~DZInAppPurchaseTransactionReporter() override;

    // The compiled-in template: the conversion endpoint on the ad server with every parameter.
    static std::string defaultReportFormat();
    // The price's decimal text with at most six decimals, rounded toward negative infinity and
    // without trailing zeros; nothing for a text that is no plain decimal number.
    static std::optional<std::string> formattedPrice(const std::string& decimalText);

    // No once disabled, or when a class named in the equivalent-classes list is in the process.
    bool shouldBeEnabled() const;
    void enableReporting();
    // For the rest of the process.
    void disableReporting();
    bool reportingEnabled() const { return reportingEnabled_; }
    bool wasDisabled() const { return wasDisabled_; }
    // Conversion reports handed to the pinger so far (any thread): a tool that drives a purchase
    // waits for its report to be under way before it waits for the pings to end.
    std::size_t reportsHandedToPinger() const { return reportsHanded_->load(); }

    // platform::store::PaymentTransactionObserver
    void paymentQueueUpdatedTransactions(
        platform::store::PaymentQueue& queue,
        const std::vector<std::shared_ptr<platform::store::PaymentTransaction>>& transactions) override;

    // The report URL of one transaction's parameters (shared ones included) on the template.
    static std::string reportURLString(const std::string& format, const Parameters& parameters);

  private:
    DZInAppPurchaseTransactionReporter(std::shared_ptr<platform::store::PaymentQueue> queue,
                                       std::shared_ptr<DZPinger> pinger,
                                       std::shared_ptr<platform::UserDefaults> defaults);
    std::vector<std::string> equivalentClasses() const;
    void reportTransactions(std::vector<Parameters> transactions);

    std::shared_ptr<platform::store::PaymentQueue> queue_;
    std::shared_ptr<DZPinger> pinger_;
    std::shared_ptr<platform::UserDefaults> defaults_;
    bool reportingEnabled_ = false;
    bool wasDisabled_ = false;
    // Shared with the background sends, which may outlive the reporter.
    std::shared_ptr<std::atomic<std::size_t>> reportsHanded_ = std::make_shared<std::atomic<std::size_t>>(0);
};
