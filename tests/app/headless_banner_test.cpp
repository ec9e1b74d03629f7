// The game over end to end: the game as a player starts it, the local server as its ad and
// announcement server (an interstitial after every game over, a pop-up, the game-over banner), the
// real web engine under a display.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdlib>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "ads/public/DZAdActivity.h"
#include "app/HeadlessRun.h"
#include "platform/defaults/UserDefaults.h"
#include "platform/foundation/ScopedLogSink.h"
#include "platform/image/PngCodec.h"
#include "platform/runloop/MainContextPump.h"
#include "platform/runloop/ManualRunLoop.h"
#include "platform/ui/Application.h"
#include "platform/ui/Window.h"
#include "platform/web/WebContentView.h"
#include "platform/web/WebViews.h"
#include "support/AdGameRun.h"
#include "support/Command.h"
#include "support/TempDir.h"
#include "support/TickWaits.h"
#include "tools/adserver/AdServer.h"

namespace {

using tikoleap::test::runCommand;
using tikoleap::test::TempDir;

const std::string kBinary = std::string(TIKOLEAP_BINARY_DIR) + "/tikoleap";

struct GameRun {
    int code = -1;
    std::string json;
    std::string err;
};

// A game of level 20 tilted hard right from tick 10: the hero falls (tick 328), the interstitial
// slides in, is closed at tick 400, and the pop-up that comes once the game-over screen's curtain
// is down is answered "OK" at 500.
constexpr const char* kDieAndClose = "10 tilt 2\n400 down 16 16\n401 up\n500 alert OK\n";

GameRun runToGameOver(const TempDir& tmp, const std::string& name, const std::string& env,
                      const std::string& more = "") {
    tmp.write("die.txt", std::string_view(kDieAndClose));
    const auto err = tmp.path() / (name + ".err");
    const auto p =
        runCommand(env + " " + kBinary + " --headless --level 20 --seed 7 --screen-scale 1.5 --input " +
                   (tmp.path() / "die.txt").string() + " --home " + tmp.file(name + "/home").string() +
                   " --screenshot " + (tmp.path() / (name + ".png")).string() + more + " 2>" + err.string());
    GameRun run;
    run.code = p.code;
    run.json = p.out.substr(p.out.rfind('\n', p.out.size() - 2) + 1);
    const auto bytes = tmp.read(name + ".err");
    run.err.assign(bytes.begin(), bytes.end());
    return run;
}

// The first page under view, depth first.
const platform::web::WebContentView* firstPage(const platform::ui::View& view) {
    if (auto* page = dynamic_cast<const platform::web::WebContentView*>(&view)) return page;
    for (const auto& child : view.subviews())
        if (auto* page = firstPage(*child)) return page;
    return nullptr;
}

// The page of the screen presented last (an interstitial on screen), if any.
const platform::web::WebContentView* shownPage() {
    const auto window = platform::ui::Application::shared().keyWindow();
    return window && !window->presentedViews().empty() ? firstPage(*window->presentedViews().back())
                                                       : nullptr;
}

// A run of `ticks` ticks of level 20 that plays `script` (the game over at tick 328, the
// interstitial in by 358).
CommandLine interstitialRun(const TempDir& tmp, std::string_view script, long long ticks) {
    tmp.write("play.txt", script);
    CommandLine cl = tikoleap::test::adGameCommandLine(tmp);
    cl.ticks = ticks;
    cl.ticksGiven = true;
    return cl;
}

// The variables that point the game at the server, for a command line.
std::string serverEnvironment(const tikoleap::adserver::AdServer& server) {
    return "TIKOLEAP_AD_SERVER=" + server.baseURL() + " TIKOLEAP_WEB_URL=" + server.baseURL();
}

std::size_t countKind(const tikoleap::adserver::AdServer& server, const std::string& kind) {
    std::size_t n = 0;
    for (const auto& entry : server.log()) n += entry.value("kind", "") == kind ? 1 : 0;
    return n;
}

TEST(HeadlessBanner, TheServersBannerShowsOnTheGameOverScreenTheSameInEveryRun) {
    if (!std::getenv("DISPLAY") && !std::getenv("WAYLAND_DISPLAY")) GTEST_SKIP() << "no display";
    tikoleap::adserver::AdServer server;
    ASSERT_TRUE(server.start(0, ""));
    const std::string env = serverEnvironment(server);
    TempDir tmp;
    const GameRun first = runToGameOver(tmp, "a", env);
    ASSERT_EQ(first.code, 0) << first.err;
    const auto json = nlohmann::json::parse(first.json);
    EXPECT_EQ(json["screen"], "gameover");
    // The interstitial shown, the next one asked for at once, and the banner.
    EXPECT_EQ(json["ads"],
              nlohmann::json::parse(R"({"banner":"received","adRequests":3,"interstitialsShown":1,
                                                     "interstitialOnScreen":false})"))
        << first.err;
    EXPECT_EQ(countKind(server, "ad_request"), 3u);
    EXPECT_EQ(countKind(server, "impression"), 2u);  // sent before the run ended
    // The server's constants switch signed-in ads on, but the game signs no one in and limits
    // tracking: no request carries a signed-in token.
    const auto settings =
        tmp.read("a/home/Library/Preferences/" + std::string(platform::UserDefaults::kStandardFileName));
    EXPECT_NE(std::string(settings.begin(), settings.end()).find("/rerive/ads/enable_signed_in_ads"),
              std::string::npos);
    for (const auto& hit : server.log()) {
        if (hit.value("kind", "") == "ad_request") {
            EXPECT_FALSE(hit["query"].contains("pan")) << hit.dump();
        }
    }

    // The banner's page fills the top 50 points (drawn at the capture's scale: 1.5 pixels a point),
    // where the layout leaves room for it.
    const auto shot = platform::PngCodec::load((tmp.path() / "a.png").string());
    ASSERT_TRUE(shot);
    const int channels = static_cast<int>(shot->pixels.size() / (shot->width * shot->height));
    ASSERT_EQ(shot->width, 480);
    auto pixel = [&](int x, int y) {
        const std::size_t at = (static_cast<std::size_t>(y * 3 / 2) * shot->width + x * 3 / 2) * channels;
        return std::array<int, 3>{shot->pixels[at], shot->pixels[at + 1], shot->pixels[at + 2]};
    };
    EXPECT_EQ(pixel(2, 2), (std::array<int, 3>{0xe0, 0x00, 0x7a}));
    EXPECT_EQ(pixel(317, 48), (std::array<int, 3>{0xe0, 0x00, 0x7a}));
    EXPECT_NE(pixel(2, 52), (std::array<int, 3>{0xe0, 0x00, 0x7a}));

    const GameRun second = runToGameOver(tmp, "b", env);
    ASSERT_EQ(second.code, 0) << second.err;
    EXPECT_EQ(second.json, first.json);
    EXPECT_EQ(tmp.read("b.png"), tmp.read("a.png"));
    EXPECT_EQ(countKind(server, "ad_request"), 6u);

    // Without a display: one warning, and the ads fail.
    const GameRun blind = runToGameOver(tmp, "c", "env -u DISPLAY -u WAYLAND_DISPLAY " + env);
    ASSERT_EQ(blind.code, 0) << blind.err;
    EXPECT_EQ(nlohmann::json::parse(blind.json)["ads"]["banner"], "failed");
    EXPECT_EQ(nlohmann::json::parse(blind.json)["ads"]["interstitialsShown"], 0);
    std::size_t warnings = 0;
    for (std::size_t at = blind.err.find("[WARN]"); at != std::string::npos;
         at = blind.err.find("[WARN]", at + 1))
        ++warnings;
    EXPECT_EQ(warnings, 1u) << blind.err;
    EXPECT_NE(blind.err.find("no display"), std::string::npos) << blind.err;
}

// Long after the game over, the banner refreshes every 60 s of the virtual clock: each refresh, like
// the first request, has its answer (the core page's, the server's, the page's paint) before the
// next tick, so a long run ends the same way every time. Past an hour the core page loads again
// within a slot's refresh: its request reaches the server at once, though the page's Zadava Duru
// units are sampled hundreds of times faster than in real time, and no wait of the run runs out
// (a small web budget shows one that would).
TEST(HeadlessBanner, EveryRefreshOfTheBannerIsWaitedForSoARunPastTheCorePagesHourRepeats) {
    if (!std::getenv("DISPLAY") && !std::getenv("WAYLAND_DISPLAY")) GTEST_SKIP() << "no display";
    tikoleap::adserver::AdServer server;
    ASSERT_TRUE(server.start(0, ""));
    TempDir tmp;
    tmp.write("play.txt", std::string_view(kDieAndClose));
    std::string json;
    {
        const tikoleap::test::AdServerEnvironment environment(server.baseURL());
        CommandLine cl = tikoleap::test::adGameCommandLine(tmp);
        cl.ticks = 370000;
        cl.ticksGiven = true;
        HeadlessRun run(cl);
        run.setWebWaitLimit(8);
        platform::ScopedLogSink log(true);
        std::string error;
        int code = -1;
        const std::optional<RunResult> result = run.run(&error, &code);
        ASSERT_TRUE(result) << error;
        json = result->toJson();
        for (const std::string& line : log.lines()) {
            EXPECT_EQ(line.find("budget is spent"), std::string::npos) << line;
            EXPECT_EQ(line.find("did not end within"), std::string::npos) << line;
            EXPECT_EQ(line.find("Did fail to receive ad"), std::string::npos) << line;
        }
    }
    const auto parsed = nlohmann::json::parse(json);
    EXPECT_EQ(parsed["ads"]["banner"], "received");
    // The first banner, the interstitial and the next one, and a refresh a minute for an hour.
    EXPECT_GE(parsed["ads"]["adRequests"], 3 + 61);
    // The same run from the command line.
    const auto second = runCommand(serverEnvironment(server) + " " + kBinary +
                                   " --headless --level 20 --seed 7 --ticks 370000 --input " +
                                   (tmp.path() / "play.txt").string() + " --home " +
                                   tmp.file("b/home").string() + " 2>/dev/null");
    ASSERT_EQ(second.code, 0);
    EXPECT_EQ(second.out, json + "\n");
}

// A mediated banner's refresh runs the waterfall, whose network time-out and draw checks run on the
// virtual clock: the run waits while a network's request or page works in real time, and lets the
// clock go on once all that is left is such a deadline, so the refresh ends within the wait, with
// the same networks' outcomes as the first waterfall.
TEST(HeadlessBanner, AMediatedBannersRefreshEndsOnTheVirtualClockWithinItsWait) {
    if (!std::getenv("DISPLAY") && !std::getenv("WAYLAND_DISPLAY")) GTEST_SKIP() << "no display";
    tikoleap::adserver::AdServer server;
    ASSERT_TRUE(server.setAnnouncedUnits("tikoleap-mediation-waterfall", "tikoleap-interstitial"));
    ASSERT_TRUE(server.start(0, ""));
    TempDir tmp;
    tmp.write("play.txt", std::string_view(kDieAndClose));
    const tikoleap::test::AdServerEnvironment environment(server.baseURL());
    CommandLine cl = tikoleap::test::adGameCommandLine(tmp);
    cl.ticks = 7000;  // the first banner and its refresh 60 s later
    cl.ticksGiven = true;
    HeadlessRun run(cl);
    // A wait that ran out says so in the log, which is what is checked: its limit is only a cap,
    // generous enough for a busy machine's slowest web process.
    run.setAdWaitLimit(60);
    platform::ScopedLogSink log(true);
    std::string error;
    int code = -1;
    const std::optional<RunResult> result = run.run(&error, &code);
    ASSERT_TRUE(result) << error;
    for (const std::string& line : log.lines()) {
        EXPECT_EQ(line.find("did not end within"), std::string::npos) << line;
        EXPECT_EQ(line.find("did not load and paint within"), std::string::npos) << line;
    }
    EXPECT_EQ(nlohmann::json::parse(result->toJson())["ads"]["banner"], "received");
    // Each network's exit code and its time on the virtual clock: the last page loaded while the
    // clock stood still, its one draw check 0.2 s after.
    std::vector<std::string> networks;
    for (const auto& hit : server.log())
        if (hit.value("kind", "") == "mediation_impression")
            networks.push_back(hit["query"].value("aec", "") + " " + hit["query"].value("adt", ""));
    EXPECT_EQ(networks, (std::vector<std::string>{"4,1,2,3,0 0,0,0,1500,200", "4,1,2,3,0 0,0,0,1500,200"}));
}

// A page that paints nothing where it ends (the house interstitial, cleared once it is on screen)
// shows the interstitial's own white there: it counts as painted once the engine has drawn it,
// and the run does not wait for a bottom row the page never paints.
TEST(HeadlessGameOver, AClearInterstitialPageCountsAsPaintedOnceDrawn) {
    if (!std::getenv("DISPLAY") && !std::getenv("WAYLAND_DISPLAY")) GTEST_SKIP() << "no display";
    tikoleap::adserver::AdServer server;
    ASSERT_TRUE(server.start(0, ""));
    const tikoleap::test::AdServerEnvironment environment(server.baseURL());
    TempDir tmp;
    HeadlessRun run(interstitialRun(tmp, "10 tilt 2\n", 340));
    run.setAdWaitLimit(5);
    auto clear = [](const platform::web::WebContentView& page) {
        const platform::Image image = page.engine()->snapshot();
        for (std::size_t i = 3; i < image.pixels.size(); i += 4)
            if (image.pixels[i] != 0) return false;
        return !image.pixels.empty();
    };
    // As the interstitial comes on screen, before the run looks at its page: the page is cleared,
    // and drawn so.
    bool cleared = false;
    run.setTickObserver([&](long long tick) {
        const platform::web::WebContentView* page = cleared ? nullptr : shownPage();
        if (!page) return;
        cleared = true;
        page->engine()->evaluateScript(
            "document.documentElement.style.background = document.body.style.background = 'transparent';"
            "document.body.textContent = '';",
            {});
        tikoleap::test::TickWaits waits{{tick, [&] { return clear(*page); }}};
        std::vector<long long> unmet;
        tikoleap::test::waitAtTick(waits, tick, unmet);
        EXPECT_EQ(unmet, std::vector<long long>{});
    });
    platform::ScopedLogSink log;
    std::string error;
    int code = -1;
    const std::optional<RunResult> result = run.run(&error, &code);
    ASSERT_TRUE(result) << error;
    EXPECT_TRUE(cleared);
    EXPECT_EQ(result->ads.interstitialsShown, 1);
    for (const std::string& line : log.lines())
        EXPECT_EQ(line.find("did not paint"), std::string::npos) << line;
}

// The interstitial over the end, at 1.5 pixels a point (the window's scale): it slides up over the
// game's last frame, and its close button is drawn 25 points across, whole, in its corner.
TEST(HeadlessGameOver, TheInterstitialSlidesOverTheLastGameFrameWithItsCloseButtonWhole) {
    if (!std::getenv("DISPLAY") && !std::getenv("WAYLAND_DISPLAY")) GTEST_SKIP() << "no display";
    tikoleap::adserver::AdServer server;
    ASSERT_TRUE(server.start(0, ""));
    TempDir tmp;
    tmp.write("die.txt", std::string_view(kDieAndClose));
    const auto p =
        runCommand("TIKOLEAP_AD_SERVER=" + server.baseURL() + " TIKOLEAP_WEB_URL=" + server.baseURL() + " " +
                   kBinary + " --headless --level 20 --seed 7 --screen-scale 1.5 --ticks 366 --input " +
                   (tmp.path() / "die.txt").string() + " --home " + tmp.file("home").string() +
                   " --frames-dir " + tmp.path().string() + " --frame-every 170 --screenshot " +
                   (tmp.path() / "in.png").string() + " 2>/dev/null");
    ASSERT_EQ(p.code, 0) << p.out;
    ASSERT_EQ(nlohmann::json::parse(
                  p.out.substr(p.out.rfind('\n', p.out.size() - 2) + 1))["ads"]["interstitialsShown"],
              1)
        << p.out;
    using Pixel = std::array<int, 3>;
    auto look = [&](const std::string& name) {
        auto shot = platform::PngCodec::load((tmp.path() / name).string());
        EXPECT_TRUE(shot) << name;
        return [shot = std::move(shot)](float x, float y) {
            if (!shot) return Pixel{};
            const int channels = static_cast<int>(shot->pixels.size() / (shot->width * shot->height));
            const std::size_t at =
                (static_cast<std::size_t>(y * 1.5f) * shot->width + static_cast<std::size_t>(x * 1.5f)) *
                channels;
            return Pixel{shot->pixels[at], shot->pixels[at + 1], shot->pixels[at + 2]};
        };
    };
    // Tick 340: the ad has slid a third of the way up; above it the game's last frame (its light
    // sky), not an empty black window.
    const auto sliding = look("frame-000340.png");
    for (const auto& [x, y] : {std::pair{160.0f, 20.0f}, {20.0f, 200.0f}, {300.0f, 300.0f}})
        EXPECT_GT(std::ranges::max(sliding(x, y)), 150) << x << "," << y;
    EXPECT_EQ(sliding(160, 470), (Pixel{32, 160, 96}));

    // Tick 366: the page is in; the button's dark face spans 3.5 to 28.5 points of its 32-point
    // corner, so the page shows at its left edge and beside it.
    const auto in = look("in.png");
    constexpr Pixel kGreen{32, 160, 96};
    EXPECT_EQ(in(1, 16), kGreen);
    EXPECT_EQ(in(16, 1), kGreen);
    EXPECT_EQ(in(31, 16), kGreen);
    EXPECT_EQ(in(16, 31), kGreen);
    EXPECT_LT(std::ranges::max(in(16, 6)), 100);   // the face above the cross
    EXPECT_GT(std::ranges::min(in(16, 16)), 200);  // the white cross
}

std::size_t countHits(const tikoleap::adserver::AdServer& server, const std::string& kind,
                      const std::string& slot) {
    std::size_t n = 0;
    for (const auto& entry : server.log())
        n += entry.value("kind", "") == kind && entry["query"].value("slot", "") == slot ? 1 : 0;
    return n;
}

TEST(HeadlessGameOver, TheInterstitialCoversTheEndItsLinkLoadsInsideAndThePopUpIsAnswered) {
    if (!std::getenv("DISPLAY") && !std::getenv("WAYLAND_DISPLAY")) GTEST_SKIP() << "no display";
    tikoleap::adserver::AdServer server;
    ASSERT_TRUE(server.start(0, ""));
    const tikoleap::test::AdServerEnvironment environment(server.baseURL());
    TempDir tmp;
    // The hero falls (tick 328) and the interstitial has slid in by tick 360; its link is tapped,
    // it is closed, and the pop-up's own button is chosen.
    tmp.write("play.txt", std::string_view("10 tilt 2\n370 down 160 240\n371 up\n400 down 16 16\n401 up\n"
                                           "500 alert Show me\n"));
    CommandLine cl = tikoleap::test::adGameCommandLine(tmp);
    cl.framesDir = (tmp.path() / "frames").string();
    cl.frameEvery = 40;
    cl.screenScale = 2;  // the page is drawn anew at the capture's scale, not only its top left
    // A loaded machine gets more time for the ad and its page than a player would.
    HeadlessRun run(cl);
    run.setAdWaitLimit(30);
    // A player looks at the page the link opened before closing the ad: the run stands still
    // (30 s at most) until the landing page has been asked for and has loaded.
    bool landed = false;
    // Pop-ups up while the game-over screen's curtain comes down (tick 440) and once it is down.
    std::size_t popupsRolling = 0, popupsDown = 0;
    run.setTickObserver([&](long long tick) {
        const auto window = platform::ui::Application::shared().keyWindow();
        if (tick == 440 && window) popupsRolling = window->modalCount();
        if (tick == 499 && window) popupsDown = window->modalCount();
        if (tick != 371) return;
        auto* loop = dynamic_cast<platform::ManualRunLoop*>(platform::RunLoop::mainLoop().get());
        ASSERT_NE(loop, nullptr);
        auto loaded = [&] {
            return countHits(server, "landing", "tikoleap-interstitial") > 0 &&
                   !platform::web::WebViews::loading();
        };
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        while (!loaded() && std::chrono::steady_clock::now() < end) {
            loop->runUntilIdle();
            platform::MainContextPump::waitUntil(loaded, 0.01);
        }
        landed = loaded();
    });
    platform::ScopedLogSink log;
    std::string error;
    int code = -1;
    const std::optional<RunResult> result = run.run(&error, &code);
    ASSERT_TRUE(result) << error;
    EXPECT_TRUE(landed);
    // Nothing the run waited for (the ad, its page painted at the capture's scale) ran out.
    for (const std::string& line : log.lines()) EXPECT_NE(line.rfind("[WARN] headless run", 0), 0u) << line;

    EXPECT_EQ(result->state, "gameover");
    EXPECT_EQ(result->screen, "gameover");
    EXPECT_EQ(result->ads.interstitialsShown, 1);
    EXPECT_FALSE(result->ads.interstitialOnScreen);
    // The landing page stayed inside the ad; only the pop-up's button left the game.
    EXPECT_EQ(result->opened,
              std::vector<std::string>{server.baseURL() + tikoleap::adserver::AdServer::kPopupLanding});
    EXPECT_EQ(countHits(server, "impression", "tikoleap-interstitial"), 1u);
    EXPECT_EQ(countHits(server, "click", "tikoleap-interstitial"), 1u);
    EXPECT_EQ(countHits(server, "landing", "tikoleap-interstitial"), 1u);

    // Tick 360: the ad's green page covers the window, its close button in the top left corner.
    const auto frame = platform::PngCodec::load((tmp.path() / "frames" / "frame-000360.png").string());
    ASSERT_TRUE(frame);
    const int channels = static_cast<int>(frame->pixels.size() / (frame->width * frame->height));
    auto pixel = [&](int x, int y) {
        const std::size_t at = (static_cast<std::size_t>(y * 2) * frame->width + x * 2) * channels;
        return std::array<int, 3>{frame->pixels[at], frame->pixels[at + 1], frame->pixels[at + 2]};
    };
    constexpr std::array<int, 3> kGreen{32, 160, 96};
    for (const auto& [x, y] : {std::pair{160, 100}, {5, 470}, {315, 470}, {315, 5}})
        EXPECT_EQ(pixel(x, y), kGreen);
    EXPECT_NE(pixel(16, 16), kGreen);

    // Tick 440: the ad has slid out (closed at 400) and the game-over screen's curtain comes down
    // over what lay under it, the game's last frame (its light sky), not the ad's last picture;
    // the pop-up comes over the game-over screen once the curtain is down, not under its edge.
    const auto curtain = platform::PngCodec::load((tmp.path() / "frames" / "frame-000440.png").string());
    ASSERT_TRUE(curtain);
    for (int x : {5, 160, 315}) {
        const std::size_t at = (static_cast<std::size_t>(470 * 2) * curtain->width + x * 2) * channels;
        const std::array<int, 3> under{curtain->pixels[at], curtain->pixels[at + 1], curtain->pixels[at + 2]};
        EXPECT_NE(under, kGreen) << x;
        EXPECT_GT(std::ranges::min(under), 60) << x;
    }
    EXPECT_EQ(popupsRolling, 0u);
    EXPECT_EQ(popupsDown, 1u);
}

}  // namespace

