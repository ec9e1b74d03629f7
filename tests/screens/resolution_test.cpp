// The screen-resolution setting of the Settings tab: the button, the picker sheet, what a choice
// saves, and the textures and game view the next game draws with.
#include <gtest/gtest.h>

#include "ScreensFixture.h"
#include "appbase/Texture2D.h"
#include "platform/plist/PlistFile.h"
#include "platform/ui/AlertView.h"
#include "platform/ui/Application.h"
#include "platform/ui/Button.h"
#include "platform/ui/NavigationController.h"
#include "platform/ui/PickerView.h"
#include "platform/ui/TabBarController.h"
#include "platform/ui/TextView.h"
#include "screens/AboutToolViewController.h"
#include "screens/MySettingsToolViewController.h"
#include "screens/SettingsToolViewController_ContentsScaleIndexDelegate.h"
#include "screens/SimpleSelectView.h"

using tikoleap::test::ScreensFixture;
using Rows = SettingsToolViewController_ContentsScaleIndexDelegate;

namespace {

constexpr int kBlockTexture = 4;

struct Resolution : ScreensFixture {
    // The window's screen: 1.5 pixels per point, so the resolution is a choice.
    void useWindowScale() {
        core->setMainScreenScale(1.5f);
        core->updateContentsScaleIndex();
    }
    void openSettingsTab() {
        core->startToolsView();
        settle();
        ASSERT_EQ(screen(), "tools");
        ASSERT_TRUE(driver->tapButton("Settings"));
    }
    std::shared_ptr<platform::ui::Button> resolutionBtn() {
        return std::dynamic_pointer_cast<platform::ui::Button>(driver->outlet("resolutionBtn"));
    }
    void openSheet() {
        openSettingsTab();
        ASSERT_TRUE(driver->tapOutlet("resolutionBtn"));
        settle();
        ASSERT_EQ(screen(), "select");
    }
    int wheelRow() const {
        auto picker = std::dynamic_pointer_cast<platform::ui::PickerView>(driver->outlet("picker"));
        return picker ? picker->selectedRowInComponent(0) : -2;
    }
    void choose(int row) { turnSheetTo(row); }
    std::string infoText() { return sheetInfoText(); }
    std::optional<int64_t> savedIndex() {
        auto saved = platform::readPlistDictionaryFile(home.path() / "Documents/settings.plist");
        return saved ? saved->getInt("contentsScaleIndex") : std::nullopt;
    }
    // A game of Normal: what it draws with stays for inspection.
    void playAGame() {
        core->setCurrentLevelId(20);
        core->stopAllViews();
        core->startGameView();
        ASSERT_EQ(screen(), "game");
    }

    // As the pause screen's "Back to Title" does.
    void leaveGame() {
        core->stopAllViews();
        core->startTitleView();
        settle();
    }
};

}  // namespace

TEST(ResolutionRows, FourRowsWithTheirTextsAndUnknownIndicesReadAsAutomatic) {
    Rows rows(nullptr);
    EXPECT_EQ(rows.itemsNum(), 4);
    const char* labels[] = {"Automatic", "Low", "Medium", "High"};
    const char* infos[] = {"Automatic (default)", "Low Resolution (480x320).\nSame as non-Retina display",
                           "Medium Resolution (720x480).\nBetter perfomance than High resolution",
                           "High Resolution (960x640).\nRecommended for Retina display and iPad 2x mode"};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(rows.itemLabelAt(i), labels[i]) << i;
        EXPECT_EQ(rows.itemInfoTextAt(i), infos[i]) << i;
    }
    for (int outside : {5, 4, -1}) {
        EXPECT_EQ(rows.itemLabelAt(outside), "Automatic") << outside;
        EXPECT_EQ(Rows::rowForIndex(outside), 0) << outside;
    }
    // Without a tab behind it a choice changes nothing and goes nowhere.
    SimpleSelectView view("SimpleSelect_Portrait");
    EXPECT_TRUE(rows.canBeDoneWithIndex(2, view));
    rows.didBeDoneWithIndex(2, view);
    rows.startNextView();
}

