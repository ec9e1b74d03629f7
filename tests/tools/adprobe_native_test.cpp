// Native ads end to end on the real engine: the local ad server's native units through a native
// ad loader and its views in the probe (its own process), and a custom-rendered banner.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <string>

#include <nlohmann/json.hpp>

#include "platform/image/PngCodec.h"
#include "support/Command.h"
#include "support/RunOutput.h"
#include "support/TempDir.h"
#include "tools/adserver/AdServer.h"

namespace {

class AdProbeNative : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!std::getenv("DISPLAY") && !std::getenv("WAYLAND_DISPLAY")) GTEST_SKIP() << "no display";
        ASSERT_TRUE(server_.start(0, ""));
    }
    nlohmann::json probe(const std::string& arguments) {
        const auto run = tikoleap::test::runCommand(
            std::string(TIKOLEAP_BINARY_DIR) + "/tikoleap-adprobe --home " + home_.path().string() +
            " --ad-server " + server_.baseURL() + " " + arguments + " 2>/dev/null");
        EXPECT_EQ(run.code, 0);
        return tikoleap::test::lastLine(run.out);
    }
    // Hits of the kind the server logged for the unit.
    int logged(const std::string& kind, const std::string& unit) {
        int count = 0;
        for (const auto& hit : server_.log())
            count += hit["kind"] == kind && hit["query"].value("slot", "") == unit;
        return count;
    }

    tikoleap::adserver::AdServer server_;
    tikoleap::test::TempDir home_{"tikoleap-native-probe"};
};

}  // namespace

TEST_F(AdProbeNative, RefusesBadListsAndRunsOnlyWithADisplay) {
    const std::string probe = std::string(TIKOLEAP_BINARY_DIR) + "/tikoleap-adprobe --home " +
                              home_.path().string() + " --ad-server " + server_.baseURL() +
                              " native --unit tikoleap-native-appinstall ";
    for (const char* bad : {"--types 1,,2", "--types 2 --template-ids ,", "--types 2 --timeout 0", ""})
        EXPECT_EQ(tikoleap::test::runCommand(probe + bad + " 2>/dev/null").code, 2) << bad;
    const auto headless =
        tikoleap::test::runCommand("env -u DISPLAY -u WAYLAND_DISPLAY " + probe + "--types 2 2>&1");
    EXPECT_EQ(headless.code, 1);
    EXPECT_NE(headless.out.find("needs a display"), std::string::npos) << headless.out;
}

TEST_F(AdProbeNative, AnAppInstallAdIsShownSeenAndTappedOnce) {
    const std::string png = (home_.path() / "native.png").string();
    const auto result =
        probe("native --unit tikoleap-native-appinstall --types 1,2 --tap 2002 --capture " + png);
    EXPECT_EQ(result["error"], nullptr);
    EXPECT_EQ(result["class"], "DZNativeAppInstallAd");
    EXPECT_EQ(result["headline"], "Tiko Leap Deluxe");
    EXPECT_EQ(result["impression"], true);
    EXPECT_EQ(result["tapped"], true);
    // The landing page is the advertiser's: it opens outside the app, not in our browser.
    EXPECT_EQ(result["events"], nlohmann::json::array({"nativeAdWillLeaveApplication"}));
    ASSERT_EQ(result["opened"].size(), 1u);
    EXPECT_NE(result["opened"][0].get<std::string>().find("/landing?slot=tikoleap-native-appinstall"),
              std::string::npos);
    EXPECT_EQ(logged("impression", "tikoleap-native-appinstall"), 1);
    EXPECT_EQ(logged("click", "tikoleap-native-appinstall"), 1);

    // The white container with the grey badge in its top right corner, the window below it.
    const auto image = platform::loadPng(png);
    ASSERT_TRUE(image);
    auto rgb = [&](int x, int y) {
        const std::uint8_t* p = &image->pixels[static_cast<std::size_t>((y * image->width + x) * 4)];
        return (p[0] << 16) | (p[1] << 8) | p[2];
    };
    bool grey = false;
    for (int x = 250; x < 320; ++x) grey |= rgb(x, 1) == 0xcccccc;
    EXPECT_TRUE(grey);
    EXPECT_EQ(rgb(5, 245), 0xffffff);
    EXPECT_NE(rgb(5, 300), 0xffffff);
}

TEST_F(AdProbeNative, ATemplateAdTakesACustomClickAndAnAppDrawsACustomRenderedBanner) {
    const auto result =
        probe("native --unit tikoleap-native-template --types 3 --template-ids 10063 --tap Headline");
    EXPECT_EQ(result["error"], nullptr);
    EXPECT_EQ(result["class"], "DZNativeCustomTemplateAd");
    EXPECT_EQ(result["customClick"], true);
    EXPECT_EQ(result["opened"], nlohmann::json::array());
    EXPECT_EQ(logged("click", "tikoleap-native-template"), 1);

    const auto banner = probe("banner --unit tikoleap-custom-render --seconds 3 --custom-rendered");
    EXPECT_EQ(banner["customRendered"], 1);
    EXPECT_EQ(banner["failed"], nlohmann::json::array());
    EXPECT_EQ(logged("impression", "tikoleap-custom-render"), 1);
}
