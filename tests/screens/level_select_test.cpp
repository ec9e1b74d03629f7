#include "ScreensFixture.h"
#include "appbase/JTLevelMenuItem.h"
#include "platform/ui/Application.h"
#include "platform/ui/ModalPanel.h"
#include "platform/ui/PickerView.h"
#include "platform/ui/TextView.h"
#include "screens/SimpleSelectView.h"

using tikoleap::test::ScreensFixture;

namespace {

struct LevelSelect : ScreensFixture {
    void openChooser() {
        core->startTitleView();
        ASSERT_TRUE(driver->tapOutlet("levelSelectBtn"));
        settle();
        ASSERT_EQ(screen(), "select");
        sheet = core->simpleSelectView();
        picker = std::dynamic_pointer_cast<platform::ui::PickerView>(driver->outlet("picker"));
        ASSERT_NE(picker, nullptr);
    }
    void choose(int row) { turnSheetTo(row); }
    std::string infoText() { return sheetInfoText(); }
    std::shared_ptr<SimpleSelectView> sheet;
    std::shared_ptr<platform::ui::PickerView> picker;
};

}  // namespace

TEST_F(LevelSelect, ListsEveryLevelAndRefusesALockedOneWithItsLockText) {
    openChooser();
    if (HasFatalFailure()) return;
    EXPECT_EQ(picker->numberOfRowsInComponent(0), 10);  // no "More Levels ..." row: nothing downloads
    EXPECT_EQ(picker->selectedRowInComponent(0), 0);
    EXPECT_EQ(infoText(), manager()->getLevelInfo(20)->getHelpMessage()->toUtf8());

    choose(1);
    auto item = manager()->getMenuItems()->getAs<JTAppBase::JTLevelMenuItem>(1);
    ASSERT_TRUE(item->isLocked());
    const std::string lockText = item->getLockMessage()->toUtf8();
    EXPECT_EQ(infoText(), lockText);

    ASSERT_TRUE(driver->tapButton("Done"));
    auto alert = driver->frontModal();
    ASSERT_NE(alert, nullptr);
    EXPECT_EQ(alert->title(), item->getLabel()->toUtf8());
    ASSERT_TRUE(driver->answerFront("OK"));
    EXPECT_EQ(screen(), "select");
    EXPECT_EQ(core->currentLevelId(), 20);

    ASSERT_TRUE(driver->tapButton("Cancel"));
    settle();
    EXPECT_EQ(screen(), "title");
    EXPECT_EQ(driver->text("levelSelectBtn"), "Level: Normal");
}

TEST_F(LevelSelect, AnOpenLevelBecomesTheTitlesLevelAndIsPlayed) {
    manager()->onGameOver(20, 1000000);  // opens the levels Normal unlocks, each with its alert
    while (driver->frontModal()) ASSERT_TRUE(driver->answerFront("OK"));
    openChooser();
    if (HasFatalFailure()) return;
    choose(1);
    auto item = manager()->getMenuItems()->getAs<JTAppBase::JTLevelMenuItem>(1);
    ASSERT_FALSE(item->isLocked());
    ASSERT_TRUE(driver->tapButton("Done"));
    settle();
    EXPECT_EQ(screen(), "title");
    EXPECT_EQ(core->currentLevelId(), item->getLevelInfo()->getLevelId());
    EXPECT_EQ(driver->text("levelSelectBtn"), item->getTitle()->toUtf8());

    ASSERT_TRUE(driver->tapButton("Start Game"));
    EXPECT_EQ(screen(), "game");
    EXPECT_EQ(core->appContext()->getCurrentLevelInfo()->getLevelId(), item->getLevelInfo()->getLevelId());
}

TEST_F(LevelSelect, GoingToTheBackgroundClosesTheSheetOnTheTitle) {
    openChooser();
    if (HasFatalFailure()) return;
    choose(0);
    platform::ui::Application::shared().enterBackground();
    platform::ui::Application::shared().enterForeground();
    EXPECT_EQ(screen(), "title");
    EXPECT_EQ(core->currentLevelId(), 20);
}
