// The interstitial between a game and its game-over screen, on the scripted web engine: when it
// shows, and that the game always goes on after it, shown or not.
#include "ads/core/DZAd.h"
#include "ads/core/DZExtras.h"
#include "ads/core/DZRequest.h"
#include "ads/core/slot/DZSDKCoreController.h"
#include "ads/render/AdViewTestBed.h"
#include "ads/render/view/DZInterstitialViewController.h"
#include "platform/ui/ViewController.h"
#include "platform/ui/Window.h"
#include "tests/services/AnnounceTestKit.h"

using namespace announcetest;

namespace {

struct InterstitialTest : AnnounceTest {
    void SetUp() override {
        AnnounceTest::SetUp();
        core->window()->setRootViewController(root);
        useScriptedEngine(*manager);
        serveList(
            list({item({"HCIt", "3600", "600"}), item({"SetP", "didazInterstitialAdPublisherId", "unit"}),
                  item({"SetP", "didazInterstitialAdContextFlag", "1"}),
                  item({"SetP", "didazInterstitialAdInterval", "120"})}));
        check();
    }
    void useScriptedEngine(AnnounceManager& announcer) {
        announcer.setInterstitialFactory(
            [this](const std::string& unit) {
                askedUnits.push_back(unit);
                auto ad = DZInterstitial::create(unit);
                ad->slot()->setSDKCoreController(controller);
                return ad;
            },
            [] {
                nlohmann::json ad = {{"ad_html", "<p>ad</p>"},
                                     {"ad_base_url", "http://127.0.0.1/"},
                                     {"impression_urls", {"http://127.0.0.1:9/imp"}}};
                auto request = DZRequest::request();
                auto extras = std::make_shared<DZExtras>();
                extras->setAdditionalParameters({{"_ad", std::move(ad)}});
                request->registerAdNetworkExtras(extras);
                return request;
            });
    }
    void TearDown() override {
        if (auto shown = std::dynamic_pointer_cast<DZAdAppViewController>(root->presentedViewController()))
            shown->closeButtonPressed();
        bed.runUntilIdle();
        AnnounceTest::TearDown();
    }
    // Asks for an interstitial and lets its page finish.
    void loadAd() {
        manager->requestInterstitialAd();
        finishLoad();
    }
    void finishLoad() {
        bed.runUntilIdle();
        if (manager->interstitialAd() && manager->interstitialAd()->slot()->state() == 5)
            bed.engine().finishLoad();
        bed.runUntilIdle();
    }
    int done = 0;
    std::vector<std::string> askedUnits;
    void gameOver(int context = 1) {
        manager->showPopupAds(context, [this] { ++done; });
    }

    tikoleap::test::AdViewTestBed bed;
    std::shared_ptr<platform::ui::ViewController> root = std::make_shared<platform::ui::ViewController>();
    std::shared_ptr<DZSDKCoreController> controller = DZSDKCoreController::create();
};

}  // namespace

TEST_F(InterstitialTest, AReadyAdCoversTheGameOverOnlyForItsContextAndOnlyOnceInTheInterval) {
    loadAd();
    ASSERT_TRUE(manager->interstitialAd() && manager->interstitialAd()->isReady());
    gameOver(2);
    EXPECT_EQ(done, 1) << "context 2 is not in the flag";
    EXPECT_FALSE(manager->interstitialAdPresenting());

    gameOver();
    EXPECT_EQ(done, 1) << "the game-over screen waits for the ad";
    EXPECT_TRUE(manager->interstitialAdPresenting());
    EXPECT_NE(root->presentedViewController(), nullptr);
    auto shown = std::dynamic_pointer_cast<DZAdAppViewController>(root->presentedViewController());
    ASSERT_NE(shown, nullptr);
    shown->closeButtonPressed();
    bed.runUntilIdle();
    EXPECT_EQ(done, 2);
    EXPECT_FALSE(manager->interstitialAdPresenting());
    EXPECT_EQ(manager->interstitialsPresented(), 1);

    // A fresh ad is asked for at once, but the next game over within 120 s goes straight on.
    loadAd();
    ASSERT_TRUE(manager->interstitialAd() && manager->interstitialAd()->isReady());
    clock = kStart + 100;
    gameOver();
    EXPECT_EQ(done, 3);
    EXPECT_FALSE(manager->interstitialAdPresenting());
    EXPECT_EQ(manager->interstitialsPresented(), 1);
}

