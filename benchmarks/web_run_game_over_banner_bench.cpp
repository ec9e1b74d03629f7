// From a game over to its banner painted: a headless game of level 20 (the hero falls at tick 328)
// against the in-process local ad server, its interstitial closed at tick 400 (it slides out over
// 0.3 s), after which the game-over screen asks for its banner; the run stands still until the
// banner's page has painted (the core page's answer, the server's ad, the page's web process
// started, the page loaded and drawn). The figure is the real time from the end of the tick that
// asked to the end of that wait; the counters median_ms and first_ms (the process's first run,
// which starts the engine) go with it. A run whose banner did not arrive and paint within the
// run's own wait stops with an error. Its runs leave the core page loaded, so it comes after the
// real-engine banners' cold start in a whole set (benchmarks run in the order of their files). Needs an X
// display (run under scripts/with-display); without one this reports an error and skips.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "ads/public/DZAdActivity.h"
#include "app/HeadlessRun.h"
#include "benchmarks/BenchHome.h"
#include "benchmarks/BenchWebHost.h"
#include "platform/foundation/ScopedLogSink.h"
#include "platform/web/WebViews.h"
#include "tools/adserver/AdServer.h"

namespace {

using Clock = std::chrono::steady_clock;

// The game's two servers name this benchmark's while it runs; what was there before comes back.
class ServerVariables {
  public:
    explicit ServerVariables(const std::string& url) {
        for (const char* name : kNames) {
            const char* value = std::getenv(name);
            previous_.push_back(value ? std::optional<std::string>(value) : std::nullopt);
            setenv(name, url.c_str(), 1);
        }
    }
    ~ServerVariables() {
        for (std::size_t i = 0; i < previous_.size(); ++i) {
            if (previous_[i])
                setenv(kNames[i], previous_[i]->c_str(), 1);
            else
                unsetenv(kNames[i]);
        }
    }
    ServerVariables(const ServerVariables&) = delete;
    ServerVariables& operator=(const ServerVariables&) = delete;

  private:
    static constexpr const char* kNames[] = {"TIKOLEAP_AD_SERVER", "TIKOLEAP_WEB_URL"};
    std::vector<std::optional<std::string>> previous_;
};

// The tick that closes the interstitial; the game-over screen, and its banner, come after it.
constexpr long long kCloseTick = 400;

void BM_GameOverToBannerPainted(benchmark::State& state) {
    if (!platform::web::WebViews::displayNamed()) return state.SkipWithError("no display");
    if (const std::string renderer = makeGLContextBeforeTheEngine(); !renderer.empty())
        return state.SkipWithError(renderer.c_str());
    tikoleap::adserver::AdServer server;
    std::string error;
    if (!server.start(0, "", &error))
        return state.SkipWithError(("the local ad server did not start: " + error).c_str());
    const ServerVariables variables(server.baseURL());
    const auto folder = tikoleap::bench::benchHome("game-over-banner");
    const auto script = folder / "play.txt";
    std::ofstream(script) << "10 tilt 2\n" << kCloseTick << " down 16 16\n" << kCloseTick + 1 << " up\n";
    std::vector<double> ms;
    int round = 0;
    for (auto _ : state) {
        CommandLine options;
        options.headless = true;
        options.home = (folder / ("home-" + std::to_string(++round))).string();
        options.seed = 7;
        options.level = 20;
        options.resources = TIKOLEAP_RESOURCES_DIR;
        options.input = script.string();
        options.ticks = kCloseTick + 100;
        options.ticksGiven = true;
        options.announceWaitSeconds = 30;
        HeadlessRun run(options);
        // The banner's load starts in the tick the game-over screen appears; the run's wait for
        // its page follows the tick observer's call.
        long long loads = 0;
        std::optional<Clock::time_point> asked, painted;
        run.setTickObserver([&](long long tick) {
            const long long now = DZAdActivity::loadsStarted();
            if (asked && !painted) painted = Clock::now();
            if (tick > kCloseTick && !asked && now > loads) asked = Clock::now();
            loads = now;
        });
        platform::ScopedLogSink log(true);
        int code = 0;
        const std::optional<RunResult> result = run.run(&error, &code);
        bool waitRanOut = false;
        for (const std::string& line : log.lines())
            waitRanOut = waitRanOut || line.find("did not load and paint") != std::string::npos;
        if (!result || result->ads.banner != "received" || !painted || waitRanOut) {
            state.SkipWithError(!result ? error.c_str() : "the banner was not received and painted");
            break;
        }
        const double seconds = std::chrono::duration<double>(*painted - *asked).count();
        state.SetIterationTime(seconds);
        ms.push_back(seconds * 1000);
    }
    server.stop();
    if (ms.empty()) return;
    state.counters["first_ms"] = ms.front();
    std::vector<double> sorted = ms;
    std::sort(sorted.begin(), sorted.end());
    state.counters["median_ms"] = sorted[sorted.size() / 2];
}
BENCHMARK(BM_GameOverToBannerPainted)->UseManualTime()->Iterations(8)->Unit(benchmark::kMillisecond);

}  // namespace
