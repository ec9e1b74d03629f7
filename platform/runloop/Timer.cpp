#include "platform/runloop/Timer.h"

#include <utility>

#include "platform/runloop/RunLoop.h"

namespace platform {

Timer::Timer(RunLoop* loop, std::int64_t startNanos, std::int64_t intervalNanos, bool repeats,
             Callback callback, bool hasOwner, std::weak_ptr<void> owner, std::uint64_t order)
    : loop_(loop),
      startNanos_(startNanos),
      intervalNanos_(intervalNanos),
      repeats_(repeats),
      hasOwner_(hasOwner),
      owner_(std::move(owner)),
      callback_(std::move(callback)),
      order_(order) {}

Timer::~Timer() = default;

void Timer::invalidate() {
    if (!valid_) return;
    valid_ = false;
    // The loop may hold the last reference to this timer, and the callback may capture it: move
    // everything out first so that nothing touches a member after the loop lets go.
    RunLoop* loop = std::exchange(loop_, nullptr);
    std::weak_ptr<void> owner = std::move(owner_);
    Callback callback;
    if (!firing_) callback = std::move(callback_);
    if (loop != nullptr) loop->timerInvalidated(*this);
}

double Timer::interval() const {
    return static_cast<double>(intervalNanos_) / 1e9;
}

double Timer::fireDate() const {
    return static_cast<double>(fireNanos()) / 1e9;
}

}  // namespace platform
