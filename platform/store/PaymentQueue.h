#pragma once
// The store's queue of payments: a payment added becomes a transaction the store moves to
// purchased or failed; each change reaches every observer on a later main-loop turn, and a
// transaction stays in the queue until the app finishes it. Main thread only.
#include <cstddef>
#include <memory>
#include <vector>

#include "platform/store/PaymentTransaction.h"

namespace platform::store {

class PaymentQueue;

class PaymentTransactionObserver {
  public:
    virtual ~PaymentTransactionObserver() = default;
    virtual void paymentQueueUpdatedTransactions(
        PaymentQueue& queue, const std::vector<std::shared_ptr<PaymentTransaction>>& transactions) = 0;
};

class PaymentQueue : public std::enable_shared_from_this<PaymentQueue> {
  public:
    // Transactions under way at once; a payment beyond fails without reaching the store.
    static constexpr std::size_t kMaxOpenTransactions = 64;

    // The process's queue, on the backend installed when a payment is added.
    static std::shared_ptr<PaymentQueue> defaultQueue();
    // A queue of its own (tests).
    static std::shared_ptr<PaymentQueue> create();
    // Whether the store takes payments here (any thread).
    static bool canMakePayments();

    // Observers are held weakly; adding one twice keeps one.
    void addObserver(const std::shared_ptr<PaymentTransactionObserver>& observer);
    void removeObserver(const PaymentTransactionObserver* observer);
    std::size_t observerCount() const;

    // A quantity below 1 is taken as 1, as the store would.
    void addPayment(Payment payment);
    void finishTransaction(const std::shared_ptr<PaymentTransaction>& transaction);
    // The unfinished transactions, oldest first.
    const std::vector<std::shared_ptr<PaymentTransaction>>& transactions() const { return transactions_; }

  private:
    PaymentQueue() = default;
    void notify(std::shared_ptr<PaymentTransaction> transaction);

    std::vector<std::weak_ptr<PaymentTransactionObserver>> observers_;
    std::vector<std::shared_ptr<PaymentTransaction>> transactions_;
};

}  // namespace platform::store
