// As many public banners at once on the real engine as the live-view cap leaves beside the core
// page and the Zadava Duru view, each in a shown window, loading the house banner from the
// in-process local server through the real core page. The figures: the real time from the first
// load to the last impression the server logs, and the peak resident memory (VmHWM, summed) of
// the web processes the run started. The first iteration starts the core page as well (cold);
// later ones find it loaded (warm). Needs an X display (run under scripts/with-display); without
// one this reports an error and skips.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "ads/foundation/DZApplication.h"
#include "ads/foundation/DZServerOverride.h"
#include "ads/public/DZBannerView.h"
#include "benchmarks/BenchWebHost.h"
#include "benchmarks/WebProcesses.h"
#include "platform/defaults/UserDefaults.h"
#include "platform/foundation/AppPaths.h"
#include "platform/runloop/GLibRunLoop.h"
#include "platform/runloop/MainContextPump.h"
#include "platform/runloop/ManualRunLoop.h"
#include "platform/ui/Application.h"
#include "platform/ui/ViewController.h"
#include "platform/ui/Window.h"
#include "platform/web/WebKitHost.h"
#include "platform/web/WebViews.h"
#include "tools/adserver/AdServer.h"

namespace {

constexpr double kLimitSeconds = 60;
// Views of the ad component that are not banners: the core page and the Zadava Duru view.
constexpr int kOtherViews = 2;

// The ad component reads its server from the environment at each use: the variable names this
// benchmark's server while it runs, and what was there before is put back after, so that other
// benchmarks and the processes they start do not see it.
class ServerVariable {
  public:
    explicit ServerVariable(const std::string& url) {
        if (const char* value = std::getenv(kName)) previous_ = value;
        setenv(kName, url.c_str(), 1);
    }
    ~ServerVariable() {
        if (previous_) {
            setenv(kName, previous_->c_str(), 1);
        } else {
            unsetenv(kName);
        }
    }
    ServerVariable(const ServerVariable&) = delete;
    ServerVariable& operator=(const ServerVariable&) = delete;

  private:
    static constexpr const char* kName = "TIKOLEAP_AD_SERVER";
    std::optional<std::string> previous_;
};

struct CountingBanners : DZBannerViewDelegate {
    int received = 0;
    int failed = 0;
    void adViewDidReceiveAd(DZBannerView&) override { ++received; }
    void adViewDidFailToReceiveAd(DZBannerView&, const DZRequestError::Ref&) override { ++failed; }
};

// A process's peak resident memory in kB, or nothing once it has gone.
std::optional<long> peakResidentKB(long pid) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmHWM:", 0) == 0) return std::stol(line.substr(6));
    }
    return std::nullopt;
}

// The peak of every web process that appeared after construction; the high-water mark only
// grows, so the last reading of a process that has since ended is its peak.
class WebProcessPeaks {
  public:
    WebProcessPeaks() {
        for (long pid : webProcesses()) before_.insert(pid);
    }
    void sample() {
        for (long pid : webProcesses()) {
            if (before_.count(pid)) continue;
            if (auto kb = peakResidentKB(pid)) peaks_[pid] = std::max(peaks_[pid], *kb);
        }
    }
    double summedMB() const {
        long total = 0;
        for (const auto& [pid, kb] : peaks_) total += kb;
        return static_cast<double>(total) / 1024.0;
    }
    int processes() const { return static_cast<int>(peaks_.size()); }

  private:
    std::set<long> before_;
    std::map<long, long> peaks_;
};

std::size_t countKind(const tikoleap::adserver::AdServer& server, const std::string& kind) {
    std::size_t n = 0;
    for (const auto& hit : server.log()) n += hit.value("kind", "") == kind ? 1 : 0;
    return n;
}

struct Outcome {
    double seconds = 0;
    int impressions = 0, received = 0, failed = 0, mostLiveViews = 0;
    WebProcessPeaks peaks;
};

