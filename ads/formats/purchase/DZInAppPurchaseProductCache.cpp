#include "ads/formats/purchase/DZInAppPurchaseProductCache.h"

#include "platform/dispatch/DispatchQueue.h"

DZInAppPurchaseProductCache& DZInAppPurchaseProductCache::sharedInstance() {
    // Never destroyed: the reporter reads it from background queues up to the process's end.
    static auto* cache = new DZInAppPurchaseProductCache();
    return *cache;
}

std::optional<platform::store::StoreProduct> DZInAppPurchaseProductCache::cachedProductForProductID(
    const std::string& productID) const {
    std::lock_guard lock(mutex_);
    auto it = validProducts_.find(productID);
    if (it == validProducts_.end()) return std::nullopt;
    return it->second;
}

bool DZInAppPurchaseProductCache::isKnownInvalid(const std::string& productID) const {
    std::lock_guard lock(mutex_);
    return invalidProducts_.count(productID) != 0;
}

void DZInAppPurchaseProductCache::requestProductsWithProductIdentifiers(
    const std::set<std::string>& productIDs, std::shared_ptr<platform::DispatchQueue> queue,
    DZProductsRequest::CompletionHandler handler) {
    if (!queue || !handler) return;
    DZProductsRequest::requestProductsWithProductIdentifiers(
        productIDs, platform::DispatchQueue::main(),
        [this, queue, handler = std::move(handler)](const DZProductsRequest::Products& products,
                                                    const std::set<std::string>& invalid,
                                                    const std::string& error) {
            note(products, invalid);
            queue->async([handler, products, invalid, error] { handler(products, invalid, error); });
        });
}

void DZInAppPurchaseProductCache::note(const DZProductsRequest::Products& products,
                                       const std::set<std::string>& invalid) {
    std::lock_guard lock(mutex_);
    for (const auto& [identifier, product] : products) {
        validProducts_[identifier] = product;
        invalidProducts_.erase(identifier);
    }
    for (const auto& identifier : invalid) {
        validProducts_.erase(identifier);
        if (invalidProducts_.size() >= kMaxInvalidProducts) invalidProducts_.clear();
        invalidProducts_.insert(identifier);
    }
}

void DZInAppPurchaseProductCache::reset() {
    std::lock_guard lock(mutex_);
    validProducts_.clear();
    invalidProducts_.clear();
}
