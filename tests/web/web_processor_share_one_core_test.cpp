// Where the game has one core, honest animations (an 80 px CSS animation, a circle moving 30 times
// a second) keep their web processes past their share of it and draw their frames while the game
// keeps its ticks: they are left alone, and a page whose worker spins is stopped. The engine takes
// the machine's size as it starts, so this suite needs a process of its own (as ctest runs it).
#include <gtest/gtest.h>

#include "WebTestKit.h"
#include "platform/web/WebKitHost.h"

using namespace platform::web;

TEST(WebProcessorShareOnOneCore, HonestAnimationsAreLeftAloneAndAPageSpinningIsStopped) {
    if (WebKitHost::current()) GTEST_SKIP() << "the engine started before: run this suite on its own";
    const webtest::PinnedCores pinned(1);
    // A share well under what the animations take, so that they are past it however busy the
    // machine running the test is (on a quiet one they take a quarter to half of the core).
    platform::web::WebLimits limits = webtest::testLimits();
    limits.webProcessCpuShare = 0.04;
    WebKitHost& host = webtest::host(limits);
    const double span = limits.webProcessCpuSpanSeconds;
    webtest::Recorder boxRecorder, circleRecorder, spinRecorder;
    auto box = host.createView(320, 100);
    auto circle = host.createView(320, 50);
    box->setDelegate(&boxRecorder);
    circle->setDelegate(&circleRecorder);
    // At the scale the game's window shows them.
    box->setScale(2);
    circle->setScale(2);
    box->loadHTML(
        "<html><body style='margin:0'><style>@keyframes m{from{transform:translateX(0) rotate(0)}"
        "to{transform:translateX(200px) rotate(360deg)}}</style><div style='width:80px;height:80px;"
        "background:#c33;animation:m 2s linear infinite alternate'></div></body></html>",
        webtest::server().url("/"));
    circle->loadHTML(
        "<html><body style='margin:0'><canvas id=c width=320 height=50></canvas><script>"
        "var c = document.getElementById('c').getContext('2d'), x = 0;"
        "setInterval(function () { c.clearRect(0, 0, 320, 50); c.beginPath();"
        "c.arc(25 + (x++ % 270), 25, 20, 0, 7); c.fillStyle = '#36c'; c.fill(); }, 33);"
        "</script></body></html>",
        webtest::server().url("/"));
    ASSERT_TRUE(webtest::runUntil([&] { return boxRecorder.finished == 1 && circleRecorder.finished == 1; }));
    // Past a span and its first reading, had they been judged by their processor time alone.
    webtest::runFor(span + 3);
    EXPECT_TRUE(boxRecorder.failures.empty()) << "the CSS animation was stopped";
    EXPECT_TRUE(circleRecorder.failures.empty()) << "the moving circle was stopped";

    webtest::page("/spin.js", "for (;;) {}", "application/javascript");
    auto spinning = host.createView(320, 50);
    spinning->setDelegate(&spinRecorder);
    spinning->loadHTML("<html><body><script>new Worker('/spin.js');</script></body></html>",
                       webtest::server().url("/"));
    ASSERT_TRUE(webtest::runUntil([&] { return spinRecorder.finished == 1; }));
    EXPECT_TRUE(webtest::runUntil([&] { return !spinRecorder.failures.empty(); }, span + 10))
        << "the spinning page was not stopped";
    if (!spinRecorder.failures.empty()) {
        EXPECT_EQ(spinRecorder.failures[0].code, WebError::kHostile);
    }
    for (auto* view : {box.get(), circle.get(), spinning.get()}) view->setDelegate(nullptr);
    box.reset();
    circle.reset();
    spinning.reset();
    webtest::settle();
}
