#pragma once
// Weak references through a shared holder record: the object and every weak reference keep
// the holder alive, and the object's destruction clears the holder's target.
#include "core/JTRefCount.h"

namespace JTCore {

class JTWeakPtrTarget;

class JTWeakPtrHolder : public JTRefCount {
  public:
    explicit JTWeakPtrHolder(JTWeakPtrTarget* target) : target_(target) {}
    JTWeakPtrTarget* target() const { return target_; }

  private:
    friend class JTWeakPtrTarget;
    JTWeakPtrTarget* target_;
};

class JTWeakPtrTarget : public JTRefCount {
  public:
    ~JTWeakPtrTarget() override;

    // The object's holder; made on first use and kept by the object from then on.
    Ref<JTWeakPtrHolder> getWeakPtrHolder();
    bool hasWeakPtrHolder() const { return holder_ != nullptr; }

  private:
    JTWeakPtrHolder* holder_ = nullptr;
};

template <class T>
class JTWeakPtr {
  public:
    JTWeakPtr() = default;
    JTWeakPtr(const Ref<T>& object) { reset(object.get()); }  // NOLINT: implicit like a pointer
    JTWeakPtr(T* object) { reset(object); }                   // NOLINT

    void reset(T* object) {
        if (object == nullptr) {
            holder_.reset();
        } else {
            holder_ = object->getWeakPtrHolder();
        }
    }

    // Null for an empty reference, a destroyed target, or a target that is being destroyed
    // (a reference taken during destruction would otherwise outlive the object).
    Ref<T> lock() const {
        if (!holder_) return nullptr;
        JTWeakPtrTarget* target = holder_->target();
        if (target == nullptr || target->refCount() == 0) return nullptr;
        return Ref<T>(static_cast<T*>(target));
    }

    bool expired() const { return !lock(); }
    const Ref<JTWeakPtrHolder>& holder() const { return holder_; }

  private:
    Ref<JTWeakPtrHolder> holder_;
};

// Weak assignment: a null object empties the reference.
template <class T>
void assignWeakRef(JTWeakPtr<T>& weak, T* object) {
    weak.reset(object);
}

template <class T>
void assignWeakRef(JTWeakPtr<T>& weak, const Ref<T>& object) {
    weak.reset(object.get());
}

}  // namespace JTCore
