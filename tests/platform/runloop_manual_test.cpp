// The virtual-clock loop: event order, due times, timer grids and coalescing, weak owners,
// invalidation from every side, and the guards against misuse.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "platform/runloop/ManualRunLoop.h"

using platform::ManualRunLoop;
using platform::RunLoop;
using platform::Timer;

namespace {

struct Event {
    std::string name;
    double at;
};

// Grid points are computed in whole nanoseconds, so "on the grid" can be checked tightly.
constexpr double kEps = 1e-9;

}  // namespace

TEST(ManualRunLoopOrder, EventsFireInTimeOrderAtTheirOwnDueTimesWithTiesInCreationOrder) {
    ManualRunLoop loop;
    std::vector<Event> events;
    auto record = [&](std::string name) {
        return [&, name](Timer&) { events.push_back({name, loop.now()}); };
    };
    loop.scheduleOnce(0.03, record("A"));
    loop.postAfter(0.01, [&] { events.push_back({"B", loop.now()}); });
    loop.scheduleOnce(0.02, record("C"));
    loop.scheduleOnce(0.02, record("D"));
    loop.post([&] { events.push_back({"E", loop.now()}); });

    loop.advance(0.05);

    ASSERT_EQ(events.size(), 5u);
    const std::vector<std::string> names{"E", "B", "C", "D", "A"};
    const std::vector<double> times{0.0, 0.01, 0.02, 0.02, 0.03};
    for (std::size_t i = 0; i < events.size(); ++i) {
        EXPECT_EQ(events[i].name, names[i]);
        EXPECT_NEAR(events[i].at, times[i], kEps) << events[i].name;
    }
    EXPECT_NEAR(loop.now(), 0.05, kEps);
    EXPECT_EQ(loop.pendingCount(), 0u);
}

TEST(ManualRunLoopOrder, WorkPostedDuringACallbackRunsAtTheSameInstantBeforeLaterEvents) {
    ManualRunLoop loop(5.0);
    std::vector<Event> events;
    loop.scheduleOnce(0.5, [&](Timer&) {
        events.push_back({"timer", loop.now()});
        loop.post([&] { events.push_back({"posted", loop.now()}); });
        loop.postAfter(0.25, [&] { events.push_back({"after", loop.now()}); });
    });
    loop.scheduleOnce(0.6, [&](Timer&) { events.push_back({"later", loop.now()}); });

    loop.advance(1.0);

    ASSERT_EQ(events.size(), 4u);
    EXPECT_EQ(events[0].name, "timer");
    EXPECT_EQ(events[1].name, "posted");
    EXPECT_NEAR(events[1].at, 5.5, kEps);
    EXPECT_EQ(events[2].name, "later");
    EXPECT_EQ(events[3].name, "after");
    EXPECT_NEAR(events[3].at, 5.75, kEps);
}

TEST(ManualRunLoopOrder, PostsFromOtherThreadsArriveInOrder) {
    ManualRunLoop loop;
    std::vector<int> seen;
    std::thread worker([&] {
        for (int i = 0; i < 50; ++i) loop.post([&seen, i] { seen.push_back(i); });
    });
    worker.join();
    loop.runUntilIdle();
    ASSERT_EQ(seen.size(), 50u);
    for (int i = 0; i < 50; ++i) EXPECT_EQ(seen[i], i);
}

TEST(ManualRunLoopTimers, TenMillisecondTimerFiresOneHundredTimesPerSecondOnItsGrid) {
    ManualRunLoop loop;
    std::vector<double> fired;
    loop.scheduleRepeating(0.01, [&](Timer&) { fired.push_back(loop.now()); });

    // Uneven steps must not matter: firings stay at exact multiples of the interval.
    for (int i = 0; i < 300; ++i) loop.advance(0.003);
    loop.advance(0.1);

    ASSERT_EQ(fired.size(), 100u);
    for (std::size_t k = 0; k < fired.size(); ++k) EXPECT_NEAR(fired[k], 0.01 * double(k + 1), kEps);
}

TEST(ManualRunLoopTimers, StallInsideACallbackCoalescesMissedFiringsAndKeepsTheGrid) {
    ManualRunLoop loop;
    std::vector<double> fired;
    loop.scheduleRepeating(0.01, [&](Timer&) {
        fired.push_back(loop.now());
        if (fired.size() == 5) loop.stall(0.25);  // busy from 0.05 to 0.30
    });

    loop.advance(1.0);

    // 0.01 .. 0.05, then nothing until the first grid point after 0.30, then 0.31 .. 1.00.
    ASSERT_EQ(fired.size(), 75u);
    EXPECT_NEAR(fired[4], 0.05, kEps);
    EXPECT_NEAR(fired[5], 0.31, kEps);
    EXPECT_NEAR(fired.back(), 1.0, kEps);
}

