#include "platform/store/StoreBackend.h"

#include <mutex>

#include "platform/dispatch/DispatchQueue.h"

namespace platform::store {

namespace {

std::shared_ptr<StoreBackend>& installed() {
    static std::shared_ptr<StoreBackend> backend;
    return backend;
}

std::mutex& installedMutex() {
    static auto* mutex = new std::mutex;
    return *mutex;
}

}  // namespace

void StoreBackend::loadProduct(const std::string&, Completion completion) {
    DispatchQueue::main()->async(
        [completion = std::move(completion)] { completion(false, kUnavailableMessage); });
}

void StoreBackend::requestProducts(const std::set<std::string>&, ProductsCompletion completion) {
    DispatchQueue::main()->async([completion = std::move(completion)] {
        ProductsAnswer answer;
        answer.error = kUnavailableMessage;
        completion(std::move(answer));
    });
}

void StoreBackend::processPayment(const Payment&, PaymentCompletion completion) {
    PaymentOutcome outcome;
    outcome.errorMessage = kUnavailableMessage;
    completion(std::move(outcome));
}

std::shared_ptr<StoreBackend> StoreBackend::shared() {
    std::lock_guard lock(installedMutex());
    auto& backend = installed();
    if (!backend) backend = std::make_shared<StoreBackend>();
    return backend;
}

std::shared_ptr<StoreBackend> StoreBackend::setShared(std::shared_ptr<StoreBackend> backend) {
    std::lock_guard lock(installedMutex());
    auto previous = std::move(installed());
    installed() = std::move(backend);
    return previous;
}

}  // namespace platform::store
