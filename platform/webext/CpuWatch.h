#pragma once
// Holds a page that keeps answering under its share of the processor. The watchdog of the host
// finds a page that holds its thread; one that works between its probes, or in workers, answers
// on time and may keep cores busy for as long as it shows. This watch reads the whole process's
// processor time against real time from a thread of its own, once a second, and past the share
// over a whole span asks the main thread to tell the host, again after each further span past it.
// The host ends the process as hostile when the page costs the game (see PageCpuCost). A view's
// process holds its pages alone, so the process's time is its page's.
#include <atomic>
#include <cstdint>

namespace webext {

class CpuWatch {
  public:
    static constexpr std::uint32_t kReadMilliseconds = 1000;

    // Runs for the rest of the process; `tellHost` is called on the main thread, at most once a
    // span. Nothing runs for a share or span of 0.
    static void start(std::uint32_t sharePermille, std::uint32_t spanMs, void (*tellHost)());

  private:
    CpuWatch(std::uint32_t sharePermille, std::uint32_t spanMs, void (*tellHost)());
    void run();
    static int onMainThread(void* watch);

    void (*tellHost_)();
    double cores_;
    double seconds_;
};

}  // namespace webext
