// A page's processor share is a share of the machine the game may run on, and a page past it is
// judged by what it costs the game: where the game has two cores, a page keeping one of them busy
// with a busy loop is stopped, while a full-window animation drawing its frames and a quiet page are
// left alone. The engine takes the machine's size as it starts, so this suite needs a process of its
// own (as ctest runs it).
#include <gtest/gtest.h>

#include "WebTestKit.h"
#include "platform/web/WebKitHost.h"

using namespace platform::web;

namespace {

// A canvas as large as the game's window, drawn anew at every animation frame.
constexpr const char* kFullWindowCanvas =
    "<html><body style='margin:0;overflow:hidden'><canvas id=c></canvas><script>"
    "var e = document.getElementById('c'); e.width = innerWidth; e.height = innerHeight;"
    "var c = e.getContext('2d'), t = 0;"
    "function f() { ++t; var g = c.createLinearGradient(0, 0, e.width, e.height);"
    "g.addColorStop(0, 'hsl(' + (t % 360) + ',70%,50%)');"
    "g.addColorStop(1, 'hsl(' + ((t + 180) % 360) + ',70%,50%)');"
    "c.fillStyle = g; c.fillRect(0, 0, e.width, e.height);"
    "for (var i = 0; i < 20; ++i) { c.beginPath();"
    "c.arc((t * 3 + i * 40) % e.width, (i * 37 + t) % e.height, 15, 0, 7);"
    "c.fillStyle = '#fff'; c.fill(); }"
    "requestAnimationFrame(f); }"
    "f();</script></body></html>";

}  // namespace

TEST(WebProcessorShare, WhereTheGameHasTwoCoresAPageKeepingOneBusyIsStoppedAndAnAnimationLeftAlone) {
    if (WebKitHost::current()) GTEST_SKIP() << "the engine started before: run this suite on its own";
    const webtest::PinnedCores pinned(2);
    const double span = webtest::testLimits().webProcessCpuSpanSeconds;
    webtest::Recorder quiet, animating, busy;
    auto calm = webtest::host().createView(320, 50);
    auto canvas = webtest::host().createView(640, 960);
    calm->setDelegate(&quiet);
    canvas->setDelegate(&animating);
    calm->loadHTML("<html><body>quiet</body></html>", webtest::server().url("/"));
    canvas->loadHTML(kFullWindowCanvas, webtest::server().url("/"));
    ASSERT_TRUE(webtest::runUntil([&] { return quiet.finished == 1 && animating.finished == 1; }));
    // Past a span and its first reading, had it been judged by its processor time alone.
    webtest::runFor(span + 3);
    EXPECT_TRUE(quiet.failures.empty());
    EXPECT_TRUE(animating.failures.empty()) << "the animation was stopped";

    // One worker spins: a whole core, half of what the game has. The page's own thread answers.
    webtest::page("/spin.js", "for (;;) {}", "application/javascript");
    auto spinning = webtest::host().createView(320, 50);
    spinning->setDelegate(&busy);
    spinning->loadHTML("<html><body><script>new Worker('/spin.js');</script></body></html>",
                       webtest::server().url("/"));
    ASSERT_TRUE(webtest::runUntil([&] { return busy.finished == 1; }));
    EXPECT_TRUE(webtest::runUntil([&] { return !busy.failures.empty(); }, span + 10))
        << "the busy page was not stopped";
    if (!busy.failures.empty()) {
        EXPECT_EQ(busy.failures[0].code, WebError::kHostile);
    }
    for (auto* view : {calm.get(), canvas.get(), spinning.get()}) view->setDelegate(nullptr);
    calm.reset();
    canvas.reset();
    spinning.reset();
    webtest::settle();
}
