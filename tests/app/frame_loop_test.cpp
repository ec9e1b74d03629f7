#include <gtest/gtest.h>

#include <memory>

#include "appbase/JTAppContext.h"
#include "appbase/JTLevelManager.h"
#include "platform/foundation/AppPaths.h"
#include "platform/gl/GLContext.h"
#include "platform/runloop/ManualRunLoop.h"
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
