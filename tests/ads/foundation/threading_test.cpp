// The main-thread runner, weak references, block timers and the scheduler, on a virtual-clock
// main loop with real worker queues.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "ads/foundation/DZAbsoluteTime.h"
#include "ads/foundation/DZApplication.h"
#include "ads/foundation/DZDevice.h"
#include "ads/foundation/DZLogger.h"
#include "ads/foundation/DZPinger.h"
#include "ads/foundation/DZRunOnMainThread.h"
#include "ads/foundation/DZScheduler.h"
#include "ads/foundation/DZWeakReference.h"
#include "ads/foundation/DZWeakTargetAdditions.h"
#include "platform/dispatch/DispatchQueue.h"
#include "platform/foundation/ScopedLogSink.h"
#include "platform/runloop/ManualRunLoop.h"
#include "support/ChildProcess.h"

using platform::DispatchQueue;
using platform::MainLoopTimer;
using platform::ManualRunLoop;
using platform::RunLoop;

namespace {

class OnMainLoop : public ::testing::Test {
  protected:
    void SetUp() override { previous_ = RunLoop::setMain(loop_); }
    void TearDown() override { RunLoop::setMain(previous_); }

    std::shared_ptr<ManualRunLoop> loop_ = std::make_shared<ManualRunLoop>();
    std::shared_ptr<RunLoop> previous_;
};

struct Thing {
    int value = 0;
};

}  // namespace

TEST_F(OnMainLoop, TheRunnerRunsAtOnceOnTheMainThreadAndHopsFromOthers) {
    bool ran = false;
    DZRunOnMainThread([&] { ran = true; });
    EXPECT_TRUE(ran);

    std::atomic<bool> hopped{false};
    std::thread::id ranOn;
    std::thread([&] {
        DZRunOnMainThread([&] {
            ranOn = std::this_thread::get_id();
            hopped = true;
        });
    }).join();
    EXPECT_FALSE(hopped);  // returned before the block ran
    loop_->runUntilIdle();
    EXPECT_TRUE(hopped);
    EXPECT_EQ(ranOn, std::this_thread::get_id());
}

TEST(DZWeakReference, EqualForTheSameObjectAlsoAfterItIsGoneAndNeverForAnother) {
    EXPECT_FALSE(DZWeakReference::initWithObject(std::shared_ptr<Thing>()));
    auto a = std::make_shared<Thing>();
    auto b = std::make_shared<Thing>();
    auto ra1 = *DZWeakReference::initWithObject(a);
    auto ra2 = *DZWeakReference::initWithObject(a);
    auto rb = *DZWeakReference::initWithObject(b);
    EXPECT_EQ(ra1, ra2);
    EXPECT_EQ(ra1.hash(), ra2.hash());
    EXPECT_FALSE(ra1 == rb);
    EXPECT_EQ(ra1.weakObject<Thing>(), a);

    DZWeakReference::Set set{ra1};
    EXPECT_TRUE(DZWeakReference::setContainsObject(set, a));
    EXPECT_FALSE(DZWeakReference::setContainsObject(set, b));
    a.reset();
    EXPECT_EQ(ra1.weakObject(), nullptr);
    EXPECT_EQ(ra1, ra2);
    EXPECT_NE(ra1.description().find("weakObject:(null)"), std::string::npos);
}

TEST(DZWeakReference, AnObjectBornAtADeadOnesAddressIsNotMistakenForIt) {
    // Objects made apart from their ownership record, so a dead one's memory can be reused.
    auto first = std::shared_ptr<Thing>(new Thing);
    const auto ref = *DZWeakReference::initWithObject(first);
    const DZWeakReference::Set set{ref};
    first.reset();
    std::vector<std::shared_ptr<Thing>> made;
    for (int i = 0; i < 1000; ++i) {
        made.push_back(std::shared_ptr<Thing>(new Thing));
        if (reinterpret_cast<std::uintptr_t>(made.back().get()) == ref.uniqueID()) break;
    }
    if (reinterpret_cast<std::uintptr_t>(made.back().get()) != ref.uniqueID()) {
        GTEST_SKIP() << "the allocator did not reuse the address (a sanitizer's quarantine)";
    }
    EXPECT_FALSE(DZWeakReference::setContainsObject(set, made.back()));
    EXPECT_FALSE(*DZWeakReference::initWithObject(made.back()) == ref);
}

