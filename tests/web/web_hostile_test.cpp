// One hostile page against the others: a page that spins after its load, grows past the memory
// limit or floods the host with navigations is stopped and reported to its own view only, while
// another view keeps its page and its scripts; a view whose process ended by no fault of its own
// reports it once and loads again.
#include <gtest/gtest.h>
#include <unistd.h>
#include <webkit2/webkit2.h>

#include <algorithm>
#include <cstdio>
#include <optional>
#include <vector>

#include "WebTestKit.h"
#include "platform/foundation/Log.h"
#include "platform/web/WebKitEngine.h"
#include "platform/webext/ScriptRedirect.h"

using namespace platform::web;
using webtest::evaluate;
using webtest::runUntil;

namespace {

// What a wait for something these tests check may take at most: far more than an idle machine
// needs, so that only what never comes fails.
constexpr double kGenerousSeconds = 60;

class WebHostile : public ::testing::Test {
  protected:
    void TearDown() override {
        for (auto& v : views) v->setDelegate(nullptr);
        views.clear();
        webtest::settle();
        webtest::server().clearHits();
        webtest::host(webtest::testLimits());
    }
    WebEngine& open(webtest::Recorder& recorder, const std::string& html, const std::string& path = "/") {
        views.push_back(webtest::host().createView(320, 50));
        EXPECT_TRUE(views.back());
        views.back()->setDelegate(&recorder);
        views.back()->loadHTML(html, webtest::server().url(path));
        // A generous cap: beside a page that floods the host, on a busy machine, a load may take
        // seconds; the test checks that it loads, not how fast.
        EXPECT_TRUE(runUntil([&] { return recorder.finished == 1; }, kGenerousSeconds))
            << "the page did not load";
        return *views.back();
    }

    std::vector<std::unique_ptr<WebEngine>> views;
};

}  // namespace

TEST_F(WebHostile, APageThatSpinsAfterItsLoadIsStoppedAndAnotherViewKeepsItsPage) {
    // With the probe's own settings: the ad views need a spinning page gone within 5 s.
    webtest::Recorder innocent, hostile;
    std::vector<std::string> stops;
    auto previous = platform::setLogSink([&](const std::string& line) {
        if (line.find("stopHostilePage") != std::string::npos) stops.push_back(line);
    });
    WebEngine& first = open(innocent, "<html><body style='margin:0;background:#f00'>kept</body></html>");
    ASSERT_EQ(evaluate(first, "window.kept = 42").value, "42");
    // At an address longer than a log line: the line still says why the page was stopped.
    WebEngine& second = open(hostile,
                             "<html><body><script>onload = () => setTimeout(() => { while (true) {} }, 50);"
                             "</script></body></html>",
                             "/?" + std::string(platform::kMaxLoggedTextBytes, 'a'));
    ASSERT_TRUE(runUntil([&] { return !hostile.failures.empty(); }, 5))
        << "the spinning page was not stopped";
    platform::setLogSink(previous);
    EXPECT_EQ(hostile.failures[0].code, WebError::kHostile);
    ASSERT_EQ(stops.size(), 1u);
    EXPECT_TRUE(stops[0].find("stopped answering") != std::string::npos ||
                stops[0].find("stopped responding") != std::string::npos)
        << stops[0].substr(0, 200);
    EXPECT_FALSE(second.isLoading());

    webtest::runFor(0.5);
    EXPECT_TRUE(innocent.failures.empty());
    EXPECT_EQ(evaluate(first, "window.kept + ',' + document.body.textContent").value, "42,kept");
    const platform::Image shot = first.snapshot();
    EXPECT_EQ(shot.pixels[0], 255);  // still drawn: red, not blank
    EXPECT_EQ(shot.pixels[1], 0);
    EXPECT_EQ(hostile.failures.size(), 1u);
}

