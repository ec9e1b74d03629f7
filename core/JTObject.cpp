#include "core/JTObject.h"

#include <cstdio>
#include <typeinfo>

#include "core/JTString.h"

namespace JTCore {

Ref<JTString> JTObject::toString() const {
    char text[256];
    std::snprintf(text, sizeof text, "%s@%x", typeid(*this).name(),
                  static_cast<unsigned>(reinterpret_cast<uintptr_t>(this)));
    return makeRef<JTString>(text);
}

bool JTObject::equals(const Ref<JTObject>& other) const {
    return other.get() == this;
}

int32_t JTObject::hashCode() const {
    return static_cast<int32_t>(static_cast<uint32_t>(reinterpret_cast<uintptr_t>(this)));
}

int getObjectCount() {
    return -1;
}

void checkObjectLeaks() {}

}  // namespace JTCore
