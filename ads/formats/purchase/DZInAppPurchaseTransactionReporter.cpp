#include "ads/formats/purchase/DZInAppPurchaseTransactionReporter.h"

#include <cctype>
#include <cstdio>
#include <set>

#include "ads/core/DZAdServer.h"
#include "ads/core/DZRequest.h"
#include "ads/formats/purchase/DZInAppPurchaseProductCache.h"
#include "ads/foundation/DZApplication.h"
#include "ads/foundation/DZDevice.h"
#include "ads/foundation/DZPinger.h"
#include "ads/foundation/DZStringAdditions.h"
#include "platform/defaults/UserDefaults.h"
#include "platform/dispatch/DispatchQueue.h"
#include "platform/foundation/ClassRegistry.h"

using platform::store::PaymentTransaction;
using platform::store::TransactionState;

namespace {

// Query parameter and the placeholder that fills it, in the order the server expects.
constexpr std::pair<const char*, const char*> kReportQuery[] = {
    {"appversion", "appversion"},
    {"bundleid", "bundleid"},
    {"currency_code", "currencycode"},
    {"iap_source", "iapsource"},
    {"lat", "lat"},
    {"osversion", "osversion"},
    {"price", "price"},
    {"quantity", "quantity"},
    {"rdid", "rdid"},
    {"sdkversion", "sdkversion"},
    {"sku", "sku"},
    {"timestamp", "timestamp"},
    {"transaction_id", "transactionid"},
};

constexpr int kPriceDecimals = 6;

}  // namespace

std::shared_ptr<DZInAppPurchaseTransactionReporter> DZInAppPurchaseTransactionReporter::sharedInstance() {
    // Never destroyed: its reports may still be on a background queue while the process ends.
    static const auto* reporter = new std::shared_ptr<DZInAppPurchaseTransactionReporter>(
        create(platform::store::PaymentQueue::defaultQueue(), DZPinger::sharedInstance(),
               platform::UserDefaults::standard()));
    return *reporter;
}

std::shared_ptr<DZInAppPurchaseTransactionReporter> DZInAppPurchaseTransactionReporter::create(
    std::shared_ptr<platform::store::PaymentQueue> queue, std::shared_ptr<DZPinger> pinger,
    std::shared_ptr<platform::UserDefaults> defaults) {
    return std::shared_ptr<DZInAppPurchaseTransactionReporter>(
        new DZInAppPurchaseTransactionReporter(std::move(queue), std::move(pinger), std::move(defaults)));
}

DZInAppPurchaseTransactionReporter::DZInAppPurchaseTransactionReporter(
    std::shared_ptr<platform::store::PaymentQueue> queue, std::shared_ptr<DZPinger> pinger,
    std::shared_ptr<platform::UserDefaults> defaults)
    : queue_(std::move(queue)), pinger_(std::move(pinger)), defaults_(std::move(defaults)) {}

DZInAppPurchaseTransactionReporter::~DZInAppPurchaseTransactionReporter() {
    // The queue holds its observers weakly: an expired one is dropped on its own.
    wasDisabled_ = true;
}

std::string DZInAppPurchaseTransactionReporter::defaultReportFormat() {
    std::string query;
    for (const auto& [name, placeholder] : kReportQuery) {
        if (!query.empty()) query += '&';
        query += std::string(name) + "=@" + placeholder + "@";
    }
    return DZAdServerURL("/adpage/conversion/") + "?" + query;
}

std::optional<std::string> DZInAppPurchaseTransactionReporter::formattedPrice(
    const std::string& decimalText) {
    // Decimal digits throughout: a binary double would turn 4.99 into 4.989999... and floor it.
    std::size_t i = 0;
    const bool negative = !decimalText.empty() && decimalText[0] == '-';
    if (negative) ++i;
    std::string whole, fraction;
    while (i < decimalText.size() && std::isdigit(static_cast<unsigned char>(decimalText[i])))
        whole += decimalText[i++];
    if (i < decimalText.size() && decimalText[i] == '.') {
        ++i;
        while (i < decimalText.size() && std::isdigit(static_cast<unsigned char>(decimalText[i])))
            fraction += decimalText[i++];
    }
    if (i != decimalText.size() || (whole.empty() && fraction.empty()) || whole.size() > 30)
        return std::nullopt;
    const bool cut = fraction.size() > kPriceDecimals &&
                     fraction.find_first_not_of('0', kPriceDecimals) != std::string::npos;
    if (fraction.size() > kPriceDecimals) fraction.resize(kPriceDecimals);
    // Toward negative infinity: a negative price that lost digits grows by one in the last place.
    std::string digits =
        (whole.empty() ? "0" : whole) + fraction + std::string(kPriceDecimals - fraction.size(), '0');
    if (negative && cut) {
        std::size_t k = digits.size();
        while (k > 0) {
            --k;
            if (digits[k] == '9') {
                digits[k] = '0';
                continue;
            }
            ++digits[k];
            break;
        }
        if (k == 0 && digits[0] == '0') digits.insert(digits.begin(), '1');
    }
    std::string intPart = digits.substr(0, digits.size() - kPriceDecimals);
    std::string fracPart = digits.substr(digits.size() - kPriceDecimals);
    intPart.erase(0, std::min(intPart.find_first_not_of('0'), intPart.size() - 1));
    while (!fracPart.empty() && fracPart.back() == '0') fracPart.pop_back();
    const bool zero = intPart == "0" && fracPart.empty();
    return std::string(negative && !zero ? "-" : "") + intPart + (fracPart.empty() ? "" : "." + fracPart);
}

