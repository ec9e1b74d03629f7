#pragma once
// A store whose loads succeed or fail as the test says: at once (on the next main-loop turn), or
// when the test releases them. Its products and the outcome of every payment are scripted too.
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "platform/dispatch/DispatchQueue.h"
#include "platform/store/StoreBackend.h"

namespace platform::store {

class FakeStoreBackend : public StoreBackend {
  public:
    void setSucceeds(bool succeeds) { succeeds_ = succeeds; }
    // While held, loads wait for finishPending().
    void setHolds(bool holds) { holds_ = holds; }

    void loadProduct(const std::string& itemIdentifier, Completion completion) override {
        requested_.push_back(itemIdentifier);
        if (holds_) {
            pending_.push_back(std::move(completion));
            return;
        }
        answer(std::move(completion));
    }
    // Answers every held load with the current outcome.
    void finishPending() {
        auto pending = std::move(pending_);
        pending_.clear();
        for (auto& completion : pending) answer(std::move(completion));
    }
    const std::vector<std::string>& requested() const { return requested_; }
    std::size_t pendingCount() const { return pending_.size(); }

    // The products the store knows; any other identifier asked for is invalid.
    void setProduct(const std::string& identifier, std::string price, std::string currencyCode) {
        products_[identifier] = StoreProduct{identifier, std::move(price), std::move(currencyCode)};
    }
    // Set: every products request fails with this message.
    void setProductsError(std::string error) { productsError_ = std::move(error); }
    void requestProducts(const std::set<std::string>& identifiers, ProductsCompletion completion) override {
        ++productsRequests_;
        ProductsAnswer answer;
        if (!productsError_.empty()) {
            answer.error = productsError_;
        } else {
            for (const auto& identifier : identifiers) {
                auto it = products_.find(identifier);
                if (it == products_.end())
                    answer.invalidProductIdentifiers.push_back(identifier);
                else
                    answer.products.push_back(it->second);
            }
        }
        DispatchQueue::main()->async(
            [completion = std::move(completion), answer = std::move(answer)]() mutable {
                completion(std::move(answer));
            });
    }
    int productsRequests() const { return productsRequests_; }

    enum class Outcome { Purchased, Cancelled, Failed };
    void setCanMakePayments(bool can) { canMakePayments_ = can; }
    bool canMakePayments() const override { return canMakePayments_; }
    void setOutcome(Outcome outcome) { outcome_ = outcome; }
    // The date every transaction gets, in seconds since 1970.
    void setTransactionDate(double date) { transactionDate_ = date; }
    void processPayment(const Payment& payment, PaymentCompletion completion) override {
        payments_.push_back(payment);
        PaymentOutcome outcome;
        outcome.transactionDate = transactionDate_;
        outcome.transactionIdentifier = "fake-" + std::to_string(payments_.size());
        switch (outcome_) {
            case Outcome::Purchased:
                outcome.state = TransactionState::Purchased;
                break;
            case Outcome::Cancelled:
                outcome.state = TransactionState::Failed;
                outcome.errorCode = PaymentTransaction::kErrorPaymentCancelled;
                outcome.errorMessage = "The user cancelled the payment";
                break;
            case Outcome::Failed:
                outcome.state = TransactionState::Failed;
                outcome.errorMessage = "The fake store failed the payment";
                break;
        }
        DispatchQueue::main()->async(
            [completion = std::move(completion), outcome = std::move(outcome)]() mutable {
                completion(std::move(outcome));
            });
    }
    const std::vector<Payment>& payments() const { return payments_; }

  private:
    void answer(Completion completion) {
        const bool loaded = succeeds_;
        DispatchQueue::main()->async([completion = std::move(completion), loaded] {
            completion(loaded, loaded ? "" : "The fake store failed the load");
        });
    }

    std::map<std::string, StoreProduct> products_;
    std::string productsError_;
    int productsRequests_ = 0;
    bool canMakePayments_ = true;
    Outcome outcome_ = Outcome::Purchased;
    double transactionDate_ = 1700000000.25;
    std::vector<Payment> payments_;
    bool succeeds_ = true;
    bool holds_ = false;
    std::vector<std::string> requested_;
    std::vector<Completion> pending_;
};

}  // namespace platform::store
