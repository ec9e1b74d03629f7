// A mediated banner end to end on the real engine: the local ad server's house waterfall through a
// public banner view, in the probe (its own process, so the engine starts afresh).
#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "platform/image/PngCodec.h"
#include "support/Command.h"
#include "support/RunOutput.h"
#include "support/TempDir.h"
#include "tools/adserver/AdServer.h"

TEST(AdProbeWaterfall, TheHouseWaterfallEndsInItsHTMLNetworkAndReportsEveryExitCode) {
    if (!std::getenv("DISPLAY") && !std::getenv("WAYLAND_DISPLAY")) GTEST_SKIP() << "no display";
    tikoleap::adserver::AdServer server;
    ASSERT_TRUE(server.start(0, ""));
    tikoleap::test::TempDir home{"tikoleap-waterfall"};
    const std::string png = (home.path() / "window.png").string();
    const auto run = tikoleap::test::runCommand(
        std::string(TIKOLEAP_BINARY_DIR) + "/tikoleap-adprobe --home " + home.path().string() +
        " --ad-server " + server.baseURL() + " waterfall --unit tikoleap-mediation-waterfall --capture " +
        png + " 2>/dev/null");
    ASSERT_EQ(run.code, 0);
    const auto result = tikoleap::test::lastLine(run.out);
    EXPECT_EQ(result["events"], nlohmann::json::array({"adViewDidReceiveAd"}));
    EXPECT_EQ(result["error"], nullptr);
    EXPECT_EQ(result["adNetworkClassName"], "DZMAdapterHTML");
    // The delivered page fills the banner at the window's top, and only it.
    const auto image = platform::loadPng(png);
    ASSERT_TRUE(image);
    auto pixel = [&](int x, int y) {
        const std::uint8_t* p = &image->pixels[(y * image->width + x) * 4];
        return std::vector<int>(p, p + 3);
    };
    EXPECT_EQ(pixel(160, 25), (std::vector<int>{0x1e, 0x90, 0xff}));
    EXPECT_NE(pixel(160, 60), (std::vector<int>{0x1e, 0x90, 0xff}));

    // Unregistered adapter, passback, no custom event, silence past the time-out, the filled page.
    ASSERT_TRUE(server.waitForKind("mediation_impression", 1, std::chrono::seconds(5)));
    for (const auto& hit : server.log()) {
        if (hit["kind"] != "mediation_impression") continue;
        EXPECT_EQ(hit["query"].value("aec", ""), "4,1,2,3,0");
        EXPECT_EQ(hit["query"].value("ad_network_id", ""), "5");
    }
}
