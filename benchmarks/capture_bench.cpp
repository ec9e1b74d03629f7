// What a capture costs, and what the whole program costs next to a bare EGL process: writing a
// captured frame against drawing it, start-up to a written --screenshot, and the peak memory of a
// 10 000-tick game. The machine is shared, so each figure is the median of runs made in pairs,
// each pair close in time: the game's run and its baseline meet the same load.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/MyAppCore.h"
#include "appbase/JTAppContext.h"
#include "appbase/JTLevelManager.h"
#include "appbase/JTRandom.h"
#include "benchmarks/BenchHome.h"
#include "platform/audio/AudioDevice.h"
#include "platform/foundation/AppPaths.h"
#include "platform/foundation/FileIO.h"
#include "platform/gl/GLContext.h"
#include "platform/image/PngCodec.h"
#include "platform/runloop/ManualRunLoop.h"
#include "platform/ui/WindowRenderer.h"
#include "shell/MyGameView.h"

namespace fs = std::filesystem;

namespace {

const std::string kGame = std::string(TIKOLEAP_BINARY_DIR) + "/tikoleap";
const std::string kBare = std::string(TIKOLEAP_BINARY_DIR) + "/tikoleap-bare-egl";
const std::string kPeak = std::string(TIKOLEAP_BINARY_DIR) + "/tikoleap-peak";
constexpr int kPairs = 9;

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values.empty() ? 0.0 : values[values.size() / 2];
}

double millisecondsOf(const std::function<void()>& work) {
    const auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

// A finished child process: its wall time and its own peak resident set.
struct Child {
    bool ok = false;
    double milliseconds = 0;
    double peakMegabytes = 0;
};

// Through the small peak launcher, so the child's peak is its own and not this process's.
Child runChild(const std::vector<std::string>& args) {
    const std::string result = (tikoleap::bench::benchHome("peak") / "result").string();
    std::vector<char*> argv = {const_cast<char*>(kPeak.c_str()), const_cast<char*>(result.c_str())};
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    Child child;
    std::filesystem::remove(result);
    const auto start = std::chrono::steady_clock::now();
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) return child;
    int status = 0;
    if (waitpid(pid, &status, 0) != pid) return child;
    child.milliseconds =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    long peakKilobytes = 0;
    int code = -1;
    std::ifstream(result) >> peakKilobytes >> code;
    child.peakMegabytes = static_cast<double>(peakKilobytes) / 1024.0;
    child.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0 && code == 0 && peakKilobytes > 0;
    return child;
}

// The game's run and the bare process, kPairs times each, alternating: the medians of each and of
// the pairs' ratios. `gameDidItsWork`, asked after each of the game's runs, tells whether the run
// made what it is measured for.
void pairedWithBare(
    benchmark::State& state, const std::vector<std::string>& game,
    const std::function<double(const Child&)>& measure, const char* unit,
    const std::function<bool()>& gameDidItsWork = [] { return true; }) {
    for (auto _ : state) {
        // One run first: the home's files and the GL library's caches exist before timing.
        if (!runChild(game).ok || !runChild({kBare}).ok) return state.SkipWithError("a run failed");
        if (!gameDidItsWork()) return state.SkipWithError("the game's run did not make its output");
        std::vector<double> ours;
        std::vector<double> bare;
        std::vector<double> ratios;
        for (int i = 0; i < kPairs; ++i) {
            const Child a = runChild(game);
            const Child b = runChild({kBare});
            if (!a.ok || !b.ok) return state.SkipWithError("a run failed");
            if (!gameDidItsWork()) return state.SkipWithError("the game's run did not make its output");
            ours.push_back(measure(a));
            bare.push_back(measure(b));
            ratios.push_back(measure(b) > 0 ? measure(a) / measure(b) : 0);
        }
        state.counters[std::string("game_") + unit] = median(ours);
        state.counters[std::string("bare_") + unit] = median(bare);
        state.counters["ratio"] = median(ratios);
    }
}

// Start to a written --screenshot: the launch, Level Normal's first tick, the window drawn and
// its PNG written. Goal: at most twice the bare process.
void BM_StartToScreenshotVsBareEgl(benchmark::State& state) {
    const fs::path home = tikoleap::bench::benchHome("start");
    const std::vector<std::string> game = {
        kGame,    "--headless", "--home",  home.string(), "--level",      "20",
        "--seed", "1",          "--ticks", "1",           "--screenshot", (home / "shot.png").string()};
    // Each run must write the screenshot anew.
    const fs::path shot = home / "shot.png";
    std::error_code ec;
    fs::remove(shot, ec);
    const auto wroteShot = [&] {
        std::error_code sizeError;
        const bool wrote = fs::file_size(shot, sizeError) > 0 && !sizeError;
        fs::remove(shot, sizeError);
        return wrote;
    };
    pairedWithBare(
        state, game, [](const Child& c) { return c.milliseconds; }, "ms", wroteShot);
}
BENCHMARK(BM_StartToScreenshotVsBareEgl)->Unit(benchmark::kMillisecond)->Iterations(1);

