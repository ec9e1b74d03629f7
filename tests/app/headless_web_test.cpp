// Web views in headless runs: a page loads between ticks while the game replays exactly as it
// does without one, and without a display a view is refused at once while the run goes on.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>

#include "app/HeadlessRun.h"
#include "platform/runloop/MainContextPump.h"
#include "platform/web/WebViews.h"
#include "support/LoopbackServer.h"
#include "support/RunOutput.h"
#include "support/TempDir.h"

using platform::web::WebEngine;
using platform::web::WebViews;
using tikoleap::test::TempDir;

namespace fs = std::filesystem;

namespace {

using tikoleap::test::readFile;

// Never stopped: the engine keeps connections open ahead of requests, and a stop would wait for
// each of them to time out.
tikoleap::test::LoopbackServer& server() {
    static auto* server = new tikoleap::test::LoopbackServer();
    return *server;
}

struct PageDelegate : platform::web::WebEngineDelegate {
    const long long* tick = nullptr;
    long long finishedAt = -1;
    std::vector<platform::web::WebError> failures;
    void loadFinished() override { finishedAt = *tick; }
    void loadFailed(const platform::web::WebError& error) override { failures.push_back(error); }
};

CommandLine options(const TempDir& tmp, const std::string& tag, long long ticks) {
    CommandLine cl;
    cl.headless = true;
    cl.home = (tmp.path() / ("home-" + tag)).string();
    cl.seed = 11;
    cl.level = 20;
    cl.ticks = ticks;
    cl.ticksGiven = true;
    cl.resources = TIKOLEAP_RESOURCES_DIR;
    cl.input = (tmp.path() / "input.txt").string();
    cl.screenshot = (tmp.path() / (tag + ".png")).string();
    cl.framesDir = (tmp.path() / ("frames-" + tag)).string();
    cl.frameEvery = 100;
    return cl;
}

std::optional<RunResult> run(HeadlessRun& headless) {
    std::string error;
    int code = -1;
    auto result = headless.run(&error, &code);
    EXPECT_TRUE(result) << error;
    return result;
}

}  // namespace

TEST(HeadlessWeb, APageLoadsBetweenTicksAndTheGameReplaysAsWithout) {
    server().get("/banner.html", [](const httplib::Request&, httplib::Response& res) {
        res.set_content("<html><body style='margin:0;background:#f80'>Tiko Leap</body></html>", "text/html");
    });
    TempDir tmp("tikoleap-headless-web");
    std::ofstream(tmp.path() / "input.txt") << "160 tilt -0.5\n300 tilt 0.4\n420 down 100 300\n425 up\n";

    HeadlessRun plain(options(tmp, "plain", 500));
    const auto without = run(plain);

    // Two pages: one of --web-page, and one a view made by the game's own code in tick 40.
    CommandLine webOptions = options(tmp, "web", 500);
    webOptions.webPage = server().url("/banner.html?cl");
    HeadlessRun withPage(webOptions);
    long long tick = 0;
    PageDelegate delegate;
    delegate.tick = &tick;
    std::unique_ptr<WebEngine> view;
    std::string error;
    withPage.setTickObserver([&](long long t) {
        tick = t;
        if (t != 40) return;
        view = WebViews::create(320, 50, &error);
        if (!view) return;
        view->setDelegate(&delegate);
        view->loadRequest({server().url("/banner.html"), {}});
    });
    const auto with = run(withPage);
    ASSERT_TRUE(view) << error;
    view->setDelegate(nullptr);

    // Asked for in tick 40, the page was there before tick 41 ran.
    EXPECT_EQ(delegate.finishedAt, 40);
    EXPECT_TRUE(delegate.failures.empty()) << delegate.failures.front().message;
    EXPECT_EQ(server().hits("/banner.html").size(), 2u);
    EXPECT_EQ(view->url(), server().url("/banner.html"));
    // And it is drawn: the engine renders beside the run's own GL without taking it over.
    auto orange = [&] {
        const platform::Image shot = view->snapshot();
        const std::uint8_t* px = &shot.pixels[(10 * static_cast<std::size_t>(shot.width) + 10) * 4];
        return px[0] == 255 && px[1] == 136 && px[2] == 0 && px[3] == 255;
    };
    EXPECT_TRUE(platform::MainContextPump::waitUntil(orange, 10));

    ASSERT_TRUE(without && with);
    ASSERT_TRUE(with->webPage);
    EXPECT_EQ(with->webPage->loadedAtTick, 1);
    EXPECT_EQ(with->webPage->error, "");
    RunResult game = *with;
    game.webPage.reset();
    EXPECT_EQ(without->toJson(), game.toJson());
    EXPECT_GT(with->ticks, 300);
    EXPECT_EQ(readFile(tmp.path() / "plain.png"), readFile(tmp.path() / "web.png"));
    for (const auto& entry : fs::directory_iterator(tmp.path() / "frames-plain")) {
        EXPECT_EQ(readFile(entry.path()), readFile(tmp.path() / "frames-web" / entry.path().filename()))
            << entry.path().filename();
    }
}