TEST_F(Resolution, TheButtonShowsOnlyWhereThereIsAChoiceAndNamesTheStoredRow) {
    openSettingsTab();
    ASSERT_NE(resolutionBtn(), nullptr);
    EXPECT_TRUE(resolutionBtn()->isHidden());  // a screen of scale 1: one resolution only
    EXPECT_EQ(core->contentsScaleIndex(), 1);
    ASSERT_TRUE(driver->tapButton("Done"));
    settle();

    useWindowScale();
    core->setContentsScaleIndexSetting(5);  // stored by hand: outside the rows
    openSettingsTab();
    EXPECT_FALSE(resolutionBtn()->isHidden());
    EXPECT_EQ(resolutionBtn()->currentTitle(), "Screen Resolution: Automatic");
    auto tabs = std::dynamic_pointer_cast<platform::ui::TabBarController>(
        core->currentOrientationDependedInfo()->toolsView);
    ASSERT_NE(tabs, nullptr);
    auto nav = std::dynamic_pointer_cast<platform::ui::NavigationController>(tabs->viewControllers().at(1));
    ASSERT_NE(nav, nullptr);
    auto tab = std::dynamic_pointer_cast<MySettingsToolViewController>(nav->topViewController());
    ASSERT_NE(tab, nullptr);
    EXPECT_EQ(tab->myAppCore(), core.get());

    // The sheet starts on the row the button named, so Done alone stores "Automatic".
    ASSERT_TRUE(driver->tap(resolutionBtn()));
    settle();
    EXPECT_EQ(core->simpleSelectView()->selectedIndex(), 0);
    ASSERT_TRUE(driver->tapButton("Done"));
    settle();
    EXPECT_EQ(core->contentsScaleIndexSetting(), 0);
    EXPECT_EQ(core->contentsScaleIndex(), 2);
}

TEST_F(Resolution, AChoiceIsSavedAtOnceAndTheNextGameDrawsAtIt) {
    useWindowScale();
    playAGame();
    if (HasFatalFailure()) return;
    ASSERT_NE(core->texture(kBlockTexture), nullptr);
    EXPECT_FLOAT_EQ(core->texture(kBlockTexture)->contentsScale(), 1.5f);  // "_cs150"
    EXPECT_FLOAT_EQ(core->gameView()->contentsScale(), 1.5f);
    EXPECT_EQ(core->gameView()->surfaceSize(), (platform::Size{480, 720}));
    leaveGame();

    openSheet();
    if (HasFatalFailure()) return;
    EXPECT_EQ(core->simpleSelectView()->navigationItem().title(), "Select Screen Resolution");
    EXPECT_EQ(core->simpleSelectView()->pickerViewNumberOfRowsInComponent(
                  *std::dynamic_pointer_cast<platform::ui::PickerView>(driver->outlet("picker")), 0),
              4);
    EXPECT_EQ(wheelRow(), 0);
    EXPECT_EQ(infoText(), "Automatic (default)");
    choose(3);
    EXPECT_EQ(infoText(), "High Resolution (960x640).\nRecommended for Retina display and iPad 2x mode");
    ASSERT_TRUE(driver->tapButton("Done"));
    settle();

    // Back on the tab, stored on disk before the tab is even left.
    EXPECT_EQ(screen(), "tools");
    EXPECT_EQ(savedIndex(), 3);
    EXPECT_EQ(resolutionBtn()->currentTitle(), "Screen Resolution: High");
    EXPECT_EQ(core->contentsScaleIndex(), 3);
    // The old resolution's textures and game view are gone.
    EXPECT_EQ(core->texture(kBlockTexture), nullptr);
    EXPECT_EQ(core->gameView(), nullptr);

    ASSERT_TRUE(driver->tapButton("Done"));
    settle();
    ASSERT_EQ(screen(), "title");
    ASSERT_TRUE(driver->tapButton("Start Game"));
    ASSERT_EQ(screen(), "game");
    ASSERT_NE(core->texture(kBlockTexture), nullptr);
    EXPECT_FLOAT_EQ(core->texture(kBlockTexture)->contentsScale(), 2.0f);  // "_cs200"
    EXPECT_FLOAT_EQ(core->texIconPause()->contentsScale(), 2.0f);
    EXPECT_FLOAT_EQ(core->gameView()->contentsScale(), 2.0f);
    EXPECT_EQ(core->gameView()->surfaceSize(), (platform::Size{640, 960}));
    driver->advance(0.5);  // the new view plays
    EXPECT_GT(core->gameView()->tickCount(), 0);

    // Low: the plain files at 1.0.
    leaveGame();
    openSheet();
    if (HasFatalFailure()) return;
    EXPECT_EQ(wheelRow(), 3);
    choose(1);
    ASSERT_TRUE(driver->tapButton("Done"));
    settle();
    EXPECT_EQ(savedIndex(), 1);
    playAGame();
    if (HasFatalFailure()) return;
    EXPECT_FLOAT_EQ(core->texture(kBlockTexture)->contentsScale(), 1.0f);
    EXPECT_EQ(core->gameView()->surfaceSize(), (platform::Size{320, 480}));
}

