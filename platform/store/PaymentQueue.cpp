#include "platform/store/PaymentQueue.h"

#include <algorithm>

#include "platform/dispatch/DispatchQueue.h"
#include "platform/store/StoreBackend.h"

namespace platform::store {

std::shared_ptr<PaymentQueue> PaymentQueue::defaultQueue() {
    // Never destroyed: observers may still leave it while the process ends.
    static const auto* queue = new std::shared_ptr<PaymentQueue>(create());
    return *queue;
}

std::shared_ptr<PaymentQueue> PaymentQueue::create() {
    return std::shared_ptr<PaymentQueue>(new PaymentQueue());
}

bool PaymentQueue::canMakePayments() {
    return StoreBackend::shared()->canMakePayments();
}

void PaymentQueue::addObserver(const std::shared_ptr<PaymentTransactionObserver>& observer) {
    if (!observer) return;
    std::erase_if(observers_, [](const auto& weak) { return weak.expired(); });
    for (const auto& weak : observers_) {
        if (weak.lock() == observer) return;
    }
    observers_.push_back(observer);
}

void PaymentQueue::removeObserver(const PaymentTransactionObserver* observer) {
    std::erase_if(observers_, [observer](const auto& weak) {
        auto held = weak.lock();
        return !held || held.get() == observer;
    });
}

std::size_t PaymentQueue::observerCount() const {
    return static_cast<std::size_t>(std::count_if(observers_.begin(), observers_.end(),
                                                  [](const auto& weak) { return !weak.expired(); }));
}

void PaymentQueue::addPayment(Payment payment) {
    payment.quantity = std::max(payment.quantity, 1);
    auto transaction = std::make_shared<PaymentTransaction>(payment);
    if (transactions_.size() >= kMaxOpenTransactions) {
        transaction->update(TransactionState::Failed, "", 0, PaymentTransaction::kErrorUnknown,
                            "Too many payments under way");
        notify(std::move(transaction));
        return;
    }
    transactions_.push_back(transaction);
    std::weak_ptr<PaymentQueue> weak = weak_from_this();
    StoreBackend::shared()->processPayment(
        payment, [weak, transaction](StoreBackend::PaymentOutcome outcome) {
            auto self = weak.lock();
            if (!self || transaction->finished()) return;
            transaction->update(outcome.state, std::move(outcome.transactionIdentifier),
                                outcome.transactionDate, outcome.errorCode, std::move(outcome.errorMessage));
            self->notify(transaction);
        });
}

void PaymentQueue::finishTransaction(const std::shared_ptr<PaymentTransaction>& transaction) {
    if (!transaction) return;
    transaction->markFinished();
    std::erase(transactions_, transaction);
}

void PaymentQueue::notify(std::shared_ptr<PaymentTransaction> transaction) {
    // Never inside addPayment: an observer may add or finish payments itself.
    DispatchQueue::main()->async([weak = weak_from_this(), transaction = std::move(transaction)] {
        auto self = weak.lock();
        if (!self) return;
        const std::vector<std::shared_ptr<PaymentTransaction>> updated{transaction};
        auto observers = self->observers_;
        for (const auto& observer : observers) {
            if (auto held = observer.lock()) held->paymentQueueUpdatedTransactions(*self, updated);
        }
    });
}

}  // namespace platform::store
