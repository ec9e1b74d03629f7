// The headless examples with ads of docs/playing.md, as kept in scripts/examples: each runs as a player would
// run it (scripts/play and its local ad server, a display), in a home of its own, and gets as far
// as it says.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "support/Command.h"
#include "support/TempDir.h"

namespace {

namespace fs = std::filesystem;

struct Example {
    int code = -1;
    nlohmann::json result;
    // The beacons the server logged, as "e=EVENT" plus "c=..." and "s=..." when given.
    std::vector<std::string> beacons;
    fs::path out;
};

struct ReadmeExamples : testing::Test {
    void SetUp() override {
        if (!std::getenv("DISPLAY") && !std::getenv("WAYLAND_DISPLAY")) GTEST_SKIP() << "no display";
        // A build folder of the test's own, so that the server's log is this run's alone.
        fs::create_directories(build);
        for (const char* program : {"tikoleap", "tikoleap-adserver"})
            fs::create_symlink(fs::path(TIKOLEAP_BINARY_DIR) / program, build / program);
    }

    Example run(const std::string& name, const std::string& outName) {
        Example example;
        example.out = tmp.path() / outName;
        fs::remove(build / "adserver-log.jsonl");
        const auto p = tikoleap::test::runCommand(
            "cd '" + tmp.path().string() + "' && env -u TIKOLEAP_AD_SERVER " +
            "-u TIKOLEAP_WEB_URL timeout 300 '" + TIKOLEAP_SOURCE_DIR + "/scripts/examples/run' " + name +
            " '" + build.string() + "' '" + example.out.string() + "' 2>/dev/null");
        example.code = p.code;
        const auto start = p.out.rfind('\n', p.out.size() >= 2 ? p.out.size() - 2 : 0);
        example.result =
            nlohmann::json::parse(p.out.substr(start == std::string::npos ? 0 : start + 1), nullptr, false);
        std::ifstream log(build / "adserver-log.jsonl");
        for (std::string line; std::getline(log, line);) {
            const auto entry = nlohmann::json::parse(line, nullptr, false);
            if (!entry.is_object() || entry.value("kind", "") != "beacon") continue;
            const auto& query = entry["query"];
            std::string beacon = "e=" + query.value("e", "");
            for (const char* key : {"c", "s"})
                if (query.contains(key)) beacon += std::string(" ") + key + "=" + query.value(key, "");
            example.beacons.push_back(beacon);
        }
        return example;
    }

    static bool has(const std::vector<std::string>& beacons, const std::string& beacon) {
        return std::find(beacons.begin(), beacons.end(), beacon) != beacons.end();
    }

    tikoleap::test::TempDir tmp{"tikoleap-examples"};
    fs::path build = tmp.path() / "build";
};

TEST_F(ReadmeExamples, TheBannerShowsAfterTheInterstitialTheSameInEveryRunEachInItsOwnHome) {
    const Example first = run("banner", "first");
    ASSERT_EQ(first.code, 0);
    EXPECT_EQ(first.result["screen"], "gameover");
    EXPECT_EQ(first.result["ads"]["banner"], "received");
    EXPECT_EQ(first.result["ads"]["interstitialsShown"], 1);
    EXPECT_TRUE(fs::exists(first.out / "banner.png"));
    EXPECT_TRUE(fs::is_directory(first.out / "home" / "Documents"));
    const Example second = run("banner", "second");
    ASSERT_EQ(second.code, 0);
    EXPECT_EQ(second.result, first.result);
    // A home that exists already is not played in.
    EXPECT_EQ(run("banner", "first").code, 2);
}

TEST_F(ReadmeExamples, TheDeviceActionsEndWithTheStoreFallbackOpened) {
    const Example actions = run("actions", "out");
    ASSERT_EQ(actions.code, 0);
    ASSERT_TRUE(actions.result["opened"].is_array()) << actions.result;
    ASSERT_EQ(actions.result["opened"].size(), 1u) << actions.result;
    EXPECT_TRUE(actions.result["opened"][0].get<std::string>().ends_with("/store-fallback"))
        << actions.result;
}

TEST_F(ReadmeExamples, TheSwipeStepsReachTheSwipe) {
    const Example swipe = run("swipe", "out");
    ASSERT_EQ(swipe.code, 0);
    EXPECT_EQ(swipe.result["screen"], "gameover");
    EXPECT_TRUE(has(swipe.beacons, "e=onSwipeableViewControllerPresentationFinished c=swipe"));
    EXPECT_TRUE(has(swipe.beacons, "e=onSwipeToViewControllerDismissed c=swipe"));
}

TEST_F(ReadmeExamples, TheComplianceBannerExpandsAndResizes) {
    const Example compliance = run("compliance", "out");
    ASSERT_EQ(compliance.code, 0);
    EXPECT_EQ(compliance.result["screen"], "gameover");
    EXPECT_TRUE(has(compliance.beacons, "e=state c=compliance s=expanded"));
    EXPECT_TRUE(has(compliance.beacons, "e=state c=compliance s=resized"));
}

}  // namespace
