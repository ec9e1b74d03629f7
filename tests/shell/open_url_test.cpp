// URLs opened into the app: which path does what, and the wait behind an interstitial.
#include <algorithm>

#include "platform/foundation/ScopedLogSink.h"
#include "platform/ui/Window.h"
#include "shell/GameViewBase.h"
#include "tests/shell/AppCoreTestKit.h"

using shelltest::AppCoreTest;

namespace {

// The app core with an interstitial that the test puts up and takes down.
class CoveredAppCore : public MyAppCore {
  public:
    using MyAppCore::MyAppCore;
    bool interstitialAdPresenting() const override { return covered; }
    void startTitleView() override {
        if (titles) ++*titles;
        MyAppCore::startTitleView();
    }
    bool covered = false;
    int* titles = nullptr;
};

struct OpenUrl : AppCoreTest {
    void SetUp() override {
        AppCoreTest::SetUp();
        std::string error;
        gl = platform::GLContext::createHeadless(&error);
        ASSERT_TRUE(gl) << error;
        gl->makeCurrent();
        core = std::make_unique<CoveredAppCore>(TIKOLEAP_RESOURCES_DIR, gl);
        core->init();
        core->applicationDidFinishLaunchingWithOptions(std::nullopt);
        core->setCurrentLevelId(20);
        core->startGameView();
        titles = 0;
        core->titles = &titles;
    }
    void TearDown() override {
        core.reset();
        AppCoreTest::TearDown();
    }
    bool playing() const { return core->gameView() != nullptr && core->gameView()->active(); }

    std::shared_ptr<platform::GLContext> gl;
    std::unique_ptr<CoveredAppCore> core;
    int titles = 0;
};

}  // namespace

TEST_F(OpenUrl, StartTitleStopsTheGameAndOtherPathsChangeNothing) {
    ASSERT_TRUE(playing());
    platform::ScopedLogSink log;
    for (const char* url :
         {"tikoleap://app/announceManager/deleteCacheFiles", "tikoleap://app/startLevel?lid=4",
          "tikoleap://app/somethingElse", "tikoleap://app", "not a url"}) {
        EXPECT_TRUE(core->applicationHandleOpenURL(url)) << url;
    }
    EXPECT_TRUE(playing());
    EXPECT_EQ(titles, 0);
    EXPECT_EQ(core->window()->frontModal(), nullptr);
    const auto& lines = log.lines();
    auto has = [&](const std::string& text) {
        return std::any_of(lines.begin(), lines.end(),
                           [&](const std::string& l) { return l.find(text) != l.npos; });
    };
    // The announcement manager and the level download take their paths (their own suites show what
    // they do); the game's level manager downloads nothing, so the game goes on.
    EXPECT_TRUE(has("[WARN] -[AppCoreBase application:handleOpenURL:]\nignoring a URL: URL with a control"));

    EXPECT_TRUE(core->applicationHandleOpenURL("tikoleap:///startTitle"));
    EXPECT_EQ(titles, 1);
    EXPECT_FALSE(playing());
}

TEST_F(OpenUrl, AUrlWaitsBehindAnInterstitialUntilItEnds) {
    core->covered = true;
    core->applicationHandleOpenURL("tikoleap://app/startTitle");
    EXPECT_EQ(core->pendingHandleOpenURLCount(), 1u);
    loop->advance(0.19);
    EXPECT_EQ(core->pendingHandleOpenURLCount(), 1u);
    loop->advance(0.02);  // 0.21 s: the first retry found it still covered
    EXPECT_EQ(core->pendingHandleOpenURLCount(), 2u);
    EXPECT_TRUE(playing());

    loop->advance(0.29);  // 0.5 s: the interstitial goes; the next retry (0.6 s) handles the URL
    core->covered = false;
    loop->advance(0.09);
    EXPECT_EQ(titles, 0);
    loop->advance(0.02);
    EXPECT_EQ(titles, 1);
    EXPECT_EQ(core->pendingHandleOpenURLCount(), 0u);
    EXPECT_FALSE(playing());
}

TEST_F(OpenUrl, AUrlIsHandledAfterFifteenRetriesEvenWhileCovered) {
    core->covered = true;
    core->applicationHandleOpenURL("tikoleap://app/startTitle");
    loop->advance(15 * 0.2 - 0.01);
    EXPECT_EQ(core->pendingHandleOpenURLCount(), 15u);
    EXPECT_EQ(titles, 0);
    loop->advance(0.02);
    EXPECT_EQ(titles, 1);
    EXPECT_EQ(core->pendingHandleOpenURLCount(), 0u);
    loop->advance(1.0);
    EXPECT_EQ(titles, 1);  // handled once
}

TEST_F(OpenUrl, ARetryPendingWhenTheCoreGoesDoesNotRun) {
    core->covered = true;
    core->applicationHandleOpenURL("tikoleap://app/startTitle");
    core.reset();
    loop->advance(1.0);
    EXPECT_EQ(titles, 0);
}

TEST_F(AppCoreTest, ALaunchUrlIsLeftToTheOpenCallOnASystemThatMultitasks) {
    auto core = std::make_unique<CoveredAppCore>(resources.path().string(), nullptr);
    int titles = 0;
    core->titles = &titles;
    core->init();
    platform::ScopedLogSink log;
    EXPECT_TRUE(
        core->applicationDidFinishLaunchingWithOptions(std::string("tikoleap:///deleteAridOfThisDevice")));
    EXPECT_EQ(titles, 1);  // the launch shows the title
    EXPECT_EQ(core->window()->frontModal(), nullptr);
    for (const std::string& line : log.lines())
        EXPECT_EQ(line.find("opened into the app"), std::string::npos);
}
