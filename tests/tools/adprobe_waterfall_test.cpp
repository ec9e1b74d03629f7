// A mediated banner end to end on the real engine: the local ad server's house waterfall through a
// public banner view, in the probe (its own process, so the engine starts afresh).
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <string>

#include <nlohmann/json.hpp>

#include "support/Command.h"
#include "support/RunOutput.h"
#include "support/TempDir.h"
#include "tools/adserver/AdServer.h"

TEST(AdProbeWaterfall, TheHouseWaterfallEndsInItsHTMLNetworkAndReportsEveryExitCode) {
    if (!std::getenv("DISPLAY") && !std::getenv("WAYLAND_DISPLAY")) GTEST_SKIP() << "no display";
    tikoleap::adserver::AdServer server;
    ASSERT_TRUE(server.start(0, ""));
    tikoleap::test::TempDir home{"tikoleap-waterfall"};
    const auto run = tikoleap::test::runCommand(
        std::string(TIKOLEAP_BINARY_DIR) + "/tikoleap-adprobe --home " + home.path().string() +
        " --ad-server " + server.baseURL() + " waterfall --unit tikoleap-mediation-waterfall 2>/dev/null");
    ASSERT_EQ(run.code, 0);
    const auto result = tikoleap::test::lastLine(run.out);
    EXPECT_EQ(result["events"], nlohmann::json::array({"adViewDidReceiveAd"}));
    EXPECT_EQ(result["error"], nullptr);
    EXPECT_EQ(result["adNetworkClassName"], "DZMAdapterHTML");

    // Unregistered adapter, passback, no custom event, silence past the time-out, the filled page.
    ASSERT_TRUE(server.waitForKind("mediation_impression", 1, std::chrono::seconds(5)));
    for (const auto& hit : server.log()) {
        if (hit["kind"] != "mediation_impression") continue;
        EXPECT_EQ(hit["query"].value("aec", ""), "4,1,2,3,0");
        EXPECT_EQ(hit["query"].value("ad_network_id", ""), "5");
    }
}
