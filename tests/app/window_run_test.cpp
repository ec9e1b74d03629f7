// The game in a real desktop window (under the virtual display in CI), driven on a virtual clock:
// what the window shows when a game ends, and how often it shows a frame.
#include <gtest/gtest.h>

#include <set>

#include "ads/core/DZAd.h"
#include "ads/core/slot/DZSDKCoreController.h"
#include "ads/core/slot/DZSlot.h"
#include "ads/render/mraid/DZMRAIDResizeProperties.h"
#include "ads/render/view/DZAdView.h"
#include "ads/render/view/DZInterstitialViewController.h"
#include "ads/render/view/DZOpener.h"
#include "app/MyAppCore.h"
#include "app/WindowRun.h"
#include "platform/foundation/AppPaths.h"
#include "platform/runloop/ManualRunLoop.h"
#include "platform/ui/UiDriver.h"
#include "platform/ui/Window.h"
#include "platform/ui/WindowHost.h"
#include "platform/ui/WindowRenderer.h"
#include "platform/web/FakeWebEngine.h"
#include "platform/window/Window.h"
#include "platform/window/WindowEvent.h"
#include "screens/SimpleSelectView.h"
#include "shell/MyGameView.h"
#include "support/AdGameRun.h"
#include "support/Command.h"
#include "support/TempDir.h"
#include "tools/adserver/AdServer.h"

using tikoleap::test::TempDir;

namespace {

struct InTheWindow : testing::Test {
    void SetUp() override {
        if (!WindowRun::displayAvailable()) GTEST_SKIP() << "no display";
        // As main does for --home: the settings these games change stay in the test's folder.
        platform::AppPaths::setHome(home.path());
        CommandLine cl;
        cl.home = home.path().string();
        cl.level = 27;  // Level Down ends by itself within seconds when nobody steers
        cl.seed = 1;
        cl.resources = TIKOLEAP_RESOURCES_DIR;
        run = std::make_unique<WindowRun>(cl);
        std::string error;
        ASSERT_TRUE(run->open(loop, &error)) << error;
    }
    void TearDown() override {
        run.reset();
        platform::AppPaths::setHome({});
    }

    // 10 ms on. Other windows on the shared virtual display take the focus now and then, which
    // pauses the game as going to the background does: resume it.
    void step() {
        loop->advance(0.010);
        if (run->core().currentScreenName() == "pause") run->core().resumeGameView();
    }

    // Share of the window's pixels that are not black, and how many colours a sample of them shows.
    std::pair<double, size_t> shown() {
        int w = 0, h = 0;
        const std::vector<uint8_t> rgba = run->host().renderer().readPixels(w, h);
        if (rgba.empty()) return {0.0, 0};
        size_t lit = 0;
        std::set<uint32_t> colours;
        for (size_t i = 0; i + 3 < rgba.size(); i += 4) {
            if (rgba[i] + rgba[i + 1] + rgba[i + 2] > 30) ++lit;
            if (i % (4 * 31) == 0) colours.insert(rgba[i] << 16 | rgba[i + 1] << 8 | rgba[i + 2]);
        }
        return {static_cast<double>(lit) / static_cast<double>(rgba.size() / 4), colours.size()};
    }

    TempDir home;
    std::shared_ptr<platform::ManualRunLoop> loop = std::make_shared<platform::ManualRunLoop>();
    std::unique_ptr<WindowRun> run;
};

}  // namespace

