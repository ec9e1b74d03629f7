// Settings changed in the tools area are on disk, in the binary property-list format any plist
// reader takes, once the area is left, and the next launch over the same home shows them.
#include <gtest/gtest.h>
#include <plist/plist.h>

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
};

std::optional<std::uint64_t> uintOf(plist_t dict, const char* key) {
    plist_t node = plist_dict_get_item(dict, key);
    if (!node || plist_get_node_type(node) != PLIST_UINT) return std::nullopt;
    std::uint64_t value = 0;
    plist_get_uint_val(node, &value);
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
    }
    if (root) plist_free(root);
    return out;
}

struct SettingsRestart : ScreensFixture {
    std::filesystem::path settingsFile() const { return home.path() / "Documents/settings.plist"; }
    std::shared_ptr<platform::ui::Button> soundButton() const {
        return std::dynamic_pointer_cast<platform::ui::Button>(driver->outlet("soundBtn"));
    }
    void openSettingsTab() {
        core->startTitleView();
        settle();
        ASSERT_TRUE(driver->tapButton("Settings"));  // the title's button
        settle();
        ASSERT_EQ(screen(), "tools");
        ASSERT_TRUE(driver->tapButton("Settings"));  // the tab
        ASSERT_NE(soundButton(), nullptr);
    }
};

TEST_F(SettingsRestart, SoundStepFromTheSettingsTabIsSavedByDoneAndReadBackByTheNextLaunch) {
    openSettingsTab();
    if (HasFatalFailure()) return;
    ASSERT_EQ(soundButton()->currentTitle(), "SoundVolume: 2");
    ASSERT_TRUE(driver->tap(soundButton()));
    ASSERT_TRUE(driver->tap(soundButton()));
    EXPECT_EQ(soundButton()->currentTitle(), "SoundVolume: OFF");
    // Changed on screen, not yet on disk: the tab saves when it goes.
    EXPECT_NE(readSettings(settingsFile()).soundStep, std::optional<std::uint64_t>(0));

    ASSERT_TRUE(driver->tapButton("Done"));
    settle();
    EXPECT_EQ(screen(), "title");
    const SettingsOnDisk saved = readSettings(settingsFile());
    EXPECT_TRUE(saved.binary);
    EXPECT_EQ(saved.soundStep, std::optional<std::uint64_t>(0));

    restartCore();
    EXPECT_EQ(core->soundVolume(), 0);
    openSettingsTab();
    if (HasFatalFailure()) return;
    EXPECT_EQ(soundButton()->currentTitle(), "SoundVolume: OFF");
    // One step more wraps round to 1, and is kept as well.
    ASSERT_TRUE(driver->tap(soundButton()));
    ASSERT_TRUE(driver->tapButton("About"));
    EXPECT_EQ(readSettings(settingsFile()).soundStep, std::optional<std::uint64_t>(1));

    restartCore();
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
