#include "shell/GameViewBase.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "appbase/JTAppContext.h"
#include "appbase/JTCanvas.h"
#include "appbase/JTScene.h"
#include "appbase/LogMessage.h"
#include "appbase/Texture2D.h"
#include "platform/gl/GL.h"
#include "platform/runloop/RunLoop.h"
#include "platform/ui/NotificationCenter.h"
#include "platform/ui/Window.h"
#include "services/LevelInfo.h"
#include "services/LevelScores.h"
#include "shell/AccelerometerHelper.h"
#include "shell/AppCoreBase.h"
#include "shell/GameViewContainer.h"
#include "shell/MiscUtil.h"

using JTAppBase::JTAppContext;
using platform::Point;

GameViewBase::GameViewBase(AppCoreBase* appCore, int orientation)
    : EAGLView(platform::Rect({0, 0}, appCore->screenSize())),
      appCore_(appCore),
      interfaceOrientation_(orientation) {
    disableOrientation_ = systemSupportsOS8();
    setup();
}

GameViewBase::~GameViewBase() {
    LogMessage("-[GameViewBase dealloc]", 1);
    if (started_) stop();
    forgetLastPicture();
    startGameScene(nullptr);
}

void GameViewBase::setup() {
    maxSkip_ = 0;
    tickFrequency_ = 30.0;
    periodNanos_ = 33'333'333;
    pauseWaitTicks_ = 10;
    if (appCore_->accelerometerCalibrationType() != 0)
        accelerometerHelper_ = appCore_->createAccelerometerHelper();
    gameScene_.reset();
    setContentsScale(appCore_->contentsScaleValue());
}

JTAppBase::AppCoreLink* GameViewBase::appCore() const {
    return appCore_;
}

const JTAppBase::AccelerometerLink* GameViewBase::accelerometerHelper() const {
    return accelerometerHelper_.get();
}

std::shared_ptr<platform::GLContext> GameViewBase::initialEAGLContext() {
    return appCore_->eaglContext();
}

void GameViewBase::startGameScene(JTAppBase::JTScene* scene) {
    gameScene_ = JTCore::Ref<JTAppBase::JTScene>(scene);
    if (!scene) return;
    const std::shared_ptr<LevelInfo> level = appCore_->levelInfoForId(appCore_->currentLevelId());
    setLevelInfo(level ? level->impl() : nullptr);
    const float period = scene->getFramePeriodMillis();
    if (!(period > 0) || !std::isfinite(period)) {
        // A scene with no usable frame period would divide by zero below: keep the defaults.
        LogMessage("-[GameViewBase startGameScene:]", 3, "frame period must be positive");
        return;
    }
    maxSkip_ = std::max(1, static_cast<int>(100.0f / period));
    tickFrequency_ = static_cast<double>(1000.0f / period);
    periodNanos_ = std::max<std::int64_t>(1, std::llround(static_cast<double>(period) * 1e6));
    pauseWaitTicks_ = std::max(1, static_cast<int>(tickFrequency_ / 3));
}

void GameViewBase::forgetLastPicture() {
    lastPicture_.reset();
    if (auto shown = shownPicture_.lock()) {
        shown->removeFromSuperview();
        shown->setGameView(nullptr);
    }
    shownPicture_.reset();
}

std::shared_ptr<GameViewContainer> GameViewBase::takeLastPicture() {
    shownPicture_ = lastPicture_;
    return std::move(lastPicture_);
}

bool GameViewBase::lastPictureShown() const {
    const auto shown = shownPicture_.lock();
    return shown && shown->gameView() == this && shown->window() != nullptr;
}

void GameViewBase::start() {
    forgetLastPicture();
    EAGLView::start();
    LogMessage("-[GameViewBase start]", 1);
    started_ = true;
    // Going to the background pauses the game, as long as the view is started.
    auto& center = platform::ui::NotificationCenter::defaultCenter();
    center.removeObserversOf(this);
    center.addObserver(
        platform::ui::kApplicationDidEnterBackgroundNotification,
        [this](const platform::ui::Notification&) { startPauseViewNow(); }, this);
    prepareRender();
    updateCanvasSize();
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);

    nextNanos_ = platform::RunLoop::main().nowNanoseconds();
    enterPauseCount_ = 0;
    tickCount_ = 0;
    frames_ = 0;
    renderedFrames_ = 0;
    drawnFrame_ = 0;
    changed_ = true;
    onStart();
    // The start's frame is drawn only where it is wanted (a window shows it at once; a headless
    // run draws only what it captures), and shown once the game's view is on the window:
    // presented before, the first frame is an empty, black window.
    const bool drawStart = wantsFrame(0);
    if (drawStart) draw();
    resume();
    if (drawStart) {
        present();
        ++renderedFrames_;
    }
}