TEST_F(Resolution, CancelAndTheBackgroundCloseTheSheetOntoTheToolsWithNothingChanged) {
    useWindowScale();
    openSheet();
    if (HasFatalFailure()) return;
    choose(3);
    ASSERT_TRUE(driver->tapButton("Cancel"));
    settle();
    EXPECT_EQ(screen(), "tools");
    EXPECT_EQ(core->contentsScaleIndexSetting(), 0);
    EXPECT_EQ(resolutionBtn()->currentTitle(), "Screen Resolution: Automatic");

    ASSERT_TRUE(driver->tap(resolutionBtn()));
    settle();
    ASSERT_EQ(screen(), "select");
    choose(1);
    platform::ui::Application::shared().enterBackground();
    platform::ui::Application::shared().enterForeground();
    EXPECT_EQ(screen(), "tools");
    EXPECT_EQ(core->contentsScaleIndexSetting(), 0);
    // Once closed, the background no longer reaches the sheet.
    platform::ui::Application::shared().enterBackground();
    platform::ui::Application::shared().enterForeground();
    EXPECT_EQ(screen(), "tools");
}

TEST_F(Resolution, TheChoiceOutlivesARestartInTheSameHome) {
    useWindowScale();
    openSheet();
    if (HasFatalFailure()) return;
    choose(2);
    ASSERT_TRUE(driver->tapButton("Done"));
    settle();
    driver.reset();
    core.reset();

    auto again = std::make_unique<MyAppCore>(TIKOLEAP_RESOURCES_DIR, gl);
    again->setMainScreenScale(1.5f);
    again->init();
    EXPECT_EQ(again->contentsScaleIndexSetting(), 2);
    EXPECT_EQ(again->contentsScaleIndex(), 2);
    EXPECT_FLOAT_EQ(again->contentsScaleValue(), 1.5f);
    // The same home on a plain screen keeps the choice on file but draws at 1.
    again.reset();
    auto plain = std::make_unique<MyAppCore>(TIKOLEAP_RESOURCES_DIR, gl);
    plain->init();
    EXPECT_EQ(plain->contentsScaleIndexSetting(), 2);
    EXPECT_EQ(plain->contentsScaleIndex(), 1);
}

TEST_F(Resolution, PrivacyPolicyOpensOnTheGamesWebHost) {
    core->setIphoneWebUrl("http://127.0.0.1:8765/iphone/");
    core->startToolsView();
    settle();
    ASSERT_TRUE(driver->tapButton("About"));
    const std::size_t before = opener->opened().size();
    ASSERT_TRUE(driver->tapButton("Privacy Policy"));
    ASSERT_EQ(opener->opened().size(), before + 1);
    EXPECT_EQ(opener->opened().back(), "http://127.0.0.1:8765/iphone/page/privacy");
    EXPECT_EQ(driver->frontModal(), nullptr);

    // Where no browser opens it, the player is told.
    struct NoBrowser : platform::UrlOpener {
        bool launch(const std::string&, std::string* error) override {
            *error = "no browser";
            return false;
        }
    };
    auto recorder = platform::UrlOpener::setShared(std::make_shared<NoBrowser>());
    ASSERT_TRUE(driver->tapButton("Privacy Policy"));
    platform::UrlOpener::setShared(recorder);
    auto alert = std::dynamic_pointer_cast<platform::ui::AlertView>(driver->frontModal());
    ASSERT_NE(alert, nullptr);
    EXPECT_EQ(alert->message(), "The page could not be opened.");
    ASSERT_TRUE(driver->answerFront("OK"));

    EXPECT_EQ(AboutToolViewController::privacyPolicyUrl("https://games.example:8443/base/iphone/?x=1#y"),
              "https://games.example:8443/iphone/page/privacy");
    EXPECT_EQ(AboutToolViewController::privacyPolicyUrl("http://[::1]:9000/iphone/"),
              "http://[::1]:9000/iphone/page/privacy");
    EXPECT_EQ(AboutToolViewController::privacyPolicyUrl("tikoleap:///startTitle"), std::nullopt);
    EXPECT_EQ(AboutToolViewController::privacyPolicyUrl("not a url"), std::nullopt);
}
