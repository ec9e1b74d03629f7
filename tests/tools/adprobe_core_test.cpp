// The SDK core page and the bridge creative of the local ad server, on the real web engine,
// through the probe (one process per run, so each starts its engine and loads the page once).
#include <gtest/gtest.h>

#include <string>

#include <nlohmann/json.hpp>

#include "platform/defaults/UserDefaults.h"
#include "platform/image/PngCodec.h"
#include "platform/plist/PlistDict.h"
#include "support/Command.h"
#include "support/RunOutput.h"
#include "support/TempDir.h"
#include "tools/adserver/AdServer.h"

namespace {

using tikoleap::test::runCommand;

using tikoleap::test::lastLine;

class CorePage : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(server_.start(0, "")); }
    nlohmann::json probe(const std::string& command) {
        auto run = runCommand(std::string(TIKOLEAP_BINARY_DIR) + "/tikoleap-adprobe --home " +
                              home_.path().string() + " --ad-server " + server_.baseURL() + " " + command +
                              " 2>/dev/null");
        EXPECT_EQ(run.code, 0) << command;
        return run.code == 0 ? lastLine(run.out) : nlohmann::json();
    }

    tikoleap::test::TempDir home_{"tikoleap-core-page"};
    tikoleap::adserver::AdServer server_;
};

}  // namespace

TEST_F(CorePage, AnswersEachUnitAndStoresItsConstants) {
    EXPECT_EQ(probe("core --unit tikoleap-invalid")["answer"], "invalidRequest");
    auto errors = probe("core --unit tikoleap-errors");
    EXPECT_EQ(errors["answer"], "loadAdURL");
    EXPECT_TRUE(errors["parameters"].contains("errors"));
    auto ready = probe("core --unit tikoleap-core-ad");
    EXPECT_EQ(ready["answer"], "loadAd");
    EXPECT_EQ(ready["ad"]["adBaseURL"], server_.baseURL());
    auto fetched = probe("core --unit tikoleap-core-fetch");
    EXPECT_EQ(fetched["answer"], "loadAd");
    EXPECT_NE(fetched["ad"]["adHTML"].get<std::string>().find("Tiko Leap"), std::string::npos);
    EXPECT_EQ(probe("core --unit tikoleap-core-silent --timeout 11")["answer"], "timedOut");
    auto url = probe("core --unit tikoleap-banner");
    EXPECT_EQ(url["answer"], "loadAdURL");
    EXPECT_EQ(url["parameters"]["request_scenario"], "online_request");
    EXPECT_EQ(url["parameters"]["url"], server_.baseURL() + "zads/ad?slotname=tikoleap-banner&request_id=1");

    bool nativeFetch = false;
    for (const auto& hit : server_.log()) {
        nativeFetch |=
            hit["kind"] == "ad_request" && hit["headers"].value("x-tikoleap-via", "") == "native-fetch";
    }
    EXPECT_TRUE(nativeFetch);
    auto defaults = platform::UserDefaults::open(home_.path() / "Library/Preferences/tikoleap.plist");
    EXPECT_EQ(defaults->stringForKey("/rerive/ads/ping_interval"), "60");
    EXPECT_EQ(defaults->stringForKey("/rerive/ads/bad_ad_report_path"), server_.baseURL() + "adpage/badad");
    auto domains = defaults->arrayForKey("/rerive/ads/whitelisted_ad_request_domains");
    ASSERT_TRUE(domains);
    EXPECT_EQ(domains->getString(0), "127.0.0.1");
}

TEST_F(CorePage, AHundredAnswersInABurstArriveInOrder) {
    auto burst = probe("core --unit tikoleap-banner --requests 100 --timeout 60");
    ASSERT_EQ(burst["arrivals"].size(), 100u);
    for (int i = 0; i < 100; ++i) EXPECT_EQ(burst["arrivals"][i], std::to_string(i + 1));
}

TEST_F(CorePage, TheBridgeCreativeReachesEveryHandlerAndOpensNothing) {
    // The probe watches the page for the whole time: a web process started on a loaded machine
    // (sanitizers, parallel tests) may take seconds before the page's first message.
    auto run = probe("adview --url /creative/bridge --seconds 8");
    EXPECT_EQ(run["loaded"], true);
    EXPECT_EQ(run["unhandled"], nlohmann::json({"tikoleapUnknown"}));
    EXPECT_EQ(run["opened"], nlohmann::json::array());
    const std::string logged = run["logged"].dump();
    EXPECT_NE(logged.find("bridge-hello"), std::string::npos);
    EXPECT_NE(logged.find("ping refused"), std::string::npos);
    EXPECT_NE(logged.find("\\\"tikoleapnosuchscheme\\\" not opened"), std::string::npos);
    ASSERT_TRUE(server_.waitForKind("track", 2, std::chrono::seconds(5)));
    std::vector<std::string> tracks;
    for (const auto& hit : server_.log()) {
        if (hit["kind"] == "track") tracks.push_back(hit["query"].dump());
    }
    EXPECT_EQ(tracks, (std::vector<std::string>{R"({"from":"bridge"})", R"({"openable":"2"})"}));
}

