#pragma once
// One question to the store about a set of product identifiers, answered once on the queue the
// caller names: the products by identifier, the identifiers the store does not know, or an error.
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>

#include "platform/store/StoreProduct.h"

namespace platform {
class DispatchQueue;
}

class DZProductsRequest {
  public:
    using Products = std::map<std::string, platform::store::StoreProduct>;
    // error is empty on success; then the products and the invalid identifiers hold the answer.
    using CompletionHandler = std::function<void(
        const Products& products, const std::set<std::string>& invalidProductIDs, const std::string& error)>;
    static constexpr const char* kInitializationError = "Couldn't initialize.";

    // Nothing without both queue and handler. Main thread.
    static void requestProductsWithProductIdentifiers(const std::set<std::string>& productIDs,
                                                      std::shared_ptr<platform::DispatchQueue> queue,
                                                      CompletionHandler handler);
};