TEST_F(OnMainLoop, BlockTimersKeepToleranceOnlyWhenAskedAndDoNotKeepTheirOwnerAlive) {
    auto owner = std::make_shared<Thing>();
    std::weak_ptr<Thing> weakOwner = owner;
    auto timer = dz_scheduledTimerWithTimeInterval(0.5, true, 0, [weakOwner](MainLoopTimer&) {
        if (auto o = weakOwner.lock()) ++o->value;
    });
    EXPECT_EQ(timer->tolerance(), 0);
    loop_->advance(1.0);
    EXPECT_EQ(owner->value, 2);
    owner.reset();
    EXPECT_TRUE(weakOwner.expired());
    timer->invalidate();

    auto once = dz_scheduledTimerWithTimeInterval(1, false, 0.25, [](MainLoopTimer&) {});
    EXPECT_EQ(once->tolerance(), 0.25);
    EXPECT_FALSE(once->repeats());
}

TEST_F(OnMainLoop, ARepeatingIntervalOfZeroOrLessIsRaisedWithOneLogLine) {
    platform::ScopedLogSink sink;
    int fired = 0;
    auto timer = dz_scheduledTimerWithTimeInterval(0, true, 0, [&](MainLoopTimer&) { ++fired; });
    EXPECT_EQ(timer->interval(), kDZMinimumRepeatingInterval);
    loop_->advance(0.1);
    EXPECT_EQ(fired, 10);
    timer->invalidate();
    DZLoggingQueue()->sync([] {});
    ASSERT_EQ(sink.lines().size(), 1u);
    EXPECT_NE(sink.lines()[0].find("raised"), std::string::npos);
}

TEST_F(OnMainLoop, SchedulerHandsOutIdsAndStartsOneTimerWithATenthTolerance) {
    auto scheduler = DZScheduler::initWithInterval(60);
    auto queue = DispatchQueue::createSerial("test.scheduler");
    EXPECT_EQ(scheduler->taskIDScheduledOnQueue(queue, [] {}), 1);
    EXPECT_EQ(scheduler->taskIDScheduledOnQueue(nullptr, [] {}), -1);
    EXPECT_EQ(scheduler->taskIDScheduledOnQueue(queue, nullptr), -1);
    EXPECT_EQ(scheduler->taskIDScheduledOnQueue(queue, [] {}), 2);

    scheduler->start();
    auto first = scheduler->timer();
    ASSERT_NE(first, nullptr);
    EXPECT_DOUBLE_EQ(first->tolerance(), 6);
    scheduler->start();
    EXPECT_EQ(scheduler->timer(), first);
    scheduler->stop();
    EXPECT_FALSE(first->isValid());
    scheduler->start();
    EXPECT_NE(scheduler->timer(), first);
    EXPECT_NE(scheduler->description().find(": 2 blocks, 60.000000 interval"), std::string::npos);

    // An interval too small to repeat is raised, and the tolerance is a tenth of what it became.
    for (double tiny : {0.0, -1.0, 0.001}) {
        auto raised = DZScheduler::initWithInterval(tiny);
        raised->start();
        EXPECT_DOUBLE_EQ(raised->timer()->interval(), kDZMinimumRepeatingInterval) << tiny;
        EXPECT_DOUBLE_EQ(raised->timer()->tolerance(), kDZMinimumRepeatingInterval / 10) << tiny;
    }
}

