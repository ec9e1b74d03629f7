#include "platform/image/DecodeAllowance.h"

namespace platform {

bool DecodeAllowance::take(std::uint64_t work) {
    std::uint64_t left = left_.load();
    do {
        if (spent_ || work > left) {
            spent_ = true;
            return false;
        }
    } while (!left_.compare_exchange_weak(left, left - work));
    return true;
}

}  // namespace platform
