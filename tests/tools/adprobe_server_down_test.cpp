// The probe's commands that load ads from the ad server, run against a server that is down: each
// says so and fails, rather than printing a line that looks like a run in which no ad came.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "support/Command.h"
#include "support/TempDir.h"
#include "tools/adserver/AdServer.h"

TEST(AdProbeServerDown, EveryAdCommandSaysSoAndFails) {
    if (!std::getenv("DISPLAY") && !std::getenv("WAYLAND_DISPLAY")) GTEST_SKIP() << "no display";
    std::string down;
    {
        tikoleap::adserver::AdServer server;
        ASSERT_TRUE(server.start(0, ""));
        down = server.baseURL();
        server.stop();
    }
    for (const std::string command :
         {"native --unit tikoleap-native-appinstall --types 1,2", "reward --unit tikoleap-mediation-reward",
          "purchase --unit tikoleap-iap --fake-store tikoleap.coins=0.99:EUR",
          "signin --unit tikoleap-banner", "core --unit tikoleap-banner", "slot --unit tikoleap-banner",
          "banner --unit tikoleap-banner --seconds 3", "waterfall --unit tikoleap-mediation-waterfall"}) {
        SCOPED_TRACE(command);
        tikoleap::test::TempDir home{"tikoleap-down"};
        const auto run = tikoleap::test::runCommand(
            TIKOLEAP_BINARY_DIR "/tikoleap-adprobe --home " + home.path().string() + " --ad-server " + down +
            " " + command + (command.rfind("banner", 0) == 0 ? "" : " --timeout 3") + " 2>&1");
        EXPECT_EQ(run.code, 1);
        EXPECT_NE(run.out.find("could not be reached"), std::string::npos) << run.out;
    }
}
