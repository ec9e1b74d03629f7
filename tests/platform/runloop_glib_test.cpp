// The production loop on a private GLib context: real timers, cross-thread posts, quitting and
// error reporting. Real time is kept short; only counts and order are asserted.
#include <glib.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <memory>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "platform/runloop/GLibRunLoop.h"

using platform::GLibRunLoop;
using platform::Timer;

namespace {

class GLibRunLoopTest : public ::testing::Test {
  protected:
    GLibRunLoopTest() : context_(g_main_context_new()), loop_(std::make_unique<GLibRunLoop>(context_)) {
        // A fault must fail the test, not hang it.
        watchdog_ = loop_->scheduleOnce(2.0, [this](Timer&) {
            timedOut_ = true;
            loop_->quit();
        });
    }
    ~GLibRunLoopTest() override {
        loop_.reset();
        g_main_context_unref(context_);
    }

    GMainContext* context_;
    std::unique_ptr<GLibRunLoop> loop_;
    std::shared_ptr<Timer> watchdog_;
    bool timedOut_ = false;
};

}  // namespace

TEST_F(GLibRunLoopTest, RepeatingTimerFiresOnItsGridUntilTheLoopQuits) {
    std::vector<double> fired;
    std::vector<double> dates;
    const double start = loop_->now();
    loop_->scheduleRepeating(0.005, [&](Timer& t) {
        fired.push_back(loop_->now());
        dates.push_back(t.fireDate());
        if (fired.size() == 4) loop_->quit();
    });

    loop_->run();

    EXPECT_FALSE(timedOut_);
    ASSERT_EQ(fired.size(), 4u);
    EXPECT_GE(fired[0], start + 0.005);
    for (std::size_t i = 0; i < fired.size(); ++i) {
        EXPECT_LE(dates[i], fired[i]);  // never early
        // Fire dates stay whole multiples of the interval apart, however late the loop was.
        const double periods = (dates[i] - dates[0]) / 0.005;
        EXPECT_NEAR(periods, std::round(periods), 1e-4);
        if (i > 0) {
            EXPECT_GT(dates[i], dates[i - 1]);
        }
    }
}

TEST_F(GLibRunLoopTest, PostsFromOtherThreadsReachTheLoopInOrder) {
    constexpr int kPerThread = 200;
    std::vector<int> first;
    std::vector<int> second;
    int total = 0;
    bool allOnLoopThread = true;
    auto poster = [&](std::vector<int>& into) {
        return std::thread([&, this] {
            for (int i = 0; i < kPerThread; ++i) {
                loop_->post([&, i, this] {
                    into.push_back(i);
                    allOnLoopThread = allOnLoopThread && loop_->isLoopThread();
                    if (++total == 2 * kPerThread) loop_->quit();
                });
            }
        });
    };
    std::thread a = poster(first);
    std::thread b = poster(second);

    loop_->run();
    a.join();
    b.join();

    EXPECT_FALSE(timedOut_);
    EXPECT_TRUE(allOnLoopThread);
    ASSERT_EQ(first.size(), std::size_t(kPerThread));
    ASSERT_EQ(second.size(), std::size_t(kPerThread));
    for (int i = 0; i < kPerThread; ++i) {
        EXPECT_EQ(first[i], i);
        EXPECT_EQ(second[i], i);
    }
}

TEST_F(GLibRunLoopTest, OneShotsOwnersAndInvalidationBehaveAsOnTheVirtualClock) {
    std::vector<std::string> order;
    auto owner = std::make_shared<int>(1);
    loop_->scheduleOnce(0.001, owner, [&](Timer&) { order.push_back("dead owner"); });
    owner.reset();
    auto cancelled = loop_->scheduleOnce(0.002, [&](Timer&) { order.push_back("cancelled"); });
    int repeats = 0;
    loop_->scheduleRepeating(0.002, [&](Timer& t) {
        if (++repeats == 3) t.invalidate();
    });
    loop_->post([&] { order.push_back("posted"); });
    loop_->postAfter(0.003, [&] { order.push_back("after"); });
    // Long enough for three 2 ms repeats even when a loaded machine (a sanitizer build under
    // parallel tests) stalls the loop for a while: late firings coalesce rather than catch up.
    loop_->postAfter(0.2, [&] {
        order.push_back("done");
        loop_->quit();
    });
    cancelled->invalidate();

    loop_->run();

    EXPECT_FALSE(timedOut_);
    EXPECT_EQ(order, (std::vector<std::string>{"posted", "after", "done"}));
    EXPECT_EQ(repeats, 3);
}

TEST_F(GLibRunLoopTest, PollerIsCalledUntilInvalidated) {
    int polls = 0;
    std::shared_ptr<Timer> poller;
    poller = loop_->addPoller(
        [&] {
            if (++polls == 3) {
                poller->invalidate();
                loop_->postAfter(0.01, [&] { loop_->quit(); });
            }
        },
        0.002);
    loop_->run();
    EXPECT_FALSE(timedOut_);
    EXPECT_EQ(polls, 3);
}

TEST_F(GLibRunLoopTest, QuitBeforeRunReturnsAtOnceAndErrorsStopTheLoop) {
    loop_->quit();
    loop_->run();  // must not block
    EXPECT_FALSE(timedOut_);

    int after = 0;
    loop_->post([] { throw std::runtime_error("task failed"); });
    loop_->post([&] { ++after; });
    EXPECT_THROW(loop_->run(), std::runtime_error);
    EXPECT_EQ(after, 0);

    // The loop is still usable; the failed task is gone, the next one runs.
    loop_->post([&] {
        ++after;
        loop_->quit();
    });
    loop_->run();
    EXPECT_EQ(after, 2);

    loop_->scheduleOnce(0.001, [](Timer&) { throw std::logic_error("timer failed"); });
    EXPECT_THROW(loop_->run(), std::logic_error);
    EXPECT_FALSE(timedOut_);
}

TEST(GLibRunLoopLifetime, DestroyingTheLoopReleasesPendingWorkAndDetachesHandles) {
    GMainContext* context = g_main_context_new();
    auto captured = std::make_shared<int>(1);
    std::weak_ptr<int> watch = captured;
    std::shared_ptr<Timer> timer;
    {
        GLibRunLoop loop(context);
        timer = loop.scheduleRepeating(10.0, [captured](Timer&) {});
        loop.post([captured] {});
        captured.reset();
    }
    EXPECT_TRUE(watch.expired());
    EXPECT_FALSE(timer->isValid());
    timer->invalidate();
    g_main_context_unref(context);
}

// The window's loop stayed installed as the main loop until the process exited; as it went, what
// its timers held asked for the main loop (a main-loop timer's invalidation does), took a new
// reference to the loop being destroyed and destroyed it a second time.
TEST(GLibRunLoopLifetime, ALoopLeftAsTheMainLoopAtExitGoesOnceWhateverItsTimersReleaseAsksFor) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            struct AsksForTheMainLoop {
                ~AsksForTheMainLoop() {
                    if (auto loop = platform::RunLoop::mainLoop()) loop->post([] {});
                }
            };
            auto loop = std::make_shared<GLibRunLoop>();
            platform::RunLoop::setMain(loop);
            loop->scheduleOnce(60.0, [held = std::make_shared<AsksForTheMainLoop>()](Timer&) {});
            loop.reset();
            std::exit(0);
        },
        testing::ExitedWithCode(0), "");
}
