// The Settings tab's tilt calibration: what its sheet stores for each orientation, how a later
// tilt reads against it, what it refuses, what it saves, and how it shares the one accelerometer
// with the game's tilt helper.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <numbers>

#include "ScreenFit.h"
#include "ScreensFixture.h"
#include "platform/motion/Accelerometer.h"
#include "platform/motion/ScriptedTiltSource.h"
#include "platform/plist/PlistFile.h"
#include "platform/ui/AlertView.h"
#include "platform/ui/Button.h"
#include "platform/ui/NavigationController.h"
#include "platform/ui/TabBarController.h"
#include "screens/SettingsToolViewController.h"
#include "shell/AccelerometerHelper.h"

namespace tikoleap::test {
namespace {

using platform::Acceleration;

struct Calibration : ScreensFixture {
    void SetUp() override {
        ScreensFixture::SetUp();
        tilt = useScriptedTilt();
    }

    // Title -> tools -> the Settings tab.
    std::shared_ptr<SettingsToolViewController> openSettings() {
        core->startTitleView();
        settle();
        EXPECT_TRUE(driver->tapButton("Settings"));
        settle();
        EXPECT_TRUE(driver->tapButton("Settings"));  // the tab
        auto tabs =
            std::dynamic_pointer_cast<platform::ui::TabBarController>(core->screens().current().toolsView);
        if (!tabs) return nullptr;
        auto nav =
            std::dynamic_pointer_cast<platform::ui::NavigationController>(tabs->selectedViewController());
        return nav ? std::dynamic_pointer_cast<SettingsToolViewController>(nav->topViewController())
                   : nullptr;
    }
    std::shared_ptr<platform::ui::Button> calibrateBtn() const {
        return std::dynamic_pointer_cast<platform::ui::Button>(driver->outlet("calibrateBtn"));
    }
    // The device held still at `a` for a second: the calibration's filter has long settled.
    void hold(const Acceleration& a, double seconds = 1.0) {
        tilt->setScriptedAcceleration(a);
        driver->advance(seconds);
    }
    // Calibrate button, a steady hold, then the sheet's button of that title.
    void calibrate(const Acceleration& a, const std::string& answer = "OK") {
        ASSERT_TRUE(driver->tap(calibrateBtn()));
        hold(a);
        ASSERT_TRUE(driver->answerFront(answer));
    }
    Acceleration neutralOf(int orientation) const {
        const auto& info = core->orientationDependedInfoFor(orientation);
        return {info.neutralAccelerometerX(), info.neutralAccelerometerY(), info.neutralAccelerometerZ()};
    }
    platform::AccelerometerDelegate* accelerometerDelegate() const {
        return platform::Accelerometer::shared().delegate();
    }