// Peak resident set of a 10 000-tick game without captures (the argument is the level: Normal,
// Colors). Goal: at most 1.15 times the bare process.
void BM_PeakMemory10000TicksVsBareEgl(benchmark::State& state) {
    const fs::path home = tikoleap::bench::benchHome("memory");
    const std::vector<std::string> game = {
        kGame,    "--headless", "--home",  home.string(), "--level", std::to_string(state.range(0)),
        "--seed", "1",          "--ticks", "10000"};
    pairedWithBare(
        state, game, [](const Child& c) { return c.peakMegabytes; }, "MB");
}
BENCHMARK(BM_PeakMemory10000TicksVsBareEgl)
    ->ArgName("level")
    ->Arg(20)
    ->Arg(32)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);

// Level Normal in play on a headless context with the window it is shown on, as a --frames-dir
// run has them.
class CapturedGame {
  public:
    CapturedGame() {
        platform::AppPaths::setHome(home_);
        platform::audio::setOutputMode(platform::audio::OutputMode::Disabled);
        previous_ = platform::RunLoop::setMain(loop_);
        gl_ = platform::GLContext::createHeadless(&error_);
        if (!gl_) return;
        gl_->makeCurrent();
        JTAppBase::JTRandom::current().seed(1234);
        core_ = std::make_unique<MyAppCore>(TIKOLEAP_RESOURCES_DIR, gl_);
        core_->setGameRenderPolicy([](int) { return false; });
        core_->init();
        core_->appContext()->getLevelManager()->reloadLevels();
        core_->setCurrentLevelId(20);
        core_->startGameView();
        renderer_ = std::make_unique<platform::ui::WindowRenderer>(gl_);
        loop_->advance(3.0);  // past the intro
    }
    ~CapturedGame() {
        renderer_.reset();
        core_.reset();
        platform::RunLoop::setMain(previous_);
        platform::AppPaths::setHome({});
        fs::remove_all(home_);
    }
    GameViewBase* view() const { return core_ ? core_->gameView() : nullptr; }
    platform::ui::WindowRenderer& renderer() { return *renderer_; }
    platform::ui::Window& window() { return *core_->window(); }
    platform::ManualRunLoop& loop() { return *loop_; }
    const std::string& error() const { return error_; }

  private:
    fs::path home_ = tikoleap::bench::benchHome("capture");
    std::shared_ptr<platform::ManualRunLoop> loop_ = std::make_shared<platform::ManualRunLoop>();
    std::shared_ptr<platform::RunLoop> previous_;
    std::shared_ptr<platform::GLContext> gl_;
    std::unique_ptr<MyAppCore> core_;
    std::unique_ptr<platform::ui::WindowRenderer> renderer_;
    std::string error_;
};

// One captured frame, in pairs: the game frame drawn (read back with glFinish, so the rasteriser
// counts), against the captured window's PNG encoded and written, as the frame writer does.
// Goal: writing costs at most twice the drawing. The readback on the frame loop is shown apart.
void BM_CapturedFrameWriteVsRender(benchmark::State& state) {
    CapturedGame game;
    if (game.view() == nullptr) return state.SkipWithError(game.error().c_str());
    const fs::path file = platform::AppPaths::documentsDirectory() / "frame.png";
    for (auto _ : state) {
        std::vector<double> render;
        std::vector<double> readback;
        std::vector<double> write;
        std::vector<double> ratios;
        for (int i = 0; i < 200; ++i) {
            game.loop().advance(0.010);
            render.push_back(millisecondsOf([&] {
                game.view()->draw();
                glFinish();
            }));
            game.renderer().render(game.window());
            glFinish();
            int w = 0;
            int h = 0;
            std::vector<std::uint8_t> rgba;
            readback.push_back(millisecondsOf([&] { rgba = game.renderer().readPixels(w, h); }));
            bool written = false;
            write.push_back(millisecondsOf([&] {
                const std::vector<std::uint8_t> png = platform::PngCodec::encodeFast(rgba.data(), w, h);
                written =
                    !png.empty() && platform::writeFileAtomically(file, png.data(), png.size(),
                                                                  platform::AtomicWriteOptions{0644, false});
            }));
            if (w <= 0 || h <= 0 || !written)
                return state.SkipWithError("a frame was not read back or written");
            ratios.push_back(write.back() / render.back());
        }
        state.counters["render_ms"] = median(render);
        state.counters["readback_ms"] = median(readback);
        state.counters["write_ms"] = median(write);
        state.counters["ratio"] = median(ratios);
    }
}
BENCHMARK(BM_CapturedFrameWriteVsRender)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace
