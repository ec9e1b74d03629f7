#pragma once
// Where a store product sheet gets its content, product facts come from and payments go. The
// desktop has no store, so the process's backend fails every load and products request, after one
// turn of the main loop as a real one would, cannot make payments and fails an added payment at
// once; a test installs a backend that answers as it is told. Main thread only (canMakePayments
// and shared() from any thread).
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "platform/store/PaymentTransaction.h"
#include "platform/store/StoreProduct.h"

namespace platform::store {

class StoreBackend {
  public:
    // Run once, on the main loop, never inside loadProduct; `error` is empty on success.
    using Completion = std::function<void(bool loaded, const std::string& error)>;
    static constexpr const char* kUnavailableMessage = "The store is not available on this system";

    virtual ~StoreBackend() = default;
    virtual void loadProduct(const std::string& itemIdentifier, Completion completion);

    struct ProductsAnswer {
        std::vector<StoreProduct> products;
        std::vector<std::string> invalidProductIdentifiers;
        std::string error;  // set: the request failed, and the lists are empty
    };
    // Run once, on the main loop, never inside requestProducts.
    using ProductsCompletion = std::function<void(ProductsAnswer answer)>;
    virtual void requestProducts(const std::set<std::string>& productIdentifiers,
                                 ProductsCompletion completion);

    struct PaymentOutcome {
        TransactionState state = TransactionState::Failed;
        std::string transactionIdentifier;
        double transactionDate = 0;
        int errorCode = PaymentTransaction::kErrorUnknown;
        std::string errorMessage;
    };
    // Run once with the final state (purchased or failed), at once or later on the main loop.
    using PaymentCompletion = std::function<void(PaymentOutcome outcome)>;
    virtual bool canMakePayments() const { return false; }
    virtual void processPayment(const Payment& payment, PaymentCompletion completion);

    static std::shared_ptr<StoreBackend> shared();
    // Installs another backend (null: the desktop's again) and returns the one it replaces.
    static std::shared_ptr<StoreBackend> setShared(std::shared_ptr<StoreBackend> backend);
};

}  // namespace platform::store