TEST(HeadlessWeb, APageThatNeverComesHoldsTheRunNoLongerThanTheBudget) {
    server().slow("/never.html", 20);
    TempDir tmp("tikoleap-headless-web");
    std::ofstream(tmp.path() / "input.txt") << "10 tilt 0.3\n";
    CommandLine cl = options(tmp, "never", 200);
    cl.framesDir.reset();
    cl.screenshot.reset();
    HeadlessRun headless(cl);
    headless.setWebWaitLimit(0.3);
    long long tick = 0;
    PageDelegate delegate;
    delegate.tick = &tick;
    std::unique_ptr<WebEngine> view;
    std::string error;
    headless.setTickObserver([&](long long t) {
        tick = t;
        if (t != 20) return;
        view = WebViews::create(320, 50, &error);
        if (!view) return;
        view->setDelegate(&delegate);
        view->loadRequest({server().url("/never.html"), {}});
    });
    const auto result = run(headless);
    ASSERT_TRUE(view) << error;
    view->setDelegate(nullptr);
    // The run went on while the page was still on its way: the host's load time-out (30 s) never
    // came, and the game ran to its end.
    EXPECT_EQ(delegate.finishedAt, -1);
    EXPECT_TRUE(delegate.failures.empty());
    ASSERT_TRUE(result);
    EXPECT_EQ(result->ticks, 200);
}

// The engine starts once per process, so the run without a display lives in a child of its own.
TEST(HeadlessWeb, WithoutADisplayAViewIsRefusedAtOnceAndTheRunGoesOn) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            ::unsetenv("DISPLAY");
            ::unsetenv("WAYLAND_DISPLAY");
            int code = 1;
            {  // exit() skips the locals' destructors: the folder goes before it
                TempDir tmp("tikoleap-headless-noweb");
                std::ofstream(tmp.path() / "input.txt") << "10 tilt 0.3\n";
                CommandLine cl = options(tmp, "noweb", 60);
                cl.framesDir.reset();
                cl.webPage = "http://127.0.0.1:9/page.html";
                HeadlessRun headless(cl);
                bool made = false;
                headless.setTickObserver([&](long long t) {
                    std::string error;
                    // A display named but not there: the engine is tried once, and refused for good.
                    if (t == 6) ::setenv("DISPLAY", ":4093", 1);
                    if (t != 1 && t != 6 && t != 7) return;
                    made = made || WebViews::create(320, 50, &error) != nullptr;
                    std::cerr << "tick " << t << ": " << error << "\n";
                });
                const auto result = run(headless);
                if (result && result->webPage) std::cerr << "page: " << result->toJson() << "\n";
                code = !made && !WebViews::engineRunning() && result && result->ticks == 60 ? 0 : 1;
            }
            std::exit(code);
        },
        testing::ExitedWithCode(0),
        "tick 1: no web views without a display \\(neither DISPLAY nor WAYLAND_DISPLAY is set\\)"
        ".*tick 6: no web views: the web engine could not open the display DISPLAY=:4093"
        ".*tick 7: no web views: the web engine could not open the display DISPLAY=:4093"
        ".*page: .*\"webPage\":\\{\"url\":\"http://127.0.0.1:9/page.html\",\"loadedAtTick\":null,"
        "\"error\":\"no web views without a display");
}
