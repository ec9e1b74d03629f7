// The game-over banner end to end: the game as a player starts it, the local server as its ad and
// announcement server, the real web engine under a display.
#include <gtest/gtest.h>

#include <array>
#include <cstdlib>
#include <string>

#include <nlohmann/json.hpp>

#include "platform/image/PngCodec.h"
#include "support/Command.h"
#include "support/TempDir.h"
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

// A game of level 20 tilted hard right from tick 10: the hero falls and the game-over screen shows.
GameRun runToGameOver(const TempDir& tmp, const std::string& name, const std::string& env) {
    tmp.write("die.txt", std::string_view("10 tilt 2\n"));
    const auto err = tmp.path() / (name + ".err");
    const auto p =
        runCommand(env + " " + kBinary + " --headless --level 20 --seed 7 --screen-scale 1.5 --input " +
                   (tmp.path() / "die.txt").string() + " --home " + tmp.file(name + "/home").string() +
                   " --screenshot " + (tmp.path() / (name + ".png")).string() + " 2>" + err.string());
    GameRun run;
    run.code = p.code;
    run.json = p.out.substr(p.out.rfind('\n', p.out.size() - 2) + 1);
    const auto bytes = tmp.read(name + ".err");
    run.err.assign(bytes.begin(), bytes.end());
    return run;
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
    const std::string env =
        "TIKOLEAP_AD_SERVER=" + server.baseURL() + " TIKOLEAP_WEB_URL=" + server.baseURL();
    TempDir tmp;
    const GameRun first = runToGameOver(tmp, "a", env);
    ASSERT_EQ(first.code, 0) << first.err;
    const auto json = nlohmann::json::parse(first.json);
    EXPECT_EQ(json["screen"], "gameover");
    EXPECT_EQ(json["ads"], nlohmann::json::parse(R"({"banner":"received","adRequests":1})")) << first.err;
    EXPECT_EQ(countKind(server, "ad_request"), 1u);
    EXPECT_EQ(countKind(server, "impression"), 1u);  // sent before the run ended

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
    EXPECT_EQ(countKind(server, "ad_request"), 2u);

    // Without a display: one warning, and the banner fails.
    const GameRun blind = runToGameOver(tmp, "c", "env -u DISPLAY -u WAYLAND_DISPLAY " + env);
    ASSERT_EQ(blind.code, 0) << blind.err;
    EXPECT_EQ(nlohmann::json::parse(blind.json)["ads"]["banner"], "failed");
    std::size_t warnings = 0;
    for (std::size_t at = blind.err.find("[WARN]"); at != std::string::npos;
         at = blind.err.find("[WARN]", at + 1))
        ++warnings;
    EXPECT_EQ(warnings, 1u) << blind.err;
    EXPECT_NE(blind.err.find("no display"), std::string::npos) << blind.err;
}

}  // namespace
