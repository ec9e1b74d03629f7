// What a page past its processor share costs the game: the main loop's ticks, measured on the
// loop's own clock, and the frames the page draws for its time.
#include <gtest/gtest.h>

#include "platform/runloop/ManualRunLoop.h"
#include "platform/web/LoopTicks.h"
#include "platform/web/PageCpuCost.h"

using platform::web::LoopTicks;
using platform::web::PageCpuCost;

TEST(PageCpuCost, APagePastItsShareIsStoppedWhenTheGameRunsLateOrItDrawsNextToNothing) {
    platform::ManualRunLoop loop;
    LoopTicks ticks(loop);
    // A loop that keeps its ticks, however long it runs.
    loop.advance(20);
    EXPECT_EQ(ticks.lateShare(10), 0);
    // One that held its thread for half of each of the last 10 s.
    for (int i = 0; i < 10; ++i) {
        loop.advance(0.5);
        loop.post([&] { loop.stall(0.5); });
        loop.runUntilIdle();
    }
    const double late = ticks.lateShare(10);
    EXPECT_GT(late, PageCpuCost::kMostLateShare);
    EXPECT_LT(late, 0.5);

    const double span = 10;
    // An animation drawing 30 frames a second while the game keeps its ticks is left alone...
    EXPECT_FALSE(PageCpuCost::stops(300, span, 0));
    // ...but not where the game runs late for it, and a busy loop showing nothing never is.
    EXPECT_TRUE(PageCpuCost::stops(300, span, late));
    EXPECT_TRUE(PageCpuCost::stops(0, span, 0));
    EXPECT_TRUE(PageCpuCost::stops(10, span, 0));
}