// What the compliance banner beaconed, in the page's own order (its counter "n"; the pings may
// arrive out of it): "event key=value ...", its visibility left out.
std::vector<std::string> complianceBeacons(const tikoleap::adserver::AdServer& server) {
    std::map<int, std::string> byCount;
    for (const auto& entry : server.log()) {
        if (entry.value("kind", "") != "beacon" || entry["query"].value("c", "") != "compliance") continue;
        const auto& query = entry["query"];
        if (query.value("e", "") == "viewable") continue;
        std::string line = query.value("e", "");
        for (const auto& [key, value] : query.items())
            if (key != "e" && key != "c" && key != "n" && key != "m")
                line += " " + key + "=" + value.get<std::string>();
        byCount[std::stoi(query.value("n", "0"))] = line;
    }
    std::vector<std::string> lines;
    for (const auto& [n, line] : byCount) lines.push_back(line);
    return lines;
}

TEST(HeadlessGameOver, TheComplianceBannerExpandsResizesAndClosesOnTheRichMediaApi) {
    if (!std::getenv("DISPLAY") && !std::getenv("WAYLAND_DISPLAY")) GTEST_SKIP() << "no display";
    tikoleap::adserver::AdServer server;
    ASSERT_TRUE(server.setAnnouncedUnits("tikoleap-mraid-compliance", "tikoleap-interstitial"));
    ASSERT_TRUE(server.start(0, ""));
    const tikoleap::test::AdServerEnvironment environment(server.baseURL());
    TempDir tmp;
    // The interstitial covering the end is closed, the pop-up answered; then the banner (0, 0,
    // 320, 50) is tapped (it expands), its overlay closed at the top right, tapped again (it
    // resizes to 320 x 250) and closed the same way. Each slide takes 30 ticks of the virtual clock.
    tmp.write("play.txt", std::string_view("10 tilt 2\n400 down 16 16\n401 up\n500 alert OK\n"
                                           "520 down 160 25\n521 up\n590 down 295 25\n591 up\n"
                                           "650 down 160 25\n651 up\n720 down 295 25\n721 up\n"));
    CommandLine cl = tikoleap::test::adGameCommandLine(tmp);
    cl.ticks = 780;
    cl.ticksGiven = true;
    // A look at the resized ad, the first frame drawn of it (tick 719), at the window's scale.
    cl.framesDir = (tmp.path() / "frames").string();
    cl.frameEvery = 719;
    cl.screenScale = 1.5;
    HeadlessRun run(cl);
    run.setAdWaitLimit(30);
    // The page answers taps and speaks in real time: the run stands still (30 s at most) until
    // what the page is to have done by then has happened.
    auto beaconed = [&](std::size_t n) {
        return [&server, n] { return complianceBeacons(server).size() >= n; };
    };
    auto overlaid = [] {
        const auto window = platform::ui::Application::shared().keyWindow();
        return window && !window->presentedViews().empty();
    };
    // The resized page has drawn its close mark (the top of its dark disc, at 295, 14).
    auto closeMarkDrawn = [] {
        const auto window = platform::ui::Application::shared().keyWindow();
        if (!window || window->presentedViews().empty()) return false;
        const auto* page = firstPage(*window->presentedViews().back());
        if (!page || page->engine()->width() != 320) return false;
        const platform::Image image = page->engine()->snapshot();
        const double scale = static_cast<double>(image.width) / 320;
        const std::size_t at =
            (static_cast<std::size_t>(14 * scale) * image.width + static_cast<std::size_t>(295 * scale)) * 4;
        return at + 2 < image.pixels.size() && image.pixels[at] == 0x22 && image.pixels[at + 2] == 0x22;
    };
    const tikoleap::test::TickWaits waits{
        {519, beaconed(2)},   // the early error and "ready"
        {521, overlaid},      // the tap has reached the page and its expansion begun
        {589, beaconed(4)},   // expanded, at its size
        {649, beaconed(6)},   // back to default
        {651, overlaid},      // the second tap, resizing
        {719, beaconed(8)},   // resized
        {779, beaconed(10)},  // default again
    };
    std::vector<long long> unmet;
    // The page hears it is resized at the end of the slide; by the next tick it has drawn what it
    // made of that, the run waiting for it (nothing here does).
    long long statesBeforeResize = -1;
    long long toldResizedAt = 0;
    std::optional<bool> drawnTheTickAfter;
    run.setTickObserver([&](long long tick) {
        if (tick == 651) statesBeforeResize = DZAdActivity::statesTold();
        if (toldResizedAt && tick == toldResizedAt + 1) drawnTheTickAfter = closeMarkDrawn();
        if (statesBeforeResize >= 0 && !toldResizedAt && DZAdActivity::statesTold() > statesBeforeResize)
            toldResizedAt = tick;
        tikoleap::test::waitAtTick(waits, tick, unmet);
    });
    std::string error;
    int code = -1;
    const std::optional<RunResult> result = run.run(&error, &code);
    ASSERT_TRUE(result) << error;
    EXPECT_EQ(result->screen, "gameover");
    EXPECT_EQ(result->ads.banner, "received");
    EXPECT_EQ(unmet, std::vector<long long>{});
    EXPECT_EQ(drawnTheTickAfter, std::optional<bool>(true)) << "told at tick " << toldResizedAt;
    EXPECT_EQ(
        complianceBeacons(server),
        (std::vector<std::string>{"error a=resize", "ready p=inline s=default v=2.0", "state s=expanded",
                                  "size h=480 w=320", "state s=default", "size h=50 w=320", "state s=resized",
                                  "size h=250 w=320", "state s=default", "size h=50 w=320"}));
    // Resized, the page fills its 320 x 250 points, drawn at that size (not the banner's picture
    // stretched), with its own close mark in the corner that closes it (a dark disc round a cross).
    const auto resized = platform::PngCodec::load((tmp.path() / "frames" / "frame-000719.png").string());
    ASSERT_TRUE(resized);
    const int channels = static_cast<int>(resized->pixels.size() / (resized->width * resized->height));
    auto pixel = [&](float x, float y) {
        const std::size_t at =
            (static_cast<std::size_t>(y * 1.5f) * resized->width + static_cast<std::size_t>(x * 1.5f)) *
            channels;
        return std::array<int, 3>{resized->pixels[at], resized->pixels[at + 1], resized->pixels[at + 2]};
    };
    constexpr std::array<int, 3> kPurple{0x5a, 0x2c, 0xa0};
    EXPECT_EQ(pixel(160, 240), kPurple);
    EXPECT_EQ(pixel(20, 60), kPurple);
    EXPECT_EQ(pixel(295, 14), (std::array<int, 3>{0x22, 0x22, 0x22}));
    EXPECT_GT(std::ranges::min(pixel(295, 25)), 200);
    // The page's script came from the interceptor's banner variant; the creative's own tag was
    // never let through to the network.
    std::size_t bannerScripts = 0;
    for (const auto& entry : server.log()) {
        const std::string path = entry.value("path", "");
        bannerScripts += path.ends_with("/mraid_app_banner.js") ? 1 : 0;
        EXPECT_FALSE(path.ends_with("/mraid.js")) << path;
    }
    EXPECT_GE(bannerScripts, 1u);
}