TEST_F(InTheWindow, TheLastGameFrameStaysOnScreenUntilTheGameOverScreenComes) {
    GameViewBase* view = run->core().gameView();
    ASSERT_NE(view, nullptr);
    for (int i = 0; i < 6000 && view->active(); ++i) step();
    ASSERT_FALSE(view->active()) << "Level Down should end within a minute without steering";
    // Right after the tick that ended the game: the game's own picture, not a dark window.
    const auto [lit, colours] = shown();
    EXPECT_GT(lit, 0.95) << "the window went dark when the game ended";
    EXPECT_GT(colours, 8u);

    // Then the game-over screen, over a lit window.
    for (int i = 0; i < 300; ++i) step();
    EXPECT_EQ(run->core().currentScreenName(), "gameover");
    EXPECT_GT(shown().first, 0.95);

    // Uncovered, the window shows the same picture again.
    const std::uint64_t presented = run->presentedFrames();
    platform::WindowEvent exposed;
    exposed.type = platform::WindowEvent::Type::Exposed;
    run->handleEvent(exposed);
    EXPECT_GT(run->presentedFrames(), presented);
    EXPECT_GT(shown().first, 0.95);
}

TEST_F(InTheWindow, AGameShowsAtMostOneFramePerDisplayRefreshAndTicksAtFullRate) {
    const double hz = run->host().desktop().refreshRate();
    const double refresh = hz > 0 ? hz : 60.0;
    GameViewBase* view = run->core().gameView();
    ASSERT_NE(view, nullptr);
    const int ticks = view->tickCount();
    const std::uint64_t presented = run->presentedFrames();
    for (int i = 0; i < 100; ++i) step();
    EXPECT_GE(view->tickCount() - ticks, 95);  // every 10 ms, but for a focus change's pause
    EXPECT_LE(view->tickCount() - ticks, 100);
    const auto frames = static_cast<double>(run->presentedFrames() - presented);
    EXPECT_LE(frames, refresh);
    EXPECT_GE(frames, refresh / 2 - 5) << "every other tick at least, so motion stays smooth";
}

TEST_F(InTheWindow, AResolutionChosenInTheSettingsReachesTheNextGamesFramesAndTheirPacing) {
    MyAppCore& core = run->core();
    GameViewBase* first = core.gameView();
    ASSERT_NE(first, nullptr);
    EXPECT_FLOAT_EQ(first->contentsScale(), 1.5f);  // the window's own scale picks medium
    core.stopAllViews();
    core.startTitleView();
    platform::ui::UiDriver ui(core.window(), loop.get());
    ASSERT_TRUE(ui.tapButton("Settings"));
    ui.finishTransitions();
    ASSERT_TRUE(ui.tapButton("Settings"));  // the tab
    ASSERT_TRUE(ui.tapOutlet("resolutionBtn"));
    ui.finishTransitions();
    auto sheet = core.simpleSelectView();
    ASSERT_EQ(core.currentScreenName(), "select");
    sheet->setSelectedIndex(3);
    ASSERT_TRUE(ui.tapButton("Done"));  // the sheet's
    ui.finishTransitions();
    ASSERT_TRUE(ui.tapButton("Done"));  // the tools'
    ui.finishTransitions();
    ASSERT_TRUE(ui.tapButton("Start Game"));
    ASSERT_EQ(core.currentScreenName(), "game");

    GameViewBase* view = core.gameView();
    ASSERT_NE(view, nullptr);
    EXPECT_FLOAT_EQ(view->contentsScale(), 2.0f);
    EXPECT_EQ(view->surfaceSize(), (platform::Size{640, 960}));
    // The new view is paced like the first, whatever address it got.
    const double hz = run->host().desktop().refreshRate();
    const std::uint64_t presented = run->presentedFrames();
    for (int i = 0; i < 100; ++i) step();
    EXPECT_TRUE(view->hasRenderPolicy());
    EXPECT_LE(static_cast<double>(run->presentedFrames() - presented), hz > 0 ? hz : 60.0);
    EXPECT_GT(shown().first, 0.95);
}

