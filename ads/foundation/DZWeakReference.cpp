#include "ads/foundation/DZWeakReference.h"

#include <cstdio>

bool DZWeakReference::isEqual(const DZWeakReference& other) const {
    // Same address and the same ownership record: an object born later at a dead one's address
    // has an ownership record of its own.
    return address_ == other.address_ && !object_.owner_before(other.object_) &&
           !other.object_.owner_before(object_);
}

std::string DZWeakReference::description() const {
    char text[128];
    const auto object = object_.lock();
    char objectText[32] = "(null)";
    if (object) std::snprintf(objectText, sizeof objectText, "%p", object.get());
    std::snprintf(text, sizeof text, "<DZWeakReference: %p weakObject:%s uniqueID:%p>",
                  static_cast<const void*>(this), objectText, reinterpret_cast<const void*>(address_));
    return text;
}
