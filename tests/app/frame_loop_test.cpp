#include <gtest/gtest.h>

#include <memory>

#include "appbase/JTAppContext.h"
#include "appbase/JTLevelManager.h"
#include "appbase/JTRandom.h"
#include "platform/foundation/AppPaths.h"
#include "platform/foundation/ScopedLogSink.h"
#include "platform/gl/GLContext.h"
#include "platform/runloop/ManualRunLoop.h"
#include "platform/ui/Window.h"
#include "platform/ui/WindowRenderer.h"
#include "shell/GameViewContainer.h"
#include "shell/MyAppCore.h"
#include "shell/MyGameView.h"
#include "support/TempDir.h"

using tikoleap::test::TempDir;

namespace {

// A real app core running Level Normal on the virtual clock.
struct FrameLoop : testing::Test {
    void SetUp() override {
        platform::AppPaths::setHome(home.path());
        previous = platform::RunLoop::setMain(loop);
        std::string error;
        gl = platform::GLContext::createHeadless(&error);
        ASSERT_TRUE(gl) << error;
        gl->makeCurrent();
        core = std::make_unique<MyAppCore>(TIKOLEAP_RESOURCES_DIR, gl);
        core->init();
        core->appContext()->getLevelManager()->reloadLevels();
        AppCoreBase::Frontend frontend;
        frontend.onPause = [this] { ++pauses; };
        core->setFrontend(frontend);
        core->startGameView();
        view = core->gameView();
        ASSERT_NE(view, nullptr);
    }
    void TearDown() override {
        core.reset();
        platform::RunLoop::setMain(previous);
    }

    TempDir home;
    std::shared_ptr<platform::ManualRunLoop> loop = std::make_shared<platform::ManualRunLoop>();
    std::shared_ptr<platform::RunLoop> previous;
    std::shared_ptr<platform::GLContext> gl;
    std::unique_ptr<MyAppCore> core;
    GameViewBase* view = nullptr;
    int pauses = 0;
};

}  // namespace

TEST_F(FrameLoop, TenMillisecondPeriodGivesOneHundredTicksASecond) {
    EXPECT_EQ(view->maxSkip(), 10);
    EXPECT_DOUBLE_EQ(view->tickFrequency(), 100.0);
    EXPECT_EQ(view->pauseWaitTicks(), 33);
    loop->advance(1.0);
    EXPECT_EQ(view->tickCount(), 100);
    EXPECT_EQ(view->renderedFrames(), 100);
}

TEST_F(FrameLoop, LateFiringsCatchUpWithinMaxSkipAndDropTheRest) {
    loop->advance(0.1);
    const int ticks = view->tickCount();
    const int frames = view->renderedFrames();

    // A firing 25 ms late: two ticks were due, three run, and the next tick is due 30 ms on.
    const double onTime = loop->now();
    loop->stall(0.025);
    loop->advance(0);  // only the overdue firing
    EXPECT_EQ(view->tickCount() - ticks, 3);
    EXPECT_NEAR(view->nextTime() - onTime, 0.030, 0.0005);
    EXPECT_EQ(view->renderedFrames() - frames, 1);

    // A 250 ms stall runs maxSkip + 1 = 11 ticks in one firing and forgets the backlog.
    loop->advance(0.1);
    const int steady = view->tickCount();
    loop->stall(0.25);
    loop->advance(0);
    EXPECT_EQ(view->tickCount() - steady, 11);
    EXPECT_NEAR(view->nextTime() - loop->now(), 0.110, 0.0005);
    // The next firing, on time again, runs a single tick.
    loop->advance(0.010);
    EXPECT_EQ(view->tickCount() - steady, 12);
}

