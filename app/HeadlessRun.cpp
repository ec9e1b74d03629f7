#include "app/HeadlessRun.h"

#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <functional>
#include <memory>
#include <vector>

#include "app/FrameWriter.h"
#include "app/InputScript.h"
#include "app/SoundRecorder.h"
#include "appbase/GameSceneBase.h"
#include "appbase/JTRandom.h"
#include "levels/MyLevelManager.h"
#include "platform/audio/AudioDevice.h"
#include "platform/foundation/AppPaths.h"
#include "platform/foundation/UserDefaults.h"
#include "platform/gl/GLContext.h"
#include "platform/image/PngCodec.h"
#include "platform/launcher/UrlOpener.h"
#include "platform/motion/Accelerometer.h"
#include "platform/motion/ScriptedTiltSource.h"
#include "platform/runloop/ManualRunLoop.h"
#include "platform/ui/Application.h"
#include "platform/ui/Screen.h"
#include "platform/ui/UiDriver.h"
#include "platform/ui/Window.h"
#include "platform/ui/WindowRenderer.h"
#include "services/AnnounceManager.h"
#include "shell/LogMessage.h"
#include "shell/MyAppCore.h"
#include "shell/MyGameView.h"
#include "shell/RandomSeed.h"

namespace fs = std::filesystem;

namespace {

constexpr double kFramePeriod = 0.010;

// An output file must be creatable before a long run starts, not after it.
bool writableFolderFor(const std::string& file, std::string* error) {
    fs::path folder = fs::path(file).parent_path();
    if (folder.empty()) folder = ".";
    std::error_code ec;
    if (!fs::is_directory(folder, ec) || access(folder.c_str(), W_OK) != 0) {
        *error = file + ": the folder does not exist or is not writable";
        return false;
    }
    return true;
}

const char* stateName(int state) {
    switch (state) {
        case JTApp::GameSceneBase::kStatePlaying:
            return "playing";
        case JTApp::GameSceneBase::kStateGameOver:
            return "gameover";
        default:
            return "intro";
    }
}

// Dates of scores made in a run: a fixed day plus the run's virtual time, so that a replay shows
// the same game-over screen (2026-01-01 00:00 UTC).
constexpr double kRunEpoch = 1767225600.0;
// Without --ticks, a run of a --level stops at the game-over screen, or after this many ticks
// (5 minutes of play: a hero left untouched can bounce on the first platforms for ever).
constexpr long long kUntilGameOverCap = 30000;

}  // namespace