TEST_F(CorePage, ABannerSlotShowsItsAdFailsAPassbackOrTimesOut) {
    auto fetched = probe("slot --unit tikoleap-banner");
    EXPECT_EQ(fetched["states"], nlohmann::json({0, 2, 3, 4, 5, 6}));
    EXPECT_EQ(fetched["error"], nullptr);
    EXPECT_EQ(fetched["impressions"], 1);
    ASSERT_TRUE(fetched["fetched"].is_object());
    EXPECT_NE(fetched["fetched"]["adHTML"].get<std::string>().find("Tiko Leap"), std::string::npos);
    EXPECT_TRUE(server_.waitForKind("impression", 1, std::chrono::seconds(5)));

    auto passback = probe("slot --unit tikoleap-passback");
    EXPECT_EQ(passback["state"], 7);
    EXPECT_EQ(passback["error"]["message"], "Passback URL received.");
    EXPECT_EQ(passback["impressions"], 0);

    auto silent = probe("slot --unit tikoleap-core-silent");
    EXPECT_EQ(silent["states"], nlohmann::json({0, 2, 7}));
    EXPECT_EQ(silent["error"]["code"], 5);
    EXPECT_EQ(silent["fetched"], nullptr);
}

TEST_F(CorePage, TheRenderCheckTellsTheBannerFromABlankPageAndTheSnapshotIsThePage) {
    const std::string png = (home_.path() / "banner.png").string();
    auto banner = probe("adview --url '/zads/ad?slotname=tikoleap-banner' --snapshot " + png);
    EXPECT_EQ(banner["loaded"], true);
    EXPECT_EQ(banner["rendered"], true);
    EXPECT_EQ(banner["snapshot"]["error"], nullptr);
    const auto image = platform::loadPng(png);
    ASSERT_TRUE(image);
    ASSERT_EQ(std::make_pair(image->width, image->height), std::make_pair(320, 50));
    const std::uint8_t* corner = &image->pixels[(2 * 320 + 2) * 4];
    EXPECT_EQ(std::vector<int>(corner, corner + 3), (std::vector<int>{0xe0, 0x00, 0x7a}));

    auto blank = probe("adview --url /creative/blank");
    EXPECT_EQ(blank["loaded"], true);
    EXPECT_EQ(blank["rendered"], false);
    EXPECT_EQ(blank["snapshot"], nullptr);

    // A special file is never written over: refused before anything runs.
    auto refused =
        runCommand(std::string(TIKOLEAP_BINARY_DIR) + "/tikoleap-adprobe --home " + home_.path().string() +
                   " adview --url /creative/blank --snapshot /dev/null 2>&1");
    EXPECT_EQ(refused.code, 2);
    EXPECT_NE(refused.out.find("/dev/null exists and is not a file"), std::string::npos);
}

TEST_F(CorePage, ATapOnTheBannerIsOneClickAndAPageClickingItselfIsNone) {
    auto tapped = probe("adview --banner --url /creative/house-banner --touch 160,25");
    EXPECT_EQ(tapped["state"], 6);
    EXPECT_EQ(tapped["touched"], true);
    EXPECT_EQ(tapped["clicks"], 1);
    EXPECT_EQ(tapped["opened"], nlohmann::json::array({server_.baseURL() + "landing?slot=creative&ad=0"}));

    // Its own link, clicked by script: the landing page loads inside the creative, nothing leaves.
    auto selfClicked = probe("adview --banner --url /creative/autoclick --seconds 2");
    EXPECT_EQ(selfClicked["touched"], false);
    EXPECT_EQ(selfClicked["clicks"], 0);
    EXPECT_EQ(selfClicked["opened"], nlohmann::json::array());
    EXPECT_TRUE(server_.waitForKind("landing", 1, std::chrono::seconds(1)));

    // A page that holds its load back is no valid ad until it lets go.
    EXPECT_EQ(probe("adview --banner --url '/creative/delay?ms=6000' --seconds 2")["state"], 5);
}
