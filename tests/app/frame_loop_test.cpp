#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "app/MyAppCore.h"
#include "appbase/JTAppContext.h"
#include "appbase/JTLevelManager.h"
#include "appbase/JTRandom.h"
#include "appbase/JTScene.h"
#include "platform/foundation/AppPaths.h"
#include "platform/foundation/ScopedLogSink.h"
#include "platform/gl/GLContext.h"
#include "platform/runloop/ManualRunLoop.h"
#include "platform/ui/Application.h"
#include "platform/ui/NotificationCenter.h"
#include "platform/ui/Window.h"
#include "platform/ui/WindowRenderer.h"
#include "shell/GameViewContainer.h"
#include "shell/MyGameView.h"
#include "support/TempDir.h"

using tikoleap::test::TempDir;

namespace {

// A scene of any canvas size that only counts what the view asks of it.
class BoxScene : public JTAppBase::JTScene {
  public:
    BoxScene(JTAppBase::JTAppContext* context, int width, int height)
        : JTScene(context), width_(width), height_(height) {}
    float getFramePeriodMillis() const override { return 10.0f; }
    int getCanvasWidth() const override { return width_; }
    int getCanvasHeight() const override { return height_; }
    void tick() override {}
    void render() override {}

  private:
    int width_;
    int height_;
};

struct Tap : JTAppBase::TouchLink {
    platform::Point p;
    platform::Point locationInView() const override { return p; }
    int phase() const override { return 0; }
};

// The game's app core, counting the pause screens it shows.
struct CountingCore : MyAppCore {
    using MyAppCore::MyAppCore;
    void startPauseView() override {
        ++pauses;
        MyAppCore::startPauseView();
    }
    int pauses = 0;
};

// A real app core running Level Normal on the virtual clock.
struct FrameLoop : testing::Test {
    void SetUp() override {
        platform::AppPaths::setHome(home.path());
        previous = platform::RunLoop::setMain(loop);
        std::string error;
        gl = platform::GLContext::createHeadless(&error);
        ASSERT_TRUE(gl) << error;
        gl->makeCurrent();
        core = std::make_unique<CountingCore>(TIKOLEAP_RESOURCES_DIR, gl);
        core->init();
        core->appContext()->getLevelManager()->reloadLevels();
        core->setCurrentLevelId(20);
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
    std::unique_ptr<CountingCore> core;
    GameViewBase* view = nullptr;
    const int& pauses() const { return core->pauses; }
};

}  // namespace

TEST_F(FrameLoop, TenMillisecondPeriodGivesOneHundredTicksASecond) {
    EXPECT_EQ(view->maxSkip(), 10);
    EXPECT_DOUBLE_EQ(view->tickFrequency(), 100.0);
    EXPECT_EQ(view->pauseWaitTicks(), 33);
    loop->advance(1.0);
    EXPECT_EQ(view->tickCount(), 100);
    EXPECT_EQ(view->renderedFrames(), 1 + 100);  // the start's frame, then one per firing
}

TEST_F(FrameLoop, OnTheVirtualClockEveryFrameRunsOneTickForAnyLength) {
    // Long enough for a clock kept in seconds to drift one period (it did after ~42 500 ticks).
    std::vector<int> asked;
    view->setRenderPolicy([&](int frame) {
        if (frame % 25000 == 0) asked.push_back(frame);
        return frame % 25000 == 0;
    });
    for (int i = 0; i < 100000; ++i) loop->advance(0.010);
    ASSERT_TRUE(view->active()) << "Level Normal without input should still be playing";
    EXPECT_EQ(view->tickCount(), 100000);
    EXPECT_EQ(view->frames(), 100000);
    EXPECT_EQ(view->nextTime(), 1000.0);
    // The policy decides which frames are drawn; the others cost nothing but their ticks.
    EXPECT_EQ(asked, (std::vector<int>{25000, 50000, 75000, 100000}));
    EXPECT_EQ(view->renderedFrames(), 1 + 4);  // the start's came before the policy
    EXPECT_EQ(view->drawnFrame(), 100000);
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

TEST_F(FrameLoop, LatenessCountsThePeriodsBegunBeyondTheFiringsOwn) {
    // Started at 0 with the next tick due at 0. A firing at 30 ms is on time for its own tick and
    // two periods beyond it: 3 ticks run and the next one is due at 30 ms.
    loop->stall(0.030);
    loop->advance(0);
    EXPECT_EQ(view->tickCount(), 3);
    EXPECT_DOUBLE_EQ(view->nextTime(), 0.030);
    EXPECT_EQ(view->renderedFrames(), 1 + 1);
}

TEST_F(FrameLoop, HalfASecondLateRunsElevenTicksAndAnEarlyFiringStillRunsOne) {
    loop->stall(0.5);
    loop->advance(0);
    EXPECT_EQ(view->tickCount(), 11);
    EXPECT_NEAR(view->nextTime(), 0.5 + 0.110, 1e-9);

    // Fired again before the next tick is due: one tick, and the due time moves one period on.
    view->onTimerFired();
    EXPECT_EQ(view->tickCount(), 12);
    EXPECT_NEAR(view->nextTime(), 0.5 + 0.120, 1e-9);
    EXPECT_EQ(view->renderedFrames(), 1 + 2);
}

TEST_F(FrameLoop, PauseButtonGreyLevelFollowsTheCountdown) {
    GLint mode = 0;
    GLfloat colour[4] = {};
    view->render();
    glGetTexEnviv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, &mode);
    glGetFloatv(GL_CURRENT_COLOR, colour);
    EXPECT_EQ(mode, GL_MODULATE);
    EXPECT_NEAR(colour[0], 160.0f / 255, 1e-4);
    EXPECT_NEAR(colour[3], 160.0f / 255, 1e-4);

    view->enterPause();
    view->render();
    glGetTexEnviv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, &mode);
    glGetFloatv(GL_CURRENT_COLOR, colour);
    EXPECT_EQ(mode, GL_ADD);
    EXPECT_NEAR(colour[0], 1.0f, 1e-4);  // 33 * 191 / 33 + 64

