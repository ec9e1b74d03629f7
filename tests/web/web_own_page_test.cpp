// A page of the tester's own through the real engine under the host's limits:
//
//   TIKOLEAP_WEB_PAGE=page.html [TIKOLEAP_WEB_SNAPSHOT=shot.png]
//   scripts/with-display build/tests/tikoleap-tests-web --gtest_filter='OwnPage.*'
//
// The page is served from the loopback server at /own/page.html and shown in a 320 x 480 view
// for a few seconds while a delegate answers everything with yes. The test prints what the page
// did and checks what must hold for any page: the game's loop kept ticking, nothing loaded from
// a scheme other than http, https or about, and the view came back for another page. Without
// the variable the test is skipped, saying so.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iostream>
#include <sstream>

#include "WebTestKit.h"
#include "platform/image/PngCodec.h"

using namespace platform::web;
using platform::Timer;
using webtest::runUntil;

TEST(OwnPage, RunsUnderTheHostsLimitsWithoutHoldingTheGame) {
    const char* path = std::getenv("TIKOLEAP_WEB_PAGE");
    if (!path) GTEST_SKIP() << "set TIKOLEAP_WEB_PAGE to an HTML file to run it";
    std::ifstream in(path, std::ios::binary);
    ASSERT_TRUE(in) << "cannot read " << path;
    std::stringstream html;
    html << in.rdbuf();
    webtest::page("/own/page.html", html.str());

    webtest::Recorder recorder;
    auto engine = webtest::host().createView(320, 480);
    ASSERT_TRUE(engine);
    engine->setDelegate(&recorder);
    int ticks = 0;
    auto counter = webtest::loop().scheduleRepeating(0.01, [&](Timer&) { ++ticks; });
    engine->loadRequest({webtest::server().url("/own/page.html"), {}});
    webtest::runFor(4.0);
    counter->invalidate();

    std::cout << "finished " << recorder.finished << ", dialogs " << recorder.dialogs.size()
              << ", navigations " << recorder.navigations.size() << ", game ticks " << ticks << " of ~400\n";
    for (const auto& f : recorder.failures) std::cout << "failed " << f.code << " " << f.message << "\n";
    for (const auto& n : recorder.navigations)
        std::cout << "navigation " << n.url.substr(0, 120) << (n.userGesture ? " (gesture)" : "") << "\n";
    if (const char* shot = std::getenv("TIKOLEAP_WEB_SNAPSHOT")) {
        const platform::Image image = engine->snapshot();
        EXPECT_TRUE(platform::writePng(shot, image.pixels.data(), image.width, image.height)) << shot;
    }

    EXPECT_GT(ticks, 300) << "the game's loop was held up";
    const std::string scheme = WebEngine::schemeOf(engine->url());
    EXPECT_TRUE(scheme.empty() || WebEngine::isLoadableScheme(scheme)) << engine->url();
    const int finished = recorder.finished;
    engine->loadHTML("<html><body>after</body></html>", webtest::server().url("/"));
    EXPECT_TRUE(runUntil([&] { return recorder.finished > finished; }))
        << "the view did not take another page";
    engine->setDelegate(nullptr);
}
