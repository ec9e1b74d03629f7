// A web process judged by its processor time over a span of real time, on readings the test
// makes: a busy load passes, a page that keeps more than its share over a whole span does not,
// however it spreads its work.
#include <gtest/gtest.h>

#include <vector>

#include "platform/web/CpuSpan.h"

namespace {

using platform::web::CpuSpan;

// One reading a second, each second at the next of `cores` (repeated); the second of the first
// reading found over, or -1 after `seconds`.
int firstOver(const std::vector<double>& cores, int seconds) {
    CpuSpan span(1, 10);
    double cpu = 0;
    span.add(0, 0);
    for (int s = 1; s <= seconds; ++s) {
        cpu += cores[static_cast<std::size_t>(s - 1) % cores.size()];
        if (span.add(cpu, s)) return s;
    }
    return -1;
}

TEST(CpuSpan, OnlyMoreThanTheShareOverAWholeSpanIsOverHoweverTheWorkIsSpread) {
    std::vector<double> load{3, 3};
    load.resize(60, 0.2);
    EXPECT_EQ(firstOver(load, 60), -1) << "a busy load, then a page at rest";
    EXPECT_EQ(firstOver({0.95}, 60), -1) << "just under the share";
    EXPECT_EQ(firstOver({1.5}, 60), 10) << "a page keeping a core and a half busy";
    EXPECT_EQ(firstOver({3, 3, 3, 3, 0}, 60), 10) << "bursts with rests between them";
    std::vector<double> late(30, 0.1);
    late.resize(60, 2);
    EXPECT_EQ(firstOver(late, 60), 35) << "a page that starts late is judged on its last span";
}

}  // namespace
