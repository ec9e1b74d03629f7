#pragma once
// One payment for a product and its transaction in the payment queue. Main thread only.
#include <cstdint>
#include <string>

namespace platform::store {

struct Payment {
    std::string productIdentifier;
    int32_t quantity = 1;
};

enum class TransactionState : int { Purchasing = 0, Purchased = 1, Failed = 2, Restored = 3, Deferred = 4 };

class PaymentTransaction {
  public:
    // The error code of a payment the user cancelled.
    static constexpr int kErrorPaymentCancelled = 2;
    // The code of a payment the store could not take (no store, not allowed).
    static constexpr int kErrorUnknown = 0;

    explicit PaymentTransaction(Payment payment) : payment_(std::move(payment)) {}

    const Payment& payment() const { return payment_; }
    TransactionState state() const { return state_; }
    // Empty until the store names the transaction.
    const std::string& transactionIdentifier() const { return transactionIdentifier_; }
    // Seconds since 1970.
    double transactionDate() const { return transactionDate_; }
    // Meaningful only in the failed state.
    int errorCode() const { return errorCode_; }
    const std::string& errorMessage() const { return errorMessage_; }
    bool finished() const { return finished_; }

    void update(TransactionState state, std::string identifier, double date, int errorCode,
                std::string errorMessage) {
        state_ = state;
        transactionIdentifier_ = std::move(identifier);
        transactionDate_ = date;
        errorCode_ = errorCode;
        errorMessage_ = std::move(errorMessage);
    }
    void markFinished() { finished_ = true; }

  private:
    Payment payment_;
    TransactionState state_ = TransactionState::Purchasing;
    std::string transactionIdentifier_;
    double transactionDate_ = 0;
    int errorCode_ = kErrorUnknown;
    std::string errorMessage_;
    bool finished_ = false;
};

}  // namespace platform::store