namespace {

// Runs until the recorder's page has failed, watching the peak memory of the one web process that
// came up since `before`.
double peakUntilStopped(webtest::Recorder& recorder, const std::vector<int>& before, double seconds) {
    std::vector<int> added;
    for (int pid : webtest::webProcesses()) {
        if (std::find(before.begin(), before.end(), pid) == before.end()) added.push_back(pid);
    }
    EXPECT_EQ(added.size(), 1u);
    double peak = 0;
    const bool stopped = runUntil(
        [&] {
            if (auto mb = added.empty() ? std::nullopt : webtest::residentAnonymousMB(added[0]))
                peak = std::max(peak, *mb);
            return !recorder.failures.empty();
        },
        seconds);
    EXPECT_TRUE(stopped) << "the page was not stopped";
    std::printf("peak of the greedy page's process: %.0f MiB\n", peak);
    return peak;
}

}  // namespace

TEST_F(WebHostile, APageAllocatingAGigabyteIsHeldUnderItsMemoryLimit) {
    const double limit = webtest::host().limits().webProcessMemoryLimitMB;
    webtest::Recorder calm, greedy, spinning;
    WebEngine& first = open(calm, "<html><body>calm</body></html>");
    // Grows by 64 MiB a turn, as fast as the page can fill them.
    auto before = webtest::webProcesses();
    open(greedy,
         "<html><body><script>var kept = [];"
         "function grow() { for (var i = 0; i < 64; ++i) kept.push(new Uint8Array(1 << 20).fill(1));"
         "  if (kept.length < 1024) setTimeout(grow, 10); else document.title = 'all of it'; }"
         "onload = grow;</script></body></html>");
    EXPECT_LT(peakUntilStopped(greedy, before, 10), limit);
    ASSERT_FALSE(greedy.failures.empty());
    EXPECT_EQ(greedy.failures[0].code, WebError::kHostile);
    EXPECT_EQ(greedy.failures[0].message, "the web process exceeded its memory limit");

    // Never gives up its thread while it grows: held all the same, and stopped for not answering.
    before = webtest::webProcesses();
    open(spinning,
         "<html><body><script>var kept = [];"
         "onload = () => setTimeout(() => { while (kept.length < 4096) kept.push(new Uint8Array(1 << "
         "20).fill(1)); "
         "while (true) {} }, 50);</script></body></html>");
    EXPECT_LT(peakUntilStopped(spinning, before, 10), limit);
    ASSERT_FALSE(spinning.failures.empty());
    EXPECT_EQ(spinning.failures[0].code, WebError::kHostile);

    EXPECT_EQ(evaluate(first, "document.body.textContent").value, "calm");
    EXPECT_TRUE(calm.failures.empty());
}

TEST_F(WebHostile, NavigationsOverTheSizeLimitAreRefusedUnseenAndCountAgainstThePage) {
    webtest::Recorder recorder;
    WebEngine& view = open(recorder, "<html><body>big</body></html>");
    const std::size_t limit = WebEngine::kMaxNavigationURLBytes;
    const std::string prefix = "amsg://x/log?string=";
    auto send = [&](std::size_t bytes) {
        evaluate(view, "location.href = '" + prefix + "' + 'a'.repeat(" +
                           std::to_string(bytes - prefix.size()) + "); 1");
    };
    send(limit);
    ASSERT_TRUE(runUntil([&] { return recorder.navigationTo(prefix) != nullptr; }));
    for (int i = 1; i < webtest::host().limits().oversizedNavigationsBeforeStop; ++i) send(limit + 1);
    webtest::runFor(0.3);
    EXPECT_TRUE(recorder.failures.empty());
    send(limit + 1);
    ASSERT_TRUE(runUntil([&] { return !recorder.failures.empty(); }, 5)) << "the page was not stopped";
    EXPECT_EQ(recorder.failures[0].code, WebError::kHostile);
    std::size_t seen = 0;
    for (const auto& navigation : recorder.navigations) {
        EXPECT_LE(navigation.url.size(), limit);
        seen += navigation.url.rfind(prefix, 0) == 0;
    }
    EXPECT_EQ(seen, 1u);
}

