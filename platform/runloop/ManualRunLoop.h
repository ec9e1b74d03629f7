#pragma once
// A run loop on a virtual clock, for tests and headless runs: time moves only when asked, and
// every timer and delayed task fires at its own due time, in time order (ties in creation order).
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <utility>
#include <vector>

#include "platform/runloop/RunLoop.h"

namespace platform {

class ManualRunLoop : public RunLoop {
  public:
    explicit ManualRunLoop(double startSeconds = 0.0);
    ~ManualRunLoop() override;

    void post(Task fn) override;

    // Moves the clock forward by seconds, firing everything that falls due on the way; during
    // each callback now() is that callback's due time (or later, after a stall).
    void advance(double seconds);
    // Runs posted work and whatever is already due, without moving the clock.
    void runUntilIdle();
    // Moves the clock without firing anything, as if the loop thread were busy that long.
    // Allowed inside callbacks; what fell due fires late afterwards.
    void stall(double seconds);

    // Runs until quit(), jumping the clock to each next due event (it never sleeps). Returns
    // early when nothing at all is left to run, since nothing could ever wake it.
    void run() override;
    void quit() override;

    // Scheduled timers and tasks not yet run.
    std::size_t pendingCount() const;
    // How many callbacks one advance()/run() may run without the clock moving before it gives up with
    // std::runtime_error (a task that keeps re-posting itself would otherwise never end).
    void setCallbackLimit(std::size_t limit) { callbackLimit_ = limit; }

  protected:
    // The clock may be read from any thread (the ad component stamps its statistics from its queues).
    std::int64_t nowNanos() const override { return nowNanos_.load(std::memory_order_relaxed); }
    void timerAdded(const std::shared_ptr<Timer>& timer) override;
    void timerInvalidated(Timer& timer) override;

  private:
    using Key = std::pair<std::int64_t, std::uint64_t>;  // due time, creation order
    struct Entry {
        std::shared_ptr<Timer> timer;
        Task task;
    };

    void takeIncoming();
    // Runs the earliest event due at or before limitNanos; false when there is none.
    bool runNext(std::int64_t limitNanos);
    void enter();

    std::atomic<std::int64_t> nowNanos_;
    std::map<Key, Entry> queue_;
    mutable std::mutex incomingMutex_;
    std::vector<Task> incoming_;
    bool quitRequested_ = false;
    bool inside_ = false;
    std::int64_t lastInstant_ = -1;
    std::size_t callbacksAtInstant_ = 0;
    std::size_t callbackLimit_ = 1'000'000;
};

}  // namespace platform
