// The swipe banner end to end: the game as a player starts it, the local server announcing its
// swipe banner for the game over, the real web engine under a display. A drag down out of the
// banner pulls the store page over the screen, and its Done takes it away; the page hears both.
// The banner's text, sampled from the screen, goes with the next game's banner request.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "ads/render/sampling/DZContentSampler.h"
#include "app/HeadlessRun.h"
#include "platform/ui/Application.h"
#include "platform/ui/PanGestureRecognizer.h"
#include "platform/ui/ViewController.h"
#include "platform/ui/Window.h"
#include "support/AdGameRun.h"
#include "support/TempDir.h"
#include "support/TickWaits.h"
#include "tools/adserver/AdServer.h"
#include "tools/adserver/SwipeBanner.h"

namespace {

// What the banner pages beaconed, in the order it reached the server, each swipe event with
// the metadata's creative when the event carried it back.
std::vector<std::string> swipeBeacons(const tikoleap::adserver::AdServer& server) {
    std::vector<std::string> out;
    for (const auto& entry : server.log()) {
        if (entry.value("kind", "") != "beacon") continue;
        const auto& query = entry["query"];
        out.push_back(query.value("e", "") + (query.contains("c") ? " c=" + query.value("c", "") : ""));
    }
    return out;
}

// What each swipe banner request carried as "content_info" ("" when nothing).
std::vector<std::string> bannerSamples(const tikoleap::adserver::AdServer& server) {
    std::vector<std::string> out;
    for (const auto& entry : server.log()) {
        const auto& query = entry["query"];
        if (entry.value("kind", "") == "ad_request" &&
            query.value("slotname", "") == tikoleap::adserver::SwipeBanner::kUnit)
            out.push_back(query.value("content_info", ""));
    }
    return out;
}

bool hasPanRecognizer(const platform::ui::View& view) {
    for (const auto& recognizer : view.gestureRecognizers())
        if (dynamic_cast<const platform::ui::PanGestureRecognizer*>(recognizer.get())) return true;
    for (const auto& subview : view.subviews())
        if (hasPanRecognizer(*subview)) return true;
    return false;
}

TEST(HeadlessGameOver, TheSwipeBannerPullsTheStorePageDownAndItsTextGoesWithTheNextBannerRequest) {
    if (!std::getenv("DISPLAY") && !std::getenv("WAYLAND_DISPLAY")) GTEST_SKIP() << "no display";
    tikoleap::adserver::AdServer server;
    ASSERT_TRUE(server.setAnnouncedUnits(tikoleap::adserver::SwipeBanner::kUnit, "tikoleap-interstitial"));
    ASSERT_TRUE(server.setRefreshInterval(1));
    ASSERT_TRUE(server.start(0, ""));
    const tikoleap::test::AdServerEnvironment environment(server.baseURL());
    tikoleap::test::TempDir tmp;
    // The interstitial covering the end is closed and the pop-up answered; then a finger goes down
    // on the banner (0, 0, 320, 50) at (8, 30), moves down out of it to (8, 420) and lifts while
    // still moving. The page slides the rest of the way on the virtual clock, its Done (top right)
    // is tapped, and the page slides back out. The screen is sampled 10 s after the banner's answer
    // switched sampling on; Replay plays a second game, whose interstitial is closed, and the game
    // over asks for a new banner (the list's refresh interval is 1 s).
    tmp.write("play.txt", std::string_view("10 tilt 2\n400 down 16 16\n401 up\n500 alert OK\n"
                                           "520 down 8 30\n521 down 8 42\n523 down 8 160\n525 down 8 290\n"
                                           "527 down 8 420\n528 up\n650 down 295 22\n651 up\n"
                                           "1710 down 90 374\n1711 up\n2250 down 16 16\n2251 up\n"));
    CommandLine cl = tikoleap::test::adGameCommandLine(tmp);
    cl.ticks = 2400;
    cl.ticksGiven = true;
    HeadlessRun run(cl);
    run.setAdWaitLimit(30);
    // The page speaks in real time: the run stands still (30 s at most) until what it is to have
    // said by then has arrived.
    auto beaconed = [&](const std::string& event) {
        return [&server, event] {
            for (const auto& beacon : swipeBeacons(server))
                if (beacon.rfind(event, 0) == 0) return true;
            return false;
        };
    };
    auto enabled = [] {
        const auto window = platform::ui::Application::shared().keyWindow();
        return window && hasPanRecognizer(*window);
    };
    // Whether the screen's sample is kept, asked on the content-hashing queue, which owns it.
    auto kept = std::make_shared<std::atomic<bool>>(false);
    auto asking = std::make_shared<std::atomic<bool>>(false);
    auto sampleKept = [kept, asking] {
        auto sampler = DZContentSampler::shared();
        auto queue = sampler->serialQueue();
        if (!kept->load() && queue && !asking->exchange(true)) {
            queue->async([sampler, kept, asking] {
                const auto contents = sampler->contentQueue();
                if (contents && contents->contentWithHighestScore()) kept->store(true);
                asking->store(false);
            });
        }
        return kept->load();
    };
    const tikoleap::test::TickWaits waits{
        {519, [&] { return beaconed("onAdVisible")() && enabled(); }},
        {649, beaconed("onSwipeableViewControllerPresentationFinished")},
        {709, beaconed("onSwipeToViewControllerDismissed")},
        {1700, sampleKept},
        {2350, [&] { return !bannerSamples(server).empty() && !bannerSamples(server).back().empty(); }},
    };
    std::vector<long long> unmet;
    // Ticks at which the game's root controller had a page presented over it.
    std::vector<long long> covered;
    run.setTickObserver([&](long long tick) {
        if (tick == 519 || tick == 649 || tick == 769) {
            const auto window = platform::ui::Application::shared().keyWindow();
            if (window && window->rootViewController() &&
                window->rootViewController()->presentedViewController())
                covered.push_back(tick);
        }
        tikoleap::test::waitAtTick(waits, tick, unmet);
    });
    std::string error;
    int code = -1;
    const std::optional<RunResult> result = run.run(&error, &code);
    ASSERT_TRUE(result) << error;
    EXPECT_EQ(result->screen, "gameover");
    EXPECT_EQ(result->ads.banner, "received");
    EXPECT_EQ(unmet, std::vector<long long>{});
    // The second game's banner is a page of its own, which may have said "onAdVisible" by the end.
    auto beacons = swipeBeacons(server);
    ASSERT_GE(beacons.size(), 3u);
    EXPECT_EQ(
        std::vector<std::string>(beacons.begin(), beacons.begin() + 3),
        (std::vector<std::string>{"onAdVisible", "onSwipeableViewControllerPresentationFinished c=swipe",
                                  "onSwipeToViewControllerDismissed c=swipe"}));
    EXPECT_EQ(std::vector<std::string>(beacons.begin() + 3, beacons.end()),
              std::vector<std::string>(beacons.size() - 3, "onAdVisible"));
    // The store page was up after the swipe, and gone a while after Done (its slide back takes 1 s).
    EXPECT_EQ(covered, std::vector<long long>{649});
    // The first banner was asked for before anything was sampled; the second carries the sample
    // of the first one's text.
    const auto samples = bannerSamples(server);
    ASSERT_EQ(samples.size(), 2u);
    EXPECT_EQ(samples[0], "");
    EXPECT_EQ(nlohmann::json::parse(samples[1], nullptr, false),
              (nlohmann::json{{"fingerprint", "CVKL52qMYV_9iRMRHJHZ9w=="}, {"v", 1}}));
}

}  // namespace
