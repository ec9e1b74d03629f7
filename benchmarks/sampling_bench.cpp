// One page-content sampling pass over the game-over screen (its interface file, with a banner ad
// view at the top showing a page on the real engine), on the window's kind of main loop: the
// longest single stretch of main-thread work while the pass runs. Argument: the banner page's text
// in KiB (0: the one sentence of a banner; 1024: a page at the 1 MiB cut). Needs an X display;
// without one it reports an error and skips.
#include <benchmark/benchmark.h>
#include <glib.h>

#include <algorithm>
#include <chrono>
#include <ctime>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "ads/render/sampling/DZContentSampler.h"
#include "ads/render/view/DZAdView.h"
#include "benchmarks/BenchWebHost.h"
#include "platform/defaults/UserDefaults.h"
#include "platform/foundation/AppPaths.h"
#include "platform/runloop/GLibRunLoop.h"
#include "platform/ui/UiResources.h"
#include "platform/web/WebKitHost.h"
#include "screens/MyGameOverView.h"

namespace fs = std::filesystem;

namespace {

using Clock = std::chrono::steady_clock;

// The main thread's own processor time, which the other processes of a shared machine do not add to.
double threadCpuMs() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
}

double msSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// The window's loop on GLib's default context, timing each posted task (a visit, a step of the
// walk).
class TimedLoop : public platform::GLibRunLoop {
  public:
    void post(Task fn) override {
        GLibRunLoop::post([this, fn = std::move(fn)] {
            const double start = threadCpuMs();
            fn();
            longestTaskCpuMs = std::max(longestTaskCpuMs, threadCpuMs() - start);
        });
    }
    double longestTaskCpuMs = 0;
};

// The longest stretches of one or more passes.
struct Slices {
    double taskCpuMs = 0;
    double turnCpuMs = 0;
    double turnMs = 0;
};

struct Loaded : DZAdViewDelegateProtocol {
    int finished = 0;
    void adViewDidFinishLoad(DZAdView&) override { ++finished; }
};

std::string bannerPage(std::size_t kib) {
    std::string text = "<p>The quick brown fox jumps over the lazy dog</p>";
    const std::string paragraph =
        "<p>Jump from cloud to cloud, 12 stars a level; \xe4\xbb\x8a\xe6\x97\xa5\xe3\x81\xaf "
        "\xed\x95\x9c\xea\xb5\xad\xec\x96\xb4 caf\xc3\xa9 na\xc3\xafve.</p>\n";
    while (text.size() < kib * 1024) text += paragraph;
    return "<html><body style='margin:0;font:14px sans-serif'>" + text + "</body></html>";
}

void BM_SamplingPassOverGameOverScreen(benchmark::State& state) {
    std::string error;
    if (!benchWebHost(error)) return state.SkipWithError(error.c_str());
    const fs::path home = fs::temp_directory_path() / "tikoleap-bench-sampling";
    platform::AppPaths::setHome(home);
    platform::UserDefaults::resetStandard();
    // Passes come from the benchmark alone.
    platform::UserDefaults::standard()->setDouble("/rerive/ads/traversal_interval", 3600);
    auto loop = std::make_shared<TimedLoop>();
    auto previousLoop = platform::RunLoop::setMain(loop);
    auto previousFactory = DZAdView::setEngineFactory([](int w, int h, std::string*) {
        std::string unused;
        platform::web::WebKitHost* started = benchWebHost(unused);
        return started ? started->createView(w, h) : nullptr;
    });
    auto previousCache = DZAdView::setWebViewCache(nullptr);
    {
        auto gameOver = std::make_shared<MyGameOverView>("GameOver_Portrait_Free");
        gameOver->setResources(std::make_shared<platform::ui::UiResources>(
            std::vector<fs::path>{fs::path(TIKOLEAP_RESOURCES_DIR) / "ui", TIKOLEAP_RESOURCES_DIR}));
        auto screen = gameOver->view();
        auto banner = DZAdView::create({0, 0, 320, 50});
        auto loaded = std::make_shared<Loaded>();
        banner->setDelegate(loaded);
        banner->loadHTMLString(bannerPage(static_cast<std::size_t>(state.range(0))), "http://127.0.0.1/");
        screen->addSubview(banner);
        std::size_t views = 0;
        std::vector<std::shared_ptr<platform::ui::View>> stack{screen};
        while (!stack.empty()) {
            auto view = stack.back();
            stack.pop_back();
            ++views;
            for (const auto& subview : view->subviews()) stack.push_back(subview);
        }
        if (!banner->engine() || !spinMainContext([&] { return loaded->finished > 0; })) {
            state.SkipWithError("the banner did not load");
        } else {
            spinMainContext([] { return false; }, 0.3);  // let the page's first frame be drawn
            auto sampler = DZContentSampler::create();
            sampler->startContentHashing();
            // Turns the loop until the pass ends; a turn dispatches whatever is ready, the
            // engine's own messages too, and a task is one step of the walk.
            const auto pass = [&](Slices& slices) {
                bool done = false;
                loop->longestTaskCpuMs = 0;
                sampler->samplePass(screen, [&](bool) { done = true; });
                const gint64 end = g_get_monotonic_time() + 30 * G_USEC_PER_SEC;
                while (!done && g_get_monotonic_time() < end) {
                    const auto turn = Clock::now();
                    const double cpu = threadCpuMs();
                    g_main_context_iteration(nullptr, FALSE);
                    slices.turnCpuMs = std::max(slices.turnCpuMs, threadCpuMs() - cpu);
                    slices.turnMs = std::max(slices.turnMs, msSince(turn));
                }
                slices.taskCpuMs = std::max(slices.taskCpuMs, loop->longestTaskCpuMs);
                return done;
            };
            // A process's first pass also runs its code for the first time.
            Slices first, later;
            if (!pass(first)) state.SkipWithError("a pass did not end");
            std::vector<double> passes;
            for (auto _ : state) {
                const auto start = Clock::now();
                if (!pass(later)) state.SkipWithError("a pass did not end");
                passes.push_back(msSince(start));
            }
            std::sort(passes.begin(), passes.end());
            state.counters["task_cpu_ms"] = later.taskCpuMs;
            state.counters["turn_cpu_ms"] = later.turnCpuMs;
            state.counters["turn_ms"] = later.turnMs;
            state.counters["first_pass_task_cpu_ms"] = first.taskCpuMs;
            state.counters["first_pass_turn_cpu_ms"] = first.turnCpuMs;
            state.counters["pass_ms"] = passes.empty() ? 0.0 : passes[passes.size() / 2];
            state.counters["views"] = static_cast<double>(views);
            // The passes must have read text: a pass over nothing is quick and proves nothing.
            const auto fingerprint = sampler->fingerprintWithServedPenaltyDeduction();
            if (!fingerprint || fingerprint->empty())
                state.SkipWithError("the passes kept no sample of the text");
            sampler->stopContentHashing();
        }
        banner->setDelegate({});
        banner->removeFromSuperview();
    }
    DZAdView::setWebViewCache(previousCache);
    DZAdView::setEngineFactory(previousFactory);
    platform::RunLoop::setMain(previousLoop);
    platform::UserDefaults::resetStandard();
    platform::AppPaths::setHome({});
    std::error_code ec;
    fs::remove_all(home, ec);
}
BENCHMARK(BM_SamplingPassOverGameOverScreen)
    ->Arg(0)
    ->Arg(1024)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(20);

}  // namespace
