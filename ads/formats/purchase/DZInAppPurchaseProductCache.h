#pragma once
// The store's products as far as it has answered in this process: which identifiers are products
// (with their prices) and which it refused. Read from any thread; filled from the store's answers.
#include <cstddef>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>

#include "ads/formats/purchase/DZProductsRequest.h"

class DZInAppPurchaseProductCache {
  public:
    // Refused identifiers remembered at most; ads choose them, so a page could send any number.
    static constexpr std::size_t kMaxInvalidProducts = 256;

    static DZInAppPurchaseProductCache& sharedInstance();

    std::optional<platform::store::StoreProduct> cachedProductForProductID(
        const std::string& productID) const;
    bool isKnownInvalid(const std::string& productID) const;
    // Asks the store, notes its answer, then passes it to the handler on the caller's queue.
    // Nothing without both queue and handler. Main thread.
    void requestProductsWithProductIdentifiers(const std::set<std::string>& productIDs,
                                               std::shared_ptr<platform::DispatchQueue> queue,
                                               DZProductsRequest::CompletionHandler handler);
    // Forgets every answer (tests).
    void reset();

  private:
    void note(const DZProductsRequest::Products& products, const std::set<std::string>& invalid);

    mutable std::mutex mutex_;
    std::map<std::string, platform::store::StoreProduct> validProducts_;  // mutex_
    std::set<std::string> invalidProducts_;                               // mutex_
};
