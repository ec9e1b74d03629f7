#include "app/HeadlessRun.h"

#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <memory>

#include "app/InputScript.h"
#include "app/PointerTouch.h"
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
#include "platform/ui/UiDriver.h"
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

bool writeFrame(const GameViewBase& view, const std::string& path, std::string* error) {
    const std::vector<std::uint8_t> rgba = view.readFrameRGBA();
    const auto size = view.surfaceSize();
    if (rgba.empty()) {
        *error = path + ": no frame to write";
        return false;
    }
    return platform::writePng(path, rgba.data(), static_cast<int>(size.width), static_cast<int>(size.height),
                              error);
}

}  // namespace

std::optional<RunResult> HeadlessRun::run(std::string* error, int* exitCode) {
    *exitCode = 2;
    std::optional<InputScript> script;
    if (options_.input) {
        script = InputScript::load(*options_.input, error);
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
    struct Restore {
        std::shared_ptr<platform::RunLoop> loop;
        std::shared_ptr<platform::Accelerometer> accelerometer;
        std::shared_ptr<platform::UrlOpener> opener;
        ~Restore() {
            // The end of the run, as the window run ends: stores flush, and the next run in this
            // process opens the user defaults under its own home.
            platform::ui::Application::shared().terminate();
            platform::UserDefaults::resetStandard();
            platform::UrlOpener::setShared(opener);
            platform::Accelerometer::setShared(accelerometer);
            platform::RunLoop::setMain(loop);
        }
    } restore{previousLoop, previousAccelerometer, previousOpener};

    auto gl = platform::GLContext::createHeadless(error);
    if (!gl) return std::nullopt;
    gl->makeCurrent();

    MyAppCore core(options_.resources, gl);
    bool titleShown = false;
    AppCoreBase::Frontend frontend;
    frontend.onTitle = [&] { titleShown = true; };
    if (soundObserver_) {
        frontend.onSound = [&](int n) {
            soundObserver_(core.gameView() ? core.gameView()->tickCount() : 0, n);
        };
    }
    core.setFrontend(frontend);
    core.init();
    core.applicationDidFinishLaunchingWithOptions(std::nullopt);

    // Until the title screen stands, the run goes from the title straight into a game: the level
    // asked for, or the stored one when it can be played.
    JTAppBase::JTLevelManager& levels = *core.appContext()->getLevelManager();
    core.setCurrentLevelId(options_.level != 0 ? options_.level
                                               : levels.getSelectableLevelId(core.currentLevelId()));
    titleShown = false;
    core.startGameView();
    if (titleShown || core.gameView() == nullptr) {
        *exitCode = 2;
        *error = "no level with id " + std::to_string(core.currentLevelId());
        return std::nullopt;
    }
    GameViewBase& view = *core.gameView();
    platform::ui::Application::shared().finishLaunching();
    if (options_.openUrl) core.applicationHandleOpenURL(*options_.openUrl);
    platform::ui::UiDriver ui(core.window(), loop.get());

    auto finger = std::make_shared<PointerTouch>();
    bool fingerDown = false;
    if (script) {
        view.setTickObserver([&](int tick) {
            script->forTick(tick, [&](const InputEvent& ev) {
                switch (ev.kind) {
                    case InputEvent::Kind::Tilt:
                        tilt->setScriptedTilt(ev.x);
                        break;
                    case InputEvent::Kind::Down:
                        finger->set({static_cast<float>(ev.x), static_cast<float>(ev.y)}, fingerDown ? 1 : 0);
                        if (fingerDown) {
                            view.touchesMoved({finger});
                        } else {
                            view.touchesBegan({finger});
                        }
                        fingerDown = true;
                        break;
                    case InputEvent::Kind::Up:
                        if (!fingerDown) break;
                        finger->set(finger->locationInView(), 3);
                        view.touchesEnded({finger});
                        fingerDown = false;
                        break;
                    case InputEvent::Kind::Open:
                        // As from outside: after this tick, not inside it.
                        loop->post([&core, url = ev.text] { core.applicationHandleOpenURL(url); });
                        break;
                    case InputEvent::Kind::Alert:
                        loop->post([&ui, title = ev.text, tick] {
                            if (!ui.answerFront(title)) {
                                LogMessage("input script", 3,
                                           "tick " + std::to_string(tick) + ": no alert with a \"" + title +
                                               "\" button on screen");
                            }
                        });
                        break;
                }
            });
        });
    }
    std::string frameError;
    if (options_.framesDir) {
        view.setFrameObserver([&](int frame) {
            if (frame % options_.frameEvery != 0 || !frameError.empty()) return;
            char name[32];
            std::snprintf(name, sizeof name, "frame-%06d.png", frame);
            writeFrame(view, (fs::path(*options_.framesDir) / name).string(), &frameError);
        });
    }

    bool soundFailed = false;
    while (view.tickCount() < options_.ticks && view.active() && frameError.empty() && !soundFailed) {
        loop->advance(kFramePeriod);
        if (recorder) soundFailed = !recorder->catchUp(view.tickCount());
    }
    if (!frameError.empty()) {
        *error = frameError;
        return std::nullopt;
    }
    if (recorder && (soundFailed || !recorder->finish(error))) {
        if (soundFailed) *error = *options_.soundOut + ": the sound file could not be written";
        return std::nullopt;
    }

    auto* manager = dynamic_cast<JTApp::MyLevelManager*>(core.appContext()->getLevelManager().get());
    result.level = manager ? manager->getStartedSceneLevelId() : core.currentLevelId();
    result.ticks = view.tickCount();
    result.frames = view.renderedFrames();
    if (auto* scene = dynamic_cast<JTApp::GameSceneBase*>(view.gameScene())) {
        result.score = scene->getScore();
        result.state = stateName(scene->getState());
    }
    result.opened = opener->opened();
    if (options_.screenshot && !writeFrame(view, *options_.screenshot, error)) return std::nullopt;
    *exitCode = 0;
    return result;
}
