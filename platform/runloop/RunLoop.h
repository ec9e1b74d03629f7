#pragma once
// The application's event loop: posted work, delayed work, timers and the loop clock.
// Everything except post() belongs to the loop's own thread.
#include <cstdint>
#include <functional>
#include <memory>
#include <thread>

#include "platform/runloop/Timer.h"

namespace platform {

class RunLoop {
  public:
    using Task = std::function<void()>;

    RunLoop();
    RunLoop(const RunLoop&) = delete;
    RunLoop& operator=(const RunLoop&) = delete;
    virtual ~RunLoop();

    // Monotonic loop time in seconds (the "absolute time" of frame and timer arithmetic). Safe
    // from any thread.
    double now() const { return static_cast<double>(nowNanos()) / 1e9; }
    // The same clock in whole nanoseconds, for arithmetic that must not drift.
    std::int64_t nowNanoseconds() const { return nowNanos(); }

    // Runs fn soon on the loop thread; tasks run in the order they were posted. Safe from any
    // thread, as long as the loop outlives the call.
    virtual void post(Task fn) = 0;
    // Runs fn once, delaySeconds from now (a negative or NaN delay counts as 0).
    void postAfter(double delaySeconds, Task fn);

    // A timer firing at now + k * interval for k = 1, 2, ...; a late loop fires it once and
    // keeps it on that grid instead of catching up with a burst. An interval that is not
    // positive is raised to 0.1 ms so that the loop can never spin on it.
    std::shared_ptr<Timer> scheduleRepeating(double intervalSeconds, Timer::Callback fn);
    std::shared_ptr<Timer> scheduleOnce(double delaySeconds, Timer::Callback fn);
    // The same, holding owner weakly: once the owner is gone the timer invalidates itself
    // without firing, and the owner is kept alive while its callback runs.
    std::shared_ptr<Timer> scheduleRepeating(double intervalSeconds, std::weak_ptr<void> owner,
                                             Timer::Callback fn);
    std::shared_ptr<Timer> scheduleOnce(double delaySeconds, std::weak_ptr<void> owner, Timer::Callback fn);

    // Calls fn every intervalSeconds from this loop (the window layer polls its events this way).
    // Invalidate the returned timer to stop polling.
    std::shared_ptr<Timer> addPoller(std::function<void()> fn, double intervalSeconds);

    // Runs the loop until quit(). A quit() that comes before run() makes the next run() return at once.
    virtual void run() = 0;
    virtual void quit() = 0;

    // True on the thread that made the loop.
    bool isLoopThread() const { return std::this_thread::get_id() == thread_; }

    // The process's main loop. main() throws std::logic_error while none is installed.
    // setMain returns the loop it replaces; install it before other threads may use it.
    static RunLoop& main();
    static bool hasMain();
    // The installed main loop, or null; the caller's reference keeps it alive (other threads use this).
    static std::shared_ptr<RunLoop> mainLoop();
    static std::shared_ptr<RunLoop> setMain(std::shared_ptr<RunLoop> loop);

  protected:
    virtual std::int64_t nowNanos() const = 0;
    // A new timer to schedule at its fireNanos().
    virtual void timerAdded(const std::shared_ptr<Timer>& timer) = 0;
    // The timer was invalidated and must leave the schedule.
    virtual void timerInvalidated(Timer& timer) = 0;

    // Fires a due timer: checks its owner, runs the callback, then moves a repeating timer to
    // the first grid point after the current time (or ends a one-shot timer). Afterwards the
    // timer is still valid exactly when it must be scheduled again at fireNanos(timer).
    void fireTimer(const std::shared_ptr<Timer>& timer);
    // Forgets a timer without calling back into the loop (the loop is going away).
    static void detachTimer(Timer& timer);
    static std::int64_t fireNanos(const Timer& timer) { return timer.fireNanos(); }
    static std::uint64_t order(const Timer& timer) { return timer.order_; }
    // Creation order shared by timers and posts, for ties between equal due times.
    std::uint64_t nextOrder() { return nextOrder_++; }

    static std::int64_t secondsToNanos(double seconds);

  private:
    friend class Timer;

    std::shared_ptr<Timer> schedule(double seconds, bool repeats, bool hasOwner, std::weak_ptr<void> owner,
                                    Timer::Callback fn);

    std::thread::id thread_;
    std::uint64_t nextOrder_ = 0;
};

}  // namespace platform
