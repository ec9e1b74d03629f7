#pragma once
// Runs registered blocks on their own queues at every tick of one repeating main-loop timer.
// A tick only hands the blocks to their queues; they run later, in no set order across queues.
// The first tick comes one interval after start(). Tasks may be added and removed from any
// thread, while running or not; the table has a lock of its own, since ticks come on the main
// thread while owners often change it from their serial queues. A scheduler that goes away
// stops its timer.
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>

#include "platform/dispatch/DispatchQueue.h"
#include "platform/dispatch/MainLoopTimer.h"

struct DZSchedulerTask {
    std::function<void()> block;
    std::shared_ptr<platform::DispatchQueue> queue;
};

class DZScheduler : public std::enable_shared_from_this<DZScheduler> {
  public:
    // An interval that is not positive is raised to kDZMinimumRepeatingInterval at start().
    static std::shared_ptr<DZScheduler> initWithInterval(double interval);
    ~DZScheduler();
    DZScheduler(const DZScheduler&) = delete;
    DZScheduler& operator=(const DZScheduler&) = delete;

    // The new task's ID (1, 2, ...; never reused), or -1 (nothing registered) without a queue or block.
    int32_t taskIDScheduledOnQueue(std::shared_ptr<platform::DispatchQueue> queue,
                                   std::function<void()> block);
    void unscheduleTaskWithID(int32_t taskID);
    // Submits every task's block to its queue.
    void executeBlocks();
    // Starts the timer when none runs (tolerance one tenth of the interval).
    void start();
    void stop();
    bool isRunning() const;
    // "DZScheduler 0x...: N blocks, I interval".
    std::string description() const;

    double interval() const { return interval_; }
    std::shared_ptr<platform::MainLoopTimer> timer() const;

  private:
    explicit DZScheduler(double interval) : interval_(interval) {}

    const double interval_;
    // Ticks read the table on the main thread; owners change it from their own serial queues.
    mutable std::mutex mutex_;
    int32_t taskID_ = 0;
    std::map<int32_t, DZSchedulerTask> blocks_;
    std::shared_ptr<platform::MainLoopTimer> timer_;
};
