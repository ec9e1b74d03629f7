#pragma once
// The ad component's one monotonic millisecond clock. It stamps statistics and measures
// durations, so it reads the main run loop's clock: real monotonic time in the window, the
// virtual clock in headless runs and tests (the steady clock while no loop is installed).
//
// A reading is the milliseconds since the clock's first use in the process, plus 1, truncated:
// the first reading is 1, so 0 stays free to mean "not set". Readings never decrease, also when
// the main loop is replaced (tests install one per case): the new loop's time is then counted on
// from the last reading. The clock is not wall time and does not survive a restart.
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>

// The rule on its own, over any source of seconds.
class DZMillisecondClock {
  public:
    struct Sample {
        double seconds = 0;
        // Which time scale the seconds are on (the loop that gave them; null for the steady clock).
        std::shared_ptr<void> scale;
    };
    explicit DZMillisecondClock(std::function<Sample()> source) : source_(std::move(source)) {}

    // Safe from any thread.
    uint64_t reading();
    // The same reading to the microsecond, not truncated (so never below 1.0).
    double preciseReading();

  private:
    std::function<Sample()> source_;
    std::mutex mutex_;
    bool started_ = false;
    double startSeconds_ = 0;
    std::weak_ptr<void> scale_;
    bool hadScale_ = false;
    double last_ = 0;
};

class DZAbsoluteTime {
  public:
    DZAbsoluteTime() = delete;

    static uint64_t absoluteTimeInMilliseconds();
    // Seconds on the same clock to the microsecond, for spans shorter than a millisecond.
    static double absoluteTimeInSeconds();

    // The clock a page's own pace is measured on (the lines it logs, the tap that explains an
    // open it asks for): this clock, or real monotonic time while setPagesOnRealTime(true) holds.
    // Read by the same rule (it goes on from its last reading when switched). Safe from any thread.
    static uint64_t pageTimeInMilliseconds();
    static double pageTimeInSeconds();
    // Set by whoever runs the main loop on a virtual clock (a headless run): that clock stands
    // still while pages work (a script's wait) and runs far ahead of them between ticks, while
    // a page logs and acts in real time.
    static void setPagesOnRealTime(bool real);
};