// A page busy as the interstitial comes on screen draws at its new size only once it is free: the
// engine's window is redrawn at that size at once, with the picture laid out before. The run waits
// for the page's own drawing, so the capture shows the page whole, down to its bottom.
TEST(HeadlessGameOver, TheInterstitialsCaptureWaitsForThePageToDrawAtItsSize) {
    if (!std::getenv("DISPLAY") && !std::getenv("WAYLAND_DISPLAY")) GTEST_SKIP() << "no display";
    tikoleap::adserver::AdServer server;
    ASSERT_TRUE(server.start(0, ""));
    const tikoleap::test::AdServerEnvironment environment(server.baseURL());
    TempDir tmp;
    CommandLine cl = interstitialRun(tmp, "10 tilt 2\n", 370);
    cl.screenScale = 1.5f;
    cl.screenshot = (tmp.path() / "in.png").string();
    HeadlessRun run(cl);
    bool busied = false;
    run.setTickObserver([&](long long) {
        const platform::web::WebContentView* page = busied ? nullptr : shownPage();
        if (!page) return;
        busied = true;
        page->engine()->evaluateScript("for (const end = Date.now() + 700; Date.now() < end;);", {});
    });
    std::string error;
    int code = -1;
    const std::optional<RunResult> result = run.run(&error, &code);
    ASSERT_TRUE(result) << error;
    ASSERT_TRUE(busied);
    EXPECT_EQ(result->ads.interstitialsShown, 1);
    const auto shot = platform::PngCodec::load((tmp.path() / "in.png").string());
    ASSERT_TRUE(shot);
    const int channels = static_cast<int>(shot->pixels.size() / (shot->width * shot->height));
    auto pixel = [&](int x, int y) {
        const std::size_t at = (static_cast<std::size_t>(y) * shot->width + x) * channels;
        return std::array<int, 3>{shot->pixels[at], shot->pixels[at + 1], shot->pixels[at + 2]};
    };
    // The page's colour in its middle, and the same at its bottom.
    EXPECT_EQ(pixel(shot->width / 2, shot->height - 2), pixel(shot->width / 4, shot->height / 4));
}