    // Firings that come before the next tick is due run one tick each: 23 of them leave 10.
    for (int i = 0; i < 23; ++i) view->onTimerFired();
    ASSERT_TRUE(view->pausing());
    glGetFloatv(GL_CURRENT_COLOR, colour);
    EXPECT_NEAR(colour[1], 121.0f / 255, 1e-4);  // 10 * 191 / 33 = 57 in whole numbers, + 64
    for (int i = 0; i < 9; ++i) view->onTimerFired();
    glGetFloatv(GL_CURRENT_COLOR, colour);
    EXPECT_NEAR(colour[2], 69.0f / 255, 1e-4);  // 1 * 191 / 33 = 5, + 64
    EXPECT_EQ(pauses(), 0);
    view->onTimerFired();
    EXPECT_EQ(pauses(), 1);
}

TEST_F(FrameLoop, GoingToTheBackgroundPausesAStartedGameOnly) {
    auto& center = platform::ui::NotificationCenter::defaultCenter();
    auto& app = platform::ui::Application::shared();
    const std::size_t before = center.observerCount(platform::ui::kApplicationDidEnterBackgroundNotification);
    app.enterBackground();
    app.enterForeground();
    EXPECT_EQ(pauses(), 1);
    EXPECT_FALSE(view->active());

    // Resumed and stopped: the view no longer listens.
    core->resumeGameView();
    view->stop();
    EXPECT_EQ(center.observerCount(platform::ui::kApplicationDidEnterBackgroundNotification), before - 1);
    app.enterBackground();
    app.enterForeground();
    EXPECT_EQ(pauses(), 1);
}

TEST_F(FrameLoop, CanvasFitsTheScreenKeepingItsAspect) {
    auto* context = core->appContext();
    auto fitted = [&](platform::Size screen, int orientation, bool handleOrientation, int cw, int ch) {
        core->window()->setFrame(platform::Rect({0, 0}, screen));
        auto v = std::make_unique<MyGameView>(core.get(), orientation);
        v->setDisableOrientation(!handleOrientation);
        v->startGameScene(JTCore::makeRef<BoxScene>(context, cw, ch).get());
        v->updateCanvasSize();
        return v;
    };
    // Wider screen than the canvas: full height, centred across.
    auto wide = fitted({640, 480}, 1, false, 320, 480);
    EXPECT_EQ(wide->frame(), platform::Rect(160, 0, 320, 480));
    EXPECT_EQ(wide->viewSize(), (platform::Size{320, 480}));
    // Taller screen: full width, centred down, and touches scale to canvas points.
    auto tall = fitted({640, 1200}, 1, false, 320, 480);
    EXPECT_EQ(tall->frame(), platform::Rect(0, 120, 640, 960));
    EXPECT_EQ(tall->convertPointFromRawView({100, 200}), (platform::Point{50, 100}));
    // A pause button given from the right edge sits that far in from it.
    tall->setPauseBtnPos({-30, 30});
    EXPECT_EQ(tall->pauseBtnPosTranslated(), (platform::Point{290, 30}));

    // Without orientation handling a landscape canvas is letterboxed on a portrait screen.
    auto boxed = fitted({320, 480}, 3, false, 480, 320);
    EXPECT_NEAR(boxed->frame().origin.y, (480.0f - 320.0f * 320 / 480) / 2, 1e-3);
    EXPECT_NEAR(boxed->frame().size.height, 320.0f * 320 / 480, 1e-3);
    const platform::Point b = boxed->convertPointFromRawView({30, 60});
    EXPECT_NEAR(b.x, 45, 1e-3);
    EXPECT_NEAR(b.y, 90, 1e-3);
}