TEST_F(InTheWindow, EveryScreenChangeEndsOnAPictureNeverOnABlackWindow) {
    MyAppCore& core = run->core();
    core.stopAllViews();
    core.startTitleView();
    platform::ui::UiDriver ui(core.window(), loop.get());
    // What the window shows once a change has settled: transitions done, a few frames on (the
    // clock moved by hand where step() would resume a paused game).
    auto settled = [&] {
        ui.finishTransitions();
        for (int i = 0; i < 5; ++i) {
            if (core.currentScreenName() == "pause")
                loop->advance(0.010);
            else
                step();
        }
        return shown().first;
    };
    EXPECT_GT(settled(), 0.95) << "title";

    // The game's first frame goes out with the game on the window, not before it.
    ASSERT_TRUE(ui.tapButton("Start Game"));
    ASSERT_EQ(core.currentScreenName(), "game");
    EXPECT_GT(shown().first, 0.95) << "the first frame of a game is a black window";
    EXPECT_GT(settled(), 0.95) << "game";

    core.gameView()->startPauseView();
    EXPECT_GT(settled(), 0.95) << "pause";
    ASSERT_TRUE(ui.tapOutlet("resumeBtn"));
    EXPECT_GT(shown().first, 0.95) << "resumed game";
    EXPECT_GT(settled(), 0.95) << "resumed game";
    core.gameView()->startPauseView();
    settled();
    ASSERT_TRUE(ui.tapButton("Back to Title"));
    EXPECT_GT(settled(), 0.95) << "title after the pause screen";
    ASSERT_EQ(core.currentScreenName(), "title");

    ASSERT_TRUE(ui.tapButton("Settings"));
    EXPECT_GT(settled(), 0.95) << "tools";
    ASSERT_EQ(core.currentScreenName(), "tools");
    ASSERT_TRUE(ui.tapButton("Done"));
    EXPECT_GT(settled(), 0.95) << "title after the tools";

    // A second game from the same title: its view is made again, its first frame as well.
    ASSERT_TRUE(ui.tapButton("Start Game"));
    EXPECT_GT(shown().first, 0.95) << "the first frame of a second game is a black window";
}

TEST_F(InTheWindow, AnIdleScreenDrawsNothingAndAChangeDrawsOnce) {
    MyAppCore& core = run->core();
    core.stopAllViews();
    core.startTitleView();
    platform::ui::UiDriver ui(core.window(), loop.get());
    ui.finishTransitions();
    auto framesOver = [&](int ticks) {
        const std::uint64_t before = run->presentedFrames();
        for (int i = 0; i < ticks; ++i) loop->advance(0.010);
        return run->presentedFrames() - before;
    };
    framesOver(10);
    // Five seconds of the title: 300 screen polls. Another window on the shared display taking
    // the focus may ask for a frame now and then; drawing every poll would show 300.
    EXPECT_LE(framesOver(500), 2u) << "an idle title is drawn again and again";
    // A finger on "Start Game" highlights it: one frame, then idle again.
    // (At most one more frame each time, for an expose from the shared display.)
    core.window()->handleTouch(7, platform::ui::TouchPhase::Began, {160, 294});
    const auto highlighted = framesOver(100);
    EXPECT_TRUE(highlighted == 1u || highlighted == 2u) << highlighted;
    EXPECT_LE(framesOver(100), 1u);
    core.window()->handleTouch(7, platform::ui::TouchPhase::Cancelled, {160, 294});
    const auto released = framesOver(100);
    EXPECT_TRUE(released == 1u || released == 2u) << released;
    EXPECT_EQ(core.currentScreenName(), "title");
}

TEST_F(InTheWindow, ClosingTakesTheWindowOffTheScreenBeforeAnythingIsPutAway) {
    ASSERT_TRUE(run->host().desktop().isShown());
    platform::WindowEvent close;
    close.type = platform::WindowEvent::Type::Quit;
    run->handleEvent(close);
    // The game and its stored files are still there to put away; the player sees the window go.
    EXPECT_FALSE(run->host().desktop().isShown());
    EXPECT_NE(run->core().gameView(), nullptr);
}

