#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <string>

#include "ScreensFixture.h"
#include "levels/UnlockByScoresLevelManager.h"
#include "platform/ui/AlertView.h"
#include "platform/ui/Button.h"
#include "platform/ui/ModalPanel.h"
#include "platform/ui/ViewSnapshot.h"
#include "shell/Announcements.h"
#include "shell/LevelInfo.h"
#include "shell/LevelScores.h"
#include "shell/PlistFiles.h"

using tikoleap::test::ScreensFixture;

TEST_F(ScreensFixture, TitleStartsTheSelectedLevelAndGameOverComesBackToTheTitle) {
    core->startTitleView();
    EXPECT_EQ(screen(), "title");
    EXPECT_EQ(driver->text("levelSelectBtn"), "Level: Normal");
    EXPECT_EQ(driver->text("copyrightLabel"), core->appCopyrightString());
    EXPECT_TRUE(driver->outlet("startGameBtnWithoutSelector")->isHidden());

    ASSERT_TRUE(driver->tapButton("Start Game"));
    EXPECT_EQ(screen(), "game");
    ASSERT_NE(core->gameView(), nullptr);
    EXPECT_TRUE(core->gameView()->active());
    loop->advance(1.0);

    endGame(1234);
    EXPECT_EQ(screen(), "gameover");
    EXPECT_EQ(driver->text("currentScoreLabel"), "1234 pts.");
    EXPECT_EQ(labelText(2001), "1234 pts. (01/01 00:00)");
    EXPECT_EQ(labelText(2002), "-----");
    EXPECT_FALSE(driver->viewWithTag(2101)->isHidden());
    EXPECT_TRUE(driver->viewWithTag(2102)->isHidden());
    // Recorded and saved before the screen came.
    auto file = ReadDictionaryFromPlistFile((home.path() / "Documents/LevelScores/20.plist").string());
    ASSERT_TRUE(file);
    EXPECT_EQ(file->getArray("recentScores")->size(), 1u);

    // Replay plays the same level again; the newest score is the highlighted one.
    ASSERT_TRUE(driver->tapButton("Replay"));
    EXPECT_EQ(screen(), "game");
    endGame(50);
    EXPECT_EQ(labelText(2001), "50 pts. (01/01 00:00)");
    EXPECT_EQ(labelText(2002), "1234 pts. (01/01 00:00)");
    auto current = std::dynamic_pointer_cast<platform::ui::Label>(driver->viewWithTag(2001));
    auto older = std::dynamic_pointer_cast<platform::ui::Label>(driver->viewWithTag(2002));
    EXPECT_EQ(current->textColor(), (platform::ui::Color{1, 1, 0, 1}));
    EXPECT_EQ(older->textColor(), platform::ui::Color::white());

    ASSERT_TRUE(driver->tapButton("Title"));
    EXPECT_EQ(screen(), "title");
    EXPECT_EQ(core->gameView()->gameScene(), nullptr);
}

TEST_F(ScreensFixture, PauseResumesWhereThePauseButtonWasOrGoesBackToTheTitle) {
    core->setCurrentLevelId(20);
    core->startGameView();
    loop->advance(2.0);
    GameViewBase* game = core->gameView();
    game->startPauseView();
    settle();
    EXPECT_EQ(screen(), "pause");
    EXPECT_FALSE(game->active());
    auto resume = driver->outlet("resumeBtn");
    ASSERT_NE(resume, nullptr);
    EXPECT_FALSE(resume->isHidden());
    EXPECT_EQ(resume->center(), game->pauseBtnPosInView());
    // Normal names no extra pause button.
    EXPECT_TRUE(driver->outlet("additional0Btn")->isHidden());

    ASSERT_TRUE(driver->tap(resume));
    EXPECT_EQ(screen(), "game");
    EXPECT_TRUE(game->active());
    const int ticks = game->tickCount();
    loop->advance(0.5);
    EXPECT_GT(game->tickCount(), ticks);

    game->startPauseView();
    settle();
    ASSERT_TRUE(driver->tapButton("Resume"));
    EXPECT_EQ(screen(), "game");

    game->startPauseView();
    settle();
    ASSERT_TRUE(driver->tapButton("Back to Title"));
    EXPECT_EQ(screen(), "title");
    EXPECT_FALSE(game->started());
    // No score is recorded for a game left from the pause screen.
    EXPECT_FALSE(std::filesystem::exists(home.path() / "Documents/LevelScores/20.plist"));
}

