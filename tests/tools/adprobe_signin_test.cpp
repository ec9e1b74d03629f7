// Signed-in ads end to end in the probe (its own process): the core page's constants switch them
// on, and only with tracking allowed does the fake sign-in's token reach the next request.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdlib>
#include <string>

#include "support/Command.h"
#include "support/RunOutput.h"
#include "support/TempDir.h"
#include "tools/adserver/AdServer.h"

TEST(AdProbeSignIn, ATokenReachesTheRequestOnlyWithTrackingAllowed) {
    if (!std::getenv("DISPLAY") && !std::getenv("WAYLAND_DISPLAY")) GTEST_SKIP() << "no display";
    tikoleap::adserver::AdServer server;
    ASSERT_TRUE(server.start(0, ""));
    tikoleap::test::TempDir home{"tikoleap-signin"};
    const auto probe = [&](const std::string& flags) {
        const auto run = tikoleap::test::runCommand(
            std::string(TIKOLEAP_BINARY_DIR) + "/tikoleap-adprobe --home " + home.path().string() +
            " --ad-server " + server.baseURL() + " signin --unit tikoleap-banner " + flags + " 2>/dev/null");
        EXPECT_EQ(run.code, 0);
        return tikoleap::test::lastLine(run.out);
    };
    const auto limited = probe("--fake-sign-in --timeout 3");
    EXPECT_EQ(limited["token"], nullptr);
    EXPECT_FALSE(limited["requestParameters"].contains("pan"));

    const auto allowed = probe("--fake-sign-in --allow-tracking --timeout 20");
    EXPECT_EQ(allowed["token"], "tikoleap-token-1");
    EXPECT_EQ(allowed["requestParameters"]["pan"], nlohmann::json({{"token", "tikoleap-token-1"}}));
    EXPECT_EQ(allowed["requestParameters"]["force_https"], "1");
    struct stat info {};
    ASSERT_EQ(::stat((home.path() / "Library/keychain.plist").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600);
}