    platform::ScriptedTiltSource* tilt = nullptr;
};

void expectNear(const Acceleration& got, const Acceleration& want, const char* what) {
    EXPECT_NEAR(got.x, want.x, 1e-9) << what;
    EXPECT_NEAR(got.y, want.y, 1e-9) << what;
    EXPECT_NEAR(got.z, want.z, 1e-9) << what;
}

// A neutral vector for each orientation, all inside the accepted range and all different.
const std::array<Acceleration, 5> kHeld = {
    {{}, {0.20, -0.30, -0.93}, {-0.25, 0.10, -0.96}, {0.05, 0.35, -0.93}, {-0.15, -0.40, -0.90}}};

TEST_F(Calibration, OkStoresEachOrientationsTiltAndALaterTiltReadsAgainstIt) {
    auto settings = openSettings();
    ASSERT_NE(settings, nullptr);
    ASSERT_EQ(core->accelerometerCalibrationType(), 1);
    EXPECT_FALSE(calibrateBtn()->isHidden());
    EXPECT_EQ(calibrateBtn()->currentTitle(), "Calibrate Tilt Sensor: +0.000");

    for (int o = 1; o <= 4; ++o) {
        core->setInterfaceOrientation(o);
        ASSERT_TRUE(driver->tap(calibrateBtn()));
        auto sheet = driver->frontModal();
        ASSERT_NE(sheet, nullptr);
        EXPECT_STREQ(sheet->className(), "ActionSheet");
        // The calibration measures at 100 Hz with next to no smoothing, and alone.
        ASSERT_NE(settings->accelerometerHelper(), nullptr);
        EXPECT_EQ(accelerometerDelegate(), settings->accelerometerHelper());
        EXPECT_DOUBLE_EQ(platform::Accelerometer::shared().updateInterval(), 0.01);
        hold(kHeld[o]);
        ASSERT_TRUE(driver->answerFront("OK"));
        expectNear(neutralOf(o), kHeld[o], "stored");
        // Done measuring: the helper is gone and the accelerometer is free.
        EXPECT_EQ(settings->accelerometerHelper(), nullptr);
        EXPECT_EQ(accelerometerDelegate(), nullptr);
        EXPECT_EQ(driver->frontModal(), nullptr);
    }
    // Each orientation kept its own.
    for (int o = 1; o <= 4; ++o) expectNear(neutralOf(o), kHeld[o], "kept");
    // The button shows the screen-sideways part of the current orientation's neutral tilt.
    const std::array<const char*, 5> shown = {"", "+0.200", "+0.250", "-0.350", "-0.400"};
    for (int o = 1; o <= 4; ++o) {
        core->setInterfaceOrientation(o);
        settings->updateView();
        EXPECT_EQ(calibrateBtn()->currentTitle(), std::string("Calibrate Tilt Sensor: ") + shown[o]);
    }

    // A tilt helper started afterwards (as the game's is) reads nothing at the neutral tilt, and
    // a roll to the player's right as positive.
    for (int o = 1; o <= 4; ++o) {
        core->setInterfaceOrientation(o);
        AccelerometerHelper game(core.get());
        game.startWithFrequency(50.0, 0.00007);
        hold(kHeld[o], 2.0);
        EXPECT_NEAR(game.accelerationFromNeutralH(), 0.0, 1e-6) << "orientation " << o;
        Acceleration right = kHeld[o];
        if (o == 1) right.x += 0.3;
        if (o == 2) right.x -= 0.3;
        if (o == 3) right.y -= 0.3;
        if (o == 4) right.y += 0.3;
        hold(right, 2.0);
        EXPECT_NEAR(game.accelerationFromNeutralH(), 0.3, 1e-3) << "orientation " << o;
        float rotH = 0;
        float rotV = 0;
        game.getAnglesFromNeutral(&rotH, &rotV);
        EXPECT_GT(rotH, 0.1f) << "orientation " << o;
        game.stop();
    }
}

TEST_F(Calibration, ADeviceRolledOntoItsSideIsRefusedAndTheOldNeutralStays) {
    auto settings = openSettings();
    ASSERT_NE(settings, nullptr);
    calibrate(kHeld[1]);
    const double deg = std::numbers::pi / 180.0;
    // Portrait standing on its long edge; landscape right standing up; and 46 degrees of roll.
    struct Case {
        int orientation;
        Acceleration held;
    };
    for (const Case& c : {Case{1, {1.0, 0.0, 0.0}}, Case{3, {0.0, -1.0, 0.0}},
                          Case{1, {-std::sin(46 * deg), 0.0, -std::cos(46 * deg)}}}) {
        core->setInterfaceOrientation(c.orientation);
        const Acceleration before = neutralOf(c.orientation);
        ASSERT_TRUE(driver->tap(calibrateBtn()));
        hold(c.held);
        ASSERT_TRUE(driver->answerFront("OK"));
        auto alert = std::dynamic_pointer_cast<platform::ui::AlertView>(driver->frontModal());
        ASSERT_NE(alert, nullptr);
        EXPECT_EQ(alert->title(), "Calibration Error");
        EXPECT_EQ(alert->message(),
                  "The device is tilting invalidly. Please hold the device more parallel to the floor.");
        expectNear(neutralOf(c.orientation), before, "kept after the error");
        // Still measuring, so a second try needs no new start.
        EXPECT_NE(settings->accelerometerHelper(), nullptr);
        EXPECT_EQ(accelerometerDelegate(), settings->accelerometerHelper());
        ASSERT_TRUE(driver->answerFront("OK"));
    }
    // 44 degrees is still accepted; the helper was already running.
    core->setInterfaceOrientation(1);
    const Acceleration steep{std::sin(44 * deg), 0.0, -std::cos(44 * deg)};
    calibrate(steep);
    expectNear(neutralOf(1), steep, "44 degrees");

    // After an error the helper runs until the tab goes.
    ASSERT_TRUE(driver->tap(calibrateBtn()));
    hold({1.0, 0.0, 0.0});
    ASSERT_TRUE(driver->answerFront("OK"));
    ASSERT_TRUE(driver->answerFront("OK"));
    EXPECT_NE(settings->accelerometerHelper(), nullptr);
    ASSERT_TRUE(driver->tapButton("About"));
    EXPECT_EQ(settings->accelerometerHelper(), nullptr);
    EXPECT_EQ(accelerometerDelegate(), nullptr);
}

TEST_F(Calibration, ResetRestoresOnlyTheCurrentOrientationAndCancelChangesNothing) {
    auto settings = openSettings();
    ASSERT_NE(settings, nullptr);
    calibrate(kHeld[1]);
    core->setInterfaceOrientation(3);
    calibrate(kHeld[3]);
    expectNear(neutralOf(3), kHeld[3], "landscape calibrated");

    calibrate({0.5, 0.5, -0.7}, "Reset to default");
    expectNear(neutralOf(3), {0.0, 0.0, -1.0}, "landscape back to flat");
    expectNear(neutralOf(1), kHeld[1], "portrait untouched");
    EXPECT_EQ(settings->accelerometerHelper(), nullptr);

    core->setInterfaceOrientation(1);
    calibrate({0.5, 0.5, -0.7}, "Cancel");
    expectNear(neutralOf(1), kHeld[1], "cancelled");
    EXPECT_EQ(settings->accelerometerHelper(), nullptr);
    EXPECT_EQ(accelerometerDelegate(), nullptr);
}

TEST_F(Calibration, TheButtonAndTheSheetFollowTheCalibrationType) {
    auto settings = openSettings();
    ASSERT_NE(settings, nullptr);
    core->setAccelerometerCalibrationType(0);
    settings->updateView();
    EXPECT_TRUE(calibrateBtn()->isHidden());
    EXPECT_FALSE(driver->tap(calibrateBtn()));

    // Type 2: both angles of the neutral tilt, in whole degrees toward zero.
    core->setAccelerometerCalibrationType(2);
    settings->updateView();
    EXPECT_FALSE(calibrateBtn()->isHidden());
    core->resetNeutralAcceleromterValueFor(1);  // tipped 30.01 degrees toward the player
    settings->updateView();
    EXPECT_EQ(calibrateBtn()->currentTitle(), "Calibrate Tilt Sensor: +0,-30");
    core->setNeutralAcceleromterFor(1, 0.3, -0.4, -0.866);  // 17.5 sideways, -24.8 forward
    settings->updateView();
    EXPECT_EQ(calibrateBtn()->currentTitle(), "Calibrate Tilt Sensor: +17,-24");
    ASSERT_TRUE(driver->tap(calibrateBtn()));
    EXPECT_EQ(driver->frontModal()->title(), "Keep the device on your preferred neutral angle, and press OK");
    ASSERT_TRUE(driver->answerFront("Cancel"));

    // Type 1, upside down: the sideways part is -x, and a flat default reads +0.000, not -0.000.
    core->setAccelerometerCalibrationType(1);
    core->setInterfaceOrientation(2);
    core->resetNeutralAcceleromterValueFor(2);
    settings->updateView();
    EXPECT_EQ(calibrateBtn()->currentTitle(), "Calibrate Tilt Sensor: +0.000");
    ASSERT_TRUE(driver->tap(calibrateBtn()));
    auto sheet = driver->frontModal();
    EXPECT_EQ(sheet->title(), "Hold the device neutrally, and press OK");
    int index = 99;
    ASSERT_TRUE(sheet->indexOfButtonTitle("OK", index));
    EXPECT_EQ(index, 0);
    ASSERT_TRUE(sheet->indexOfButtonTitle("Reset to default", index));
    EXPECT_EQ(index, 1);
    ASSERT_TRUE(sheet->indexOfButtonTitle("Cancel", index));
    EXPECT_EQ(index, -1);
    ASSERT_TRUE(driver->answerFront("Cancel"));

    core->setAccelerometerCalibrationType(3);
    EXPECT_EQ(settings->neutralAccelerometerString(), "N/A");
}

TEST_F(Calibration, TheWidestTitlesTheSheetsAndTheErrorFitOnScreen) {
    auto settings = openSettings();
    ASSERT_NE(settings, nullptr);
    auto misfitsNow = [&] {
        core->window()->layoutIfNeeded();
        return joined(misfits(*core->window()));
    };
    for (int type : {1, 2}) {
        core->setAccelerometerCalibrationType(type);
        // Wide digits and a minus sign in every place the title has one.
        core->setNeutralAcceleromterFor(1, -0.888, -0.7, -0.1);
        settings->updateView();
        EXPECT_EQ(misfitsNow(), "") << calibrateBtn()->currentTitle();
        ASSERT_TRUE(driver->tap(calibrateBtn()));
        EXPECT_EQ(misfitsNow(), "") << driver->frontModal()->title();
        hold({1.0, 0.0, 0.0});
        ASSERT_TRUE(driver->answerFront("OK"));
        EXPECT_EQ(misfitsNow(), "") << "calibration error";
        ASSERT_TRUE(driver->answerFront("OK"));
        ASSERT_TRUE(driver->tap(calibrateBtn()));
        ASSERT_TRUE(driver->answerFront("Cancel"));
    }
}

TEST_F(Calibration, OkAfterTheTabWentWhileTheSheetWasUpResetsTheNeutralAndSavesIt) {
    auto settings = openSettings();
    ASSERT_NE(settings, nullptr);
    calibrate(kHeld[1]);
    ASSERT_TRUE(driver->tap(calibrateBtn()));
    hold({0.1, 0.1, -0.99});
    // The tools area leaves under the sheet: the tab lets its helper go.
    core->stopToolsView();
    EXPECT_EQ(settings->accelerometerHelper(), nullptr);
    EXPECT_EQ(accelerometerDelegate(), nullptr);
    ASSERT_TRUE(driver->answerFront("OK"));
    expectNear(neutralOf(1), {0.0, 0.0, -1.0}, "reset");
    auto saved = platform::readPlistDictionaryFile(home.path() / "Documents/settings.plist");
    ASSERT_TRUE(saved);
    EXPECT_NEAR(saved->getReal("neutralAccelerometer.o1.x").value_or(9), 0.0, 1e-12);
    EXPECT_NEAR(saved->getReal("neutralAccelerometer.o1.z").value_or(9), -1.0, 1e-12);
    EXPECT_EQ(accelerometerDelegate(), nullptr);

    // A sheet that outlives the tab itself does nothing.
    core->startToolsView();
    ASSERT_TRUE(driver->tap(calibrateBtn()));
    std::weak_ptr<SettingsToolViewController> weak = settings;
    settings.reset();
    core->startTitleView();
    core->screens().screensFor(1).toolsView.reset();
    // Nothing the tab made holds it: not its helper, not the sheet on screen.
    EXPECT_TRUE(weak.expired());
    EXPECT_EQ(accelerometerDelegate(), nullptr);
    ASSERT_TRUE(driver->answerFront("OK"));
    expectNear(neutralOf(1), {0.0, 0.0, -1.0}, "untouched by an orphan sheet");
}

// The game's tilt helper and the calibration's never hold the accelerometer together.
TEST_F(Calibration, TheGamesTiltHelperWaitsWhileCalibratingAndComesBackAfter) {
    auto settings = std::make_shared<SettingsToolViewController>("SettingsTool_Portrait");
    settings->setAppCore(core.get());
    settings->setup();
    core->setCurrentLevelId(20);
    core->startGameView();
    GameViewBase* game = core->gameView();
    ASSERT_NE(game, nullptr);
    ASSERT_TRUE(game->active());
    ASSERT_TRUE(game->accelerometerHelperRunning());
    const auto* gameTilt = game->accelerometerHelper();
    auto* gameDelegate = accelerometerDelegate();
    ASSERT_NE(gameDelegate, nullptr);

    // The game first: it is stopped while the calibration measures, and its watchdog does not
    // take the accelerometer back.
    settings->startAcceleromter();
    EXPECT_FALSE(game->accelerometerHelperRunning());
    EXPECT_EQ(accelerometerDelegate(), settings->accelerometerHelper());
    hold({0.3, 0.0, -0.95}, 2.0);
    EXPECT_EQ(accelerometerDelegate(), settings->accelerometerHelper());
    EXPECT_NEAR(settings->accelerometerHelper()->accelerometerX(), 0.3, 1e-9);
    settings->stopAcceleromter();
    EXPECT_TRUE(game->accelerometerHelperRunning());
    EXPECT_EQ(accelerometerDelegate(), gameDelegate);
    // A slight roll, so that Mr.Tiko stays on his platforms.
    hold({0.05, 0.0, -0.9987}, 1.0);
    EXPECT_NEAR(gameTilt->accelerationFromNeutralH(), 0.05, 1e-4);

    // The calibration first: a game resumed meanwhile waits for it to end.
    game->suspend();
    EXPECT_EQ(accelerometerDelegate(), nullptr);
    settings->startAcceleromter();
    game->resume();
    EXPECT_FALSE(game->accelerometerHelperRunning());
    hold({}, 2.0);
    EXPECT_EQ(accelerometerDelegate(), settings->accelerometerHelper());
    ASSERT_TRUE(game->active());
    settings->stopAcceleromter();
    EXPECT_TRUE(game->accelerometerHelperRunning());
    EXPECT_EQ(accelerometerDelegate(), gameDelegate);

    // A game suspended while calibrating stays stopped after.
    settings->startAcceleromter();
    game->suspend();
    settings->stopAcceleromter();
    EXPECT_FALSE(game->accelerometerHelperRunning());
    EXPECT_EQ(accelerometerDelegate(), nullptr);
}

}  // namespace
}  // namespace tikoleap::test
