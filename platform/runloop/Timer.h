#pragma once
// A timer scheduled on a RunLoop. The loop keeps a scheduled timer alive until it is
// invalidated (or, for a one-shot timer, until it has fired), so callers may drop the handle.
#include <cstdint>
#include <functional>
#include <memory>

namespace platform {

class RunLoop;

class Timer {
  public:
    using Callback = std::function<void(Timer&)>;

    Timer(const Timer&) = delete;
    Timer& operator=(const Timer&) = delete;
    ~Timer();

    // Stops the timer for good; safe to call from inside its own callback and more than once.
    void invalidate();
    bool isValid() const { return valid_; }

    bool repeats() const { return repeats_; }
    // Seconds between firings (repeating) or the delay (one-shot).
    double interval() const;
    // The loop time (seconds) at which the timer fires next; inside its callback, the date being fired.
    double fireDate() const;

  private:
    friend class RunLoop;

    Timer(RunLoop* loop, std::int64_t startNanos, std::int64_t intervalNanos, bool repeats, Callback callback,
          bool hasOwner, std::weak_ptr<void> owner, std::uint64_t order);

    std::int64_t fireNanos() const { return startNanos_ + tick_ * intervalNanos_; }

    RunLoop* loop_;
    std::int64_t startNanos_;
    std::int64_t intervalNanos_;
    // Fire dates are start + tick * interval, so a repeating timer never drifts off its grid.
    std::int64_t tick_ = 1;
    bool repeats_;
    bool valid_ = true;
    bool firing_ = false;
    bool hasOwner_;
    std::weak_ptr<void> owner_;
    Callback callback_;
    std::uint64_t order_;
};

}  // namespace platform
