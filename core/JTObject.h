#pragma once
#include <cstdint>

#include "core/JTWeakPtr.h"

namespace JTCore {

class JTString;

// Base of every game-core object: identity equality and hash unless a class says otherwise.
class JTObject : public JTWeakPtrTarget {
  public:
    JTObject() = default;
    ~JTObject() override = default;

    // "<run-time type name>@<address in lower-case hex>"
    virtual Ref<JTString> toString() const;
    virtual bool equals(const Ref<JTObject>& other) const;
    virtual int32_t hashCode() const;
};

// Type-tested conversion: null for null or for an object of another run-time type.
template <class T, class U>
Ref<T> dynamicRef(const Ref<U>& object) {
    return Ref<T>(dynamic_cast<T*>(object.get()));
}

// Object counting is off in this build; the app core's leak check calls these anyway.
int getObjectCount();
void checkObjectLeaks();

}  // namespace JTCore