// What a page hands the game other than navigations weighs as they do: its answers to the host's
// own scripts and its dialogs' texts.
TEST_F(WebHostile, AnswersAndDialogsTooHeavyStopThePageAsNavigationsDo) {
    webtest::Recorder answering;
    WebEngine& view = open(answering, "<html><body>heavy</body></html>");
    EXPECT_TRUE(evaluate(view, "'x'.repeat(1 << 20)").ok) << "an answer of a megabyte is an answer";
    webtest::runFor(0.2);
    EXPECT_TRUE(answering.failures.empty());
    EXPECT_FALSE(evaluate(view, "'x'.repeat(32 << 20)").ok);
    ASSERT_TRUE(runUntil([&] { return !answering.failures.empty(); }, 5)) << "the page was not stopped";
    EXPECT_EQ(answering.failures[0].code, WebError::kHostile);

    webtest::Recorder asking;
    WebEngine& other = open(asking, "<html><body>talky</body></html>");
    evaluate(
        other,
        "setTimeout(function () { for (var i = 0; i < 4; i++) prompt('m'.repeat(6 << 20), 'd'); }, 0); 1");
    ASSERT_TRUE(runUntil([&] { return !asking.failures.empty(); }, 10)) << "the page was not stopped";
    EXPECT_EQ(asking.failures[0].code, WebError::kHostile);
}

TEST_F(WebHostile, PagesFloodingOrKeepingFarPastTheBridgesRateOrWeightAreStoppedAndOneAtItIsLeftAlone) {
    // Each message leaves through a frame of its own, as the ad pages' do, with `pad` bytes more.
    const std::string send =
        "function send(n, pad) { var f = document.createElement('iframe'); f.style.display = 'none';"
        "  f.src = 'amsg://page/log?string=' + n + 'a'.repeat(pad || 0); document.body.appendChild(f);"
        "  setTimeout(() => f.remove(), 100); }";
    // 100 at once, then 50 a second for 3 s, of 4 KiB each: all the ad bridge takes.
    webtest::Recorder calm, flooding;
    open(calm,
         "<html><body><script>" + send +
             "onload = () => { for (var i = 0; i < 100; ++i) send(i, 4096);"
             "  var k = 0, t = setInterval(() => { send(100 + k, 4096); if (++k == 150) clearInterval(t); "
             "}, 20); };"
             "</script></body></html>");
    open(flooding,
         "<html><body><script>" + send +
             "var n = 0; function go() { for (var i = 0; i < 50; ++i) send(n++); setTimeout(go, 0); }"
             "onload = go;</script></body></html>");
    // About 400 a second, under the burst bound, for as long as it shows.
    webtest::Recorder steady;
    open(steady,
         "<html><body><script>" + send +
             "var n = 0; onload = () => setInterval(() => { for (var i = 0; i < 4; ++i) send(n++); }, 10);"
             "</script></body></html>");
    // About 90 a second, under both counts, of 64 KiB each.
    webtest::Recorder heavy;
    open(heavy,
         "<html><body><script>" + send +
             "var n = 0; onload = () => setInterval(() => { for (var i = 0; i < 9; ++i) send(n++, 65536); "
             "}, 100);"
             "</script></body></html>");
    ASSERT_TRUE(runUntil([&] { return !flooding.failures.empty(); }, kGenerousSeconds))
        << "the flooding page was not stopped";
    EXPECT_EQ(flooding.failures[0].code, WebError::kHostile);
    ASSERT_TRUE(runUntil([&] { return !steady.failures.empty(); }, kGenerousSeconds))
        << "the steady page was not stopped";
    EXPECT_EQ(steady.failures[0].code, WebError::kHostile);
    ASSERT_TRUE(runUntil([&] { return !heavy.failures.empty(); }, kGenerousSeconds))
        << "the heavy page was not stopped";
    EXPECT_EQ(heavy.failures[0].code, WebError::kHostile);
    ASSERT_TRUE(runUntil([&] { return calm.navigations.size() >= 251; }, kGenerousSeconds));
    EXPECT_TRUE(calm.failures.empty());
}

