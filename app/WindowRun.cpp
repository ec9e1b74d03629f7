#include "app/WindowRun.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <vector>

#include "ads/public/DZAdFormats.h"
#include "app/MyAppCore.h"
#include "appbase/JTLevelManager.h"
#include "appbase/JTRandom.h"
#include "appbase/LogMessage.h"
#include "platform/defaults/UserDefaults.h"
#include "platform/gl/GLContext.h"
#include "platform/instance/SingleInstance.h"
#include "platform/motion/Accelerometer.h"
#include "platform/motion/GamepadAccelerometer.h"
#include "platform/motion/WindowTiltSource.h"
#include "platform/pasteboard/Pasteboard.h"
#include "platform/runloop/GLibRunLoop.h"
#include "platform/ui/Application.h"
#include "platform/ui/MemoryWarningMonitor.h"
#include "platform/ui/Screen.h"
#include "platform/ui/Window.h"
#include "platform/ui/WindowHost.h"
#include "platform/window/Window.h"
#include "platform/window/WindowEvent.h"
#include "shell/Crc32.h"
#include "shell/GameIdentity.h"
#include "shell/MyGameView.h"
#include "shell/RandomSeed.h"

namespace {

// The phone screen the game is laid out for is shown at 1.5 times its size.
constexpr float kWindowScale = 1.5f;
constexpr double kEventPollSeconds = 1.0 / 250;
constexpr double kScreenFrameSeconds = 1.0 / 60;
// Where the display does not say how often it refreshes.
constexpr double kDefaultRefreshHz = 60.0;

}  // namespace

bool WindowRun::displayAvailable() {
    const char* x11 = std::getenv("DISPLAY");
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    return (x11 != nullptr && *x11 != '\0') || (wayland != nullptr && *wayland != '\0');
}

std::string WindowRun::instanceId(const std::optional<std::string>& home) {
    std::string id = GameIdentity::kBundleIdentifier;
    if (home) {
        std::error_code ec;
        std::filesystem::path canonical =
            std::filesystem::weakly_canonical(std::filesystem::absolute(*home), ec);
        if (!canonical.has_filename()) canonical = canonical.parent_path();  // "dir/" is "dir"
        const std::string folder = canonical.string();
        char suffix[32];
        std::snprintf(suffix, sizeof suffix, ".home_%08x",
                      static_cast<unsigned>(Crc32OfCString(folder.c_str())));
        id += suffix;
    }
    return id;
}

struct WindowRun::State {
    std::shared_ptr<platform::RunLoop> loop;
    std::shared_ptr<platform::RunLoop> previousLoop;
    std::unique_ptr<MyAppCore> core;
    std::unique_ptr<platform::ui::WindowHost> host;
    platform::WindowTiltSource* tilt = nullptr;
    std::unique_ptr<platform::ui::MemoryWarningMonitor> memoryMonitor;
    std::shared_ptr<platform::Timer> eventPoller;
    std::shared_ptr<platform::Timer> screenPoller;
    bool launched = false;
    std::int64_t refreshNanos = 0;
    std::int64_t lastShownNanos = 0;
    bool shownAny = false;

    ~State() {
        if (eventPoller) eventPoller->invalidate();
        if (screenPoller) screenPoller->invalidate();
        if (launched) {
            platform::ui::Application::shared().terminate();
            platform::UserDefaults::resetStandard();
        }
        // The game's GL objects go while the desktop window's context still exists.
        core.reset();
        memoryMonitor.reset();
        platform::Accelerometer::setShared(nullptr);
        // As a headless run ends: the loop, and what its timers still hold, go with this run
        // rather than with the process's exit.
        platform::RunLoop::setMain(std::move(previousLoop));
    }

    // Whether a frame may be shown now: at most one per display refresh.
    bool frameDue() {
        const std::int64_t now = loop->nowNanoseconds();
        if (shownAny && now - lastShownNanos < refreshNanos) return false;
        shownAny = true;
        lastShownNanos = now;
        return true;
    }
};

WindowRun::WindowRun(CommandLine options) : options_(std::move(options)) {}

WindowRun::~WindowRun() = default;

