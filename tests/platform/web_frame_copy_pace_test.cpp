// The pace of a page's picture copies, on readings the test makes: a page cheap to copy keeps the
// view's own pace, one costly to copy gets fewer pictures so that copying them stays within the
// share of a core, and one slow copy among cheap ones holds the page back only briefly.
#include <gtest/gtest.h>

#include "platform/web/FrameCopyPace.h"

namespace {

using platform::web::FrameCopyPace;

constexpr double kShare = 0.1;
constexpr double kGap = 1.0 / 30;

// Copies as soon as each is due, each costing `cost`, for `seconds`; the processor time they cost
// in all, per second.
double coresSpent(FrameCopyPace& pace, double cost, double start, double seconds, int* copies = nullptr) {
    double now = start;
    double spent = 0;
    int made = 0;
    while (now < start + seconds) {
        pace.copied(now, cost);
        spent += cost;
        ++made;
        now = pace.nextAt();
    }
    if (copies) *copies = made;
    return spent / seconds;
}

}  // namespace

TEST(FrameCopyPace, CopiesCostingPastTheShareComeLessOftenAndCheapOnesKeepTheViewsPace) {
    FrameCopyPace first(kShare, kGap);
    EXPECT_EQ(first.nextAt(), 0) << "the first picture is due at once";

    int copies = 0;
    FrameCopyPace cheap(kShare, kGap);
    EXPECT_LT(coresSpent(cheap, 0.0005, 0, 10, &copies), kShare);
    EXPECT_NEAR(copies, 300, 1) << "a banner keeps every picture the view would take";

    FrameCopyPace costly(kShare, kGap);
    EXPECT_LE(coresSpent(costly, 0.010, 0, 10, &copies), kShare * 1.05);
    EXPECT_GE(copies, 95) << "a large page still shows ten pictures a second";

    // One slow copy among cheap ones: the page is back at the view's pace within a few pictures.
    FrameCopyPace hiccup(kShare, kGap);
    coresSpent(hiccup, 0.0005, 0, 1);
    hiccup.copied(1, 0.050);
    double last = 1;
    for (int i = 0; i < 20; ++i) {
        last = hiccup.nextAt();
        hiccup.copied(last, 0.0005);
    }
    EXPECT_NEAR(hiccup.nextAt() - last, kGap, 1e-9);
    EXPECT_LT(last - 1, 20 * kGap + 0.5);
}