// The page's own changes of its address (history.replaceState, pushState, a fragment, in the page
// or a frame) cost the game as navigations do and weigh in the same windows.
TEST_F(WebHostile, APageChangingItsOwnAddressFarPastTheBridgesRateOrWeightIsStopped) {
    // 90 a second of 1 MiB each, as the page's address.
    webtest::Recorder replacing;
    open(replacing,
         "<html><body><script>var n = 0, pad = 'a'.repeat(1 << 20);"
         "onload = () => setInterval(() => { for (var i = 0; i < 9; ++i) "
         "history.replaceState(null, '', '/r?' + n++ + pad); }, 100);</script></body></html>");
    // Fragments, as fast as the page can.
    webtest::Recorder hashing;
    open(hashing,
         "<html><body><script>var n = 0; function go() { for (var i = 0; i < 50; ++i) location.hash = "
         "'h' + n++; setTimeout(go, 0); } onload = go;</script></body></html>");
    // The same in a frame of the page, whose address the view never shows.
    webtest::page("/replacing.html",
                  "<html><body><script>var n = 0, pad = 'a'.repeat(1 << 20); setInterval(() => { for (var i "
                  "= 0; i < 9; ++i) history.replaceState(null, '', '/f?' + n++ + pad); }, 100);"
                  "</script></body></html>");
    webtest::Recorder framed;
    open(framed, "<html><body><iframe src='/replacing.html'></iframe></body></html>");
    ASSERT_TRUE(runUntil([&] { return !replacing.failures.empty(); }, 10))
        << "the replacing page was not stopped";
    EXPECT_EQ(replacing.failures[0].code, WebError::kHostile);
    ASSERT_TRUE(runUntil([&] { return !hashing.failures.empty(); }, 10))
        << "the hashing page was not stopped";
    EXPECT_EQ(hashing.failures[0].code, WebError::kHostile);
    ASSERT_TRUE(runUntil([&] { return !framed.failures.empty(); }, 10)) << "the framed page was not stopped";
    EXPECT_EQ(framed.failures[0].code, WebError::kHostile);
}

TEST_F(WebHostile, APageAskingFarMoreRequestsThanACreativeHasTheRestRefusedAndItsViewSaysSoOnce) {
    int told = 0;
    auto previous = platform::setLogSink([&](const std::string& line) {
        if (line.find("more than its share") != std::string::npos) ++told;
    });
    webtest::page("/calm", "ok", "text/plain");
    webtest::page("/flood", "ok", "text/plain");
    const auto asking = [](const std::string& path, int times) {
        return "<html><body><script>window.ok = 0; window.refused = 0; for (var i = 0; i < " +
               std::to_string(times) + "; ++i) fetch('" + path +
               "?n=' + i, {cache: 'no-store'}).then(() => ++window.ok, () => ++window.refused);"
               "</script></body></html>";
    };
    webtest::Recorder calm, flooding;
    WebEngine& ordinary = open(calm, asking("/calm", 100));
    const int flood = WebPageLimits::kMaxBurstRequests * 4;
    WebEngine& hostile = open(flooding, asking("/flood", flood));
    EXPECT_TRUE(webtest::waitForValue(ordinary, "window.ok + ',' + window.refused", "100,0"));
    EXPECT_TRUE(
        webtest::waitForValue(hostile, "String(window.ok + window.refused)", std::to_string(flood), 20));
    const auto burst = static_cast<std::size_t>(WebPageLimits::kMaxBurstRequests);
    EXPECT_LE(webtest::server().count("/flood"), burst);
    EXPECT_GE(webtest::server().count("/flood"), 100u);
    // Past the burst's span the page has the rest of its longer share: its refusals took none of it.
    webtest::runFor(WebPageLimits::kBurstMicroseconds / 1e6 + 0.5);
    const std::size_t first = webtest::server().count("/flood");
    ASSERT_TRUE(evaluate(hostile, "window.ok = 0; window.refused = 0; for (var i = 0; i < " +
                                      std::to_string(flood) +
                                      "; ++i) fetch('/flood?m=' + i, {cache: 'no-store'}).then(() => "
                                      "++window.ok, () => ++window.refused); 1")
                    .ok);
    EXPECT_TRUE(
        webtest::waitForValue(hostile, "String(window.ok + window.refused)", std::to_string(flood), 20));
    EXPECT_GT(webtest::server().count("/flood"), first + 100);
    EXPECT_LE(webtest::server().count("/flood"), first + burst);
    EXPECT_EQ(told, 1);
    EXPECT_TRUE(calm.failures.empty() && flooding.failures.empty());
    platform::setLogSink(previous);
}