TEST(WindowDisplay, ADisplayThatCannotBeOpenedIsToldByName) {
    TempDir home;
    const auto run = tikoleap::test::runCommand("env -u WAYLAND_DISPLAY -u SDL_VIDEODRIVER DISPLAY=:4093 " +
                                                std::string(TIKOLEAP_BINARY_DIR) + "/tikoleap --home '" +
                                                home.path().string() + "' 2>&1");
    EXPECT_NE(run.code, 0);
    EXPECT_NE(run.out.find("tikoleap: no display: DISPLAY=:4093 cannot be opened"), std::string::npos)
        << run.out;
}

// Closed, the run takes its loop out of the main slot: what the loop's timers still hold (an
// expanded ad's, a browser's) goes when the loop does, not while the process exits, where a
// destructor asking for the main loop got a new reference to the loop being destroyed.
TEST_F(InTheWindow, ClosingLeavesTheLoopAndWhatItsTimersHoldToGoWithTheRun) {
    auto held = std::make_shared<int>(0);
    const std::weak_ptr<int> watch = held;
    loop->scheduleOnce(60.0, [held](platform::Timer&) {});
    held.reset();
    platform::WindowEvent close;
    close.type = platform::WindowEvent::Type::Quit;
    run->handleEvent(close);
    run.reset();
    loop.reset();
    EXPECT_TRUE(watch.expired());
}

namespace {

// The ad screens a player can have up as the window closes.
enum class AdScreen { Expanded, Resized, Browser, Interstitial };

struct InTheWindowWithAnAdScreen : InTheWindow, testing::WithParamInterface<AdScreen> {};

}  // namespace

// Ended as closing the window, TERM or INT end it, with an ad screen up: the loop goes once, with
// the run, and so does what that screen's timers held.
TEST_P(InTheWindowWithAnAdScreen, ClosingEndsTheRunAndReleasesTheScreen) {
    const auto previous = DZAdView::setEngineFactory([this](int width, int height, std::string*) {
        auto engine = std::make_unique<platform::web::FakeWebEngine>(width, height);
        engine->useLoop(*loop);
        return std::unique_ptr<platform::web::WebEngine>(std::move(engine));
    });
    std::weak_ptr<platform::ui::ViewController> screen;
    {
        run->core().stopAllViews();
        run->core().startTitleView();
        std::shared_ptr<platform::ui::ViewController> root = run->core().rootViewController();
        ASSERT_TRUE(root);
        while (root->presentedViewController()) root = root->presentedViewController();
        auto slot = DZSlot::create({0, 0, 320, 50});
        auto adView = slot->adView();
        root->view()->addSubview(adView);
        adView->setFrame({0, 430, 320, 50});
        adView->setViewController(root);
        adView->loadHTMLString("<p/>", "https://ad.example/");
        step();
        static_cast<platform::web::FakeWebEngine&>(*adView->engine()).finishLoad();
        slot->setSDKCoreController(DZSDKCoreController::create());
        slot->finishedLoadingAdResponse(std::make_shared<DZAd>());
        slot->setAutoClickProtected(false);
        auto opener = std::make_shared<DZOpener>();
        opener->setHost(slot);
        opener->setNavigationContext("amsg://mraid", root, adView);
        switch (GetParam()) {
            case AdScreen::Expanded:
                opener->expandToWebAppWithSupportedOrientations(30, false);
                break;
            case AdScreen::Resized:
                opener->openWebAppWithResizeProperties(
                    DZMRAIDResizeProperties::withDictionary({{"width", "320"},
                                                             {"height", "250"},
                                                             {"offsetX", "0"},
                                                             {"offsetY", "-200"},
                                                             {"customClosePosition", "top-right"},
                                                             {"allowOffscreen", "false"}}));
                break;
            case AdScreen::Browser:
                opener->openBrowserToURL("https://ad.example/landing", 30);
                break;
            case AdScreen::Interstitial:
                DZInterstitialViewController::create(slot)->presentFromViewController(root, {});
                break;
        }
        for (int i = 0; i < 50; ++i) step();
        // A resized ad is lifted onto a layer of the screen it was on, not presented over it.
        screen = root->presentedViewController() ? root->presentedViewController() : adView->viewController();
        ASSERT_NE(screen.lock(), root);
    }
    const std::weak_ptr<platform::RunLoop> watchLoop = loop;
    platform::WindowEvent close;
    close.type = platform::WindowEvent::Type::Quit;
    run->handleEvent(close);
    run.reset();
    loop.reset();
    DZAdView::setEngineFactory(previous);
    EXPECT_TRUE(watchLoop.expired());
    // A resized ad's screen is not presented but laid on the screen below, and holds itself until
    // the ad closes: no dismissal reaches it as the window goes (its timers went with the loop).
    if (GetParam() != AdScreen::Resized) {
        EXPECT_TRUE(screen.expired());
    }
}

