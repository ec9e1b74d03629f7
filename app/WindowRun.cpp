#include "app/WindowRun.h"

#include <cstdlib>
#include <memory>

#include "app/PointerTouch.h"
#include "appbase/JTLevelManager.h"
#include "appbase/JTRandom.h"
#include "platform/gl/GLContext.h"
#include "platform/motion/Accelerometer.h"
#include "platform/motion/GamepadAccelerometer.h"
#include "platform/motion/WindowTiltSource.h"
#include "platform/runloop/GLibRunLoop.h"
#include "platform/window/Window.h"
#include "shell/MyAppCore.h"
#include "shell/MyGameView.h"
#include "shell/RandomSeed.h"

namespace {

// The phone screen the game is laid out for, shown at 1.5 times its size.
constexpr float kScreenW = 320, kScreenH = 480, kWindowScale = 1.5f;
constexpr int kContentsScaleIndex = 2;  // the 1.5x textures
constexpr double kEventPollSeconds = 1.0 / 250;

}  // namespace

bool WindowRun::displayAvailable() {
    const char* x11 = std::getenv("DISPLAY");
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    return (x11 != nullptr && *x11 != '\0') || (wayland != nullptr && *wayland != '\0');
}

int WindowRun::run(std::string* error) {
    if (options_.seed) {
        JTAppBase::JTRandom::current().seed(*options_.seed);
    } else {
        SeedRandomAtStartup();
    }
    auto loop = std::make_shared<platform::GLibRunLoop>();
    platform::RunLoop::setMain(loop);

    auto window = platform::Window::create(static_cast<int>(kScreenW * kWindowScale),
                                           static_cast<int>(kScreenH * kWindowScale), "Tiko Leap", error);
    if (!window) return 1;
    auto gl = platform::GLContext::createForWindow(*window, error);
    if (!gl) return 1;
    gl->makeCurrent();

    auto tiltSource = std::make_unique<platform::WindowTiltSource>(
        window->pointSize(), std::make_unique<platform::GamepadAccelerometer>());
    platform::WindowTiltSource* tilt = tiltSource.get();
    platform::Accelerometer::setShared(
        std::make_shared<platform::Accelerometer>(std::move(tiltSource), loop.get()));

    MyAppCore core(options_.resources, gl);
    core.setContentsScaleIndex(kContentsScaleIndex);
    core.init();
    core.appContext()->getLevelManager()->reloadLevels();
    if (options_.level != 0) core.setCurrentLevelId(options_.level);

    // Until the title, pause and game-over screens stand, the window keeps it simple: a click or a
    // key resumes a paused game and starts a new one after a game over; the title starts Normal.
    enum class Waiting { Nothing, Resume, NewGame } waiting = Waiting::Nothing;
    AppCoreBase::Frontend frontend;
    frontend.onPause = [&] { waiting = Waiting::Resume; };
    frontend.onGameOver = [&](int) { waiting = Waiting::NewGame; };
    frontend.onTitle = [&] {
        core.setCurrentLevelId(20);
        waiting = Waiting::NewGame;
    };
    core.setFrontend(frontend);
    core.startGameView();

    auto finger = std::make_shared<PointerTouch>();
    bool fingerDown = false;
    auto toScreen = [&](platform::Point p) {
        const platform::Size size = window->pointSize();
        return platform::Point{p.x * kScreenW / size.width, p.y * kScreenH / size.height};
    };
    auto proceed = [&] {
        const Waiting what = waiting;
        waiting = Waiting::Nothing;
        if (what == Waiting::Resume) core.resumeGameView();
        if (what == Waiting::NewGame) core.startGameView();
        return what != Waiting::Nothing;
    };

    loop->addPoller(
        [&] {
            for (const platform::WindowEvent& ev : window->pollEvents()) {
                tilt->onWindowEvent(ev);
                GameViewBase* view = core.gameView();
                switch (ev.type) {
                    case platform::WindowEvent::Type::Quit:
                        loop->quit();
                        break;
                    case platform::WindowEvent::Type::KeyDown:
                        if (ev.key == platform::KeyCode::Escape || ev.key == platform::KeyCode::Q)
                            loop->quit();
                        if (!ev.repeat &&
                            (ev.key == platform::KeyCode::Space || ev.key == platform::KeyCode::Return))
                            proceed();
                        break;
                    case platform::WindowEvent::Type::MouseDown:
                        if (ev.button != 1 || proceed() || view == nullptr) break;
                        finger->set(toScreen(ev.point), 0);
                        fingerDown = true;
                        view->touchesBegan({finger});
                        break;
                    case platform::WindowEvent::Type::MouseMove:
                        if (!fingerDown || view == nullptr) break;
                        finger->set(toScreen(ev.point), 1);
                        view->touchesMoved({finger});
                        break;
                    case platform::WindowEvent::Type::MouseUp:
                        if (!fingerDown || view == nullptr) break;
                        finger->set(toScreen(ev.point), 3);
                        fingerDown = false;
                        view->touchesEnded({finger});
                        break;
                    case platform::WindowEvent::Type::FocusLost:
                    case platform::WindowEvent::Type::Minimized:
                        // Leaving the game pauses it, as going to the background does on the phone.
                        if (view != nullptr) view->startPauseViewNow();
                        break;
                    default:
                        break;
                }
            }
        },
        kEventPollSeconds);
    if (options_.quitAfterMs) {
        loop->postAfter(static_cast<double>(*options_.quitAfterMs) / 1000.0, [&] { loop->quit(); });
    }
    loop->run();
    platform::Accelerometer::setShared(nullptr);
    return 0;
}
