#pragma once
// Holds a headless run at chosen ticks until what the web side is to have done by then has
// happened: the main loop and the engine turn in real time (30 s at most) while the virtual clock
// stands. A tick whose condition never came is recorded in `unmet`; after the first, later ticks
// are not waited for (what they wait for cannot come).
#include <chrono>
#include <functional>
#include <map>
#include <vector>

#include <gtest/gtest.h>

#include "platform/runloop/MainContextPump.h"
#include "platform/runloop/ManualRunLoop.h"

namespace tikoleap::test {

using TickWaits = std::map<long long, std::function<bool()>>;

inline void waitAtTick(const TickWaits& waits, long long tick, std::vector<long long>& unmet) {
    const auto wait = waits.find(tick);
    if (wait == waits.end() || !unmet.empty()) return;
    auto* loop = dynamic_cast<platform::ManualRunLoop*>(platform::RunLoop::mainLoop().get());
    ASSERT_NE(loop, nullptr);
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (!wait->second() && std::chrono::steady_clock::now() < end) {
        loop->runUntilIdle();
        platform::MainContextPump::waitUntil(wait->second, 0.01);
    }
    if (!wait->second()) unmet.push_back(tick);
}

}  // namespace tikoleap::test
