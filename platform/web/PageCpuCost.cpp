#include "platform/web/PageCpuCost.h"

namespace platform::web {

bool PageCpuCost::stops(std::uint64_t frames, double seconds, double lateShare) {
    if (lateShare > kMostLateShare) return true;
    return seconds <= 0 || static_cast<double>(frames) < kFewestFramesPerSecond * seconds;
}

}  // namespace platform::web
