#include "platform/image/DecodeAllowance.h"

namespace platform {

bool DecodeAllowance::takeLeft(std::uint64_t work) {
    std::uint64_t left = left_.load();
    do {
        if (work > left) return false;
    } while (!left_.compare_exchange_weak(left, left - work));
    return true;
}

bool DecodeAllowance::take(std::uint64_t work) {
    if (spent_ || !takeLeft(work)) {
        spent_ = true;
        return false;
    }
    if (pool_ && !pool_->takeLeft(work)) {
        left_ += work;
        spent_ = true;
        return false;
    }
    return true;
}

}  // namespace platform
