#include "platform/store/StoreBackend.h"

#include "platform/dispatch/DispatchQueue.h"

namespace platform::store {

namespace {

std::shared_ptr<StoreBackend>& installed() {
    static std::shared_ptr<StoreBackend> backend;
    return backend;
}

}  // namespace

void StoreBackend::loadProduct(const std::string&, Completion completion) {
    DispatchQueue::main()->async(
        [completion = std::move(completion)] { completion(false, kUnavailableMessage); });
}

std::shared_ptr<StoreBackend> StoreBackend::shared() {
    auto& backend = installed();
    if (!backend) backend = std::make_shared<StoreBackend>();
    return backend;
}

std::shared_ptr<StoreBackend> StoreBackend::setShared(std::shared_ptr<StoreBackend> backend) {
    auto previous = std::move(installed());
    installed() = std::move(backend);
    return previous;
}

}  // namespace platform::store