TEST(ManualRunLoopTimers, StallBetweenRunsFiresALateTimerOnceThenBackOnTheGrid) {
    ManualRunLoop loop;
    std::vector<double> fired;
    auto timer = loop.scheduleRepeating(0.01, [&](Timer&) { fired.push_back(loop.now()); });
    loop.advance(0.05);
    loop.stall(0.25);
    loop.runUntilIdle();

    ASSERT_EQ(fired.size(), 6u);  // one late firing, not a burst of 25
    EXPECT_NEAR(fired[5], 0.30, kEps);
    EXPECT_NEAR(timer->fireDate(), 0.31, kEps);

    loop.advance(0.05);
    ASSERT_EQ(fired.size(), 11u);
    EXPECT_NEAR(fired[6], 0.31, kEps);
}

TEST(ManualRunLoopTimers, OneShotFiresOnceAndThenIsInvalid) {
    ManualRunLoop loop;
    int count = 0;
    bool validInside = false;
    auto timer = loop.scheduleOnce(0.1, [&](Timer& t) {
        ++count;
        validInside = t.isValid();
    });
    EXPECT_TRUE(timer->isValid());
    EXPECT_FALSE(timer->repeats());
    EXPECT_NEAR(timer->fireDate(), 0.1, kEps);
    loop.advance(0.099);
    EXPECT_EQ(count, 0);
    loop.advance(10);
    EXPECT_EQ(count, 1);
    EXPECT_TRUE(validInside);
    EXPECT_FALSE(timer->isValid());
    EXPECT_EQ(loop.pendingCount(), 0u);
}

TEST(ManualRunLoopTimers, NonPositiveOrNaNTimesCannotSpinTheLoop) {
    ManualRunLoop loop;
    int repeating = 0;
    int once = 0;
    auto timer = loop.scheduleRepeating(0, [&](Timer&) { ++repeating; });
    loop.scheduleOnce(-1, [&](Timer&) { ++once; });
    loop.postAfter(std::nan(""), [&] { ++once; });
    EXPECT_NEAR(timer->interval(), 0.0001, kEps);
    loop.advance(0.001);
    EXPECT_EQ(repeating, 10);
    EXPECT_EQ(once, 2);
}

TEST(ManualRunLoopOwners, TimerWhoseOwnerDiedNeverFiresAndCancelsItself) {
    ManualRunLoop loop;
    auto owner = std::make_shared<int>(7);
    int count = 0;
    auto repeating = loop.scheduleRepeating(0.01, owner, [&](Timer&) { ++count; });
    auto once = loop.scheduleOnce(0.01, owner, [&](Timer&) { ++count; });
    owner.reset();

    loop.advance(1.0);

    EXPECT_EQ(count, 0);
    EXPECT_FALSE(repeating->isValid());
    EXPECT_FALSE(once->isValid());
    EXPECT_EQ(loop.pendingCount(), 0u);
}

TEST(ManualRunLoopOwners, OwnerStaysAliveThroughItsCallbackAndTheTimerStopsAfterIt) {
    ManualRunLoop loop;
    auto owner = std::make_shared<int>(7);
    std::weak_ptr<int> watch = owner;
    int count = 0;
    bool aliveAfterRelease = false;
    loop.scheduleRepeating(0.01, owner, [&](Timer&) {
        ++count;
        owner.reset();  // the last outside reference goes away mid-callback
        aliveAfterRelease = !watch.expired();
    });

    loop.advance(0.1);

    EXPECT_EQ(count, 1);
    EXPECT_TRUE(aliveAfterRelease);
    EXPECT_TRUE(watch.expired());
}

TEST(ManualRunLoopInvalidation, InvalidateFromInsideItsOwnCallback) {
    ManualRunLoop loop;
    int count = 0;
    auto timer = loop.scheduleRepeating(0.01, [&](Timer& t) {
        if (++count == 3) {
            t.invalidate();
            t.invalidate();  // a second call is harmless
        }
    });
    loop.advance(1.0);
    EXPECT_EQ(count, 3);
    EXPECT_FALSE(timer->isValid());
    EXPECT_EQ(loop.pendingCount(), 0u);

    // A timer that holds the only handle to itself: invalidating it breaks the cycle safely.
    int selfCount = 0;
    auto self = std::make_shared<std::shared_ptr<Timer>>();
    *self = loop.scheduleRepeating(0.01, [&selfCount, self](Timer&) {
        if (++selfCount == 3) (*self)->invalidate();
    });
    std::weak_ptr<Timer> watch = *self;
    self.reset();
    loop.advance(1.0);
    EXPECT_EQ(selfCount, 3);
    EXPECT_TRUE(watch.expired());
}

