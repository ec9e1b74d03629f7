#pragma once
// Holds a web process under its memory limit. The engine measures a process's memory only once a
// second, in which time a page can grow by gigabytes; this watch reads the process's anonymous
// resident memory from a thread of its own, every interval while the page grows or is near the
// stop point. A page at rest far below it is read only as often as the fastest growth the watch
// is built for (the halt margin in one interval) could bring it there, so that a watch at rest
// costs a process few wake-ups. Past the stop point (a share of the limit) it asks the main
// thread to tell the host, which ends the process as hostile. A page that holds the main thread
// meanwhile cannot be told: at the limit the watch halts the whole process, which then stops
// answering, and the host ends it for that.
#include <atomic>
#include <cstdint>
#include <thread>

namespace webext {

class MemoryWatch {
  public:
    // Of the limit: where the host is asked to stop the page, and where the process halts.
    static constexpr double kStopShare = 0.7;
    static constexpr double kHaltShare = 0.9;
    // Growth between two reads that counts as growing, and the longest wait at rest.
    static constexpr std::uint64_t kGrowthBytes = 1 << 20;
    static constexpr std::uint32_t kRestMilliseconds = 100;

    // Runs for the rest of the process; `tellHost` is called once, on the main thread.
    static void start(std::uint32_t limitMB, std::uint32_t intervalMs, void (*tellHost)());

  private:
    MemoryWatch(std::uint32_t limitMB, std::uint32_t intervalMs, void (*tellHost)());
    void run();
    // How long to wait before the next read, having read `bytes` after `previous`.
    std::uint32_t nextWaitMs(std::uint64_t bytes, std::uint64_t previous) const;
    static int onMainThread(void* watch);

    void (*tellHost_)();
    std::uint64_t stopBytes_;
    std::uint64_t haltBytes_;
    std::uint64_t fastestGrowthPerMs_;
    std::uint32_t intervalMs_;
    std::atomic<bool> told_{false};
};

}  // namespace webext
