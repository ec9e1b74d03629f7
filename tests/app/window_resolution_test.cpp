// The desktop window at each Screen Resolution choice: what it shows must be what a headless run
// captures, for the game (drawn at the chosen resolution) and for the screens after it.
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <vector>

#include "app/HeadlessRun.h"
#include "app/MyAppCore.h"
#include "app/WindowRun.h"
#include "platform/foundation/AppPaths.h"
#include "platform/gl/WindowGLContext.h"
#include "platform/image/PngCodec.h"
#include "platform/plist/PlistFile.h"
#include "platform/runloop/ManualRunLoop.h"
#include "platform/ui/UiDriver.h"
#include "platform/ui/WindowHost.h"
#include "platform/ui/WindowRenderer.h"
#include "shell/MyGameView.h"
#include "support/TempDir.h"

using tikoleap::test::TempDir;
namespace fs = std::filesystem;

namespace {

constexpr int kLevel = 20;
constexpr unsigned long long kSeed = 11;

struct Picture {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> rgba;  // top row first
};

// Share of the pixels whose colour lies within a few steps of the other picture's.
double sameShare(const Picture& a, const Picture& b) {
    if (a.width != b.width || a.height != b.height || a.rgba.size() != b.rgba.size() || a.rgba.empty())
        return 0.0;
    size_t same = 0;
    for (size_t i = 0; i + 3 < a.rgba.size(); i += 4) {
        bool close = true;
        for (size_t c = 0; c < 3; ++c) close = close && std::abs(a.rgba[i + c] - b.rgba[i + c]) <= 8;
        same += close ? 1 : 0;
    }
    return static_cast<double>(same) / static_cast<double>(a.rgba.size() / 4);
}

struct AtEachResolution : testing::TestWithParam<int> {
    void SetUp() override {
        if (!WindowRun::displayAvailable()) GTEST_SKIP() << "no display";
    }
    void TearDown() override { platform::AppPaths::setHome({}); }

    // A home whose settings hold the choice, as the Settings tab saves it.
    fs::path homeWithChoice(const std::string& name) {
        const fs::path home = tmp.path() / name;
        fs::create_directories(home / "Documents");
        platform::PlistDict settings;
        settings.setInt("contentsScaleIndex", GetParam());
        EXPECT_TRUE(platform::writePlistDictionaryFile(home / "Documents" / "settings.plist", settings));
        return home;
    }

    // The window's scale, the same level, seed and ticks: what a headless capture shows.
    Picture headless(int ticks) {
        CommandLine cl;
        cl.headless = true;
        cl.home = homeWithChoice("headless").string();
        cl.level = kLevel;
        cl.seed = kSeed;
        cl.ticks = ticks;
        cl.ticksGiven = true;
        cl.screenScale = 1.5f;
        cl.resources = TIKOLEAP_RESOURCES_DIR;
        cl.screenshot = (tmp.path() / "headless.png").string();
        std::string error;
        int code = -1;
        EXPECT_TRUE(HeadlessRun(cl).run(&error, &code)) << error;
        const auto image = platform::loadPng(*cl.screenshot);
        if (!image || image->content == platform::Image::Content::AlphaOnly) return {};
        return {image->width, image->height, image->pixels};
    }

    static Picture shownBy(WindowRun& run) {
        auto* context = dynamic_cast<platform::WindowGLContext*>(run.host().context().get());
        Picture p;
        if (context != nullptr) p.rgba = context->readPresentedFrame(p.width, p.height);
        return p;
    }

    TempDir tmp;
};

}  // namespace

TEST_P(AtEachResolution, TheWindowShowsWhatAHeadlessRunCaptures) {
    const fs::path home = homeWithChoice("window");
    platform::AppPaths::setHome(home);
    CommandLine cl;
    cl.home = home.string();
    cl.seed = kSeed;
    cl.resources = TIKOLEAP_RESOURCES_DIR;
    auto loop = std::make_shared<platform::ManualRunLoop>();
    auto run = std::make_unique<WindowRun>(cl);
    std::string error;
    ASSERT_TRUE(run->open(loop, &error)) << error;
    MyAppCore& core = run->core();
    // The title is on the window first; then the game starts, as --level starts it headless.
    run->host().renderFrame();
    core.setCurrentLevelId(kLevel);
    core.stopAllViews();
    core.startGameView();
    GameViewBase* view = core.gameView();
    ASSERT_NE(view, nullptr);
    for (int i = 0; i < 60; ++i) {
        loop->advance(0.010);
        // Another window on a shared display may take the focus, which pauses the game.
        if (core.currentScreenName() == "pause") core.resumeGameView();
    }
    ASSERT_EQ(core.currentScreenName(), "game");
    // The game's current state, shown through the window.
    view->render();
    const Picture game = shownBy(*run);
    const int ticks = view->tickCount();

    // A screen after the game: it comes out of the same present.
    core.stopAllViews();
    core.startTitleView();
    platform::ui::UiDriver(core.window(), loop.get()).finishTransitions();
    run->host().renderFrame();
    const Picture title = shownBy(*run);
    Picture titleCaptured;
    titleCaptured.rgba = run->host().renderer().readPixels(titleCaptured.width, titleCaptured.height);
    run.reset();

    const Picture captured = headless(ticks);
    ASSERT_EQ(captured.width, 480);
    ASSERT_EQ(captured.height, 720);
    EXPECT_GT(sameShare(game, captured), 0.99) << "the game, " << game.width << " x " << game.height;
    EXPECT_GT(sameShare(title, titleCaptured), 0.99) << "the title";
}

std::string choiceName(const testing::TestParamInfo<int>& info) {
    static const char* const kNames[] = {"Automatic", "Low", "Medium", "High"};
    return kNames[info.param];
}

INSTANTIATE_TEST_SUITE_P(Choices, AtEachResolution, testing::Values(0, 1, 2, 3), choiceName);