TEST_F(InterstitialTest, APresentationThatFailsLetsTheGameGoOn) {
    loadAd();
    ASSERT_TRUE(manager->interstitialAd() && manager->interstitialAd()->isReady());
    // The ad turns out to be for orientations the game cannot show: refused at present time.
    manager->interstitialAd()->slot()->ad()->setSupportedOrientations(24);
    gameOver();
    bed.runUntilIdle();
    EXPECT_EQ(done, 1);
    EXPECT_FALSE(manager->interstitialAdPresenting());
    EXPECT_EQ(root->presentedViewController(), nullptr);
    EXPECT_EQ(manager->interstitialsPresented(), 0) << "a refused presentation shows nothing";
}

TEST_F(InterstitialTest, ALaunchWhoseCheckIsNotDueStillHasOneForItsFirstGameOver) {
    // The next launch within the list's hour: the list is not asked for, the ad is.
    clock = kStart + 600;
    manager = AnnounceManager::create({home.path() / "tmp", [this] { return clock.load(); }});
    useScriptedEngine(*manager);
    core->setAnnounceManager(manager);
    core->applicationDidFinishLaunchingWithOptions(std::nullopt);
    manager->waitForDownload();
    EXPECT_EQ(listHits(), 1u);
    ASSERT_NE(manager->interstitialAd(), nullptr);
    finishLoad();
    ASSERT_TRUE(manager->interstitialAd()->isReady());
    gameOver();
    EXPECT_TRUE(manager->interstitialAdPresenting());
    EXPECT_EQ(done, 0);
    const auto shown = std::dynamic_pointer_cast<DZAdAppViewController>(
        core->window()->rootViewController()->presentedViewController());
    ASSERT_NE(shown, nullptr);
    shown->closeButtonPressed();
    bed.runUntilIdle();
    EXPECT_EQ(done, 1);
}

TEST_F(InterstitialTest, TheFirstGameOverOfALaunchShowsTheUnitOfTheListFetchedAtLaunch) {
    // The server was restarted with another unit; the next launch's check is due.
    serveList(list({item({"HCIt", "3600", "600"}), item({"SetP", "didazInterstitialAdPublisherId", "fresh"}),
                    item({"SetP", "didazInterstitialAdContextFlag", "1"})}));
    clock = kStart + 4000;
    manager = AnnounceManager::create({home.path() / "tmp", [this] { return clock.load(); }});
    useScriptedEngine(*manager);
    askedUnits.clear();
    core->setAnnounceManager(manager);
    core->applicationDidFinishLaunchingWithOptions(std::nullopt);
    manager->waitForDownload();
    EXPECT_EQ(listHits(), 2u);
    finishLoad();
    EXPECT_EQ(askedUnits, (std::vector<std::string>{"unit", "fresh"}))
        << "asked at launch, then for the list's";
    ASSERT_TRUE(manager->interstitialAd() && manager->interstitialAd()->isReady());
    EXPECT_EQ(manager->interstitialAd()->adUnitID(), "fresh");
    gameOver();
    EXPECT_TRUE(manager->interstitialAdPresenting());
    EXPECT_EQ(manager->interstitialsPresented(), 1);
    const auto shown = std::dynamic_pointer_cast<DZAdAppViewController>(
        core->window()->rootViewController()->presentedViewController());
    ASSERT_NE(shown, nullptr);
    shown->closeButtonPressed();
    finishLoad();

    // A list naming yet another unit whose file fails asks for nothing anew: the ready ad of the
    // unit it no longer names is not shown, and the list's unit is asked for after the game over.
    serveList(list({item({"SetP", "didazInterstitialAdPublisherId", "third"}),
                    item({"SetP", "didazInterstitialAdContextFlag", "1"}), item({"Fi", "a", "a.png", "1"})}));
    clock = kStart + 8000;
    check();
    bed.runUntilIdle();
    ASSERT_TRUE(manager->interstitialAd() && manager->interstitialAd()->isReady());
    gameOver();
    EXPECT_FALSE(manager->interstitialAdPresenting());
    EXPECT_EQ(manager->interstitialsPresented(), 1);
    EXPECT_EQ(askedUnits.back(), "third");
}
