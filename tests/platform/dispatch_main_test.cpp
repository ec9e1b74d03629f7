// The main queue and main-loop timers over a virtual-clock main loop: hops from worker threads
// land on the loop's thread, sync waits for the loop, and timers made or stopped anywhere fire
// only on the loop.
#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <memory>
#include <stdexcept>
#include <thread>
#include <vector>

#include "platform/dispatch/DispatchQueue.h"
#include "platform/dispatch/MainLoopTimer.h"
#include "platform/runloop/ManualRunLoop.h"

using platform::DispatchDeadlockError;
using platform::DispatchQueue;
using platform::MainLoopTimer;
using platform::ManualRunLoop;
using platform::RunLoop;
using namespace std::chrono_literals;

namespace {

constexpr auto kPatience = 10s;

class MainQueueTest : public ::testing::Test {
  protected:
    void SetUp() override { previous_ = RunLoop::setMain(loop_); }
    void TearDown() override { RunLoop::setMain(previous_); }

    // Runs the loop's posted work until the future is ready (a worker waits on the loop).
    template <typename T>
    bool pumpUntil(std::future<T>& f) {
        const auto end = std::chrono::steady_clock::now() + kPatience;
        while (f.wait_for(1ms) != std::future_status::ready) {
            if (std::chrono::steady_clock::now() > end) return false;
            loop_->runUntilIdle();
        }
        return true;
    }

    std::shared_ptr<ManualRunLoop> loop_ = std::make_shared<ManualRunLoop>();
    std::shared_ptr<RunLoop> previous_;
};

}  // namespace

TEST_F(MainQueueTest, HopsFromWorkerThreadsRunOnTheLoopThreadInOrder) {
    auto main = DispatchQueue::main();
    EXPECT_TRUE(main->isCurrent());
    std::vector<int> order;
    std::vector<std::thread::id> threads;
    std::thread worker([&] {
        EXPECT_FALSE(main->isCurrent());
        for (int i = 0; i < 50; ++i) {
            main->async([&, i] {
                order.push_back(i);
                threads.push_back(std::this_thread::get_id());
            });
        }
    });
    worker.join();
    EXPECT_TRUE(order.empty());  // nothing runs until the loop does
    loop_->runUntilIdle();
    ASSERT_EQ(order.size(), 50u);
    for (int i = 0; i < 50; ++i) {
        EXPECT_EQ(order[i], i);
        EXPECT_EQ(threads[i], std::this_thread::get_id());
    }
}

TEST_F(MainQueueTest, SyncFromAWorkerWaitsForTheLoopAndFromTheMainThreadIsACheckedError) {
    auto main = DispatchQueue::main();
    EXPECT_THROW(main->sync([] {}), DispatchDeadlockError);

    std::thread::id ranOn;
    auto worker = std::async(std::launch::async, [&] {
        main->sync([&] { ranOn = std::this_thread::get_id(); });
        return ranOn;  // read after sync returned: the write is visible
    });
    ASSERT_TRUE(pumpUntil(worker));
    EXPECT_EQ(worker.get(), std::this_thread::get_id());

    // A serial block that hops to the main queue synchronously.
    auto queue = DispatchQueue::createSerial("test.to-main");
    int value = 0;
    queue->async([&] { main->sync([&] { value = 5; }); });
    auto done = std::async(std::launch::async, [&] {
        int read = 0;
        queue->sync([&] { read = value; });
        return read;
    });
    ASSERT_TRUE(pumpUntil(done));
    EXPECT_EQ(done.get(), 5);
}

TEST_F(MainQueueTest, SyncToALoopThatGoesAwayFailsInsteadOfWaitingForever) {
    auto main = DispatchQueue::main();
    auto worker = std::async(std::launch::async, [&] {
        try {
            main->sync([] {});
            return std::string("ran");
        } catch (const std::runtime_error& e) {
            return std::string("abandoned");
        }
    });
    while (loop_->pendingCount() == 0) std::this_thread::sleep_for(1ms);
    RunLoop::setMain(previous_);
    loop_.reset();  // the posted block dies unrun
    ASSERT_EQ(worker.wait_for(kPatience), std::future_status::ready);
    EXPECT_EQ(worker.get(), "abandoned");
    loop_ = std::make_shared<ManualRunLoop>();
}

TEST_F(MainQueueTest, AfterCountsTheLoopsClockFromEitherThread) {
    auto main = DispatchQueue::main();
    std::vector<std::string> fired;
    main->after(0.5, [&] { fired.push_back("main"); });
    std::thread([&] { main->after(0.5, [&] { fired.push_back("worker"); }); }).join();
    loop_->advance(0.49);
    EXPECT_TRUE(fired.empty());
    loop_->advance(0.02);
    EXPECT_EQ(fired, (std::vector<std::string>{"main", "worker"}));
}

TEST_F(MainQueueTest, TimersFireOnTheGridUntilInvalidatedFromAnyThread) {
    int count = 0;
    auto timer = MainLoopTimer::schedule(0.25, true, [&](MainLoopTimer&) { ++count; });
    timer->setTolerance(0.025);
    EXPECT_DOUBLE_EQ(timer->tolerance(), 0.025);
    loop_->advance(1.0);
    EXPECT_EQ(count, 4);
    std::thread([&] { timer->invalidate(); }).join();
    EXPECT_FALSE(timer->isValid());
    loop_->advance(1.0);
    EXPECT_EQ(count, 4);
    EXPECT_EQ(loop_->pendingCount(), 0u);
}

TEST_F(MainQueueTest, ATimerMadeOnAWorkerIsArmedByTheLoopAndKeptAliveByIt) {
    int count = 0;
    std::weak_ptr<MainLoopTimer> weak;
    std::thread([&] {
        auto timer = MainLoopTimer::schedule(0.1, false, [&](MainLoopTimer& t) {
            ++count;
            EXPECT_FALSE(t.isValid());  // a one-shot timer is spent once it fires
        });
        weak = timer;
    }).join();
    loop_->runUntilIdle();  // the hop arms it; the handle is gone but the loop holds the timer
    EXPECT_FALSE(weak.expired());
    loop_->advance(0.5);
    EXPECT_EQ(count, 1);
    EXPECT_TRUE(weak.expired());
}

TEST_F(MainQueueTest, ATimerMayInvalidateItselfFromItsCallback) {
    int count = 0;
    MainLoopTimer::schedule(0.1, true, [&](MainLoopTimer& t) {
        if (++count == 3) t.invalidate();
    });
    loop_->advance(1.0);
    EXPECT_EQ(count, 3);
}

// A worker finishing after the main loop has gone (the end of a run or of a test) hands its last
// block to a queue with no loop: the block is dropped there, not thrown at the worker.
TEST_F(MainQueueTest, ABlockHandedOverOnceTheLoopHasGoneIsDropped) {
    RunLoop::setMain(nullptr);
    auto ran = std::make_shared<bool>(false);
    std::thread worker([ran] {
        DispatchQueue::main()->async([ran] { *ran = true; });
        DispatchQueue::main()->after(0.01, [ran] { *ran = true; });
    });
    worker.join();
    RunLoop::setMain(loop_);
    loop_->advance(1.0);
    loop_->runUntilIdle();
    EXPECT_FALSE(*ran);
    EXPECT_EQ(ran.use_count(), 1) << "the dropped blocks are destroyed";
}