void GameViewBase::playSound(int n) {
    appCore_->playSound(n);
}

void GameViewBase::stopSound(int n) {
    appCore_->stopSound(n);
}

void GameViewBase::onStart() {
    appCore_->stopLoopingEffects(true, false);
}

void GameViewBase::resume() {
    if (active_) return;
    if (const auto& window = appCore_->window()) {
        for (const auto& old : window->contentSubviews()) {
            LogMessage("-[GameViewBase resume]", 3, "old subview exists: " + old->description());
            old->removeFromSuperview();
        }
        containerView_ = std::make_shared<GameViewContainer>(platform::Rect({0, 0}, appCore_->screenSize()));
        containerView_->setGameView(this);
        window->addSubview(containerView_);
    }
    startTimer();
    active_ = true;
    startAccelerometerHelper();
    if (auto* context = appCore_->appContext()) {
        if (multipleTouchEnabled_) {
            context->activeTouches().clear();
        } else {
            context->setCurrentTouch(nullptr);
        }
    }
}

void GameViewBase::suspend() {
    if (!active_) return;
    active_ = false;
    stopAccelerometerHelper();
    stopTimer();
    if (containerView_) {
        containerView_->removeFromSuperview();
        containerView_->setGameView(nullptr);
        containerView_.reset();
    }
}

void GameViewBase::startAccelerometerHelper() {
    if (!accelerometerHelper_ || !active_ || appCore_->tiltCalibrationRunning()) return;
    if (!accelerometerHelper_->isStarted()) accelerometerHelper_->startWithFrequency(50.0, 0.00007);
}

void GameViewBase::stopAccelerometerHelper() {
    if (accelerometerHelper_) accelerometerHelper_->stop();
}

bool GameViewBase::accelerometerHelperRunning() const {
    return accelerometerHelper_ && accelerometerHelper_->isStarted();
}

void GameViewBase::stop() {
    suspend();
    platform::ui::NotificationCenter::defaultCenter().removeObserversOf(this);
    EAGLView::stop();
    started_ = false;
}

void GameViewBase::startTimer() {
    stopTimer();
    timer_ = platform::RunLoop::main().scheduleRepeating(static_cast<double>(periodNanos_) / 1e9,
                                                         [this](platform::Timer&) { onTimerFired(); });
    nextNanos_ = platform::RunLoop::main().nowNanoseconds();
}

void GameViewBase::stopTimer() {
    if (timer_) timer_->invalidate();
    timer_.reset();
}

void GameViewBase::onTimerFired() {
    const std::int64_t now = platform::RunLoop::main().nowNanoseconds();
    // The timer fires one period after the tick it brings fell due, so up to one period late is
    // on time; every period begun beyond that is one more tick due.
    const std::int64_t late = now - nextNanos_;
    const std::int64_t behind = late > 0 ? (late - 1) / periodNanos_ : 0;
    int due = static_cast<int>(std::min<std::int64_t>(behind, maxSkip_ + 1));
    if (due > maxSkip_) {
        LogMessage(("Over maxSkip: " + std::to_string(behind)).c_str(), 1);
        due = maxSkip_;
        nextNanos_ = now;
    }
    nextNanos_ += (due + 1) * periodNanos_;
    ++frames_;
    for (int i = 0; i <= due; ++i) {
        ++tickCount_;
        if (tickObserver_) tickObserver_(tickCount_);
        onTick();
        if (enterPauseCount_ >= 1) {
            if (--enterPauseCount_ == 0) {
                startPauseView();
                return;
            }
        }
        // The scene ended the game during the tick and the view has left the window: the last
        // frame drawn stays on screen until the next screen replaces it.
        if (!active_) return;
    }
    if (!wantsFrame(frames_)) return;
    render();
}

bool GameViewBase::wantsFrame(int frame) const {
    if (renderPolicy_) return renderPolicy_(frame);
    const auto& shared = appCore_->gameRenderPolicy();
    return !shared || shared(frame);
}