TEST_F(FrameLoop, PauseButtonWaitsThirtyThreeTicksThenOpensThePauseScreen) {
    loop->advance(0.05);
    // Level Normal puts its pause button at the top right; tap right on it.
    const platform::Point button = view->pauseBtnPosTranslated();
    ASSERT_TRUE(view->pauseBtnEnable());
    struct Tap : JTAppBase::TouchLink {
        platform::Point p;
        platform::Point locationInView() const override { return p; }
        int phase() const override { return 0; }
    };
    auto tap = std::make_shared<Tap>();
    tap->p = button;  // view points equal canvas points at this size
    view->touchesBegan({tap});
    EXPECT_TRUE(view->pausing());

    const int start = view->tickCount();
    const int frames = view->renderedFrames();
    loop->advance(0.32);
    EXPECT_EQ(pauses, 0);
    loop->advance(0.01);
    EXPECT_EQ(pauses, 1);
    EXPECT_EQ(view->tickCount() - start, 33);
    EXPECT_FALSE(view->active());
    // The firing that opened the pause screen rendered nothing.
    EXPECT_EQ(view->renderedFrames() - frames, 32);
    loop->advance(1.0);
    EXPECT_EQ(view->tickCount() - start, 33);

    // A tap just outside the button's box does nothing.
    core->resumeGameView();
    tap->p = {button.x - 27, button.y};
    view->touchesBegan({tap});
    EXPECT_FALSE(view->pausing());
}

TEST_F(FrameLoop, ContainerHoldsTheViewOnTheWindowAndForwardsTouches) {
    auto window = core->window();
    ASSERT_NE(view->containerView(), nullptr);
    EXPECT_EQ(view->containerView()->superview().get(), window.get());

    // A finger on the window's pause button reaches the game view through hit testing.
    loop->advance(0.05);
    const platform::Point button = view->pauseBtnPosTranslated();
    window->handleTouch(1, platform::ui::TouchPhase::Began, button);
    EXPECT_TRUE(view->pausing());
    window->handleTouch(1, platform::ui::TouchPhase::Ended, button);
    loop->advance(0.5);
    EXPECT_EQ(pauses, 1);
    EXPECT_EQ(view->containerView(), nullptr);  // suspended: off the window
    EXPECT_TRUE(window->contentSubviews().empty());

    // Whatever an earlier screen left on the window goes when the game resumes, with a warning.
    auto leftover = std::make_shared<platform::ui::View>(platform::Rect(0, 0, 10, 10));
    window->addSubview(leftover);
    std::vector<std::string> lines;
    {
        platform::ScopedLogSink sink([&](const std::string& line) { lines.push_back(line); });
        core->resumeGameView();
    }
    EXPECT_EQ(leftover->superview(), nullptr);
    ASSERT_EQ(window->contentSubviews().size(), 1u);
    EXPECT_EQ(window->contentSubviews()[0], view->containerView());
    ASSERT_FALSE(lines.empty());
    EXPECT_NE(lines[0].find("[WARN]"), std::string::npos);
    EXPECT_NE(lines[0].find("old subview exists"), std::string::npos);
}

TEST_F(FrameLoop, WindowShowsTheGameFramesAndTheGameDrawsTheSameUnderIt) {
    // The fixture's game, reseeded: the frame it draws on its own.
    auto freshGame = [&](std::function<void()> presenter) {
        core.reset();
        JTAppBase::JTRandom::current().seed(77);
        core = std::make_unique<MyAppCore>(TIKOLEAP_RESOURCES_DIR, gl);
        core->init();
        core->appContext()->getLevelManager()->reloadLevels();
        if (presenter) core->setGameFramePresenter(std::move(presenter));
        core->startGameView();
        loop->advance(2.0);
        return core->gameView()->readFrameRGBA();
    };
    const std::vector<uint8_t> alone = freshGame({});

    // The same game while the window draws its view tree with the same context after each frame.
    platform::ui::WindowRenderer renderer(gl, 1.0f);
    int shownFrames = 0;
    const std::vector<uint8_t> underWindow = freshGame([&] {
        renderer.render(*core->window());
        ++shownFrames;
    });
    EXPECT_GT(shownFrames, 100);
    EXPECT_TRUE(alone == underWindow) << "the window's drawing changed the game's frames";

    // And the window shows what the game drew.
    int w = 0, h = 0;
    const std::vector<uint8_t> shown = renderer.readPixels(w, h);
    ASSERT_EQ(shown.size(), underWindow.size());
    int same = 0;
    for (size_t i = 0; i < shown.size(); i += 4) {
        same += std::abs(underWindow[i] - shown[i]) <= 8 && std::abs(underWindow[i + 2] - shown[i + 2]) <= 8
                    ? 1
                    : 0;
    }
    EXPECT_GT(same, static_cast<int>(shown.size() / 4) * 95 / 100);
}
