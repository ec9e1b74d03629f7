// A headless run's waits of one kind: a wait that times out names the limit it actually waited
// (its own, or the smaller rest of the total), the total ends the waits, and a wait that ends
// early costs only the time it took.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/WaitBudget.h"
#include "platform/foundation/ScopedLogSink.h"

namespace {

bool logged(const std::vector<std::string>& lines, const std::string& text) {
    for (const std::string& line : lines)
        if (line.find(text) != std::string::npos) return true;
    return false;
}

}  // namespace

TEST(WaitBudget, EachTimedOutWaitNamesItsLimitAndTheTotalEndsTheWaits) {
    double now = 0;
    WaitBudget budget(25, "ads", "ads now load beside the game", [&now] { return now; });
    std::vector<double> limits;
    // Times out after its whole limit; the clock is the test's.
    auto never = [&](double limit) {
        limits.push_back(limit);
        now += limit;
        return false;
    };
    platform::ScopedLogSink sink;
    // An early end costs only its own time.
    EXPECT_TRUE(budget.wait(
        10,
        [&](double) {
            now += 1;
            return true;
        },
        "an ad load did not end"));
    EXPECT_FALSE(budget.wait(10, never, "an ad load did not end", ": it goes on"));
    EXPECT_TRUE(logged(sink.lines(), "an ad load did not end within 10 s: it goes on"));
    EXPECT_FALSE(budget.spent());
    sink.clear();
    // 14 s are left: this wait takes 10, the next only the 4 left, and says so.
    EXPECT_FALSE(budget.wait(10, never, "the interstitial did not load"));
    EXPECT_FALSE(budget.wait(10, never, "the interstitial did not load"));
    EXPECT_EQ(limits, (std::vector<double>{10, 10, 4}));
    EXPECT_TRUE(logged(sink.lines(), "the interstitial did not load within 4 s"));
    EXPECT_TRUE(
        logged(sink.lines(), "the waits for ads have taken their 25 s of the run: ads now load beside"));
    EXPECT_TRUE(budget.spent());
    // Spent: no wait stands still any more, and nothing more is said.
    sink.clear();
    EXPECT_FALSE(budget.wait(10, never, "the interstitial did not load"));
    EXPECT_EQ(limits.size(), 3u);
    EXPECT_TRUE(sink.lines().empty());
}