// One run: `banners` banners shown and loaded at once until the server has their impressions.
void runBanners(int banners, tikoleap::adserver::AdServer& server, platform::ManualRunLoop& loop,
                platform::web::WebKitHost& host, Outcome& out) {
    const std::size_t impressionsBefore = countKind(server, "impression");
    auto delegate = std::make_shared<CountingBanners>();
    auto root = std::make_shared<platform::ui::ViewController>();
    auto window = std::make_shared<platform::ui::Window>(platform::Rect{0, 0, 320, 480});
    std::vector<std::shared_ptr<DZBannerView>> views;
    for (int i = 0; i < banners; ++i) {
        auto banner = DZBannerView::create(kDZAdSizeBanner, {0, 50.0f * static_cast<float>(i)});
        banner->setAdUnitID("tikoleap-banner");
        banner->setRootViewController(root);
        banner->setDelegate(delegate);
        window->addSubview(banner);
        views.push_back(banner);
    }
    const auto start = std::chrono::steady_clock::now();
    auto last = start, lastSample = start;
    for (const auto& banner : views) banner->loadRequest(nullptr);
    for (;;) {
        const auto now = std::chrono::steady_clock::now();
        out.impressions = static_cast<int>(countKind(server, "impression") - impressionsBefore);
        if (out.impressions >= banners || delegate->failed > 0) break;
        if (std::chrono::duration<double>(now - start).count() >= kLimitSeconds) break;
        loop.advance(std::chrono::duration<double>(now - last).count());
        last = now;
        platform::MainContextPump::waitUntil([] { return false; }, 0.005);
        loop.runUntilIdle();
        out.mostLiveViews = std::max(out.mostLiveViews, host.liveViews());
        if (now - lastSample >= std::chrono::milliseconds(50)) {
            out.peaks.sample();
            lastSample = now;
        }
    }
    out.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    out.peaks.sample();
    out.received = delegate->received;
    out.failed = delegate->failed;
    for (auto& banner : views) banner->removeFromSuperview();
    views.clear();
    loop.runUntilIdle();
    // The banners' views go; their processes end in the engine's own time.
    platform::MainContextPump::waitUntil([] { return false; }, 0.2);
    loop.runUntilIdle();
}

void BM_RealEngineBannersAtOnce(benchmark::State& state) {
    if (!platform::web::WebViews::displayNamed()) return state.SkipWithError("no display");
    // The game's cap on live views, whatever limits a benchmark before this one gave the host; the
    // host keeps the loop it was started on.
    static auto* ownLoop = new platform::GLibRunLoop();
    if (const std::string renderer = makeGLContextBeforeTheEngine(); !renderer.empty())
        return state.SkipWithError(renderer.c_str());
    auto* running = platform::web::WebKitHost::current();
    const platform::web::WebLimits previousLimits = running ? running->limits() : platform::web::WebLimits{};
    const platform::web::WebLimits limits;
    platform::web::WebKitHost* host = nullptr;
    try {
        host = &platform::web::WebKitHost::start(running ? running->loop() : *ownLoop, limits);
    } catch (const std::exception& e) {
        return state.SkipWithError(e.what());
    }
    const int banners = limits.maxViews - kOtherViews;

    const auto home =
        std::filesystem::temp_directory_path() / ("tikoleap-bench-web-banners-" + std::to_string(getpid()));
    platform::AppPaths::setHome(home);
    platform::UserDefaults::resetStandard();
    auto loop = std::make_shared<platform::ManualRunLoop>();
    auto previousLoop = platform::RunLoop::setMain(loop);
    DZApplication::sharedInstance();
    platform::ui::Application::shared().finishLaunching();
    loop->runUntilIdle();

    tikoleap::adserver::AdServer server;
    std::string error;
    const bool started = server.start(0, "", &error);
    std::optional<ServerVariable> named;
    if (started) named.emplace(server.baseURL());
    if (!started) {
        state.SkipWithError(("the local ad server did not start: " + error).c_str());
    } else if (dz_adServerOverride() != server.baseURL()) {
        state.SkipWithError(("the ad component's server is " + dz_adServerOverride().value_or("the default") +
                             ", not this benchmark's " + server.baseURL())
                                .c_str());
    } else {
        bool first = true;
        double warmSeconds = 0;
        int warmRuns = 0;
        for (auto _ : state) {
            Outcome out;
            runBanners(banners, server, *loop, *host, out);
            if (out.impressions < banners) {
                state.SkipWithError(("only " + std::to_string(out.impressions) + " of " +
                                     std::to_string(banners) + " banners made an impression (" +
                                     std::to_string(out.failed) + " failed)")
                                        .c_str());
                break;
            }
            state.SetIterationTime(out.seconds);
            if (first) {
                state.counters["banners"] = banners;
                state.counters["cold_s_to_last_impression"] = out.seconds;
                state.counters["cold_web_peak_MB"] = out.peaks.summedMB();
                state.counters["cold_web_processes"] = out.peaks.processes();
                state.counters["most_live_views"] = out.mostLiveViews;
            } else {
                warmSeconds += out.seconds;
                ++warmRuns;
                state.counters["warm_web_peak_MB"] = out.peaks.summedMB();
                state.counters["warm_web_processes"] = out.peaks.processes();
            }
            first = false;
        }
        if (warmRuns) state.counters["warm_s_to_last_impression"] = warmSeconds / warmRuns;
        state.counters["ad_requests"] = static_cast<double>(countKind(server, "ad_request"));
    }
    server.stop();
    named.reset();
    platform::web::WebKitHost::start(host->loop(), previousLimits);
    loop->runUntilIdle();
    platform::RunLoop::setMain(previousLoop);
    platform::UserDefaults::resetStandard();
    platform::AppPaths::setHome({});
    std::error_code ec;
    std::filesystem::remove_all(home, ec);
}
BENCHMARK(BM_RealEngineBannersAtOnce)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);

}  // namespace
