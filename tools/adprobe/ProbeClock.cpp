#include "tools/adprobe/ProbeClock.h"

#include <chrono>

#include "platform/runloop/MainContextPump.h"
#include "platform/runloop/ManualRunLoop.h"

bool turnUntil(platform::ManualRunLoop& loop, const std::function<bool()>& done, double seconds,
               const std::function<void()>& eachTurn) {
    const auto start = std::chrono::steady_clock::now();
    auto last = start;
    while (!done()) {
        const auto now = std::chrono::steady_clock::now();
        if (std::chrono::duration<double>(now - start).count() >= seconds) return false;
        loop.advance(std::chrono::duration<double>(now - last).count());
        last = now;
        // Wakes as soon as done() holds, else after 5 ms: the engine's work between two turns.
        platform::MainContextPump::waitUntil(done, 0.005);
        loop.runUntilIdle();
        if (eachTurn) eachTurn();
    }
    return true;
}
