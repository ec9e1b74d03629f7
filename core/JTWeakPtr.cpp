#include "core/JTWeakPtr.h"

namespace JTCore {

JTWeakPtrTarget::~JTWeakPtrTarget() {
    if (holder_ != nullptr) {
        holder_->target_ = nullptr;
        intrusive_ptr_release(holder_);
        holder_ = nullptr;
    }
}

Ref<JTWeakPtrHolder> JTWeakPtrTarget::getWeakPtrHolder() {
    if (holder_ == nullptr) {
        auto fresh = makeRef<JTWeakPtrHolder>(this);
        holder_ = fresh.get();
        intrusive_ptr_add_ref(holder_);
    }
    return Ref<JTWeakPtrHolder>(holder_);
}

}  // namespace JTCore
