#include "platform/web/LoopTicks.h"

#include <algorithm>

#include "platform/runloop/RunLoop.h"
#include "platform/runloop/Timer.h"

namespace platform::web {

LoopTicks::LoopTicks(RunLoop& loop) : loop_(loop) {
    timer_ =
        loop_.scheduleRepeating(kTickSeconds, alive_, [this](Timer& timer) { ticked(timer.fireDate()); });
}

LoopTicks::~LoopTicks() {
    timer_->invalidate();
}

void LoopTicks::ticked(double due) {
    const double now = loop_.now();
    ticks_.push_back({now, std::max(now - due, 0.0)});
    while (!ticks_.empty() && ticks_.front().at < now - kKeptSeconds) ticks_.pop_front();
}

double LoopTicks::lateShare(double seconds) const {
    if (seconds <= 0) return 0;
    const double since = loop_.now() - seconds;
    double late = 0;
    for (auto it = ticks_.rbegin(); it != ticks_.rend() && it->at >= since; ++it) late += it->late;
    return std::min(late / seconds, 1.0);
}

}  // namespace platform::web
