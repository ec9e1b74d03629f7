// Every screen on the road through the game, with the longest texts it shows (the widest level
// name, big scores, the sound step "OFF"): no text runs past its label or button, and no view
// reaches outside the one that holds it.
#include <gtest/gtest.h>

#include "ScreenFit.h"
#include "ScreensFixture.h"
#include "platform/ui/ModalPanel.h"

namespace tikoleap::test {
namespace {

struct ScreenFit : ScreensFixture {
    // Misfits of the whole window as the next frame draws it (drawing lays out first).
    std::string windowMisfits() const {
        core->window()->layoutIfNeeded();
        return joined(misfits(*core->window()));
    }
};

TEST_F(ScreenFit, CheckerFindsATextTooWideAndAViewOutsideItsHolder) {
    platform::ui::View holder(platform::Rect{0, 0, 100, 40});
    auto label = std::make_shared<platform::ui::Label>(platform::Rect{0, 0, 100, 20});
    label->setText("Short");
    holder.addSubview(label);
    EXPECT_TRUE(misfits(holder).empty()) << joined(misfits(holder));
    label->setText("A sentence far too long for a hundred points");
    EXPECT_EQ(misfits(holder).size(), 1u);
    label->setText("Short");
    label->setFrame({60, 30, 50, 20});
    EXPECT_EQ(misfits(holder).size(), 1u);
    label->setHidden(true);
    EXPECT_TRUE(misfits(holder).empty());
}

TEST_F(ScreenFit, TitlePauseToolsAndGameOverFitWithTheirLongestTexts) {
    core->startTitleView();
    settle();
    EXPECT_EQ(windowMisfits(), "") << "title";

    // The widest level name, with three big scores in its lists.
    core->setCurrentLevelId(29);
    for (int score : {987654, 99999, 123456}) {
        core->startGameView();
        loop->advance(0.2);
        endGame(score);
        // Big scores open levels, each with its alert.
        while (driver->frontModal()) {
            EXPECT_EQ(windowMisfits(), "") << "unlock alert";
            ASSERT_TRUE(driver->answerFront("OK"));
        }
    }
    ASSERT_EQ(screen(), "gameover");
    EXPECT_EQ(windowMisfits(), "") << "game over";

    ASSERT_TRUE(driver->tapButton("Replay"));
    settle();
    ASSERT_EQ(screen(), "game");
    core->gameView()->startPauseView();
    settle();
    ASSERT_EQ(screen(), "pause");
    for (int step = 0; step < 4; ++step) {
        EXPECT_EQ(windowMisfits(), "") << "pause, " << driver->text("soundBtn");
        ASSERT_TRUE(driver->tapOutlet("soundBtn"));
    }
    ASSERT_TRUE(driver->tapButton("Back to Title"));
    settle();

    ASSERT_TRUE(driver->tapButton("Settings"));
    settle();
    ASSERT_EQ(screen(), "tools");
    EXPECT_EQ(windowMisfits(), "") << "scores tab";
    ASSERT_TRUE(driver->tapButton("Clear Ranking"));
    ASSERT_NE(driver->frontModal(), nullptr);
    EXPECT_EQ(windowMisfits(), "") << "clear-ranking sheet";
    ASSERT_TRUE(driver->answerFront("Cancel"));

    ASSERT_TRUE(driver->tapButton("Settings"));
    for (int step = 0; step < 4; ++step) {
        EXPECT_EQ(windowMisfits(), "") << "settings tab, " << driver->text("soundBtn");
        ASSERT_TRUE(driver->tapOutlet("soundBtn"));
    }
    ASSERT_TRUE(driver->tapButton("About"));
    EXPECT_EQ(windowMisfits(), "") << "about tab";
}

}  // namespace
}  // namespace tikoleap::test