TEST(ManualRunLoopInvalidation, InvalidateFromOutsideRemovesTheTimerAndReleasesItsCallback) {
    ManualRunLoop loop;
    auto captured = std::make_shared<int>(1);
    std::weak_ptr<int> watch = captured;
    int count = 0;
    auto timer = loop.scheduleOnce(100.0, [&count, captured](Timer&) { ++count; });
    captured.reset();
    EXPECT_EQ(loop.pendingCount(), 1u);

    timer->invalidate();

    EXPECT_FALSE(timer->isValid());
    EXPECT_EQ(loop.pendingCount(), 0u);
    EXPECT_TRUE(watch.expired());
    loop.advance(200.0);
    EXPECT_EQ(count, 0);
}

TEST(ManualRunLoopInvalidation, HandlesOutliveTheirLoop) {
    std::shared_ptr<Timer> timer;
    {
        ManualRunLoop loop;
        timer = loop.scheduleRepeating(0.01, [](Timer&) {});
    }
    EXPECT_FALSE(timer->isValid());
    timer->invalidate();
}

TEST(ManualRunLoopRun, RunJumpsToEachEventUntilQuitWithTiesInCreationOrder) {
    ManualRunLoop loop;
    int ticks = 0;
    loop.scheduleOnce(0.5, [&](Timer&) { loop.quit(); });
    loop.scheduleRepeating(0.1, [&](Timer&) { ++ticks; });

    loop.run();

    EXPECT_NEAR(loop.now(), 0.5, kEps);
    EXPECT_EQ(ticks, 4);  // the quit at 0.5 was created first, so it came before the fifth tick

    loop.advance(0.0);  // the tick left at 0.5 still runs when the loop is driven again
    EXPECT_EQ(ticks, 5);
}

TEST(ManualRunLoopRun, RunReturnsWhenNothingIsLeftAndAnEarlyQuitSkipsTheNextRun) {
    ManualRunLoop loop;
    int count = 0;
    loop.postAfter(3.0, [&] { ++count; });
    loop.run();
    EXPECT_EQ(count, 1);
    EXPECT_NEAR(loop.now(), 3.0, kEps);

    loop.postAfter(1.0, [&] { ++count; });
    loop.quit();
    loop.run();
    EXPECT_EQ(count, 1);
    loop.run();
    EXPECT_EQ(count, 2);
}

TEST(ManualRunLoopGuards, SelfRepostingWorkIsStoppedWithAnError) {
    ManualRunLoop loop;
    loop.setCallbackLimit(1000);
    std::function<void()> again = [&] { loop.post(again); };
    loop.post(again);
    EXPECT_THROW(loop.runUntilIdle(), std::runtime_error);

    ManualRunLoop zeroDelay;
    zeroDelay.setCallbackLimit(1000);
    std::function<void()> later = [&] { zeroDelay.postAfter(0, later); };
    zeroDelay.post(later);
    EXPECT_THROW(zeroDelay.advance(1.0), std::runtime_error);
}

TEST(ManualRunLoopGuards, DrivingTheClockFromACallbackIsRefused) {
    ManualRunLoop loop;
    bool refused = false;
    loop.post([&] {
        try {
            loop.advance(1.0);
        } catch (const std::logic_error&) {
            refused = true;
        }
    });
    loop.runUntilIdle();
    EXPECT_TRUE(refused);
    loop.advance(1.0);  // and the loop still works afterwards
    EXPECT_NEAR(loop.now(), 1.0, kEps);
}

TEST(ManualRunLoopGuards, AThrowingTimerPropagatesAndKeepsItsSchedule) {
    ManualRunLoop loop;
    int count = 0;
    auto timer = loop.scheduleRepeating(0.01, [&](Timer&) {
        if (++count == 2) throw std::runtime_error("boom");
    });
    EXPECT_THROW(loop.advance(0.05), std::runtime_error);
    EXPECT_EQ(count, 2);
    EXPECT_TRUE(timer->isValid());
    loop.advance(0.05);  // 0.03 .. 0.07
    EXPECT_EQ(count, 7);
}

TEST(RunLoopMain, MainLoopIsInstalledAndReplaced) {
    auto previous = RunLoop::setMain(nullptr);
    EXPECT_FALSE(RunLoop::hasMain());
    EXPECT_THROW(RunLoop::main(), std::logic_error);

    auto loop = std::make_shared<ManualRunLoop>(2.0);
    EXPECT_EQ(RunLoop::setMain(loop), nullptr);
    EXPECT_EQ(&RunLoop::main(), loop.get());
    EXPECT_NEAR(RunLoop::main().now(), 2.0, kEps);
    EXPECT_TRUE(RunLoop::main().isLoopThread());
    bool otherThread = true;
    std::thread([&] { otherThread = RunLoop::main().isLoopThread(); }).join();
    EXPECT_FALSE(otherThread);

    EXPECT_EQ(RunLoop::setMain(previous), loop);
}
