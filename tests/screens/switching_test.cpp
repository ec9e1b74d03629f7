#include "ScreensFixture.h"
#include "platform/foundation/ScopedLogSink.h"
#include "screens/SimpleSelectView.h"
#include "screens/TitleView.h"
#include "shell/LevelInfo.h"
#include "sound/SoundObj.h"

using tikoleap::test::ScreensFixture;

TEST_F(ScreensFixture, ScreensAreMadeOncePerOrientationFromTheirInterfaceFilesAndReused) {
    core->startTitleView();
    auto title = core->rootViewController();
    ASSERT_NE(title, nullptr);
    EXPECT_EQ(title->interfaceName(), "Title_Portrait");
    EXPECT_EQ(title->appCore(), core.get());
    EXPECT_EQ(core->screens().screensFor(1).titleView, title);

    ASSERT_TRUE(driver->tapButton("Start Game"));
    EXPECT_EQ(core->rootViewController(), nullptr);  // the game has the window
    core->startTitleView();
    EXPECT_EQ(core->rootViewController(), title);
    EXPECT_EQ(core->simpleSelectView(), core->simpleSelectView());
    EXPECT_EQ(core->simpleSelectView()->interfaceName(), "SimpleSelect_Portrait");
}

TEST_F(ScreensFixture, TheStartAndTheLevelLookUpFollowTheCurrentLevel) {
    // Left sideways by an earlier level: the start turns the app back before the title is made.
    core->setInterfaceOrientation(3);
    core->start();
    EXPECT_EQ(core->interfaceOrientation(), 1);
    ASSERT_NE(core->rootViewController(), nullptr);
    EXPECT_EQ(core->rootViewController()->interfaceName(), "Title_Portrait");

    std::shared_ptr<LevelInfo> level = core->levelInfoForId(21);
    ASSERT_NE(level, nullptr);
    EXPECT_EQ(level->levelId(), 21);
    EXPECT_EQ(level->appCore(), core.get());
    EXPECT_EQ(core->levelInfoForId(99), nullptr);

    // The music table has no slots: nothing is loaded or made.
    const size_t sounds = SoundObj::soundObjs().size();
    core->loadMusicAt(0, "fall2");
    core->setMusicVolumeAt(0, 50);
    EXPECT_EQ(core->music(0), nullptr);
    EXPECT_FALSE(core->hasMusicResources());
    EXPECT_EQ(SoundObj::soundObjs().size(), sounds);
}

TEST_F(ScreensFixture, OnlyALandscapeLevelTurnsTheAppSideways) {
    core->setCurrentLevelId(20);
    auto level = core->currentLevelInfo();
    ASSERT_NE(level, nullptr);
    EXPECT_EQ(level->canvasLayout(), -1);
    EXPECT_FALSE(core->updateInterfaceOrientation());  // the static layout: portrait
    EXPECT_EQ(core->nibSuffixRotation(), "_Portrait");

    level->impl()->setCanvasLayout(1);
    EXPECT_TRUE(core->updateInterfaceOrientation());
    EXPECT_EQ(core->interfaceOrientation(), 3);
    EXPECT_TRUE(core->landscape());
    EXPECT_EQ(core->nibSuffixRotation(), "_Landscape");
    level->impl()->setCanvasLayout(0);
    EXPECT_TRUE(core->updateInterfaceOrientation());
    EXPECT_EQ(core->interfaceOrientation(), 1);

    // An unknown level has no info: nothing changes.
    core->setCurrentLevelId(99);
    EXPECT_EQ(core->currentLevelInfo(), nullptr);
    EXPECT_FALSE(core->updateInterfaceOrientation());
}

TEST_F(ScreensFixture, StoppingAllViewsClearsTheRootAndWhatWasLeftOnTheWindow) {
    core->startTitleView();
    auto leftover = std::make_shared<platform::ui::View>(platform::Rect(0, 0, 10, 10));
    core->window()->addSubview(leftover);
    platform::ScopedLogSink log;
    core->stopAllViews();
    EXPECT_EQ(core->rootViewController(), nullptr);
    EXPECT_EQ(core->window()->rootViewController(), nullptr);
    EXPECT_TRUE(core->window()->contentSubviews().empty());
    ASSERT_EQ(log.lines().size(), 1u);
    EXPECT_NE(log.lines()[0].find("old subview exists"), std::string::npos);
    EXPECT_EQ(screen(), "");
}
