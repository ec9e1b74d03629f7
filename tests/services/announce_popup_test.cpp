// The pop-up announcement after a game: when it shows (once per serial, whichever server showed
// it, over the game-over screen once its curtain is down), its buttons and where they lead.
#include "platform/ui/Window.h"
#include "tests/services/AnnounceTestKit.h"

using namespace announcetest;

namespace {

// A list whose pop-up carries the given serial, expiry and buttons (in the text format).
std::string popupList(const std::string& serial, const std::string& expiry, const std::string& buttons) {
    return list({"(\"PUAd\", \"\", \"" + serial + "\", \"" + expiry + "\", \"News\", \"Read this\", " +
                 buttons + ")"});
}

struct PopupTest : AnnounceTest {
    // Runs a game-over sequence; true when its done-block ran exactly once.
    bool gameOver(int context = 1) {
        int done = 0;
        manager->showPopupAds(context, [&] { ++done; });
        return done == 1;
    }
    // The next launch: a manager of its own on the same home.
    void relaunch() {
        manager = AnnounceManager::create({home.path() / "tmp", [this] { return clock.load(); }});
        core->setAnnounceManager(manager);
        manager->setAppCore(core.get());
    }
    std::vector<std::string> titles() const {
        std::vector<std::string> out;
        const auto& alert = manager->popupAdAlertView();
        for (int i = 0; alert && i < alert->numberOfButtons(); ++i)
            out.push_back(alert->buttonTitleAtIndex(i));
        return out;
    }
};

}  // namespace

TEST_F(PopupTest, APopUpWithoutButtonsCanStillBeClosedAndShowsOncePerSerial) {
    serveList(popupList("7", "0", "()"));
    check();
    // Only a game over brings the pop-up.
    ASSERT_TRUE(gameOver(2));
    EXPECT_EQ(manager->popupAdAlertView(), nullptr);
    ASSERT_TRUE(gameOver());
    ASSERT_NE(manager->popupAdAlertView(), nullptr);
    EXPECT_EQ(titles(), std::vector<std::string>{"OK"});
    manager->popupAdAlertView()->clickButtonAtIndex(0);
    EXPECT_EQ(manager->popupAdAlertView(), nullptr);
    EXPECT_TRUE(opener->opened().empty());
    EXPECT_EQ(status().getInt("popupAdDoneSerial").value_or(0), 7);

    // The same serial after a restart is not shown again.
    manager = AnnounceManager::create({home.path() / "tmp", [this] { return clock.load(); }});
    core->setAnnounceManager(manager);
    manager->setAppCore(core.get());
    manager->loadState();
    check();
    ASSERT_TRUE(gameOver());
    EXPECT_EQ(manager->popupAdAlertView(), nullptr);
}

TEST_F(PopupTest, OnlyLabelAndWebUrlPairsOpenAndNoMoreThanTenButtonsShow) {
    std::string buttons = "((\"Site\", \"" + server.url("/landing") +
                          "\"), (\"Lone\"), (\"Disk\", \"file:///etc/passwd\"), \"text\"";
    for (int i = 0; i < 10; ++i) buttons += ", (\"More" + std::to_string(i) + "\", \"http://127.0.0.1/\")";
    serveList(popupList("8", "0", buttons + ")"));
    check();
    ASSERT_TRUE(gameOver());
    const std::vector<std::string> shown = titles();
    ASSERT_EQ(shown.size(), 11u);
    EXPECT_EQ(shown[0], "OK");
    EXPECT_EQ(shown[1], "Site");
    EXPECT_EQ(shown[2], "");
    EXPECT_EQ(shown[4], "");
    EXPECT_EQ(shown[10], "More5");
    manager->popupAdAlertView()->clickButtonAtIndex(2);
    EXPECT_TRUE(opener->opened().empty());

    serveList(popupList("9", "0", buttons + ")"));
    clock = kStart + 40 * 86400.0;
    check();
    ASSERT_TRUE(gameOver());
    manager->popupAdAlertView()->clickButtonAtIndex(3);
    EXPECT_TRUE(opener->opened().empty()) << "only web pages leave the game";
    ASSERT_TRUE(gameOver());
    EXPECT_EQ(manager->popupAdAlertView(), nullptr);

    serveList(popupList("10", "0", buttons + ")"));
    clock = kStart + 80 * 86400.0;
    check();
    ASSERT_TRUE(gameOver());
    manager->popupAdAlertView()->clickButtonAtIndex(1);
    EXPECT_EQ(opener->opened(), std::vector<std::string>{server.url("/landing")});
}

