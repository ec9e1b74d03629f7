// Native video on the loopback server: how long a source takes to its first picture on screen,
// and what each picture of a playing video costs the main thread (its bus and position events,
// and the texture upload and draw of the view). Silent, as headless runs are.
#include <benchmark/benchmark.h>

#include <time.h>

#include <chrono>
#include <memory>
#include <string>

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

// The first source of the run (cold: GStreamer loads its plugins and the decoder its code) and the
// ones after it (warm) apart, each against the goal of at most 300 ms.
void BM_VideoSourceToFirstFrame(benchmark::State& state) {
    Stage stage;
    if (!stage.renderer) return state.SkipWithError(("no GL or no server: " + stage.error).c_str());
    bool first = true;
    double warmMs = 0;
    int warmRuns = 0;
    for (auto _ : state) {
        const auto start = Clock::now();
        auto player = GstMediaPlayer::create(nullptr);
        if (!player) return state.SkipWithError("no GStreamer player");
        player->replaceItem(stage.url());
        auto view = stage.show(player);
        const bool drawn = platform::MainContextPump::waitUntil(
            [&] {
                stage.renderer->render(*stage.window);
                return view->drawnSerial() > 0;
            },
            10);
        const double ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
        state.SetIterationTime(ms / 1000);
        view->removeFromSuperview();
        if (!drawn) return state.SkipWithError("no frame within 10 s");
        if (first) {
            state.counters["cold_ms"] = ms;
        } else {
            warmMs += ms;
            ++warmRuns;
        }
        first = false;
    }
    if (warmRuns) state.counters["warm_ms"] = warmMs / warmRuns;
}
BENCHMARK(BM_VideoSourceToFirstFrame)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(10);

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