std::vector<std::string> DZInAppPurchaseTransactionReporter::equivalentClasses() const {
    // The server's constant arrives as JSON text; a value that is no list of names is the default.
    auto text = defaults_->stringForKey(kEquivalentClassesKey);
    if (!text) return {kDefaultEquivalentClass};
    const auto list = dz_decodedJSONObject(*text).value_or(nlohmann::json());
    if (!list.is_array()) return {kDefaultEquivalentClass};
    std::vector<std::string> names;
    for (const auto& value : list) {
        if (value.is_string()) names.push_back(value.get_ref<const std::string&>());
    }
    return names;
}

bool DZInAppPurchaseTransactionReporter::shouldBeEnabled() const {
    if (wasDisabled_) return false;
    const auto& registry = platform::ClassRegistry::shared();
    for (const auto& name : equivalentClasses()) {
        if (registry.contains(name)) return false;
    }
    return true;
}

void DZInAppPurchaseTransactionReporter::enableReporting() {
    if (reportingEnabled_ || wasDisabled_) return;
    queue_->addObserver(shared_from_this());
    reportingEnabled_ = true;
}

void DZInAppPurchaseTransactionReporter::disableReporting() {
    wasDisabled_ = true;
    if (!reportingEnabled_) return;
    queue_->removeObserver(this);
    reportingEnabled_ = false;
}

void DZInAppPurchaseTransactionReporter::paymentQueueUpdatedTransactions(
    platform::store::PaymentQueue&, const std::vector<std::shared_ptr<PaymentTransaction>>& transactions) {
    std::vector<Parameters> purchased;
    std::set<std::string> uncached;
    auto& cache = DZInAppPurchaseProductCache::sharedInstance();
    for (const auto& transaction : transactions) {
        if (!transaction || transaction->state() != TransactionState::Purchased) continue;
        const auto& payment = transaction->payment();
        char timestamp[64];
        std::snprintf(timestamp, sizeof timestamp, "%f", transaction->transactionDate());
        purchased.push_back({{"sku", payment.productIdentifier},
                             {"transactionid", transaction->transactionIdentifier()},
                             {"quantity", std::to_string(payment.quantity)},
                             {"timestamp", timestamp}});
        if (!cache.cachedProductForProductID(payment.productIdentifier))
            uncached.insert(payment.productIdentifier);
    }
    if (purchased.empty()) return;
    std::weak_ptr<DZInAppPurchaseTransactionReporter> weak = weak_from_this();
    if (uncached.empty()) {
        platform::DispatchQueue::main()->async([weak, purchased = std::move(purchased)]() mutable {
            if (auto self = weak.lock()) self->reportTransactions(std::move(purchased));
        });
        return;
    }
    // Whatever the store answers, the reports go; a product it does not know has no price.
    cache.requestProductsWithProductIdentifiers(
        uncached, platform::DispatchQueue::main(),
        [weak, purchased = std::move(purchased)](const auto&, const auto&, const auto&) {
            if (auto self = weak.lock()) self->reportTransactions(purchased);
        });
}

void DZInAppPurchaseTransactionReporter::reportTransactions(std::vector<Parameters> transactions) {
    auto application = DZApplication::sharedInstance();
    auto device = DZDevice::sharedInstance();
    Parameters shared = {
        {"appversion", application->version()},
        {"bundleid", application->mainBundleIdentifier().value_or("")},
        {"iapsource", "auto"},
        {"osversion", device->systemVersion()},
        // No advertising identifier exists here.
        {"rdid", ""},
        {"lat", device->limitAdTrackingString()},
        {"sdkversion", DZRequest::sdkVersion()},
    };
    const std::string format = defaults_->stringForKey(kReportFormatKey).value_or(defaultReportFormat());
    const std::string suffix = defaults_->stringForKey(kRetrySuffixKey).value_or(kDefaultRetrySuffix);
    auto pinger = pinger_;
    auto handed = reportsHanded_;
    platform::DispatchQueue::global()->async(
        [transactions = std::move(transactions), shared = std::move(shared), format, suffix, pinger, handed] {
            auto& cache = DZInAppPurchaseProductCache::sharedInstance();
            for (const auto& transaction : transactions) {
                Parameters parameters = shared;
                for (const auto& [key, value] : transaction) parameters[key] = value;
                if (auto product = cache.cachedProductForProductID(parameters["sku"])) {
                    if (auto price = formattedPrice(product->price)) parameters["price"] = *price;
                    if (!product->currencyCode.empty()) parameters["currencycode"] = product->currencyCode;
                }
                const std::string url = reportURLString(format, parameters);
                pinger->pingWithRetryGroupKey(kRetryGroupKey, url, url + suffix);
                ++*handed;
            }
        });
}

std::string DZInAppPurchaseTransactionReporter::reportURLString(const std::string& format,
                                                                const Parameters& parameters) {
    std::string text = format;
    for (const auto& [name, value] : parameters) {
        dz_replaceAtQuotedKeywordPattern(text, name, dz_stringByEscapingAsURLParameter(value));
    }
    dz_removeAtQuotedKeywords(text);
    dz_unescapeAts(text);
    return text;
}
