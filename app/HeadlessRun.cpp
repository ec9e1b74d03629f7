#include "app/HeadlessRun.h"

#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

#include "ads/public/DZAdActivity.h"
#include "ads/public/DZAdFormats.h"
#include "app/FrameWriter.h"
#include "app/HeadlessWaits.h"
#include "app/InputScript.h"
#include "app/MyAppCore.h"
#include "app/SoundRecorder.h"
#include "appbase/GameSceneBase.h"
#include "appbase/JTRandom.h"
#include "appbase/LogMessage.h"
#include "levels/MyLevelManager.h"
#include "platform/audio/AudioDevice.h"
#include "platform/defaults/UserDefaults.h"
#include "platform/foundation/AppPaths.h"
#include "platform/foundation/StoredFile.h"
#include "platform/gl/GLContext.h"
#include "platform/image/PngCodec.h"
#include "platform/launcher/UrlOpener.h"
#include "platform/motion/Accelerometer.h"
#include "platform/motion/ScriptedTiltSource.h"
#include "platform/runloop/ManualRunLoop.h"
#include "platform/ui/Application.h"
#include "platform/ui/Screen.h"
#include "platform/ui/UiDriver.h"
#include "platform/ui/ViewController.h"
#include "platform/ui/Window.h"
#include "platform/ui/WindowRenderer.h"
#include "platform/web/WebViews.h"
#include "platform/window/WindowEvent.h"
#include "services/AnnounceManager.h"
#include "services/DiDazSupport.h"
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
// Real seconds the run stands still for the pings still on their way when it ends.
constexpr double kPingWaitSeconds = 5;

const char* bannerStateName(DiDazSupport::BannerState state) {
    switch (state) {
        case DiDazSupport::BannerState::pending:
            return "pending";
        case DiDazSupport::BannerState::received:
            return "received";
        case DiDazSupport::BannerState::failed:
            return "failed";
        default:
            return "none";
    }
}

// Without --ticks, a run of a --level stops at the game-over screen, or after this many ticks
// (5 minutes of play: a hero left untouched can bounce on the first platforms for ever).
constexpr long long kUntilGameOverCap = 30000;

}  // namespace

std::optional<RunResult> HeadlessRun::run(std::string* error, int* exitCode) {
    const std::uint64_t failedBefore = platform::storedSaveFailures();
    auto result = play(error, exitCode);
    // The run's end has flushed the stores: a score, setting or unlock that could not be kept
    // fails the run, however well the game itself went.
    if (result) {
        result->storeWritesFailed = static_cast<long long>(platform::storedSaveFailures() - failedBefore);
        if (result->storeWritesFailed > 0) {
            *exitCode = 1;
            *error = std::to_string(result->storeWritesFailed) +
                     " store write(s) failed: what the run meant to keep is lost (see the log)";
        }
    }
    return result;
}

