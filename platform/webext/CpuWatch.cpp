#include "platform/webext/CpuWatch.h"

#include <glib.h>
#include <time.h>

#include <chrono>
#include <thread>

#include "platform/web/CpuSpan.h"

namespace webext {

namespace {

double secondsOf(clockid_t clock) {
    timespec t{};
    clock_gettime(clock, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

}  // namespace

void CpuWatch::start(std::uint32_t sharePermille, std::uint32_t spanMs, void (*tellHost)()) {
    if (sharePermille == 0 || spanMs == 0) return;
    // Lives as long as the process: the thread never ends before it.
    auto* watch = new CpuWatch(sharePermille, spanMs, tellHost);
    std::thread([watch] { watch->run(); }).detach();
}

CpuWatch::CpuWatch(std::uint32_t sharePermille, std::uint32_t spanMs, void (*tellHost)())
    : tellHost_(tellHost), cores_(sharePermille / 1000.0), seconds_(spanMs / 1000.0) {}

void CpuWatch::run() {
    platform::web::CpuSpan span(cores_, seconds_);
    for (;;) {
        std::this_thread::sleep_for(std::chrono::milliseconds(kReadMilliseconds));
        // Every thread of the process (the page's workers, its drawing) against real time.
        if (span.add(secondsOf(CLOCK_PROCESS_CPUTIME_ID), secondsOf(CLOCK_MONOTONIC))) {
            // The host judges the page by what it costs the game, and may leave it: the next
            // word comes after another whole span past the share.
            g_main_context_invoke(nullptr, &CpuWatch::onMainThread, this);
            span = platform::web::CpuSpan(cores_, seconds_);
        }
    }
}

int CpuWatch::onMainThread(void* watch) {
    static_cast<CpuWatch*>(watch)->tellHost_();
    return G_SOURCE_REMOVE;
}

}  // namespace webext
