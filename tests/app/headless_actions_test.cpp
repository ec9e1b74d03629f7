// The actions interstitial end to end: the game as a player starts it, the local server's actions
// interstitial after the game over, each tap of its strip one device action, under a display.
#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "app/HeadlessRun.h"
#include "platform/foundation/ScopedLogSink.h"
#include "platform/image/PngCodec.h"
#include "platform/runloop/MainContextPump.h"
#include "platform/runloop/ManualRunLoop.h"
#include "platform/web/WebViews.h"
#include "support/AdGameRun.h"
#include "support/TempDir.h"
#include "tools/adserver/AdServer.h"

namespace {

using tikoleap::adserver::AdServer;
using tikoleap::test::TempDir;

// The query of every beacon the creative sent with this "e", in order.
std::vector<nlohmann::json> beacons(const AdServer& server, const std::string& event) {
    std::vector<nlohmann::json> out;
    for (const auto& hit : server.log()) {
        if (hit.value("kind", "") == "beacon" && hit["query"].value("e", "") == event)
            out.push_back(hit["query"]);
    }
    return out;
}

bool sawBeacon(const AdServer& server, const std::string& event, const std::string& key,
               const std::string& value) {
    for (const auto& query : beacons(server, event)) {
        if (query.value(key, "") == value) return true;
    }
    return false;
}

// Runs the main loop and the web engine in real time (30 s at most) while the virtual clock
// stands still, as a player waits for what the tap started.
bool standStillUntil(const std::function<bool()>& done) {
    auto* loop = dynamic_cast<platform::ManualRunLoop*>(platform::RunLoop::mainLoop().get());
    if (!loop) return false;
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (!done() && std::chrono::steady_clock::now() < end) {
        loop->runUntilIdle();
        platform::MainContextPump::waitUntil(done, 0.01);
    }
    return done();
}

TEST(HeadlessActions, EachTapOfTheStripRunsOneDeviceActionAndTheDesktopOpensOnlyTheStoreFallback) {
    if (!std::getenv("DISPLAY") && !std::getenv("WAYLAND_DISPLAY")) GTEST_SKIP() << "no display";
    AdServer server;
    ASSERT_TRUE(server.start(0, ""));
    ASSERT_TRUE(server.setAnnouncedUnits(AdServer::kRotatingUnit, AdServer::kActionsUnit));
    const tikoleap::test::AdServerEnvironment environment(server.baseURL());
    TempDir tmp;
    // The hero falls (tick 328) and the interstitial has slid in by 360. Its strip (y 360-480) is
    // tapped once an action, the browser's Done (bottom right) in between; its close button is
    // at the top right, and the pop-up that follows is answered.
    tmp.write("play.txt", std::string_view("10 tilt 2\n"
                                           "370 down 160 420\n371 up\n"  // the landing page
                                           "420 down 295 458\n421 up\n"  // Done
                                           "490 down 160 420\n491 up\n"  // the video
                                           "510 down 160 420\n511 up\n"  // the precache
                                           "520 down 160 420\n521 up\n"  // the store
                                           "530 down 160 420\n531 up\n"  // the calendar
                                           "540 down 160 420\n541 up\n"  // mailto:
                                           "550 down 160 420\n551 up\n"  // sms:
                                           "560 down 295 25\n561 up\n"   // close
                                           "650 alert OK\n"));
    CommandLine cl = tikoleap::test::adGameCommandLine(tmp);
    cl.framesDir = (tmp.path() / "frames").string();
    cl.frameEvery = 20;
    HeadlessRun run(cl);
    run.setAdWaitLimit(30);

    // The composers' refusals are logged from the ad component's logging thread.
    std::mutex logMutex;
    std::vector<std::string> logLines;
    auto logged = [&](const std::string& text) {
        std::lock_guard lock(logMutex);
        for (const auto& line : logLines) {
            if (line.find(text) != std::string::npos) return true;
        }
        return false;
    };
    platform::ScopedLogSink log([&](const std::string& line) {
        std::lock_guard lock(logMutex);
        logLines.push_back(line);
    });

    auto landings = [&] {
        std::size_t n = 0;
        for (const auto& hit : server.log())
            n += hit.value("kind", "") == "landing" &&
                 hit["query"].value("slot", "") == AdServer::kActionsUnit;
        return n;
    };
    std::array<bool, 6> arrived{};
    std::uintmax_t precachedBytes = 0;
    std::string precachedFile;
    run.setTickObserver([&](long long tick) {
        if (tick == 371) {
            arrived[0] =
                standStillUntil([&] { return landings() > 0 && !platform::web::WebViews::loading(); });
        } else if (tick == 491) {
            arrived[1] = standStillUntil([&] {
                return sawBeacon(server, "video", "v", "play") || sawBeacon(server, "video", "v", "error");
            });
        } else if (tick == 501) {
            arrived[2] = standStillUntil([&] { return sawBeacon(server, "video", "v", "ended"); });
        } else if (tick == 511) {
            arrived[3] = standStillUntil([&] {
                return sawBeacon(server, "precache", "v", "precacheComplete") ||
                       sawBeacon(server, "precache", "v", "precacheCanceled");
            });
            // The file is the handler's until the ad goes: look at it now.
            for (const auto& query : beacons(server, "precache")) precachedFile = query.value("c", "");
            std::error_code ec;
            if (precachedFile.starts_with("file://"))
                precachedBytes = std::filesystem::file_size(precachedFile.substr(7), ec);
        } else if (tick == 531) {
            arrived[4] =
                standStillUntil([&] { return sawBeacon(server, "error", "a", "createCalendarEvent"); });
        } else if (tick == 551) {
            arrived[5] = standStillUntil([&] {
                return logged("Ad mail link not followed") && logged("Ad message link not followed");
            });
        }
    });
    std::string error;
    int code = -1;
    const std::optional<RunResult> result = run.run(&error, &code);
    ASSERT_TRUE(result) << error;
    EXPECT_EQ(arrived, (std::array<bool, 6>{true, true, true, true, true, true}));

    // One action a tap, in order: Done's tap closed the browser and never reached the strip.
    std::vector<std::string> actions;
    for (const auto& query : beacons(server, "action")) actions.push_back(query.value("a", ""));
    EXPECT_EQ(actions,
              (std::vector<std::string>{"landing", "video", "precache", "store", "calendar", "mail", "sms"}));
    EXPECT_EQ(landings(), 1u);

    EXPECT_TRUE(sawBeacon(server, "video", "v", "canplaythrough"));
    for (const auto& query : beacons(server, "video")) {
        if (query.value("v", "") != "canplaythrough") continue;
        EXPECT_EQ(query.value("w", ""), "320");
        EXPECT_EQ(query.value("h", ""), "240");
    }
    EXPECT_TRUE(sawBeacon(server, "video", "v", "ended"));

    const auto precache = beacons(server, "precache");
    ASSERT_FALSE(precache.empty());
    EXPECT_EQ(precache.back().value("v", ""), "precacheComplete");
    EXPECT_EQ(precache.back().value("b", ""), "33554432");
    EXPECT_EQ(precache.back().value("t", ""), "33554432");
    EXPECT_TRUE(
        precachedFile.starts_with("file://" + (tmp.path() / "home" / "tmp" / "DiDazTemp").string() + "/"))
        << precachedFile;
    EXPECT_EQ(precachedBytes, 33554432u);

    // The store is not on the desktop: its fallback is the only page handed on; the mail and
    // message links never are.
    EXPECT_EQ(result->opened, std::vector<std::string>{server.baseURL() + "store-fallback"});
    EXPECT_FALSE(result->ads.interstitialOnScreen);

    // Tick 480: the browser gone, the strip shows again; tick 500: the video's green under the
    // clear page, between the page's own bars.
    auto frame = [&](const char* name) {
        return platform::PngCodec::load((tmp.path() / "frames" / name).string());
    };
    const auto closed = frame("frame-000480.png");
    const auto playing = frame("frame-000500.png");
    ASSERT_TRUE(closed && playing);
    auto pixel = [](const auto& image, int x, int y) {
        const int channels = static_cast<int>(image->pixels.size() / (image->width * image->height));
        const std::size_t at = (static_cast<std::size_t>(y) * image->width + x) * channels;
        return std::array<int, 3>{image->pixels[at], image->pixels[at + 1], image->pixels[at + 2]};
    };
    constexpr std::array<int, 3> kPurple{0x5a, 0x2c, 0xa0};
    EXPECT_EQ(pixel(closed, 10, 470), kPurple);
    EXPECT_EQ(pixel(playing, 10, 470), kPurple);
    const auto green = pixel(playing, 160, 240);
    EXPECT_LT(green[0], 40);
    EXPECT_GT(green[1], 200);
    EXPECT_LT(green[2], 40);
}

}  // namespace
