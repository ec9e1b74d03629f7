#pragma once
// A timer on the main run loop that any thread may create and invalidate (the platform's timers
// added to the main run loop from a background queue). Created on the loop's thread it is
// scheduled at once; from another thread it is scheduled when the loop takes the hop, so its
// first firing comes one interval after that. The loop keeps a valid timer alive; the callback
// runs on the loop's thread and may invalidate the timer. A one-shot timer is invalid once fired.
#include <functional>
#include <memory>
#include <mutex>

namespace platform {

class Timer;

class MainLoopTimer : public std::enable_shared_from_this<MainLoopTimer> {
  public:
    using Callback = std::function<void(MainLoopTimer&)>;

    // An interval that is not positive is raised by the run loop to its own floor.
    static std::shared_ptr<MainLoopTimer> schedule(double intervalSeconds, bool repeats, Callback callback);

    MainLoopTimer(const MainLoopTimer&) = delete;
    MainLoopTimer& operator=(const MainLoopTimer&) = delete;

    // Stops it for good and lets the callback go; safe from any thread and more than once.
    void invalidate();
    bool isValid() const;

    double interval() const { return interval_; }
    bool repeats() const { return repeats_; }
    // How late the timer may fire so that the system can group wake-ups; 0 until set. Our run
    // loops fire on time, so it is a recorded hint only.
    double tolerance() const;
    void setTolerance(double seconds);

  private:
    MainLoopTimer(double interval, bool repeats, Callback callback);
    void arm();
    void fire();

    const double interval_;
    const bool repeats_;
    mutable std::mutex mutex_;
    bool valid_ = true;
    double tolerance_ = 0;
    Callback callback_;
    std::weak_ptr<Timer> timer_;  // the loop owns it; touched on the loop's thread only
};

}  // namespace platform