bool GameViewBase::hasRenderPolicy() const {
    return renderPolicy_ || appCore_->gameRenderPolicy();
}

bool GameViewBase::drawIfChanged() {
    if ((!started_ && !lastPictureShown()) || !changed_ || framebuffer() == 0) return false;
    draw();
    ++renderedFrames_;
    return true;
}

void GameViewBase::prepareRender() {
    setCurrentContext();
    platform::gl::glBindFramebufferOES(GL_FRAMEBUFFER_OES, framebuffer());
    // The context is shared: whatever drew with it since the last frame (the window's view tree,
    // on the screen or for a capture) left its own viewport, projection and drawing state.
    const platform::Size surface = surfaceSize();
    glViewport(0, 0, static_cast<GLsizei>(surface.width), static_cast<GLsizei>(surface.height));
    applyProjection();
    applyRenderState();
}

void GameViewBase::applyRenderState() {
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glDisable(GL_SCISSOR_TEST);
    glDisable(GL_DITHER);
    glDisable(GL_MULTISAMPLE);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glEnable(GL_BLEND);
    glEnable(GL_TEXTURE_2D);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    glColor4f(1, 1, 1, 1);
}

void GameViewBase::render() {
    draw();
    present();
    ++renderedFrames_;
    if (frameObserver_) frameObserver_(frames_);
}

void GameViewBase::draw() {
    prepareRender();
    onRender();
    drawPauseButton();
    drawnFrame_ = frames_;
    changed_ = false;
    // The window shows the new frame the next time it draws.
    if (containerView_) containerView_->setNeedsDisplay();
}

void GameViewBase::present() {
    if (appCore_->gameFramePresenter()) {
        appCore_->gameFramePresenter()();
    } else {
        swapBuffers();
    }
}

void GameViewBase::onTick() {
    changed_ = true;
    if (!gameScene_) return;
    auto* context = appCore_->appContext();
    JTCore::Ref<JTAppBase::JTCanvas> canvas = context->getCanvas();
    // The scene may drop itself (game over hands the view back): keep it alive for this tick.
    JTCore::Ref<JTAppBase::JTScene> scene = gameScene_;
    canvas->beginTick();
    scene->tick();
    canvas->endTick();
}

void GameViewBase::onRender() {
    if (!gameScene_) return;
    JTCore::Ref<JTAppBase::JTCanvas> canvas = appCore_->appContext()->getCanvas();
    canvas->beginRender();
    gameScene_->render();
    canvas->endRender();
}

void GameViewBase::updateCanvasSize() {
    if (!gameScene_) return;
    canvasSize_ = {static_cast<float>(gameScene_->getCanvasWidth()),
                   static_cast<float>(gameScene_->getCanvasHeight())};
    float w = canvasSize_.width;
    float h = canvasSize_.height;
    if (swapsAxes()) std::swap(w, h);
    const platform::Size screen = appCore_->screenSize();
    const float sw = screen.width;
    const float sh = screen.height;
    if (h * sw <= w * sh) {
        const float scale = sw / w;
        setFrame(platform::Rect(0, (sh - h * scale) / 2, w * scale, h * scale));
    } else {
        const float scale = sh / h;
        setFrame(platform::Rect((sw - w * scale) / 2, 0, w * scale, h * scale));
    }
    viewSize_ = bounds().size;
    if (swapsAxes()) std::swap(viewSize_.width, viewSize_.height);

    projectionSize_ = {w, h};
    applyProjection();
}

void GameViewBase::applyProjection() {
    const float w = projectionSize_.width;
    const float h = projectionSize_.height;
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrthof(0, w, 0, h, -1, 1);
    if (!disableOrientation_) {
        if (interfaceOrientation_ == 2) {
            glTranslatef(w, h, 0);
            glRotatef(180, 0, 0, 1);
        } else if (interfaceOrientation_ == 4) {
            glTranslatef(w, 0, 0);
            glRotatef(90, 0, 0, 1);
        } else if (interfaceOrientation_ == 3) {
            glTranslatef(0, h, 0);
            glRotatef(-90, 0, 0, 1);
        }
    }
    glMatrixMode(GL_MODELVIEW);
}