TEST_F(OnMainLoop, EachTickHandsEveryTaskToItsQueueFromOneIntervalAfterStart) {
    auto scheduler = DZScheduler::initWithInterval(1);
    auto queue = DispatchQueue::createSerial("test.ticks");
    std::vector<std::string> ran;  // touched on the queue only
    const int a = scheduler->taskIDScheduledOnQueue(queue, [&] { ran.push_back("a"); });
    scheduler->taskIDScheduledOnQueue(queue, [&] { ran.push_back("b"); });
    scheduler->start();
    loop_->advance(0.99);
    queue->sync([&] { EXPECT_TRUE(ran.empty()); });
    loop_->advance(0.01);
    queue->sync([&] { EXPECT_EQ(ran, (std::vector<std::string>{"a", "b"})); });
    scheduler->unscheduleTaskWithID(a);
    scheduler->unscheduleTaskWithID(99);
    loop_->advance(1);
    queue->sync([&] { EXPECT_EQ(ran, (std::vector<std::string>{"a", "b", "b"})); });
}

TEST_F(OnMainLoop, AReleasedSchedulerStopsItsTimer) {
    auto queue = DispatchQueue::createSerial("test.released");
    std::atomic<int> ticks{0};
    auto scheduler = DZScheduler::initWithInterval(1);
    scheduler->taskIDScheduledOnQueue(queue, [&] { ++ticks; });
    scheduler->start();
    loop_->advance(1);
    scheduler.reset();
    loop_->runUntilIdle();
    EXPECT_EQ(loop_->pendingCount(), 0u);
    loop_->advance(5);
    queue->sync([] {});
    EXPECT_EQ(ticks.load(), 1);
}

TEST_F(OnMainLoop, TasksChangeOnAnOwnersQueueWhileTheMainLoopTicks) {
    auto owner = DispatchQueue::createSerial("test.owner");
    auto work = DispatchQueue::createSerial("test.work");
    auto scheduler = DZScheduler::initWithInterval(0.01);
    std::atomic<int> runs{0};
    scheduler->start();
    std::promise<void> done;
    owner->async([&] {
        for (int i = 0; i < 200; ++i) {
            const int id = scheduler->taskIDScheduledOnQueue(work, [&] { ++runs; });
            if (i % 2 == 0) scheduler->unscheduleTaskWithID(id);
        }
        done.set_value();
    });
    auto finished = done.get_future();
    while (finished.wait_for(std::chrono::milliseconds(0)) != std::future_status::ready) loop_->advance(0.01);
    loop_->advance(0.01);
    work->sync([] {});
    EXPECT_GE(runs.load(), 100);
    scheduler->stop();
}

// Runs in a child process: a worker still uses the process-wide state while the process exits.
TEST(DZProcessExitChild, DISABLED_ExitWhileAWorkerRuns) {
    auto application = DZApplication::sharedInstance();
    auto pinger = DZPinger::sharedInstance();
    std::atomic<int> rounds{0};
    std::thread([&] {
        for (;;) {
            (void)DZAbsoluteTime::absoluteTimeInMilliseconds();
            (void)DZDevice::deviceSubmodel();
            (void)DZDevice::locale();
            (void)DZDefaultWebViewUserAgent();
            (void)application->iTunesMetadata();
            pinger->drain();
            ++rounds;
        }
    }).detach();
    const auto ready = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (rounds < 100 && std::chrono::steady_clock::now() < ready) std::this_thread::yield();
    std::exit(rounds < 100 ? 2 : 0);
}

TEST(DZProcessExit, SharedStateOutlivesTheWorkersStillUsingItAtExit) {
    for (int run = 0; run < 3; ++run) {
        const auto exit =
            tikoleap::test::runTestInChild("DZProcessExitChild.DISABLED_ExitWhileAWorkerRuns", {});
        EXPECT_TRUE(exit.exited && exit.code == 0) << "signal " << exit.signal << ", code " << exit.code;
    }
}
