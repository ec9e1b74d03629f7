#include "platform/webext/MemoryWatch.h"

#include <fcntl.h>
#include <glib.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>

namespace webext {

namespace {

// Resident minus shared pages: the anonymous memory the page's allocations occupy, without the
// libraries mapped from files. Read from statm, which costs no walk of the mappings.
std::uint64_t anonymousResidentBytes(int statm) {
    char text[128];
    const ssize_t n = pread(statm, text, sizeof text - 1, 0);
    if (n <= 0) return 0;
    text[n] = '\0';
    unsigned long long size = 0, resident = 0, shared = 0;
    if (std::sscanf(text, "%llu %llu %llu", &size, &resident, &shared) != 3 || resident < shared) return 0;
    return (resident - shared) * static_cast<std::uint64_t>(sysconf(_SC_PAGESIZE));
}

}  // namespace

void MemoryWatch::start(std::uint32_t limitMB, std::uint32_t intervalMs, void (*tellHost)()) {
    if (limitMB == 0 || intervalMs == 0) return;
    // Lives as long as the process: the thread never ends before it.
    auto* watch = new MemoryWatch(limitMB, intervalMs, tellHost);
    std::thread([watch] { watch->run(); }).detach();
}

MemoryWatch::MemoryWatch(std::uint32_t limitMB, std::uint32_t intervalMs, void (*tellHost)())
    : tellHost_(tellHost),
      stopBytes_(static_cast<std::uint64_t>(limitMB * kStopShare) << 20),
      haltBytes_(static_cast<std::uint64_t>(limitMB * kHaltShare) << 20),
      fastestGrowthPerMs_(
          std::max<std::uint64_t>(((std::uint64_t{limitMB} << 20) - haltBytes_) / intervalMs, 1)),
      intervalMs_(intervalMs) {}

std::uint32_t MemoryWatch::nextWaitMs(std::uint64_t bytes, std::uint64_t previous) const {
    if (bytes >= stopBytes_ || bytes > previous + kGrowthBytes) return intervalMs_;
    // Not even the fastest growth reaches the stop point before the next read.
    const std::uint64_t reach = (stopBytes_ - bytes) / fastestGrowthPerMs_;
    return static_cast<std::uint32_t>(
        std::clamp<std::uint64_t>(reach, intervalMs_, std::max(intervalMs_, kRestMilliseconds)));
}

void MemoryWatch::run() {
    const int statm = open("/proc/self/statm", O_RDONLY | O_CLOEXEC);
    if (statm < 0) return;
    std::uint32_t waitMs = intervalMs_;
    std::uint64_t previous = 0;
    for (;;) {
        std::this_thread::sleep_for(std::chrono::milliseconds(waitMs));
        const std::uint64_t bytes = anonymousResidentBytes(statm);
        if (bytes >= haltBytes_) {
            // The main thread did not pass the word on in time; nothing the page runs may grow
            // further. Stopped, the process no longer answers the host, which ends it.
            raise(SIGSTOP);
        } else if (bytes >= stopBytes_ && !told_.exchange(true)) {
            g_main_context_invoke(nullptr, &MemoryWatch::onMainThread, this);
        }
        waitMs = nextWaitMs(bytes, previous);
        previous = bytes;
    }
}

int MemoryWatch::onMainThread(void* watch) {
    static_cast<MemoryWatch*>(watch)->tellHost_();
    return G_SOURCE_REMOVE;
}

}  // namespace webext