bool WindowRun::open(std::shared_ptr<platform::RunLoop> loop, std::string* error) {
    if (options_.seed) {
        JTAppBase::JTRandom::current().seed(*options_.seed);
    } else {
        SeedRandomAtStartup();
    }
    state_ = std::make_unique<State>();
    State& s = *state_;
    s.loop = std::move(loop);
    s.previousLoop = platform::RunLoop::setMain(s.loop);
    // The ad formats' hooks and start-up steps, before anything can start the ad component.
    DZAdFormats::installHooks();

    // The app core's window goes on the desktop first: the game draws with that window's context.
    s.core = std::make_unique<MyAppCore>(options_.resources, nullptr);
    MyAppCore& core = *s.core;
    core.window()->setRunLoop(s.loop.get());
    s.host = platform::ui::WindowHost::create(core.window(), "Tiko Leap", error, kWindowScale);
    if (!s.host) return false;
    core.setEaglContext(s.host->context());
    s.host->context()->makeCurrent();
    core.window()->makeKeyAndVisible();
    // A player at the desktop can paste what the game copies; headless runs keep it in memory.
    platform::Pasteboard::general().setUsesDesktopClipboard(true);
    const double refreshHz = s.host->desktop().refreshRate();
    s.refreshNanos = static_cast<std::int64_t>(1e9 / (refreshHz > 0 ? refreshHz : kDefaultRefreshHz));

    auto tiltSource = std::make_unique<platform::WindowTiltSource>(
        s.host->desktop().pointSize(), std::make_unique<platform::GamepadAccelerometer>());
    s.tilt = tiltSource.get();
    platform::Accelerometer::setShared(
        std::make_shared<platform::Accelerometer>(std::move(tiltSource), s.loop.get()));

    core.setMainScreenScale(kWindowScale);
    platform::ui::Screen::setMainScale(kWindowScale);
    // Each game frame is shown as part of the window's view tree, where the game view's container
    // lives; the screens are drawn by the same tree.
    platform::ui::WindowHost* host = s.host.get();
    core.setGameFramePresenter([host] { host->renderFrame(); });
    core.setWindowFrameDrawer([host] {
        if (host->window().needsDisplay()) host->renderFrame();
    });
    core.init();
    // The launch shows the title; --level goes on into that level's game at once.
    core.applicationDidFinishLaunchingWithOptions(std::nullopt);
    if (options_.level != 0) {
        core.setCurrentLevelId(options_.level);
        core.stopAllViews();
        core.startGameView();
    }
    auto& application = platform::ui::Application::shared();
    // The system's low-memory signal arrives on this loop's GLib context.
    s.memoryMonitor = std::make_unique<platform::ui::MemoryWarningMonitor>(application);
    application.finishLaunching();
    s.launched = true;
    if (options_.openUrl) core.applicationHandleOpenURL(*options_.openUrl);

    s.eventPoller = s.loop->addPoller(
        [this] { state_->host->pumpEvents([this](const platform::WindowEvent& ev) { handleEvent(ev); }); },
        kEventPollSeconds);
    // While a game runs its frames are presented by the game view, at most one per display
    // refresh (the ticks between are not drawn at all); between games the screens are drawn
    // here, and only when something on them changed: an idle screen costs no drawing.
    s.screenPoller = s.loop->addPoller(
        [&s] {
            // A change of screen resolution makes a new game view for the next game.
            GameViewBase* game = s.core->gameView();
            if (game != nullptr && !game->hasRenderPolicy())
                game->setRenderPolicy([&s](int) { return s.frameDue(); });
            if ((game == nullptr || !game->active()) && s.host->window().needsDisplay())
                s.host->renderFrame();
        },
        kScreenFrameSeconds);
    if (GameViewBase* game = core.gameView()) game->setRenderPolicy([&s](int) { return s.frameDue(); });
    return true;
}

void WindowRun::handleEvent(const platform::WindowEvent& ev) {
    State& s = *state_;
    s.tilt->onWindowEvent(ev);
    const bool quit = ev.type == platform::WindowEvent::Type::Quit ||
                      (ev.type == platform::WindowEvent::Type::KeyDown &&
                       (ev.key == platform::KeyCode::Escape || ev.key == platform::KeyCode::Q));
    if (quit) {
        // Closed for the player at once; the game's state is put away after.
        s.host->desktop().hide();
        s.loop->quit();
    }
    // The desktop lost the window's picture (uncovered, restored): show the last frame again
    // rather than drawing a new one.
    if (ev.type == platform::WindowEvent::Type::Exposed) s.host->presentAgain();
}

std::uint64_t WindowRun::presentedFrames() const {
    return state_ && state_->host ? state_->host->context()->presentedFrames() : 0;
}

platform::ui::WindowHost& WindowRun::host() {
    return *state_->host;
}

MyAppCore& WindowRun::core() {
    return *state_->core;
}

int WindowRun::run(std::string* error) {
    // One window per home: a second launch hands its URL to the running window and ends.
    std::string instanceError;
    std::unique_ptr<platform::SingleInstance> instance =
        platform::SingleInstance::create(instanceId(options_.home), &instanceError);
    if (!instance) LogMessage("tikoleap", 3, "no single-instance check: " + instanceError);
    if (instance && instance->isRemote()) {
        std::vector<std::string> urls;
        if (options_.openUrl) urls.push_back(*options_.openUrl);
        if (!instance->handOver(urls, error)) return 1;
        std::fprintf(stderr, "tikoleap: %s the window already running\n",
                     urls.empty() ? "brought forward" : ("handed " + urls.front() + " to").c_str());
        return 0;
    }

    auto loop = std::make_shared<platform::GLibRunLoop>();
    if (!open(loop, error)) {
        state_.reset();
        return 1;
    }
    if (instance) {
        MyAppCore& core = *state_->core;
        instance->setOpenHandler([&core](const std::string& url) { core.applicationHandleOpenURL(url); });
        instance->setActivateHandler(
            [] { LogMessage("tikoleap", 2, "a second launch found this window running"); });
    }
    if (options_.quitAfterMs) {
        loop->postAfter(static_cast<double>(*options_.quitAfterMs) / 1000.0, [loop] { loop->quit(); });
    }
    loop->run();
    state_->host->desktop().hide();
    state_.reset();
    return 0;
}