TEST_F(WebHostile, APageKeepingCoresBusyWhileItAnswersIsStoppedAfterItsSpanAndAQuietOneIsLeftAlone) {
    // Eight workers spin (enough for more than a core on a busy machine); the page's own thread
    // stays free and answers every probe.
    webtest::page("/spin.js", "for (;;) {}", "application/javascript");
    webtest::Recorder quiet, busy;
    open(quiet, "<html><body>quiet</body></html>");
    WebEngine& spinning = open(busy,
                               "<html><body><script>for (var i = 0; i < 8; ++i) new Worker('/spin.js');"
                               "</script></body></html>");
    ASSERT_EQ(evaluate(spinning, "1 + 1").value, "2");
    const double span = webtest::testLimits().webProcessCpuSpanSeconds;
    ASSERT_TRUE(runUntil([&] { return !busy.failures.empty(); }, span + 10))
        << "the busy page was not stopped";
    EXPECT_EQ(busy.failures[0].code, WebError::kHostile);
    EXPECT_TRUE(quiet.failures.empty());
}

// A page's media elements make its web process warn, line after line, without a desktop message
// bus (as on CI): none of it reaches the game's stderr, and the game logs a page's share of it,
// marked as the page's.
TEST_F(WebHostile, WhatAPagesWebProcessWritesIsLoggedAsThePagesWithinItsBudget) {
    g_unsetenv("DBUS_SESSION_BUS_ADDRESS");
    int marked = 0;
    auto previous = platform::setLogSink([&](const std::string& line) {
        if (line.find("the page's web process says") != std::string::npos) ++marked;
    });
    // The web process takes the game's stderr as it starts: a file of the test's meanwhile.
    char path[] = "/tmp/tikoleap-web-stderr-XXXXXX";
    const int file = mkstemp(path);
    ASSERT_GE(file, 0);
    std::fflush(stderr);
    const int saved = dup(STDERR_FILENO);
    dup2(file, STDERR_FILENO);
    webtest::Recorder media;
    open(
        media,
        "<html><body><script>for (var i = 0; i < 60; ++i) document.body.appendChild("
        "document.createElement(i % 2 ? 'video' : 'audio')).src = '/m' + i + '.mp4';</script></body></html>");
    webtest::runFor(5);
    std::fflush(stderr);
    dup2(saved, STDERR_FILENO);
    close(saved);
    char buffer[4096];
    const ssize_t written = pread(file, buffer, sizeof buffer - 1, 0);
    close(file);
    unlink(path);
    EXPECT_EQ(written, 0) << std::string(buffer, static_cast<std::size_t>(std::max<ssize_t>(written, 0)));
    EXPECT_LE(marked, WebPageLimits::kMaxProcessLinesPerPage + 1);
    EXPECT_TRUE(media.failures.empty());
    platform::setLogSink(previous);
}

TEST_F(WebHostile, AViewWhoseProcessEndedReportsItOnceAndLoadsAgain) {
    webtest::Recorder recorder;
    WebEngine& view = open(recorder, "<html><body>first</body></html>");
    // Ended from outside, as a crash or the system would: not the page's doing.
    webkit_web_view_terminate_web_process(static_cast<WebKitEngine&>(view).webView());
    ASSERT_TRUE(runUntil([&] { return !recorder.failures.empty(); }, 5));
    webtest::runFor(0.3);
    ASSERT_EQ(recorder.failures.size(), 1u);
    EXPECT_EQ(recorder.failures[0].code, WebError::kWebProcessEnded);

    view.loadHTML("<html><body>again</body></html>", webtest::server().url("/"));
    ASSERT_TRUE(runUntil([&] { return recorder.finished == 2; }));
    EXPECT_EQ(evaluate(view, "document.body.textContent").value, "again");
}