std::optional<RunResult> HeadlessRun::run(std::string* error, int* exitCode) {
    *exitCode = 2;
    std::optional<InputScript> script;
    if (options_.input) {
        script = InputScript::load(*options_.input, error);
        if (!script) return std::nullopt;
    } else if (ownScript_) {
        script = InputScript::parse(*ownScript_, "built-in script", error);
        if (!script) return std::nullopt;
    }
    *exitCode = 1;
    if (options_.screenshot && !writableFolderFor(*options_.screenshot, error)) return std::nullopt;
    if (options_.framesDir) {
        std::error_code ec;
        fs::create_directories(*options_.framesDir, ec);
        if (!fs::is_directory(*options_.framesDir) || access(options_.framesDir->c_str(), W_OK) != 0) {
            *error = *options_.framesDir + ": cannot write frames into this folder";
            return std::nullopt;
        }
    }
    // Without a sound file the run opens no audio device at all.
    std::unique_ptr<SoundRecorder> recorder;
    const auto previousOutput = platform::audio::outputMode();
    platform::audio::setOutputMode(platform::audio::OutputMode::Disabled);
    struct RestoreOutput {
        platform::audio::OutputMode mode;
        ~RestoreOutput() { platform::audio::setOutputMode(mode); }
    } restoreOutput{previousOutput};
    if (options_.soundOut) {
        if (!writableFolderFor(*options_.soundOut, error)) return std::nullopt;
        recorder = SoundRecorder::create(*options_.soundOut, error);
        if (!recorder) return std::nullopt;
        platform::audio::setOutputMode(platform::audio::OutputMode::Loopback);
    }
    if (options_.home) platform::AppPaths::setHome(*options_.home);

    RunResult result;
    if (options_.seed) {
        result.seed = *options_.seed;
        JTAppBase::JTRandom::current().seed(result.seed);
    } else {
        result.seed = SeedRandomAtStartup();
    }

    auto loop = std::make_shared<platform::ManualRunLoop>();
    auto previousLoop = platform::RunLoop::setMain(loop);
    auto tiltSource = std::make_unique<platform::ScriptedTiltSource>();
    platform::ScriptedTiltSource* tilt = tiltSource.get();
    auto previousAccelerometer = platform::Accelerometer::setShared(
        std::make_shared<platform::Accelerometer>(std::move(tiltSource), loop.get()));
    // Headless, no page is opened: each one the run would open is recorded for the JSON line.
    auto opener = std::make_shared<platform::RecordingUrlOpener>();
    auto previousOpener = platform::UrlOpener::setShared(opener);
    const float previousScale = platform::ui::Screen::mainScale();
    platform::ui::Screen::setMainScale(options_.screenScale);
    struct Restore {
        std::shared_ptr<platform::RunLoop> loop;
        std::shared_ptr<platform::Accelerometer> accelerometer;
        std::shared_ptr<platform::UrlOpener> opener;
        float scale;
        ~Restore() {
            platform::ui::Screen::setMainScale(scale);
            // The end of the run, as the window run ends: stores flush, and the next run in this
            // process opens the user defaults under its own home.
            platform::ui::Application::shared().terminate();
            platform::UserDefaults::resetStandard();
            platform::UrlOpener::setShared(opener);
            platform::Accelerometer::setShared(accelerometer);
            platform::RunLoop::setMain(loop);
        }
    } restore{previousLoop, previousAccelerometer, previousOpener, previousScale};

    auto gl = platform::GLContext::createHeadless(error);
    if (!gl) return std::nullopt;
    gl->makeCurrent();

    MyAppCore core(options_.resources, gl);
    if (soundObserver_) {
        AppCoreBase::Frontend frontend;
        frontend.onSound = [&](int n) {
            soundObserver_(core.gameView() ? core.gameView()->tickCount() : 0, n);
        };
        core.setFrontend(frontend);
    }
    const auto& window = core.window();
    window->setRunLoop(loop.get());
    core.setDateSource([&loop] { return kRunEpoch + loop->now(); });
    // A manager of this run's own: its check times belong to this run's home.
    core.setAnnounceManager(AnnounceManager::create());
    core.setMainScreenScale(options_.screenScale);
    core.init();
    // The launch shows the title screen, exactly as the window does.
    core.applicationDidFinishLaunchingWithOptions(std::nullopt);
    // The launch's announcement check runs on its own thread against the real clock; it ends before
    // the first tick, so a run against the same server always shows the same banner.
    core.announceManager().waitForDownload();
    if (options_.level != 0) {
        // Straight into a game, through the app core's game start: its score is recorded and the
        // game-over screen follows.
        core.setCurrentLevelId(options_.level);
        core.stopAllViews();
        core.startGameView();
        if (core.currentScreenName() != "game") {
            *exitCode = 2;
            *error = "no level with id " + std::to_string(options_.level);
            return std::nullopt;
        }
    }
    platform::ui::Application::shared().finishLaunching();
    if (options_.openUrl) core.applicationHandleOpenURL(*options_.openUrl);
    platform::ui::UiDriver ui(window, loop.get());

    // Touches go through the window's hit testing, as the mouse does in the window.
    constexpr std::uint64_t kFinger = 1;
    bool fingerDown = false;
    platform::Point fingerAt;
    long long tick = 0;
    // URLs and alert answers come from outside the game: after their tick, not inside it.
    std::vector<std::function<void()>> afterTick;
    auto deliver = [&](const InputEvent& ev) {
        switch (ev.kind) {
            case InputEvent::Kind::Tilt:
                tilt->setScriptedTilt(ev.x);
                break;
            case InputEvent::Kind::Down:
                fingerAt = {static_cast<float>(ev.x), static_cast<float>(ev.y)};
                window->handleTouch(
                    kFinger, fingerDown ? platform::ui::TouchPhase::Moved : platform::ui::TouchPhase::Began,
                    fingerAt);
                fingerDown = true;
                break;
            case InputEvent::Kind::Up:
                if (!fingerDown) break;
                window->handleTouch(kFinger, platform::ui::TouchPhase::Ended, fingerAt);
                fingerDown = false;
                break;
            case InputEvent::Kind::Open:
                // As from outside: after this tick, not inside it.
                afterTick.push_back([&core, url = ev.text] { core.applicationHandleOpenURL(url); });
                break;
            case InputEvent::Kind::Alert:
                afterTick.push_back([&ui, title = ev.text, at = tick] {
                    if (!ui.answerFront(title)) {
                        LogMessage("input script", 3,
                                   "tick " + std::to_string(at) + ": no alert with a \"" + title +
                                       "\" button on screen");
                    }
                });
                break;
        }
    };

    // The whole window (screens and game) is what a capture shows.
    std::unique_ptr<platform::ui::WindowRenderer> renderer;
    auto drawWindow = [&](const std::string& path, std::string* why) {
        if (!renderer) renderer = std::make_unique<platform::ui::WindowRenderer>(gl, options_.screenScale);
        if (renderer->render(*window)) return true;
        *why = path + ": the window could not be drawn";
        return false;
    };
    auto capture = [&](const std::string& path, std::string* why) {
        return drawWindow(path, why) && renderer->capturePng(path, why);
    };
    // Frame files are encoded and written on a worker thread, in order.
    std::optional<FrameWriter> frames;
    if (options_.framesDir) frames.emplace(*options_.framesDir);

    // Only the game frames a capture shows are drawn: ticks alone run hundreds of times faster
    // than ticks and frames, and drawing never changes the game.
    bool captureThisTick = false;
    const bool ownPlay = ownScript_ && !options_.input && !options_.ticksGiven;
    const bool untilGameOver = (options_.level != 0 && !options_.ticksGiven) || ownPlay;
    const long long limit = ownPlay ? ownScriptTicks_ : untilGameOver ? kUntilGameOverCap : options_.ticks;
    std::string frameError;
    bool soundFailed = false;
    while (tick < limit && frameError.empty() && !soundFailed) {
        if (untilGameOver && core.currentScreenName() == "gameover") break;
        ++tick;
        captureThisTick = frames && tick % options_.frameEvery == 0;
        if (GameViewBase* view = core.gameView(); view != nullptr && !view->hasRenderPolicy())
            view->setRenderPolicy([&captureThisTick](int) { return captureThisTick; });
        if (script) script->forTick(tick, deliver);
        loop->advance(kFramePeriod);
        if (recorder) soundFailed = !recorder->catchUp(tick);
        for (auto& action : afterTick) action();
        afterTick.clear();
        if (captureThisTick) {
            char name[32];
            std::snprintf(name, sizeof name, "frame-%06lld.png", tick);
            int w = 0;
            int h = 0;
            std::vector<std::uint8_t> rgba;
            if (drawWindow(name, &frameError)) rgba = renderer->readPixels(w, h);
            if (frameError.empty() && rgba.empty()) frameError = std::string(name) + ": no frame to write";
            if (frameError.empty() && !frames->add(name, std::move(rgba), w, h)) frames->finish(&frameError);
        }
    }
    if (frames && frameError.empty()) frames->finish(&frameError);
    if (!frameError.empty()) {
        *error = frameError;
        return std::nullopt;
    }
    if (recorder && (soundFailed || !recorder->finish(error))) {
        if (soundFailed) *error = *options_.soundOut + ": the sound file could not be written";
        return std::nullopt;
    }
    // A transition still running ends where it was going.
    window->finishTransition();

    auto* manager = dynamic_cast<JTApp::MyLevelManager*>(core.appContext()->getLevelManager().get());
    GameViewBase* view = core.gameView();
    result.level = manager && view ? manager->getStartedSceneLevelId() : core.currentLevelId();
    if (view) {
        result.ticks = view->tickCount();
        result.frames = view->frames();
        result.rendered = view->renderedFrames();
        if (auto* scene = dynamic_cast<JTApp::GameSceneBase*>(view->gameScene())) {
            result.score = scene->getScore();
            result.state = stateName(scene->getState());
        }
    }
    result.screen = core.currentScreenName();
    result.opened = opener->opened();
    if (options_.screenshot) {
        // The game's last state, drawn now unless its frame was drawn already.
        if (view && (view->renderedFrames() == 0 || view->drawnFrame() != view->frames())) {
            view->draw();
            ++result.rendered;
        }
        if (!capture(*options_.screenshot, error)) return std::nullopt;
    }
    *exitCode = 0;
    return result;
}
