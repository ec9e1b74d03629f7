// A headless input script calibrates the tilt: it reaches the Settings tab and its calibrate
// button by touches, holds the device rolled, and answers the sheet by its button's title.
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>

#include "app/HeadlessRun.h"
#include "platform/plist/PlistFile.h"
#include "support/TempDir.h"

namespace {

TEST(HeadlessCalibration, AScriptCalibratesThroughTheSettingsTabAndTheSheet) {
    tikoleap::test::TempDir tmp;
    const auto script = tmp.file("calibrate.txt");
    std::ofstream(script) << "10 down 160 417   # the title's Settings\n12 up\n"
                             "80 down 160 455   # the Settings tab\n82 up\n"
                             "90 tilt 0.3\n"
                             "100 down 160 220  # Calibrate Tilt Sensor\n102 up\n"
                             "200 alert OK\n"
                             "210 down 267 455  # the About tab: leaving Settings saves it\n212 up\n";
    CommandLine cl;
    cl.headless = true;
    cl.home = (tmp.path() / "home").string();
    cl.seed = 1;
    cl.ticks = 230;
    cl.ticksGiven = true;
    cl.resources = TIKOLEAP_RESOURCES_DIR;
    cl.input = script.string();
    cl.screenshot = (tmp.path() / "tools.png").string();
    std::string error;
    int code = -1;
    const auto result = HeadlessRun(cl).run(&error, &code);
    ASSERT_TRUE(result) << error;
    EXPECT_EQ(code, 0);
    EXPECT_EQ(result->screen, "tools");

    auto saved = platform::readPlistDictionaryFile(tmp.path() / "home/Documents/settings.plist");
    ASSERT_TRUE(saved);
    EXPECT_NEAR(saved->getReal("neutralAccelerometer.o1.x").value_or(9), 0.3, 1e-9);
    EXPECT_NEAR(saved->getReal("neutralAccelerometer.o1.y").value_or(9), 0.0, 1e-9);
    EXPECT_NEAR(saved->getReal("neutralAccelerometer.o1.z").value_or(9), -std::sqrt(1 - 0.09), 1e-9);
}

}  // namespace
