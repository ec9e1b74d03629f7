// A reward-based video end to end on the real engine and media framework: the local ad server's
// reward units through the probe's shared reward ad, with the test reward network (its own
// process, so the engine and the player start afresh).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include <nlohmann/json.hpp>

#include "platform/image/PngCodec.h"
#include "support/Command.h"
#include "support/RunOutput.h"
#include "support/TempDir.h"
#include "tools/adserver/AdServer.h"

namespace {

class AdProbeReward : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!std::getenv("DISPLAY") && !std::getenv("WAYLAND_DISPLAY")) GTEST_SKIP() << "no display";
        ASSERT_TRUE(server.start(0, ""));
    }
    nlohmann::json probe(const std::string& arguments) {
        const auto run = tikoleap::test::runCommand(
            std::string(TIKOLEAP_BINARY_DIR) + "/tikoleap-adprobe --home " + home.path().string() +
            " --ad-server " + server.baseURL() + " reward " + arguments + " 2>/dev/null");
        EXPECT_EQ(run.code, 0);
        return tikoleap::test::lastLine(run.out);
    }
    // The track hits, each as its query.
    std::vector<nlohmann::json> tracks(const std::string& key) const {
        std::vector<nlohmann::json> out;
        for (const auto& hit : server.log()) {
            if (hit["kind"] == "track" && hit["query"].contains(key)) {
                auto query = hit["query"];
                query["ms"] = hit["ms"];
                out.push_back(query);
            }
        }
        return out;
    }
    // "STEP:WHOSE" for each: the step (or ping) and the entry or qdata it names.
    static std::vector<std::string> values(const std::vector<nlohmann::json>& queries,
                                           const std::string& key) {
        std::vector<std::string> out;
        for (const auto& query : queries) {
            std::string whose;
            for (const char* name : {"pubid", "net", "q"}) whose += query.value(name, "");
            out.push_back(query.value(key, "") + ":" + whose);
        }
        return out;
    }

    tikoleap::adserver::AdServer server;
    tikoleap::test::TempDir home{"tikoleap-reward"};
};

}  // namespace

TEST_F(AdProbeReward, TheRewardUnitMovesPastTheSilentNetworkPlaysTheGreenVideoAndGivesTheServersCoins) {
    const std::string png = (home.path() / "window.png").string();
    const auto result = probe("--unit tikoleap-mediation-reward --user player-7 --capture " + png);
    EXPECT_EQ(result["events"],
              nlohmann::json::array({"rewardBasedVideoAdDidReceiveAd", "rewardBasedVideoAdDidOpen",
                                     "rewardBasedVideoAdDidStartPlaying", "rewardBasedVideoAdDidRewardUser",
                                     "rewardBasedVideoAdDidClose"}));
    EXPECT_EQ(result["reward"], (nlohmann::json{{"type", "coins"}, {"amount", "10"}}));
    EXPECT_EQ(result["error"], nullptr);
    ASSERT_TRUE(result["capture"].is_object());
    EXPECT_EQ(result["capture"]["error"], nullptr);

    // The 320 x 240 video fitted across the window's middle, black above and below it.
    const auto image = platform::loadPng(png);
    ASSERT_TRUE(image);
    auto pixel = [&](int x, int y) {
        const std::uint8_t* p = &image->pixels[(y * image->width + x) * 4];
        return std::vector<int>(p, p + 3);
    };
    const auto middle = pixel(160, 240);
    EXPECT_TRUE(middle[1] > 200 && middle[0] < 60 && middle[2] < 60)
        << middle[0] << "," << middle[1] << "," << middle[2];
    EXPECT_EQ(pixel(160, 420), (std::vector<int>{0, 0, 0}));

    bool asked = false;
    for (const auto& hit : server.log()) {
        if (hit["kind"] != "ad_request") continue;
        asked = true;
        EXPECT_EQ(hit["query"].value("rbv", ""), "1");
        EXPECT_EQ(hit["query"].value("rbv_user_id", ""), "player-7");
        EXPECT_EQ(hit["query"].value("format", ""), "reward_mb");
        EXPECT_EQ(hit["query"].value("slotname", ""), "tikoleap-mediation-reward");
    }
    EXPECT_TRUE(asked);
    // One adapter serves both entries: set up once (with the first entry), asked for each in turn,
    // the second a network time-out after the first.
    // The set-up and the first request leave together as two pings, so the server may see them in
    // either order; the later steps are a time-out apart, as the server's clock sees them arrive (on
    // a loaded machine the first may come a few tens of milliseconds late).
    auto steps = tracks("testnet");
    ASSERT_EQ(steps.size(), 4u);
    if (values(steps, "testnet")[0] == "request:rv-never") std::swap(steps[0], steps[1]);
    ASSERT_EQ(values(steps, "testnet"), (std::vector<std::string>{"setup:rv-never", "request:rv-never",
                                                                  "request:rv-fill", "present:rv-fill"}));
    const auto gap = steps[2]["ms"].get<long>() - steps[1]["ms"].get<long>();
    EXPECT_GE(gap, 900);
    EXPECT_LE(gap, 1300);
    auto pings = values(tracks("rv"), "rv");
    std::sort(pings.begin(), pings.end());
    EXPECT_EQ(pings, (std::vector<std::string>{"complete:rv-fill", "imp:tikoleap-reward", "netimp:rv-fill",
                                               "start:rv-fill"}));
}

TEST_F(AdProbeReward, TheEmptyRewardUnitFailsWithCodeNineAndPingsItsNoFill) {
    const auto result = probe("--unit tikoleap-mediation-reward-empty --timeout 20");
    EXPECT_EQ(result["events"], nlohmann::json::array({"rewardBasedVideoAdDidFailToLoad"}));
    EXPECT_EQ(result["error"]["code"], 9);
    EXPECT_EQ(result["reward"], nullptr);
    EXPECT_EQ(result["capture"], nullptr);
    EXPECT_TRUE(tracks("testnet").empty());
    EXPECT_EQ(values(tracks("rv"), "rv"), std::vector<std::string>{"nofill:tikoleap-reward-empty"});
    for (const auto& hit : server.log()) {
        if (hit["kind"] == "ad_request") {
            EXPECT_FALSE(hit["query"].contains("rbv_user_id"));
        }
    }
}
