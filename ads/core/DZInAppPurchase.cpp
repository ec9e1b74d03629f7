#include "ads/core/DZInAppPurchase.h"

#include <cstdio>

std::string DZInAppPurchase::stringForStatus(int32_t status) {
    switch (status) {
        case kStatusSuccess:
            return "success";
        case kStatusCancel:
            return "cancel";
        case kStatusInvalidProduct:
            return "invalid product";
        default:
            return "error";
    }
}

std::string DZInAppPurchase::description() const {
    char head[64];
    std::snprintf(head, sizeof head, "<DZInAppPurchase: %p>", static_cast<const void*>(this));
    return std::string(head) + "(\n  productID: " + productID_ +
           ",\n  quantity: " + std::to_string(quantity_) + ")";
}
