#pragma once
// What the store says about one of the app's products. The price stays the store's decimal text:
// a price never passes through binary floating point on its way to a report.
#include <string>

namespace platform::store {

struct StoreProduct {
    std::string productIdentifier;
    std::string price;         // decimal text, "4.99"; empty when the store gave none
    std::string currencyCode;  // "USD"; empty when the store's locale has none
};

}  // namespace platform::store
