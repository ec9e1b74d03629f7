// Settings changed in the tools area (sound step, screen resolution, tilt calibration) are on
// disk, in the binary property-list format any plist reader takes, once the area is left, and the
// next launch over the same home shows them.
#include <gtest/gtest.h>
#include <plist/plist.h>

#include <cmath>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>

#include "ScreensFixture.h"
#include "platform/ui/Button.h"

namespace tikoleap::test {
namespace {

// The settings file as libplist reads it on its own, without the game's property-list layer.
struct SettingsOnDisk {
    bool binary = false;
    std::optional<std::uint64_t> soundStep;
    std::optional<std::uint64_t> resolution;
    std::optional<double> neutralX;
};

std::optional<std::uint64_t> uintOf(plist_t dict, const char* key) {
    plist_t node = plist_dict_get_item(dict, key);
    if (!node || plist_get_node_type(node) != PLIST_UINT) return std::nullopt;
    std::uint64_t value = 0;
    plist_get_uint_val(node, &value);
    return value;
}

std::optional<double> realOf(plist_t dict, const char* key) {
    plist_t node = plist_dict_get_item(dict, key);
    if (!node || plist_get_node_type(node) != PLIST_REAL) return std::nullopt;
    double value = 0;
    plist_get_real_val(node, &value);
    return value;
}

SettingsOnDisk readSettings(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    SettingsOnDisk out;
    out.binary = plist_is_binary(bytes.data(), static_cast<std::uint32_t>(bytes.size())) != 0;
    plist_t root = nullptr;
    plist_from_memory(bytes.data(), static_cast<std::uint32_t>(bytes.size()), &root);
    if (root && plist_get_node_type(root) == PLIST_DICT) {
        out.soundStep = uintOf(root, "soundVolume.max3");
        out.resolution = uintOf(root, "contentsScaleIndex");
        out.neutralX = realOf(root, "neutralAccelerometer.o1.x");
    }
    if (root) plist_free(root);
    return out;
}

struct SettingsRestart : ScreensFixture {
    void SetUp() override {
        ScreensFixture::SetUp();
        tilt = useScriptedTilt();
        asTheWindow();
    }
    // The window's screen (1.5 pixels per point), where the resolution is a choice.
    void asTheWindow() {
        core->setMainScreenScale(1.5f);
        core->updateContentsScaleIndex();
    }
    void nextLaunch() {
        restartCore();
        asTheWindow();
    }
    std::filesystem::path settingsFile() const { return home.path() / "Documents/settings.plist"; }
    std::string title(const char* outlet) const {
        auto button = std::dynamic_pointer_cast<platform::ui::Button>(driver->outlet(outlet));
        return button ? button->currentTitle() : std::string("<no ") + outlet + ">";
    }
    void openSettingsTab() {
        core->startTitleView();
        settle();
        ASSERT_TRUE(driver->tapButton("Settings"));  // the title's button
        settle();
        ASSERT_EQ(screen(), "tools");
        ASSERT_TRUE(driver->tapButton("Settings"));  // the tab
        ASSERT_NE(driver->outlet("soundBtn"), nullptr);
    }

    platform::ScriptedTiltSource* tilt = nullptr;
};

TEST_F(SettingsRestart, EverySettingOfTheTabIsSavedOnLeavingAndShownByTheNextLaunch) {
    openSettingsTab();
    if (HasFatalFailure()) return;
    ASSERT_EQ(title("soundBtn"), "SoundVolume: 2");
    ASSERT_TRUE(driver->tapOutlet("soundBtn"));
    ASSERT_TRUE(driver->tapOutlet("soundBtn"));
    EXPECT_EQ(title("soundBtn"), "SoundVolume: OFF");
    // Changed on screen, not yet on disk: the sound step is saved when the tab goes.
    EXPECT_NE(readSettings(settingsFile()).soundStep, std::optional<std::uint64_t>(0));

    ASSERT_TRUE(driver->tapOutlet("resolutionBtn"));
    settle();
    ASSERT_EQ(screen(), "select");
    turnSheetTo(3);
    ASSERT_TRUE(driver->tapButton("Done"));
    settle();
    ASSERT_EQ(screen(), "tools");
    EXPECT_EQ(title("resolutionBtn"), "Screen Resolution: High");

    ASSERT_TRUE(driver->tapOutlet("calibrateBtn"));
    tilt->setScriptedAcceleration({0.2, 0.0, -std::sqrt(1 - 0.04)});
    driver->advance(1.0);
    ASSERT_TRUE(driver->answerFront("OK"));
    EXPECT_EQ(title("calibrateBtn"), "Calibrate Tilt Sensor: +0.200");

    ASSERT_TRUE(driver->tapButton("Done"));
    settle();
    EXPECT_EQ(screen(), "title");
    const SettingsOnDisk saved = readSettings(settingsFile());
    EXPECT_TRUE(saved.binary);
    EXPECT_EQ(saved.soundStep, std::optional<std::uint64_t>(0));
    EXPECT_EQ(saved.resolution, std::optional<std::uint64_t>(3));
    ASSERT_TRUE(saved.neutralX.has_value());
    EXPECT_NEAR(*saved.neutralX, 0.2, 1e-9);

    nextLaunch();
    EXPECT_EQ(core->soundVolume(), 0);
    openSettingsTab();
    if (HasFatalFailure()) return;
    EXPECT_EQ(title("soundBtn"), "SoundVolume: OFF");
    EXPECT_EQ(title("resolutionBtn"), "Screen Resolution: High");
    EXPECT_EQ(title("calibrateBtn"), "Calibrate Tilt Sensor: +0.200");
    // One step more wraps round to 1, and is kept as well; leaving by another tab saves too.
    ASSERT_TRUE(driver->tapOutlet("soundBtn"));
    ASSERT_TRUE(driver->tapButton("About"));
    EXPECT_EQ(readSettings(settingsFile()).soundStep, std::optional<std::uint64_t>(1));

    nextLaunch();
    core->setCurrentLevelId(20);
    core->startGameView();
    loop->advance(0.5);
    core->gameView()->startPauseView();
    settle();
    ASSERT_EQ(screen(), "pause");
    EXPECT_EQ(driver->text("soundBtn"), "SoundVolume: 1");
}

}  // namespace
}  // namespace tikoleap::test
