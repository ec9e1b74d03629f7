// Serial and global queues: order, mutual exclusion, sync seeing earlier changes, the deadlock
// check, delayed blocks, and a pool that grows rather than starves.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <stdexcept>
#include <thread>
#include <utility>
#include <vector>

#include "platform/dispatch/DispatchQueue.h"

using platform::DispatchDeadlockError;
using platform::DispatchQueue;
using namespace std::chrono_literals;

namespace {

// Generous: only a broken queue comes near it.
constexpr auto kPatience = 10s;

}  // namespace

TEST(SerialQueue, BlocksFromManyThreadsRunOneAtATimeInEachSubmittersOrder) {
    auto queue = DispatchQueue::createSerial("test.order");
    constexpr int kThreads = 4, kPerThread = 500;
    std::vector<std::pair<int, int>> seen;  // only touched on the queue
    std::atomic<int> inside{0};
    std::atomic<bool> overlapped{false};
    std::vector<std::thread> producers;
    for (int t = 0; t < kThreads; ++t) {
        producers.emplace_back([&, t] {
            for (int i = 0; i < kPerThread; ++i) {
                queue->async([&, t, i] {
                    if (inside.fetch_add(1) != 0) overlapped = true;
                    seen.emplace_back(t, i);
                    inside.fetch_sub(1);
                });
            }
        });
    }
    for (auto& p : producers) p.join();
    std::vector<std::pair<int, int>> snapshot;
    queue->sync([&] { snapshot = seen; });

    EXPECT_FALSE(overlapped);
    ASSERT_EQ(snapshot.size(), static_cast<size_t>(kThreads * kPerThread));
    std::vector<int> next(kThreads, 0);
    for (auto [t, i] : snapshot) {
        EXPECT_EQ(i, next[t]) << "submitter " << t;
        next[t] = i + 1;
    }
}

TEST(SerialQueue, SyncAfterAsyncOnTheSameThreadSeesTheChange) {
    auto queue = DispatchQueue::createSerial("test.read-after-write");
    int value = 0;
    for (int i = 1; i <= 2000; ++i) {
        queue->async([&value, i] { value = i; });
        int read = -1;
        queue->sync([&] { read = value; });
        ASSERT_EQ(read, i);
    }
}

TEST(SerialQueue, SyncWaitsItsTurnBehindEarlierBlocksAndBeforeLaterOnes) {
    auto queue = DispatchQueue::createSerial("test.turn");
    std::promise<void> gate;
    std::shared_future<void> opened = gate.get_future().share();
    std::vector<char> order;
    queue->async([&, opened] {
        opened.wait();
        order.push_back('A');
    });
    queue->async([&] { order.push_back('B'); });
    auto syncer = std::async(std::launch::async, [&] { queue->sync([&] { order.push_back('S'); }); });
    // The sync caller is stuck behind the gated block.
    EXPECT_EQ(syncer.wait_for(50ms), std::future_status::timeout);
    gate.set_value();
    ASSERT_EQ(syncer.wait_for(kPatience), std::future_status::ready);
    queue->async([&] { order.push_back('C'); });
    queue->sync([] {});
    EXPECT_EQ(order, (std::vector<char>{'A', 'B', 'S', 'C'}));
}

TEST(SerialQueue, SyncOntoAQueueTheThreadIsAlreadyOnIsACheckedError) {
    auto a = DispatchQueue::createSerial("test.a");
    auto b = DispatchQueue::createSerial("test.b");
    // Directly, and through a sync onto another queue in between.
    a->sync([&] {
        EXPECT_TRUE(a->isCurrent());
        EXPECT_THROW(a->sync([] {}), DispatchDeadlockError);
        b->sync([&] {
            EXPECT_TRUE(a->isCurrent() && b->isCurrent());
            EXPECT_THROW(a->sync([] {}), DispatchDeadlockError);
        });
    });
    // From a block running on a worker.
    std::promise<bool> threw;
    a->async([&] {
        try {
            a->sync([] {});
            threw.set_value(false);
        } catch (const DispatchDeadlockError&) {
            threw.set_value(true);
        }
    });
    auto result = threw.get_future();
    ASSERT_EQ(result.wait_for(kPatience), std::future_status::ready);
    EXPECT_TRUE(result.get());
    EXPECT_FALSE(a->isCurrent());
}

