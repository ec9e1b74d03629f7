#include "core/JTBoolean.h"

namespace JTCore {

Ref<JTString> JTBoolean::toString() const {
    return value_ ? trueString() : falseString();
}

bool JTBoolean::equals(const Ref<JTObject>& other) const {
    Ref<JTBoolean> b = dynamicRef<JTBoolean>(other);
    return b && b->value_ == value_;
}

const Ref<JTBoolean>& JTBoolean::True() {
    static const Ref<JTBoolean> b = makeRef<JTBoolean>(true);
    return b;
}

const Ref<JTBoolean>& JTBoolean::False() {
    static const Ref<JTBoolean> b = makeRef<JTBoolean>(false);
    return b;
}

}  // namespace JTCore
