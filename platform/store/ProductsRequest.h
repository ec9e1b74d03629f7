#pragma once
// Asks the store about a set of the app's product identifiers: which are products (with their
// prices) and which the store does not know, or why it could not answer. Main thread only.
#include <memory>
#include <set>
#include <string>

#include "platform/store/StoreBackend.h"

namespace platform::store {

class ProductsRequest : public std::enable_shared_from_this<ProductsRequest> {
  public:
    using Completion = StoreBackend::ProductsCompletion;

    // Asks the process's backend as it is when the request is made.
    static std::shared_ptr<ProductsRequest> create(std::set<std::string> productIdentifiers);

    const std::set<std::string>& productIdentifiers() const { return productIdentifiers_; }
    // The completion runs once, on a later main-loop turn; the request holds itself until then.
    // A second start does nothing.
    void start(Completion completion);
    // The completion is dropped unrun.
    void cancel() { cancelled_ = true; }

  private:
    ProductsRequest(std::set<std::string> productIdentifiers, std::shared_ptr<StoreBackend> backend)
        : productIdentifiers_(std::move(productIdentifiers)), backend_(std::move(backend)) {}

    std::set<std::string> productIdentifiers_;
    std::shared_ptr<StoreBackend> backend_;
    bool started_ = false;
    bool cancelled_ = false;
};

}  // namespace platform::store