TEST_F(ScreensFixture, UnlockedLevelsAreAnnouncedOnceTheGameOverScreenShows) {
    core->setCurrentLevelId(20);
    core->startGameView();
    endGame(1000000);
    EXPECT_EQ(screen(), "gameover");
    auto* unlocking = dynamic_cast<JTAppBase::UnlockByScoresLevelManager*>(manager());
    ASSERT_NE(unlocking, nullptr);
    const std::vector<int> unlocked = unlocking->getNewlyUnlockedLevelIds();
    ASSERT_FALSE(unlocked.empty());
    // One message names every level the game opened.
    auto panel = std::dynamic_pointer_cast<platform::ui::AlertView>(driver->frontModal());
    ASSERT_NE(panel, nullptr);
    EXPECT_EQ(panel->title(), "Congratulations!");
    for (int id : unlocked) {
        const std::string name = manager()->getLevelInfo(id)->getName()->toUtf8();
        EXPECT_NE(panel->message().find(name), std::string::npos) << name << " in " << panel->message();
    }
    ASSERT_TRUE(driver->answerFront("OK"));
    EXPECT_EQ(driver->frontModal(), nullptr);
    // Nothing is left queued for the next game.
    EXPECT_FALSE(manager()->hasPendingMessages());
}

namespace {

// Holds the pop-up slot between the screens open, as an interstitial sliding in and out does,
// until the test lets it go.
class HeldPopups : public Announcements {
  public:
    void setAppCore(AppDoor*) override {}
    AppDoor* appCore() const override { return nullptr; }
    void startDownload() override {}
    void shutdown() override {}
    void waitForDownload() override {}
    void showPopupAds(int shownContext, const std::function<void()>& onDone) override {
        context = shownContext;
        pending = onDone;
    }
    void requestInterstitialAd() override {}
    bool interstitialAdPresenting() const override { return static_cast<bool>(pending); }
    void processAmUrl(const std::string&) override {}
    std::optional<std::map<std::string, std::string>> amProperties() const override { return std::nullopt; }
    int context = 0;
    std::function<void()> pending;
};

}  // namespace

TEST_F(ScreensFixture, AnInterstitialFromTheTitleMovesOverThePictureOfTheTitleNotABlackWindow) {
    auto popups = std::make_shared<HeldPopups>();
    core->setAnnouncements(popups);
    core->startTitleView();
    ASSERT_TRUE(driver->tapButton("Start Game"));
    ASSERT_TRUE(popups->pending);
    EXPECT_TRUE(popups->context == 2 || popups->context == 4) << popups->context;

    // The holding screen is what shows under the interstitial meanwhile.
    const auto holding = core->window()->rootViewController();
    ASSERT_NE(holding, nullptr);
    EXPECT_NE(screen(), "title");
    auto picture = platform::ui::snapshotView(*holding->view(), 1);
    ASSERT_TRUE(picture);
    size_t lit = 0;
    for (size_t i = 0; i + 3 < picture->pixels.size(); i += 4)
        if (picture->pixels[i] > 16 || picture->pixels[i + 1] > 16 || picture->pixels[i + 2] > 16) ++lit;
    EXPECT_GT(lit, picture->pixels.size() / 4 / 2) << "the holding screen is black";

    auto done = std::move(popups->pending);
    done();
    EXPECT_EQ(screen(), "game");
    EXPECT_NE(core->window()->rootViewController(), holding);
}

TEST_F(ScreensFixture, AScoreEditedInTheFileIsNotShown) {
    core->setCurrentLevelId(20);
    core->startGameView();
    endGame(300);
    const auto path = (home.path() / "Documents/LevelScores/20.plist").string();
    auto file = ReadDictionaryFromPlistFile(path);
    ASSERT_TRUE(file);
    auto recent = *file->getArray("recentScores");
    auto entry = *recent.getDict(0);
    entry.setInt("score", 99999);
    platform::PlistArray edited;
    edited.appendDict(entry);
    file->setArray("recentScores", edited);
    ASSERT_TRUE(WriteDictionaryToPlistFile(path, *file));

    ASSERT_TRUE(driver->tapButton("Replay"));
    endGame(10);
    EXPECT_EQ(labelText(2001), "10 pts. (01/01 00:00)");
    EXPECT_EQ(labelText(2002), "-----");
}