std::optional<RunResult> HeadlessRun::play(std::string* error, int* exitCode) {
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
            DZAdActivity::setPagesOnRealTime(false);
        }
    } restore{previousLoop, previousAccelerometer, previousOpener, previousScale};
    // Pages log and act in real time, whatever the virtual clock does meanwhile: their rates and
    // the while a tap explains an open are measured so.
    DZAdActivity::setPagesOnRealTime(true);

    auto gl = platform::GLContext::createHeadless(error);
    if (!gl) return std::nullopt;
    gl->makeCurrent();

    // The ad formats' hooks and start-up steps, before anything can start the ad component.
    DZAdFormats::installHooks();
    MyAppCore core(options_.resources, gl);
    const long long adFetchesBefore = DZAdActivity::fetchesStarted();
    // Ad loads up to here are earlier runs' (in this process): only this run's are waited for.
    const long long adLoadsBefore = DZAdActivity::loadsStarted();
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
    // Only the game frames a capture shows are drawn, when it shows them (drawWindow): ticks
    // alone run hundreds of times faster than ticks and frames, and drawing never changes the
    // game. Set before any game starts, so that no game view draws a frame of its own.
    core.setGameRenderPolicy([](int) { return false; });
    core.init();
    // The launch shows the title screen, exactly as the window does.
    core.applicationDidFinishLaunchingWithOptions(std::nullopt);
    // The launch's announcement check runs on its own thread against the real clock; it ends before
    // the first tick, so a run against the same server always shows the same banner. A server that
    // is slow to answer (each hop of each file may take its own time-out) holds the start for a
    // bounded time only.
    core.announceManager().waitForDownload(options_.announceWaitSeconds);
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

    AnnounceManager& announcer = core.announceManager();
    const int interstitialsBefore = announcer.interstitialsPresented();
    HeadlessWaits waits(*loop, core, options_.screenScale, {webWaitLimit_, adWaitLimit_}, adLoadsBefore);

    // --web-page: one view of the window's size, off screen, made after the first tick. Only its
    // first end counts: a page that loads and then navigates on has loaded.
    struct PageWatch : platform::web::WebEngineDelegate {
        RunResult::WebPage report;
        const long long* tick = nullptr;
        bool ended = false;
        void loadFinished() override {
            if (!std::exchange(ended, true)) report.loadedAtTick = *tick;
        }
        void loadFailed(const platform::web::WebError& e) override {
            if (!std::exchange(ended, true))
                report.error = e.message + " (" + e.domain + " " + std::to_string(e.code) + ")";
        }
    };
    PageWatch pageWatch;
    std::unique_ptr<platform::web::WebEngine> pageView;
    auto openWebPage = [&] {
        const platform::Size size = window->bounds().size;
        pageView = platform::web::WebViews::create(static_cast<int>(size.width),
                                                   static_cast<int>(size.height), &pageWatch.report.error);
        if (!pageView) return;
        pageView->setDelegate(&pageWatch);
        pageView->loadRequest({*options_.webPage, {}});
    };

    // Touches go through the window's hit testing, as the mouse does in the window.
    constexpr std::uint64_t kFinger = 1;
    bool fingerDown = false;
    platform::Point fingerAt;
    long long tick = 0;
    pageWatch.tick = &tick;
    // URLs and alert answers come from outside the game: after their tick, not inside it.
    std::vector<std::function<void()>> afterTick;
    // Real seconds the script waits after this tick, the virtual clock standing still.
    double waitAfterTick = 0;
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
            case InputEvent::Kind::Background:
            case InputEvent::Kind::Foreground:
                // As from outside, and as the window hears it when minimised and restored: a
                // finger on the screen is cancelled, and the application's own notices pause the
                // game and shut the announcement check down (and start it again on the way back).
                afterTick.push_back([&window, &fingerDown, back = ev.kind == InputEvent::Kind::Background] {
                    platform::WindowEvent event;
                    event.type =
                        back ? platform::WindowEvent::Type::Minimized : platform::WindowEvent::Type::Restored;
                    window->handleWindowEvent(event);
                    if (back) fingerDown = false;
                });
                break;
            case InputEvent::Kind::Wait:
                waitAfterTick += ev.x;
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
        // The game on the window shows its current state (also the picture its end left there).
        if (GameViewBase* view = core.gameView();
            view != nullptr && (view->active() || view->lastPictureShown()))
            view->drawIfChanged();
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
    // A transition animates from the picture last drawn: a run that writes frames draws the
    // window as it is when one starts (its game as last drawn), so the frames show it coming from
    // there rather than from the last frame written.
    if (frames) {
        core.setWindowFrameDrawer([&] {
            if (!renderer)
                renderer = std::make_unique<platform::ui::WindowRenderer>(gl, options_.screenScale);
            renderer->render(*window);
        });
    }

    const bool ownPlay = ownScript_ && !options_.input && !options_.ticksGiven;
    const bool untilGameOver = (options_.level != 0 && !options_.ticksGiven) || ownPlay;
    const long long limit = ownPlay ? ownScriptTicks_ : untilGameOver ? kUntilGameOverCap : options_.ticks;
    std::string frameError;
    bool soundFailed = false;
    // Until the game-over screen shows, uncovered. An interstitial or an alert over it holds the
    // run while script lines are left to answer it; with none left, nothing can close it. So does
    // the screen's curtain coming down, as the pop-up comes only once it is down.
    auto over = [&] {
        const bool scriptLeft = script && script->hasEventsAfter(tick);
        const bool interstitial = announcer.interstitialAdPresenting();
        const bool covered = interstitial || window->frontModal() != nullptr ||
                             window->activeTransition() != platform::ui::WindowTransition::None;
        if (core.currentScreenName() == "gameover" && (!covered || !scriptLeft)) return true;
        // Once it has slid in, so that the end shows it.
        bool sliding = false;
        if (const auto& root = window->rootViewController()) {
            for (auto shown = root->presentedViewController(); shown;
                 shown = shown->presentedViewController())
                sliding = sliding || shown->isBeingPresented();
        }
        if (interstitial && !scriptLeft && !sliding) {
            LogMessage(
                "headless run", 3,
                "tick " + std::to_string(tick) +
                    ": the run ends with the interstitial on screen, no script line being left to close "
                    "it (the house interstitial's close button is at (16, 16), a rich-media one's at the "
                    "top right)");
            return true;
        }
        return false;
    };
    while (tick < limit && frameError.empty() && !soundFailed) {
        if (untilGameOver && over()) break;
        ++tick;
        if (script) script->forTick(tick, deliver);
        loop->advance(kFramePeriod);
        if (recorder) soundFailed = !recorder->catchUp(tick);
        for (auto& action : afterTick) action();
        afterTick.clear();
        if (options_.webPage && tick == 1) openWebPage();
        if (tickObserver_) tickObserver_(tick);
        waits.afterTick();
        if (waitAfterTick > 0) {
            waits.standStill([] { return false; }, std::exchange(waitAfterTick, 0.0));
            waits.afterTick();
        }
        if (frames && tick % options_.frameEvery == 0) {
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
    core.setWindowFrameDrawer(nullptr);
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

    // The game's last state, drawn unless a frame capture showed it already.
    if (options_.screenshot && !capture(*options_.screenshot, error)) return std::nullopt;
    // Impressions and clicks reach their servers before the run ends, within a bound.
    if (DZAdActivity::fetchesStarted() != adFetchesBefore &&
        !waits.standStill([] { return DZAdActivity::pingsInFlight() == 0; }, kPingWaitSeconds))
        LogMessage("headless run", 3, "pings still on their way after 5 s are given up");
    if (const std::shared_ptr<DiDazSupport>& ads = core.diDazSupport())
        result.ads.banner = bannerStateName(ads->bannerState());
    result.ads.adRequests = DZAdActivity::fetchesStarted() - adFetchesBefore;
    result.ads.interstitialsShown = announcer.interstitialsPresented() - interstitialsBefore;
    result.ads.interstitialOnScreen = announcer.interstitialAdPresenting();

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
    if (options_.webPage) {
        if (pageView) pageView->setDelegate(nullptr);
        result.webPage = pageWatch.report;
        result.webPage->url = *options_.webPage;
        if (tick == 0) result.webPage->error = "the run ended before its first tick";
    }
    *exitCode = 0;
    return result;
}
