// Native video on the loopback server: how long a source takes to its first picture on screen,
// cold (the first of a fresh process) and warm apart, and what each picture of a playing video
// costs the main thread (its bus and position events, and the texture upload and draw of the
// view). Silent, as headless runs are.
#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <memory>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "benchmarks/BenchHome.h"

#include "platform/audio/AudioDevice.h"
#include "platform/gl/GLContext.h"
#include "platform/media/GstMediaPlayer.h"
#include "platform/media/VideoView.h"
#include "platform/runloop/MainContextPump.h"
#include "platform/runloop/ManualRunLoop.h"
#include "platform/ui/Window.h"
#include "platform/ui/WindowRenderer.h"
#include "tools/adserver/AdServer.h"

namespace {

using Clock = std::chrono::steady_clock;
using platform::media::GstMediaPlayer;
using platform::media::VideoView;

// The main thread's processor time (not wall time: on a busy machine a thread waits its turn).
Clock::duration threadTime() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return std::chrono::seconds(now.tv_sec) + std::chrono::nanoseconds(now.tv_nsec);
}

// Times the view's own drawing, the main thread's share of each picture.
class TimedVideoView : public VideoView {
  public:
    using VideoView::VideoView;
    void draw(platform::ui::DrawContext& ctx) override {
        const auto before = drawnSerial();
        const auto start = threadTime();
        VideoView::draw(ctx);
        const auto took = threadTime() - start;
        // A window frame without a new picture redraws the texture as it would any other; the
        // picture's own cost is that of the frames that bring one.
        if (drawnSerial() != before) spent += took;
    }
    Clock::duration spent{};
};

struct Stage {
    std::string error;
    std::shared_ptr<platform::GLContext> gl = platform::GLContext::createHeadless(&error);
    platform::ManualRunLoop loop;
    std::shared_ptr<platform::ui::Window> window = std::make_shared<platform::ui::Window>();
    std::unique_ptr<platform::ui::WindowRenderer> renderer;
    tikoleap::adserver::AdServer server;

    Stage() {
        platform::audio::setOutputMode(platform::audio::OutputMode::Disabled);
        window->setRunLoop(&loop);
        if (gl) renderer = std::make_unique<platform::ui::WindowRenderer>(gl);
        if (!server.start(0, "", &error)) renderer.reset();
    }
    std::string url() const { return server.baseURL() + "video/green.webm"; }
    std::shared_ptr<TimedVideoView> show(const std::shared_ptr<GstMediaPlayer>& player) {
        auto view = std::make_shared<TimedVideoView>(player);
        view->setFrame({0, 120, 320, 240});
        window->addSubview(view);
        return view;
    }
};

// One source from the player made to its first picture drawn, in ms; nullopt past 10 s.
std::optional<double> sourceToFirstFrameMs(Stage& stage) {
    const auto start = Clock::now();
    auto player = GstMediaPlayer::create(nullptr);
    if (!player) return std::nullopt;
    player->replaceItem(stage.url());
    auto view = stage.show(player);
    const bool drawn = platform::MainContextPump::waitUntil(
        [&] {
            stage.renderer->render(*stage.window);
            return view->drawnSerial() > 0;
        },
        10);
    const double ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
    view->removeFromSuperview();
    if (!drawn) return std::nullopt;
    return ms;
}

// Names the process a cold load is timed in: it runs only BM_VideoSourceToFirstFrameCold.
constexpr const char* kFreshProcess = "TIKOLEAP_BENCH_FRESH_VIDEO_PROCESS";

// The cold load of a fresh run of this binary, read from its JSON report; nullopt when it showed
// no picture or did not end within 60 s.
std::optional<double> coldLoadInFreshProcess() {
    const std::string report = (tikoleap::bench::benchHome("video-cold") / "report.json").string();
    std::filesystem::remove(report);
    const std::string exe = std::filesystem::read_symlink("/proc/self/exe").string();
    const std::string filter = "--benchmark_filter=^BM_VideoSourceToFirstFrameCold/";
    const std::string out = "--benchmark_out=" + report;
    const std::string format = "--benchmark_out_format=json";
    std::vector<char*> argv = {const_cast<char*>(exe.c_str()), const_cast<char*>(filter.c_str()),
                               const_cast<char*>(out.c_str()), const_cast<char*>(format.c_str()), nullptr};
    std::vector<std::string> env = {std::string(kFreshProcess) + "=1"};
    for (char** e = environ; *e; ++e) env.emplace_back(*e);
    std::vector<char*> envp;
    for (std::string& e : env) envp.push_back(e.data());
    envp.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, exe.c_str(), &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) return std::nullopt;
    int status = 0;
    const auto deadline = Clock::now() + std::chrono::seconds(60);
    while (waitpid(pid, &status, WNOHANG) == 0) {
        if (Clock::now() > deadline) {
            kill(pid, SIGKILL);
            waitpid(pid, &status, 0);
            return std::nullopt;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return std::nullopt;
    std::ifstream in(report);
    const auto json = nlohmann::json::parse(in, nullptr, false);
    if (!json.is_object() || !json.contains("benchmarks") || json["benchmarks"].empty()) return std::nullopt;
    const auto& run = json["benchmarks"][0];
    if (!run.contains("cold_ms") || !run["cold_ms"].is_number()) return std::nullopt;
    return run["cold_ms"].get<double>();
}

// The first source of a process: GStreamer loads its plugins and the decoder its code. Whatever the
// benchmarks before it loaded or left running, each load is timed in a fresh run of this binary
// (goal: at most 300 ms).
void BM_VideoSourceToFirstFrameCold(benchmark::State& state) {
    if (std::getenv(kFreshProcess)) {
        Stage stage;
        if (!stage.renderer) return state.SkipWithError(("no GL or no server: " + stage.error).c_str());
        const auto ms = sourceToFirstFrameMs(stage);
        if (!ms) return state.SkipWithError("no frame within 10 s");
        for (auto _ : state) state.SetIterationTime(*ms / 1000);
        state.counters["cold_ms"] = *ms;
        return;
    }
    double worstMs = 0;
    for (auto _ : state) {
        const auto ms = coldLoadInFreshProcess();
        if (!ms) return state.SkipWithError("the fresh process showed no frame");
        state.SetIterationTime(*ms / 1000);
        worstMs = std::max(worstMs, *ms);
    }
    state.counters["worst_cold_ms"] = worstMs;
}
BENCHMARK(BM_VideoSourceToFirstFrameCold)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);

// The sources after the first in a process (goal: at most 300 ms); the first, cold, is loaded
// untimed beforehand.
void BM_VideoSourceToFirstFrameWarm(benchmark::State& state) {
    Stage stage;
    if (!stage.renderer) return state.SkipWithError(("no GL or no server: " + stage.error).c_str());
    if (!sourceToFirstFrameMs(stage)) return state.SkipWithError("no frame within 10 s");
    for (auto _ : state) {
        const auto ms = sourceToFirstFrameMs(stage);
        if (!ms) return state.SkipWithError("no frame within 10 s");
        state.SetIterationTime(*ms / 1000);
    }
}
BENCHMARK(BM_VideoSourceToFirstFrameWarm)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(9);

void BM_VideoMainThreadPerFrame(benchmark::State& state) {
    Stage stage;
    if (!stage.renderer) return state.SkipWithError(("no GL or no server: " + stage.error).c_str());
    double perFrameMs = 0;
    for (auto _ : state) {
        auto player = GstMediaPlayer::create(nullptr);
        if (!player) return state.SkipWithError("no GStreamer player");
        player->replaceItem(stage.url());
        player->play();
        auto view = stage.show(player);
        Clock::duration dispatching{};
        std::uint64_t frames = 0;
        std::uint64_t lastSerial = 0;
        const auto end = Clock::now() + std::chrono::seconds(3);
        // A window at 60 frames a second: the events of the moment, then a frame.
        while (Clock::now() < end) {
            const auto start = threadTime();
            platform::MainContextPump::dispatchReady();
            dispatching += threadTime() - start;
            stage.renderer->render(*stage.window);
            if (view->drawnSerial() != lastSerial) {
                lastSerial = view->drawnSerial();
                ++frames;
            }
            platform::MainContextPump::waitUntil([] { return false; }, 1.0 / 60);
        }
        view->removeFromSuperview();
        if (frames == 0) return state.SkipWithError("no frame drawn");
        perFrameMs = std::chrono::duration<double, std::milli>(dispatching + view->spent).count() /
                     static_cast<double>(frames);
        state.counters["frames"] = static_cast<double>(frames);
        state.counters["draw_ms_per_frame"] =
            std::chrono::duration<double, std::milli>(view->spent).count() / static_cast<double>(frames);
    }
    state.counters["main_ms_per_frame"] = perFrameMs;
}
BENCHMARK(BM_VideoMainThreadPerFrame)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace
