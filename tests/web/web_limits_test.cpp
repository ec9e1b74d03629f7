// Bounds the host keeps on the real engine: a web process per view, a cap on live views, full
// teardown, and hostile pages (dialog loops, endless scripts, popup storms) stopped without
// holding the game's loop.
#include <gtest/gtest.h>

#include <dirent.h>

#include <chrono>
#include <fstream>
#include <string>

#include "WebTestKit.h"

using namespace platform::web;
using platform::Timer;
using webtest::runUntil;

namespace {

class WebLimitsTest : public ::testing::Test {
  protected:
    void TearDown() override {
        views.clear();
        webtest::settle();
        server.clearHits();
        webtest::host(webtest::testLimits());
    }
    // Counts the game loop's 10 ms ticks while the test waits.
    std::shared_ptr<Timer> countTicks(int& ticks) {
        return webtest::loop().scheduleRepeating(0.01, [&ticks](Timer&) { ++ticks; });
    }

    tikoleap::test::LoopbackServer& server = webtest::server();
    std::vector<std::unique_ptr<WebEngine>> views;
};

// How often the threads of a process have gone to sleep and been woken so far.
long wakeUps(int pid) {
    const std::string tasks = "/proc/" + std::to_string(pid) + "/task";
    DIR* dir = opendir(tasks.c_str());
    if (!dir) return 0;
    long sum = 0;
    while (dirent* entry = readdir(dir)) {
        std::ifstream status(tasks + "/" + entry->d_name + "/status");
        std::string key;
        while (status >> key) {
            if (key == "voluntary_ctxt_switches:") {
                long n = 0;
                status >> n;
                sum += n;
            }
        }
    }
    closedir(dir);
    return sum;
}

}  // namespace

TEST_F(WebLimitsTest, EachViewHasAWebProcessOfItsOwnUpToTheCapAndLeavesNoneBehind) {
    ASSERT_TRUE(runUntil([] { return webtest::webProcessCount() == 0; }, 5))
        << "a process left by another test";
    webtest::page("/a.html", "<html><body>a</body></html>");
    std::vector<webtest::Recorder> recorders(4);
    for (int i = 0; i < 4; ++i) {
        views.push_back(webtest::host().createView(320, 50));
        ASSERT_TRUE(views.back());
        views.back()->setDelegate(&recorders[i]);
        views.back()->loadRequest({server.url("/a.html"), {}});
    }
    ASSERT_TRUE(runUntil([&] {
        return std::all_of(recorders.begin(), recorders.end(), [](const auto& r) { return r.finished == 1; });
    }));
    EXPECT_EQ(webtest::webProcessCount(), 4);
    EXPECT_EQ(webtest::host().liveViews(), 4);

    EXPECT_EQ(webtest::host().createView(320, 50), nullptr);
    views.pop_back();
    auto again = webtest::host().createView(320, 50);
    EXPECT_NE(again, nullptr);
    again.reset();

    for (auto& v : views) v->setDelegate(nullptr);
    views.clear();
    EXPECT_EQ(webtest::host().liveViews(), 0);
    EXPECT_TRUE(runUntil([] { return webtest::webProcessCount() == 0; }, 5));
}

TEST_F(WebLimitsTest, APageAtRestWakesItsWebProcessSeldom) {
    ASSERT_TRUE(runUntil([] { return webtest::webProcessCount() == 0; }, 5))
        << "a process left by another test";
    webtest::Recorder recorder;
    views.push_back(webtest::host().createView(320, 50));
    views[0]->setDelegate(&recorder);
    views[0]->loadHTML("<html><body>at rest</body></html>", server.url("/"));
    ASSERT_TRUE(runUntil([&] { return recorder.finished == 1; }));
    ASSERT_EQ(webtest::webProcessCount(), 1);
    const int pid = webtest::webProcesses()[0];
    webtest::runFor(0.5);
    const long before = wakeUps(pid);
    webtest::runFor(2);
    // About 30 a second here; the memory watch alone woke it 100 times a second when it read the
    // page every 10 ms.
    EXPECT_LT((wakeUps(pid) - before) / 2, 60);
}

TEST_F(WebLimitsTest, ADialogLoopIsAnsweredUpToTheLimitThenThePageIsStopped) {
    webtest::Recorder recorder;
    views.push_back(webtest::host().createView(320, 50));
    views[0]->setDelegate(&recorder);
    int ticks = 0;
    auto counter = countTicks(ticks);
    views[0]->loadHTML(
        "<html><body><script>for (var i = 0;; ++i) alert('again ' + i);</script></body></html>",
        server.url("/"));
    ASSERT_TRUE(runUntil([&] { return !recorder.failures.empty(); }));
    counter->invalidate();
    EXPECT_EQ(recorder.failures[0].code, WebError::kHostile);
    EXPECT_EQ(recorder.dialogs.size(), 5u);  // the rest were dismissed unasked
    EXPECT_EQ(recorder.finished, 0);
    EXPECT_GT(ticks, 0);

    // The view takes the next page as if nothing happened.
    views[0]->loadHTML("<html><body>calm</body></html>", server.url("/"));
    EXPECT_TRUE(runUntil([&] { return recorder.finished == 1; }));
}

TEST_F(WebLimitsTest, AnEndlessScriptNeverHoldsTheGameLoopAndThePageIsStopped) {
    auto limits = webtest::testLimits();
    limits.scriptTimeoutSeconds = 1;
    webtest::host(limits);
    webtest::Recorder recorder;
    views.push_back(webtest::host().createView(320, 50));
    views[0]->setDelegate(&recorder);
    // The page asks the server for /spinning from the script that then spins: once the server has
    // that request, the page's script runs and holds its web process. A started load alone says
    // nothing of it, and on a busy machine the script, the load and the page to come raced.
    webtest::page("/spinning", "spin");
    views[0]->loadHTML(
        "<html><body><script>var r = new XMLHttpRequest(); r.open('GET', '/spinning', false); r.send();"
        "while (true) {}</script></body></html>",
        server.url("/"));
    ASSERT_TRUE(runUntil([&] { return !server.hits("/spinning").empty(); }));

    int ticks = 0;
    auto counter = countTicks(ticks);
    const auto spinStart = std::chrono::steady_clock::now();
    std::optional<ScriptResult> result;
    views[0]->evaluateScript("1 + 1", [&](const ScriptResult& r) { result = r; });
    // A tap on the spinning page goes nowhere, and costs the game nothing; the next page the
    // game asks for waits for the stuck one to be stopped.
    views[0]->sendMouseEvent({MouseEventType::Down, 10, 10});
    views[0]->sendMouseEvent({MouseEventType::Up, 10, 10});
    views[0]->loadHTML("<html><body>calm</body></html>", server.url("/"));
    ASSERT_TRUE(runUntil([&] { return !recorder.failures.empty(); }, 5));
    counter->invalidate();
    EXPECT_EQ(recorder.failures[0].code, WebError::kHostile);
    EXPECT_EQ(recorder.finished, 0);
    ASSERT_TRUE(result.has_value());
    EXPECT_FALSE(result->ok);
    // The loop kept going while the page spun (a second and more). A loop held by the page would
    // count none; a busy machine (sanitizers, parallel tests) may delay many, so a quarter of the
    // 10 ms ticks due is asked.
    const double spun = std::chrono::duration<double>(std::chrono::steady_clock::now() - spinStart).count();
    EXPECT_GT(ticks, spun / 0.01 / 4) << "over " << spun << " s";

    // The calm page waits for a new web process: slow to start on a loaded machine.
    EXPECT_TRUE(runUntil([&] { return recorder.finished == 1; }, 30));
    EXPECT_EQ(webtest::evaluate(*views[0], "document.body.textContent").value, "calm");
}

TEST_F(WebLimitsTest, APopupStormOpensNothing) {
    webtest::Recorder recorder;
    webtest::page("/popup.html", "<html><body>popup</body></html>");
    views.push_back(webtest::host().createView(320, 50));
    views[0]->setDelegate(&recorder);
    views[0]->loadHTML(
        "<html><body><script>for (var i = 0; i < 500; ++i) window.open('/popup.html?' + i);"
        "</script></body></html>",
        server.url("/"));
    ASSERT_TRUE(runUntil([&] { return recorder.finished == 1; }));
    webtest::runFor(0.2);
    EXPECT_EQ(server.count("/popup.html"), 0u);
    EXPECT_EQ(std::count_if(recorder.navigations.begin(), recorder.navigations.end(),
                            [](const NavigationAction& a) { return a.newWindow; }),
              0);
    EXPECT_EQ(views[0]->url(), server.url("/"));
    EXPECT_EQ(webtest::host().liveViews(), 1);
}