Point GameViewBase::convertPointFromRawView(Point p) const {
    if (!disableOrientation_) {
        const float vw = viewSize_.width;
        const float vh = viewSize_.height;
        if (interfaceOrientation_ == 2) {
            p = {vw - p.x, vh - p.y};
        } else if (interfaceOrientation_ == 3) {
            p = {p.y, vh - p.x};
        } else if (interfaceOrientation_ == 4) {
            p = {vw - p.y, p.x};
        }
    }
    if (gameScene_ && viewSize_.width != 0 && viewSize_.height != 0) {
        p.x = p.x * static_cast<float>(gameScene_->getCanvasWidth()) / viewSize_.width;
        p.y = p.y * static_cast<float>(gameScene_->getCanvasHeight()) / viewSize_.height;
    }
    return p;
}

void GameViewBase::collectActiveTouches(JTAppContext& context, const Touches& touches) {
    auto& active = context.activeTouches();
    active.clear();
    for (const auto& touch : touches) {
        if (touch && touch->phase() < 3) active.push_back(touch);
    }
}

void GameViewBase::touchesBegan(const Touches& all) {
    doPauseBtn(all);
    doTouchDown(all);
}

void GameViewBase::doTouchDown(const Touches& all) {
    if (pausing()) return;
    auto* context = appCore_->appContext();
    if (multipleTouchEnabled_) {
        collectActiveTouches(*context, all);
    } else {
        context->setCurrentTouch(all.empty() ? nullptr : all.front());
    }
}

void GameViewBase::doTouchUp(const Touches& all) {
    auto* context = appCore_->appContext();
    if (multipleTouchEnabled_) {
        collectActiveTouches(*context, all);
    } else {
        context->setCurrentTouch(nullptr);
    }
}

Point GameViewBase::pauseBtnPosTranslated() const {
    Point p = pauseBtnPos_;
    if (p.x < 0) p.x += canvasSize_.width;
    if (p.y < 0) p.y += canvasSize_.height;
    return p;
}

void GameViewBase::doPauseBtn(const Touches& all) {
    if (!pauseBtnEnable() || all.empty() || !all.front()) return;
    const Point p = convertPointFromRawView(all.front()->locationInView());
    const Point b = pauseBtnPosTranslated();
    if (std::fabs(p.x - b.x) < 27 && std::fabs(p.y - b.y) < 25) enterPause();
}

void GameViewBase::enterPause() {
    enterPauseCount_ = std::max(1, pauseWaitTicks_);
    changed_ = true;  // the pause button lights up at once
}

void GameViewBase::drawPauseButton() {
    int c;
    if (enterPauseCount_ >= 1 && pauseWaitTicks_ >= 1) {
        glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_ADD);
        glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
        c = std::min(255, enterPauseCount_ * 191 / pauseWaitTicks_ + 64);
    } else {
        glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
        glBlendFunc(GL_ONE, GL_ONE_MINUS_SRC_ALPHA);
        c = 160;
    }
    const auto level = static_cast<GLubyte>(c);
    glColor4ub(level, level, level, level);
    Texture2D* icon = appCore_->texIconPause();
    if (pauseBtnEnable() && gameScene_ && icon != nullptr) {
        const Point b = pauseBtnPosTranslated();
        icon->drawAtPoint({b.x, canvasSize_.height - b.y});
    }
}

void GameViewBase::startPauseViewNow() {
    if (!active_) return;
    suspend();
    appCore_->startPauseView();
}

void GameViewBase::startPauseView() {
    if (!active_) return;
    startPauseViewNow();
    appCore_->transitionAnimation(4, 0.5);
}

void GameViewBase::gameOverWithScore(int score) {
    auto elem = std::make_shared<LevelScoreElem>();
    elem->setScore(score);
    elem->setDate(appCore_->currentDate());
    std::shared_ptr<LevelScores> scores;
    if (auto level = LevelInfo::forLevel(JTCore::Ref<JTAppBase::JTLevelInfo>(levelInfo_))) {
        scores = level->openLevelScores();
        scores->registerScore(elem);
        scores->save();
    }
    // What follows the game (an interstitial, the game-over screen's curtain) comes over its
    // last frame: the view that shows it stays, for the next screen to take.
    if (containerView_) {
        containerView_->setUserInteractionEnabled(false);
        containerView_->removeFromSuperview();
        lastPicture_ = std::move(containerView_);
    }
    stop();
    appCore_->startGameOverViewWithLevelScores(std::move(scores), std::move(elem));
}
