#pragma once
// The OpenGL view a level runs in, and the fixed-rate frame loop: a repeating timer that runs as
// many scene ticks as are due (with a bounded catch-up) and renders at most once per firing (a
// render policy may skip firings: headless runs draw only captured frames, the window at most one
// frame per display refresh). It also
// fits the canvas into the screen, turns touches into canvas points, draws and handles the pause
// button, and hands the final score on.
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "appbase/ShellLinks.h"
#include "core/JTRefCount.h"
#include "shell/EAGLView.h"

namespace platform {
class Timer;
}
namespace JTAppBase {
class JTScene;
class JTLevelInfo;
class JTAppContext;
}  // namespace JTAppBase
class AppCoreBase;
class AccelerometerHelper;
class GameViewContainer;

class GameViewBase : public EAGLView, public JTAppBase::GameViewLink {
  public:
    GameViewBase(AppCoreBase* appCore, int orientation);
    ~GameViewBase() override;

    // --- what the game core asks of the view
    JTAppBase::AppCoreLink* appCore() const override;
    int interfaceOrientation() const override { return interfaceOrientation_; }
    void setLevelInfo(JTAppBase::JTLevelInfo* levelInfo) override { levelInfo_ = levelInfo; }
    void startGameScene(JTAppBase::JTScene* scene) override;
    void gameOverWithScore(int score) override;
    void stop() override;
    void setPauseBtnPos(platform::Point pos) override { pauseBtnPos_ = pos; }
    const JTAppBase::AccelerometerLink* accelerometerHelper() const override;
    platform::Point convertPointFromRawView(platform::Point p) const override;
    void setMultipleTouchEnabled(bool on) override { multipleTouchEnabled_ = on; }

    // --- lifecycle
    std::shared_ptr<platform::GLContext> initialEAGLContext() override;
    void start() override;
    void resume();
    void suspend();
    // The game's tilt helper runs while the view is active, except while the settings tab's
    // calibration holds the one accelerometer (the app core then stops it and starts it again).
    void startAccelerometerHelper();
    void stopAccelerometerHelper();
    bool accelerometerHelperRunning() const;
    void startTimer();
    void stopTimer();
    void onTimerFired();
    // Draws the current state and presents it, whatever the render policy says.
    void render();
    // Draws the current state into the view's framebuffer only (a headless run's last frame).
    void draw();
    // Draws the current state when it changed since the last frame drawn (a tick ran, the pause
    // button was pressed, or nothing was drawn since start), and counts it as rendered: a capture
    // asks this before it shows the game. True when it drew.
    bool drawIfChanged();
    // Shows the frame just drawn: through the app core's presenter when it has one.
    void present();
    void onTick();
    void onRender();
    void onStart();
    void prepareRender();
    void updateCanvasSize();
    // The canvas projection (y up) and the drawing state the game's frames rely on.
    void applyProjection();
    void applyRenderState();

    // --- touches: the container (or the window) forwards its touch events here
    using Touches = std::vector<std::shared_ptr<JTAppBase::TouchLink>>;
    void touchesBegan(const Touches& all);
    void touchesMoved(const Touches& all) { doTouchDown(all); }
    void touchesEnded(const Touches& all) { doTouchUp(all); }
    void doTouchDown(const Touches& all);
    void doTouchUp(const Touches& all);
    void doPauseBtn(const Touches& all);

    // --- pause button
    bool pauseBtnEnable() const { return pauseBtnPos_.x != 0 || pauseBtnPos_.y != 0; }
    platform::Point pauseBtnPos() const { return pauseBtnPos_; }
    platform::Point pauseBtnPosTranslated() const;
    platform::Point pauseBtnPosInView() const { return pauseBtnPosTranslated(); }
    void enterPause();
    bool pausing() const { return enterPauseCount_ > 0; }
    void drawPauseButton();
    void startPauseViewNow();
    void startPauseView();
    // Sound effect n of the app core's table, started or stopped.
    void playSound(int n);
    void stopSound(int n);

