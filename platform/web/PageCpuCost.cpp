#include "platform/web/PageCpuCost.h"

#include "platform/web/LoopTicks.h"

namespace platform::web {

bool PageCpuCost::stops(std::uint64_t frames, double seconds, double lateShare) {
    if (lateShare > kMostLateShare) return true;
    return seconds <= 0 || static_cast<double>(frames) < kFewestFramesPerSecond * seconds;
}

void PageCpuCost::restart(std::uint64_t frame) {
    since_ = std::chrono::steady_clock::now();
    sinceFrame_ = frame;
}

bool PageCpuCost::stops(std::uint64_t frame, const LoopTicks& ticks, std::string& why) {
    const auto now = std::chrono::steady_clock::now();
    const double seconds = std::chrono::duration<double>(now - since_).count();
    const std::uint64_t frames = frame - sinceFrame_;
    restart(frame);
    const double late = ticks.lateShare(seconds);
    if (!stops(frames, seconds, late)) return false;
    why = late > kMostLateShare ? "it kept its process busy past its share while the game ran late"
                                : "it kept its process busy past its share and drew next to nothing";
    return true;
}

}  // namespace platform::web