TEST_F(FrameLoop, OwnOrientationHandlingTurnsTheCanvasAndRemapsTouches) {
    auto* context = core->appContext();
    core->window()->setFrame(platform::Rect(0, 0, 640, 960));
    auto turned = [&](int orientation, int cw, int ch) {
        auto v = std::make_unique<MyGameView>(core.get(), orientation);
        v->setDisableOrientation(false);
        v->startGameScene(JTCore::makeRef<BoxScene>(context, cw, ch).get());
        v->updateCanvasSize();
        return v;
    };
    // Landscape right: the 480 x 320 canvas fills the portrait screen turned, twice as large.
    auto right = turned(3, 480, 320);
    EXPECT_EQ(right->frame(), platform::Rect(0, 0, 640, 960));
    EXPECT_EQ(right->viewSize(), (platform::Size{960, 640}));
    // (x, y) -> (y, vh - x), then to canvas points.
    EXPECT_EQ(right->convertPointFromRawView({10, 20}), (platform::Point{10, 315}));
    // Landscape left: (x, y) -> (vw - y, x).
    auto left = turned(4, 480, 320);
    EXPECT_EQ(left->convertPointFromRawView({10, 20}), (platform::Point{470, 5}));
    // Upside down: (x, y) -> (vw - x, vh - y), no swap of the sides.
    auto upside = turned(2, 320, 480);
    EXPECT_EQ(upside->viewSize(), (platform::Size{640, 960}));
    EXPECT_EQ(upside->convertPointFromRawView({10, 20}), (platform::Point{315, 470}));
}

TEST_F(FrameLoop, PauseButtonWaitsThirtyThreeTicksThenOpensThePauseScreen) {
    loop->advance(0.05);
    // Level Normal puts its pause button at the top right; tap right on it.
    const platform::Point button = view->pauseBtnPosTranslated();
    ASSERT_TRUE(view->pauseBtnEnable());
    auto tap = std::make_shared<Tap>();
    tap->p = button;  // view points equal canvas points at this size
    view->touchesBegan({tap});
    EXPECT_TRUE(view->pausing());

    const int start = view->tickCount();
    const int frames = view->renderedFrames();
    loop->advance(0.32);
    EXPECT_EQ(pauses(), 0);
    loop->advance(0.01);
    EXPECT_EQ(pauses(), 1);
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
    EXPECT_EQ(pauses(), 1);
    EXPECT_EQ(view->containerView(), nullptr);  // suspended: off the window
    EXPECT_EQ(core->currentScreenName(), "pause");

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

TEST_F(FrameLoop, ATouchTheGameStillHoldsOutlivesItsContainer) {
    auto window = core->window();
    loop->advance(0.05);
    window->handleTouch(2, platform::ui::TouchPhase::Began, {100, 300});
    const auto held = core->appContext()->getCurrentTouch();
    ASSERT_NE(held, nullptr);
    EXPECT_EQ(held->locationInView(), (platform::Point{100, 300}));

    // The pause screen takes the container off the window and lets it go; the finger stays down.
    view->enterPause();
    loop->advance(0.5);
    ASSERT_EQ(pauses(), 1);
    ASSERT_EQ(view->containerView(), nullptr);
    EXPECT_EQ(held->locationInView(), (platform::Point{}));
    window->handleTouch(2, platform::ui::TouchPhase::Ended, {100, 300});
}

TEST_F(FrameLoop, WindowShowsTheGameFramesAndTheGameDrawsTheSameUnderIt) {
    // The fixture's game, reseeded: the frame it draws on its own.
    auto freshGame = [&](std::function<void()> presenter) {
        core.reset();
        JTAppBase::JTRandom::current().seed(77);
        core = std::make_unique<CountingCore>(TIKOLEAP_RESOURCES_DIR, gl);
        core->init();
        core->appContext()->getLevelManager()->reloadLevels();
        if (presenter) core->setGameFramePresenter(std::move(presenter));
        core->setCurrentLevelId(20);
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

TEST_F(FrameLoop, NoFrameIsPresentedOnceTheGameHasLeftTheWindow) {
    int presented = 0;
    int withoutGame = 0;
    core->setGameFramePresenter([&] {
        ++presented;
        if (view->containerView() == nullptr) ++withoutGame;
    });
    core->setCurrentLevelId(27);  // Level Down ends by itself when nobody steers
    core->startGameView();
    for (int i = 0; i < 6000 && view->active(); ++i) loop->advance(0.010);
    ASSERT_EQ(core->currentScreenName(), "gameover");
    EXPECT_GT(presented, 100);
    EXPECT_EQ(withoutGame, 0) << "a frame without the game would blank the window";
    // The start's frame, then every firing but the one that ended the game, which drew nothing:
    // the frame before it is the last one.
    EXPECT_EQ(view->renderedFrames(), 1 + view->frames() - 1);
}
