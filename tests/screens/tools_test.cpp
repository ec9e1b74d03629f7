// The tools area reached from the title: its tabs, what each control changes and saves, and the
// way back.
#include <gtest/gtest.h>

#include "ScreensFixture.h"
#include "platform/plist/PlistFile.h"
#include "platform/ui/Button.h"
#include "platform/ui/TextView.h"
#include "platform/window/WindowEvent.h"

namespace tikoleap::test {
namespace {

TEST_F(ScreensFixture, ToolsOpenFromTheTitleSaveTheSoundStepOnLeavingAndGoBackWithDone) {
    core->startTitleView();
    settle();
    ASSERT_TRUE(driver->tapButton("Settings"));
    settle();
    EXPECT_EQ(screen(), "tools");
    ASSERT_TRUE(driver->tapButton("Settings"));  // the tab
    auto sound = std::dynamic_pointer_cast<platform::ui::Button>(driver->outlet("soundBtn"));
    ASSERT_NE(sound, nullptr);
    EXPECT_EQ(sound->currentTitle(), "SoundVolume: 2");
    // No music resources in this game: the switch and its label stay hidden.
    EXPECT_TRUE(driver->outlet("bgMusicSwitch")->isHidden());
    EXPECT_TRUE(driver->outlet("bgMusicLabel")->isHidden());
    ASSERT_TRUE(driver->tap(sound));
    EXPECT_EQ(sound->currentTitle(), "SoundVolume: 3");
    EXPECT_EQ(core->soundVolume(), 3);

    // Leaving the tab saves it.
    ASSERT_TRUE(driver->tapButton("About"));
    auto saved = platform::readPlistDictionaryFile(home.path() / "Documents/settings.plist");
    ASSERT_TRUE(saved);
    EXPECT_EQ(saved->getInt("soundVolume.max3").value_or(-1), 3);

    auto about = std::dynamic_pointer_cast<platform::ui::TextView>(driver->outlet("aboutTextView"));
    ASSERT_NE(about, nullptr);
    EXPECT_EQ(about->text().rfind(core->appDisplayName() + "\nVersion " + core->appVersionString() + "\n", 0),
              0u)
        << about->text();
    EXPECT_NE(about->text().find("Thank you for playing!"), std::string::npos);
    // More text than the view shows: the indicator says so, and the wheel over it scrolls.
    ASSERT_GT(about->contentSize().height, about->bounds().size.height);
    driver->advance(5);
    EXPECT_TRUE(about->indicatorsVisible());
    platform::WindowEvent wheel;
    wheel.type = platform::WindowEvent::Type::Wheel;
    wheel.point = about->convertPointToWindow({150, 150});
    wheel.wheel = 3;
    core->window()->handleWindowEvent(wheel);
    EXPECT_GT(about->contentOffset().y, 0);

    ASSERT_TRUE(driver->tapButton("Done"));
    settle();
    EXPECT_EQ(screen(), "title");

    // Made once: the second visit finds the same tabs.
    auto tools = core->screens().current().toolsView;
    core->startToolsView();
    EXPECT_EQ(core->screens().current().toolsView, tools);
    EXPECT_EQ(screen(), "tools");
}

}  // namespace
}  // namespace tikoleap::test

namespace tikoleap::test {
namespace {

TEST_F(ScreensFixture, ScoresTabShowsTheLevelsListsInWhiteClearsOnlyOnDeleteAndJumpsOnline) {
    core->setCurrentLevelId(20);
    core->startGameView();
    endGame(1234);
    ASSERT_EQ(screen(), "gameover");
    core->startToolsView();
    settle();
    EXPECT_EQ(screen(), "tools");
    EXPECT_EQ(labelText(2001).rfind("1234 pts. (", 0), 0u) << labelText(2001);
    EXPECT_EQ(labelText(2002), "-----");
    EXPECT_TRUE(driver->viewWithTag(2102)->isHidden());
    EXPECT_FALSE(driver->viewWithTag(2101)->isHidden());

    ASSERT_TRUE(driver->tapButton("Clear Ranking"));
    ASSERT_TRUE(driver->frontModal());
    ASSERT_TRUE(driver->answerFront("Cancel"));
    ASSERT_TRUE(driver->tapButton("Clear Ranking"));
    ASSERT_TRUE(driver->answerFront("DELETE"));
    // The recent entries stay, on screen and in the file.
    EXPECT_EQ(labelText(2001).rfind("1234 pts. (", 0), 0u);
    auto file = platform::readPlistDictionaryFile(home.path() / "Documents/LevelScores/20.plist");
    ASSERT_TRUE(file);

    const std::size_t opened = opener->opened().size();
    ASSERT_TRUE(driver->tapButton("Online Ranking"));
    EXPECT_EQ(opener->opened().size(), opened + 1);
}

}  // namespace
}  // namespace tikoleap::test