INSTANTIATE_TEST_SUITE_P(EachAdScreen, InTheWindowWithAnAdScreen,
                         testing::Values(AdScreen::Expanded, AdScreen::Resized, AdScreen::Browser,
                                         AdScreen::Interstitial));

// A home where a game against the ad server went to its end keeps the server's announcement
// settings: the next launch asks for the interstitial (a web view) before a game started straight
// at a level loads its textures. The game still draws with its own textures: its sky, platforms
// and hero, not a white window with only its score.
TEST(InTheWindowAfterAnAdGame, ALevelStartedAtLaunchDrawsItsScene) {
    if (!WindowRun::displayAvailable()) GTEST_SKIP() << "no display";
    tikoleap::adserver::AdServer server;
    ASSERT_TRUE(server.start(0, ""));
    TempDir tmp;
    tmp.write("die.txt", std::string_view("10 tilt 2\n400 down 16 16\n401 up\n500 alert OK\n"));
    const std::string home = (tmp.path() / "home").string();
    const auto first = tikoleap::test::runCommand(
        "TIKOLEAP_AD_SERVER=" + server.baseURL() + " TIKOLEAP_WEB_URL=" + server.baseURL() + " " +
        TIKOLEAP_BINARY_DIR + "/tikoleap --headless --level 20 --seed 7 --input " +
        (tmp.path() / "die.txt").string() + " --home " + home + " 2>/dev/null");
    ASSERT_EQ(first.code, 0);
    ASSERT_NE(first.out.find("\"screen\":\"gameover\""), std::string::npos) << first.out;

    const tikoleap::test::AdServerEnvironment environment(server.baseURL());
    platform::AppPaths::setHome(home);
    CommandLine cl;
    cl.home = home;
    cl.level = 20;
    cl.seed = 7;
    cl.resources = TIKOLEAP_RESOURCES_DIR;
    auto loop = std::make_shared<platform::ManualRunLoop>();
    {
        WindowRun run(cl);
        std::string error;
        ASSERT_TRUE(run.open(loop, &error)) << error;
        for (int i = 0; i < 30; ++i) {
            loop->advance(0.010);
            if (run.core().currentScreenName() == "pause") run.core().resumeGameView();
        }
        ASSERT_EQ(run.core().currentScreenName(), "game");
        int w = 0;
        int h = 0;
        const std::vector<uint8_t> rgba = run.host().renderer().readPixels(w, h);
        ASSERT_FALSE(rgba.empty());
        std::size_t white = 0;
        std::set<uint32_t> colours;
        for (std::size_t i = 0; i + 3 < rgba.size(); i += 4) {
            if (rgba[i] > 0xf0 && rgba[i + 1] > 0xf0 && rgba[i + 2] > 0xf0) ++white;
            colours.insert(rgba[i] << 16 | rgba[i + 1] << 8 | rgba[i + 2]);
        }
        EXPECT_LT(white, rgba.size() / 4 / 2) << "the game's scene is white";
        EXPECT_GT(colours.size(), 50u);
    }
    platform::AppPaths::setHome({});
}