    // --- state
    JTAppBase::JTScene* gameScene() const { return gameScene_.get(); }
    JTAppBase::JTLevelInfo* levelInfo() const { return levelInfo_; }
    AppCoreBase* appCoreBase() const { return appCore_; }
    bool started() const { return started_; }
    bool active() const { return active_; }
    int maxSkip() const { return maxSkip_; }
    double tickFrequency() const { return tickFrequency_; }
    int pauseWaitTicks() const { return pauseWaitTicks_; }
    int tickCount() const { return tickCount_; }
    // Loop time at which the next tick is due.
    double nextTime() const { return static_cast<double>(nextNanos_) / 1e9; }
    platform::Size canvasSize() const { return canvasSize_; }
    platform::Size viewSize() const { return viewSize_; }
    bool multipleTouchEnabled() const { return multipleTouchEnabled_; }
    // On (systems that rotate views themselves) the view does no rotation or remapping of its own.
    bool disableOrientation() const { return disableOrientation_; }
    void setDisableOrientation(bool on) { disableOrientation_ = on; }
    // Frames since start: one per timer firing (each runs one tick, more when the firing is late).
    int frames() const { return frames_; }
    // Frames drawn since start: the start's own when the render policy wanted it, then firings
    // that neither ended the game, nor opened the pause screen, nor were skipped by the render
    // policy, and the draws a capture asked for (drawIfChanged).
    int renderedFrames() const { return renderedFrames_; }
    // The frame number whose state the framebuffer holds (0: none drawn yet).
    int drawnFrame() const { return drawnFrame_; }
    // The view on the window that holds this one while it is active.
    const std::shared_ptr<GameViewContainer>& containerView() const { return containerView_; }
    // The game's last frame, left for what comes over the end of a game (an interstitial slides
    // over it rather than over an empty window): the view that showed the game, without touches,
    // taken once; null when none was left. It shows the frame until the view is started again.
    std::shared_ptr<GameViewContainer> takeLastPicture();
    // Whether the picture left at the end of the game is on a window now (a capture draws the
    // game's last state into it, as it does for the game in play).
    bool lastPictureShown() const;

    // The seam through which a replay feeds input: called before every tick with its number.
    void setTickObserver(std::function<void(int tick)> observer) { tickObserver_ = std::move(observer); }
    // Called after every rendered frame with its frame number (screenshots, frame dumps).
    void setFrameObserver(std::function<void(int frame)> observer) { frameObserver_ = std::move(observer); }
    // Asked after each firing's ticks whether to render that frame, and at start for frame 0;
    // without one of its own the view asks the app core's (gameRenderPolicy), and without either
    // every frame is rendered. Drawing never changes the game, so skipping frames only saves time.
    void setRenderPolicy(std::function<bool(int frame)> policy) { renderPolicy_ = std::move(policy); }
    // A game view made after the resources were released starts without one of its own: whoever
    // paces the frames asks this rather than comparing addresses, which a new view may reuse.
    bool hasRenderPolicy() const;

  private:
    void forgetLastPicture();
    void setup();
    bool wantsFrame(int frame) const;
    bool swapsAxes() const {
        return !disableOrientation_ && (interfaceOrientation_ == 3 || interfaceOrientation_ == 4);
    }
    static void collectActiveTouches(JTAppBase::JTAppContext& context, const Touches& touches);

    AppCoreBase* appCore_;
    int interfaceOrientation_;
    bool disableOrientation_ = true;
    int maxSkip_ = 0;
    double tickFrequency_ = 30.0;
    std::unique_ptr<AccelerometerHelper> accelerometerHelper_;
    JTCore::Ref<JTAppBase::JTScene> gameScene_;
    platform::Point pauseBtnPos_;
    bool started_ = false;
    bool active_ = false;
    std::shared_ptr<platform::Timer> timer_;
    // Frame arithmetic in whole nanoseconds of loop time, so that a period never drifts.
    std::int64_t periodNanos_ = 33'333'333;
    std::int64_t nextNanos_ = 0;
    int enterPauseCount_ = 0;
    int tickCount_ = 0;
    int pauseWaitTicks_ = 10;
    std::shared_ptr<GameViewContainer> containerView_;
    // Left by the game's end until someone takes it; watched after that, so a new start can
    // take the game view out of it.
    std::shared_ptr<GameViewContainer> lastPicture_;
    std::weak_ptr<GameViewContainer> shownPicture_;
    platform::Size canvasSize_;
    platform::Size projectionSize_{320, 480};
    platform::Size viewSize_;
    JTAppBase::JTLevelInfo* levelInfo_ = nullptr;
    bool multipleTouchEnabled_ = false;
    int frames_ = 0;
    int renderedFrames_ = 0;
    int drawnFrame_ = 0;
    // The game changed since the framebuffer was last drawn.
    bool changed_ = true;
    std::function<void(int)> tickObserver_;
    std::function<void(int)> frameObserver_;
    std::function<bool(int)> renderPolicy_;
};