TEST(SerialQueue, AnExceptionFromASyncBlockReachesTheCallerAndFreesTheQueue) {
    auto queue = DispatchQueue::createSerial("test.throw");
    EXPECT_THROW(queue->sync([] { throw std::runtime_error("no"); }), std::runtime_error);
    std::promise<void> ran;
    queue->async([&] { ran.set_value(); });
    EXPECT_EQ(ran.get_future().wait_for(kPatience), std::future_status::ready);
}

TEST(SerialQueue, PendingBlocksKeepTheirQueueAndRunAfterTheLastHandleIsGone) {
    std::atomic<int> count{0};
    std::promise<int> last;
    {
        auto queue = DispatchQueue::createSerial("test.orphan");
        for (int i = 0; i < 100; ++i) queue->async([&] { ++count; });
        queue->async([&] { last.set_value(count.load()); });
    }
    auto result = last.get_future();
    ASSERT_EQ(result.wait_for(kPatience), std::future_status::ready);
    EXPECT_EQ(result.get(), 100);
}

TEST(SerialQueue, AfterRunsNoSoonerThanItsDelayAndInOrderWithTheQueue) {
    auto queue = DispatchQueue::createSerial("test.after");
    // The delayed jobs' thread starts with the first delay asked for; a slow start under a busy
    // sanitizer would make the later block due first.
    std::promise<void> started;
    queue->after(0, [&] { started.set_value(); });
    ASSERT_EQ(started.get_future().wait_for(kPatience), std::future_status::ready);
    const auto start = std::chrono::steady_clock::now();
    std::promise<std::chrono::steady_clock::duration> fired;
    std::vector<int> order;
    queue->after(0.05, [&] {
        order.push_back(2);
        fired.set_value(std::chrono::steady_clock::now() - start);
    });
    queue->after(-1, [&] { order.push_back(1); });  // a negative delay is due at once
    auto elapsed = fired.get_future();
    ASSERT_EQ(elapsed.wait_for(kPatience), std::future_status::ready);
    EXPECT_GE(elapsed.get(), 50ms);
    queue->sync([&] { EXPECT_EQ(order, (std::vector<int>{1, 2})); });
}

TEST(SerialQueue, BlockedQueuesDoNotStarveOthers) {
    // More blocked queues than a small fixed pool would have threads.
    std::promise<void> gate;
    std::shared_future<void> opened = gate.get_future().share();
    std::vector<std::shared_ptr<DispatchQueue>> blocked;
    for (int i = 0; i < 16; ++i) {
        blocked.push_back(DispatchQueue::createSerial("test.blocked"));
        blocked.back()->async([opened] { opened.wait(); });
    }
    auto free = DispatchQueue::createSerial("test.free");
    std::promise<void> ran;
    free->async([&] { ran.set_value(); });
    EXPECT_EQ(ran.get_future().wait_for(kPatience), std::future_status::ready);
    gate.set_value();
    for (auto& q : blocked) q->sync([] {});
}

TEST(GlobalQueue, BlocksRunConcurrently) {
    auto global = DispatchQueue::global();
    // Each block waits for the other: only concurrent blocks can both finish.
    std::promise<void> first, second;
    auto firstDone = first.get_future().share();
    auto secondDone = second.get_future().share();
    std::promise<bool> bothSaw;
    global->async([&, secondDone] {
        first.set_value();
        bothSaw.set_value(secondDone.wait_for(kPatience) == std::future_status::ready);
    });
    global->async([&, firstDone] {
        if (firstDone.wait_for(kPatience) == std::future_status::ready) second.set_value();
    });
    auto result = bothSaw.get_future();
    ASSERT_EQ(result.wait_for(2 * kPatience), std::future_status::ready);
    EXPECT_TRUE(result.get());
    int value = 0;
    global->sync([&] { value = 7; });
    EXPECT_EQ(value, 7);
}
