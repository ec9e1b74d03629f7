#include "platform/foundation/DiskAllowance.h"

namespace platform {

bool DiskAllowance::take(std::int64_t bytes) {
    if (bytes < 0) return false;
    std::int64_t used = used_.load();
    do {
        if (bytes > capacity_ - used) return false;
    } while (!used_.compare_exchange_weak(used, used + bytes));
    return true;
}

void DiskAllowance::giveBack(std::int64_t bytes) {
    if (bytes > 0) used_.fetch_sub(bytes);
}

}  // namespace platform
