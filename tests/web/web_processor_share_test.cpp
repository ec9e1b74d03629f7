// A page's processor share is a share of the machine the game may run on, not a whole core: where
// the game has two cores, a page keeping one of them busy is stopped while a quiet page is left
// alone. The engine takes the machine's size as it starts, so this suite needs a process of its own
// (as ctest runs it).
#include <gtest/gtest.h>
#include <sched.h>

#include "WebTestKit.h"
#include "platform/web/WebKitHost.h"

using namespace platform::web;

TEST(WebProcessorShare, WhereTheGameHasTwoCoresAPageKeepingOneBusyIsStopped) {
    if (WebKitHost::current()) GTEST_SKIP() << "the engine started before: run this suite on its own";
    cpu_set_t all;
    ASSERT_EQ(sched_getaffinity(0, sizeof all, &all), 0);
    cpu_set_t two;
    CPU_ZERO(&two);
    for (int cpu = 0; cpu < CPU_SETSIZE && CPU_COUNT(&two) < 2; ++cpu)
        if (CPU_ISSET(cpu, &all)) CPU_SET(cpu, &two);
    ASSERT_EQ(sched_setaffinity(0, sizeof two, &two), 0);

    webtest::page("/spin.js", "for (;;) {}", "application/javascript");
    webtest::Recorder quiet, busy;
    auto calm = webtest::host().createView(320, 50);
    auto spinning = webtest::host().createView(320, 50);
    calm->setDelegate(&quiet);
    spinning->setDelegate(&busy);
    calm->loadHTML("<html><body>quiet</body></html>", webtest::server().url("/"));
    // One worker spins: a whole core, half of what the game has. The page's own thread answers.
    spinning->loadHTML("<html><body><script>new Worker('/spin.js');</script></body></html>",
                       webtest::server().url("/"));
    ASSERT_TRUE(webtest::runUntil([&] { return quiet.finished == 1 && busy.finished == 1; }));
    EXPECT_TRUE(webtest::runUntil([&] { return !busy.failures.empty(); },
                                  webtest::testLimits().webProcessCpuSpanSeconds + 10))
        << "the busy page was not stopped";
    if (!busy.failures.empty()) {
        EXPECT_EQ(busy.failures[0].code, WebError::kHostile);
    }
    EXPECT_TRUE(quiet.failures.empty());
    calm->setDelegate(nullptr);
    spinning->setDelegate(nullptr);
    calm.reset();
    spinning.reset();
    webtest::settle();
    sched_setaffinity(0, sizeof all, &all);
}