namespace {
bool has(const std::string& url, const std::string& part) {
    return url.find(part) != std::string::npos;
}
}  // namespace

TEST_F(ScreensFixture, WebButtonsOpenTheirSignedPages) {
    const std::string normal = "&lid=" + std::to_string(manager()->getLevelInfo(20)->getWebLevelId());
    core->startTitleView();
    ASSERT_TRUE(driver->tapButton("How to Play"));
    ASSERT_TRUE(driver->tapButton("Other Games"));
    ASSERT_TRUE(driver->tapButton("More Levels"));
    auto pages = opener->opened();
    ASSERT_EQ(pages.size(), 3u);
    EXPECT_TRUE(has(pages[0], "cmd/jump?") && has(pages[0], "&tgt=1") && !has(pages[0], "&lid=")) << pages[0];
    EXPECT_TRUE(has(pages[1], "&tgt=2") && !has(pages[1], "&lid=")) << pages[1];
    EXPECT_TRUE(has(pages[2], "&tgt=6") && has(pages[2], normal)) << pages[2];
    EXPECT_EQ(screen(), "title");  // the title stays

    ASSERT_TRUE(driver->tapButton("Start Game"));
    endGame(700);
    ASSERT_TRUE(driver->tapButton("Replay"));
    endGame(1234);
    ASSERT_TRUE(driver->tapButton("Submit This Score"));
    ASSERT_TRUE(driver->tapTag(2102));  // the older game's own submit button
    ASSERT_TRUE(driver->tapButton("More Levels"));
    ASSERT_TRUE(driver->tapButton("Other Games"));
    pages = opener->opened();
    ASSERT_EQ(pages.size(), 7u);
    EXPECT_TRUE(has(pages[3], "cmd/postSc?") && has(pages[3], "&sc=1234") && has(pages[3], normal))
        << pages[3];
    EXPECT_TRUE(has(pages[4], "cmd/postSc?") && has(pages[4], "&sc=700")) << pages[4];
    EXPECT_TRUE(has(pages[5], "&tgt=7") && has(pages[5], normal)) << pages[5];
    EXPECT_TRUE(has(pages[6], "&tgt=3") && !has(pages[6], "&lid=")) << pages[6];
    EXPECT_EQ(screen(), "gameover");
}

TEST_F(ScreensFixture, ButtonsShowTheirOwnPressedFaceWhileAFingerIsOnThem) {
    core->startTitleView();
    settle();
    // Mean brightness of the opaque pixels of a picture.
    auto brightness = [](const platform::Image& image) {
        double sum = 0;
        std::size_t n = 0;
        for (std::size_t i = 0; i + 3 < image.pixels.size(); i += 4) {
            if (image.pixels[i + 3] < 250) continue;
            sum += image.pixels[i] + image.pixels[i + 1] + image.pixels[i + 2];
            ++n;
        }
        return n ? sum / static_cast<double>(n) : 0.0;
    };
    int pictured = 0;
    for (const auto& button : core->window()->descendantsOfClass<platform::ui::Button>()) {
        auto raised = button->backgroundImageForState(platform::ui::ControlStateNormal);
        if (!raised) continue;
        ++pictured;
        auto pressed = button->backgroundImageForState(platform::ui::ControlStateHighlighted);
        ASSERT_NE(pressed, nullptr);
        EXPECT_NE(pressed, raised) << button->currentTitle() << " has no pressed face";
        EXPECT_LT(brightness(*pressed), brightness(*raised) - 10) << button->currentTitle();
    }
    EXPECT_GE(pictured, 5);

    auto start = std::dynamic_pointer_cast<platform::ui::Button>(driver->outlet("startGameBtnWithSelector"));
    ASSERT_NE(start, nullptr);
    const platform::Point at = start->convertPointToWindow({20, 20});
    core->window()->handleTouch(1, platform::ui::TouchPhase::Began, at);
    EXPECT_TRUE(start->isHighlighted());
    EXPECT_EQ(start->backgroundImageForState(start->state()),
              start->backgroundImageForState(platform::ui::ControlStateHighlighted));
    core->window()->handleTouch(1, platform::ui::TouchPhase::Cancelled, at);
    EXPECT_FALSE(start->isHighlighted());
    EXPECT_EQ(screen(), "title");
}
