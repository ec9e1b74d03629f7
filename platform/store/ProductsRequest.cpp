#include "platform/store/ProductsRequest.h"

namespace platform::store {

std::shared_ptr<ProductsRequest> ProductsRequest::create(std::set<std::string> productIdentifiers) {
    return std::shared_ptr<ProductsRequest>(
        new ProductsRequest(std::move(productIdentifiers), StoreBackend::shared()));
}

void ProductsRequest::start(Completion completion) {
    if (started_ || !completion) return;
    started_ = true;
    backend_->requestProducts(productIdentifiers_,
                              [self = shared_from_this(), completion = std::move(completion)](auto answer) {
                                  if (!self->cancelled_) completion(std::move(answer));
                              });
}

}  // namespace platform::store
