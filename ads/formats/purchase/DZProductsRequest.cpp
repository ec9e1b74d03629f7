#include "ads/formats/purchase/DZProductsRequest.h"

#include "platform/dispatch/DispatchQueue.h"
#include "platform/store/ProductsRequest.h"

void DZProductsRequest::requestProductsWithProductIdentifiers(const std::set<std::string>& productIDs,
                                                              std::shared_ptr<platform::DispatchQueue> queue,
                                                              CompletionHandler handler) {
    if (!queue || !handler) return;
    if (productIDs.empty()) {
        queue->async([handler = std::move(handler)] { handler({}, {}, kInitializationError); });
        return;
    }
    // The store's request holds itself until it has answered.
    platform::store::ProductsRequest::create(productIDs)
        ->start([queue, handler = std::move(handler)](platform::store::StoreBackend::ProductsAnswer answer) {
            Products products;
            std::set<std::string> invalid;
            if (answer.error.empty()) {
                for (auto& product : answer.products)
                    products[product.productIdentifier] = std::move(product);
                invalid.insert(answer.invalidProductIdentifiers.begin(),
                               answer.invalidProductIdentifiers.end());
            }
            queue->async([handler, products = std::move(products), invalid = std::move(invalid),
                          error = std::move(answer.error)] { handler(products, invalid, error); });
        });
}
