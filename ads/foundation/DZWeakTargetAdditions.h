#pragma once
// Block timers that do not hold on to their owner: the timer keeps a target, the target keeps
// the block, so an owner that captures itself weakly in the block is not kept alive by its timer.
// Timers run on the main run loop and may be made from any thread.
#include <functional>
#include <memory>

#include "platform/dispatch/MainLoopTimer.h"

// Repeating timers faster than this would keep the main loop busy for nothing; a smaller (or
// non-positive) interval is raised to it, with one log line.
inline constexpr double kDZMinimumRepeatingInterval = 0.01;

class DZBlockTimerTarget {
  public:
    using Block = std::function<void(platform::MainLoopTimer&)>;

    explicit DZBlockTimerTarget(Block block) : block_(std::move(block)) {}
    // Calls the block with the timer when there is one.
    void timerFired(platform::MainLoopTimer& timer);

  private:
    Block block_;
};

// A timer with the interval (seconds) and repeats flag; the tolerance is set when above 0.
std::shared_ptr<platform::MainLoopTimer> dz_scheduledTimerWithTimeInterval(double interval, bool repeats,
                                                                           double tolerance,
                                                                           DZBlockTimerTarget::Block block);
