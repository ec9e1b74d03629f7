#pragma once
// Intrusive reference counting for the game core. Counts are plain integers: the game-core
// object graph belongs to the main thread and is never shared with another one.
#include <boost/intrusive_ptr.hpp>
#include <cstdint>
#include <utility>

namespace JTCore {

class JTRefCount {
  public:
    JTRefCount() = default;
    JTRefCount(const JTRefCount&) = delete;
    JTRefCount& operator=(const JTRefCount&) = delete;
    virtual ~JTRefCount() = default;

    uint32_t refCount() const { return refCount_; }

  private:
    friend void intrusive_ptr_add_ref(JTRefCount* p);
    friend void intrusive_ptr_release(JTRefCount* p);
    // A new object is born owning one reference; makeRef adopts it.
    uint32_t refCount_ = 1;
};

inline void intrusive_ptr_add_ref(JTRefCount* p) {
    ++p->refCount_;
}

inline void intrusive_ptr_release(JTRefCount* p) {
    if (--p->refCount_ == 0) delete p;
}

template <class T>
using Ref = boost::intrusive_ptr<T>;

// Makes a new object and adopts the reference it is born with (count stays 1).
template <class T, class... Args>
Ref<T> makeRef(Args&&... args) {
    return Ref<T>(new T(std::forward<Args>(args)...), false);
}

// Strong assignment: the new object gains its reference before the old one loses its own,
// so assigning an object to itself never destroys it.
template <class T, class U>
void assignRef(Ref<T>& target, const Ref<U>& source) {
    Ref<T> keep(source);
    target.swap(keep);
}

}  // namespace JTCore
