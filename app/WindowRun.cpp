#include "app/WindowRun.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <vector>

#include "appbase/JTLevelManager.h"
#include "appbase/JTRandom.h"
#include "platform/foundation/UserDefaults.h"
#include "platform/gl/GLContext.h"
#include "platform/instance/SingleInstance.h"
#include "platform/motion/Accelerometer.h"
#include "platform/motion/GamepadAccelerometer.h"
#include "platform/motion/WindowTiltSource.h"
#include "platform/runloop/GLibRunLoop.h"
#include "platform/ui/Application.h"
#include "platform/ui/MemoryWarningMonitor.h"
#include "platform/ui/Window.h"
#include "platform/ui/WindowHost.h"
#include "platform/window/Window.h"
#include "platform/window/WindowEvent.h"
#include "shell/Crc32.h"
#include "shell/GameIdentity.h"
#include "shell/LogMessage.h"
#include "shell/MyAppCore.h"
#include "shell/MyGameView.h"
#include "shell/RandomSeed.h"

namespace {

// The phone screen the game is laid out for, shown at 1.5 times its size.
constexpr float kScreenW = 320, kScreenH = 480, kWindowScale = 1.5f;
constexpr double kEventPollSeconds = 1.0 / 250;
constexpr double kScreenFrameSeconds = 1.0 / 60;

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

    if (options_.seed) {
        JTAppBase::JTRandom::current().seed(*options_.seed);
    } else {
        SeedRandomAtStartup();
    }
    auto loop = std::make_shared<platform::GLibRunLoop>();
    platform::RunLoop::setMain(loop);

    // The app core's window goes on the desktop first: the game draws with that window's context.
    auto app = std::make_unique<MyAppCore>(options_.resources, nullptr);
    MyAppCore& core = *app;
    core.window()->setRunLoop(loop.get());
    auto host = platform::ui::WindowHost::create(core.window(), "Tiko Leap", error, kWindowScale);
    if (!host) return 1;
    core.setEaglContext(host->context());
    host->context()->makeCurrent();
    core.window()->makeKeyAndVisible();

    auto tiltSource = std::make_unique<platform::WindowTiltSource>(
        host->desktop().pointSize(), std::make_unique<platform::GamepadAccelerometer>());
    platform::WindowTiltSource* tilt = tiltSource.get();
    platform::Accelerometer::setShared(
        std::make_shared<platform::Accelerometer>(std::move(tiltSource), loop.get()));

    core.setMainScreenScale(kWindowScale);
    // Each game frame is shown as part of the window's view tree, where the game view's container
    // lives; the screens are drawn by the same tree.
    core.setGameFramePresenter([&host] { host->renderFrame(); });
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
    platform::ui::MemoryWarningMonitor memoryMonitor(application);
    application.finishLaunching();
    if (options_.openUrl) core.applicationHandleOpenURL(*options_.openUrl);
    if (instance) {
        instance->setOpenHandler([&core](const std::string& url) { core.applicationHandleOpenURL(url); });
        instance->setActivateHandler(
            [] { LogMessage("tikoleap", 2, "a second launch found this window running"); });
    }

    auto observe = [&](const platform::WindowEvent& ev) {
        tilt->onWindowEvent(ev);
        if (ev.type == platform::WindowEvent::Type::Quit) loop->quit();
        if (ev.type == platform::WindowEvent::Type::KeyDown &&
            (ev.key == platform::KeyCode::Escape || ev.key == platform::KeyCode::Q))
            loop->quit();
    };
    loop->addPoller([&] { host->pumpEvents(observe); }, kEventPollSeconds);
    // While a game runs its frames are presented by the game view; between games the screens
    // are drawn here.
    loop->addPoller(
        [&] {
            GameViewBase* game = core.gameView();
            if (game == nullptr || !game->active()) host->renderFrame();
        },
        kScreenFrameSeconds);
    if (options_.quitAfterMs) {
        loop->postAfter(static_cast<double>(*options_.quitAfterMs) / 1000.0, [&] { loop->quit(); });
    }
    loop->run();
    application.terminate();
    platform::UserDefaults::resetStandard();
    // The game's GL objects go while the desktop window's context still exists.
    app.reset();
    platform::Accelerometer::setShared(nullptr);
    return 0;
}