TEST_F(PopupTest, AnExpiredPopUpIsNotShown) {
    serveList(popupList("11", std::to_string(static_cast<long>(kStart) - 1), "()"));
    check();
    ASSERT_TRUE(gameOver());
    EXPECT_EQ(manager->popupAdAlertView(), nullptr);
}

TEST_F(PopupTest, APopUpSeenStaysSeenUnderAnotherServer) {
    serveList(popupList("13", "0", "()"));
    check();
    ASSERT_TRUE(gameOver());
    ASSERT_NE(manager->popupAdAlertView(), nullptr);
    manager->popupAdAlertView()->clickButtonAtIndex(0);

    // The same pop-up from a server at another address (the local one on a new port): its cache
    // starts afresh, the pop-up does not come again.
    server.reply("/other/cmd/announce", 200, popupList("13", "0", "()"));
    core->setIphoneWebUrl(server.url("/other/"));
    manager = AnnounceManager::create({home.path() / "tmp", [this] { return clock.load(); }});
    core->setAnnounceManager(manager);
    manager->setAppCore(core.get());
    check();
    EXPECT_EQ(server.count("/other/cmd/announce"), 1u);
    ASSERT_TRUE(gameOver());
    EXPECT_EQ(manager->popupAdAlertView(), nullptr);
    EXPECT_EQ(status().getInt("popupAdDoneSerial").value_or(0), 13);
}

TEST_F(PopupTest, ThePopUpComesOverTheGameOverScreenOnceItsCurtainIsDown) {
    serveList(popupList("12", "0", "()"));
    check();
    const auto& window = core->window();
    ASSERT_NE(window, nullptr);
    int done = 0;
    manager->showPopupAds(1, [&] {
        ++done;
        window->transition(platform::ui::WindowTransition::CurlDown, 0.5);
    });
    EXPECT_EQ(done, 1);
    EXPECT_EQ(manager->popupAdAlertView(), nullptr) << "the curtain would roll over it";
    window->finishTransition();
    EXPECT_NE(manager->popupAdAlertView(), nullptr);
}

TEST_F(PopupTest, APopUpSeenStaysSeenAfterLaunchesThatEmptyTheCache) {
    serveList(popupList("14", "0", "()"));
    check();
    ASSERT_TRUE(gameOver());
    ASSERT_NE(manager->popupAdAlertView(), nullptr);
    manager->popupAdAlertView()->clickButtonAtIndex(0);

    // A launch without the local server (the built-in base names none, so nothing is checked or
    // saved) empties the cache of the local server's list; the next launch with it shows no pop-up.
    core->setIphoneWebUrl("http://tikoleap.invalid/iphone/");
    relaunch();
    check();
    core->setIphoneWebUrl(server.url("/iphone/"));
    relaunch();
    check();
    ASSERT_TRUE(gameOver());
    EXPECT_EQ(manager->popupAdAlertView(), nullptr);

    // Nor when the cache was emptied through the app URL.
    EXPECT_TRUE(core->applicationHandleOpenURL("tikoleap:///announceManager/deleteCacheFiles"));
    relaunch();
    check();
    ASSERT_TRUE(gameOver());
    EXPECT_EQ(manager->popupAdAlertView(), nullptr);

    // A kept serial no pop-up can have is not cut into one that marks another pop-up seen.
    platform::PlistDict kept = status();
    kept.setInt("popupAdDoneSerial", int64_t{1} << 40);
    platform::writePlistDictionaryFile(cacheDir() / "status.plist", kept);
    relaunch();
    manager->loadState();
    EXPECT_EQ(manager->popupAdDoneSerial(), 0);
}