// A page logs in real time, also while the run's virtual clock stands still in a script's wait:
// an honest page, 20 lines at once and then one every 0.4 s, keeps every line.
TEST(HeadlessGameOver, APageLoggingDuringAWaitIsMeasuredInRealTime) {
    if (!std::getenv("DISPLAY") && !std::getenv("WAYLAND_DISPLAY")) GTEST_SKIP() << "no display";
    tikoleap::adserver::AdServer server;
    ASSERT_TRUE(server.start(0, ""));
    const tikoleap::test::AdServerEnvironment environment(server.baseURL());
    TempDir tmp;
    HeadlessRun run(interstitialRun(tmp, "10 tilt 2\n360 wait 4.5\n", 361));
    bool logging = false;
    run.setTickObserver([&](long long tick) {
        const platform::web::WebContentView* page = tick == 360 ? shownPage() : nullptr;
        if (!page) return;
        logging = true;
        page->engine()->evaluateScript(
            "function say(i) { const f = document.createElement('iframe'); f.style.display = 'none';"
            "  f.src = 'amsg://page/log?string=honest' + i; document.documentElement.appendChild(f); }"
            "for (let i = 0; i < 20; ++i) say(i);"
            "for (let i = 20; i < 28; ++i) setTimeout(say, 400 * (i - 19), i);",
            {});
    });
    platform::ScopedLogSink log;
    std::string error;
    int code = -1;
    const std::optional<RunResult> result = run.run(&error, &code);
    ASSERT_TRUE(result) << error;
    ASSERT_TRUE(logging);
    std::size_t said = 0;
    for (const std::string& line : log.lines()) {
        if (line.find("Ad page says: honest") != std::string::npos) ++said;
        EXPECT_EQ(line.find("dropped"), std::string::npos) << line;
    }
    EXPECT_EQ(said, 28u);
}
