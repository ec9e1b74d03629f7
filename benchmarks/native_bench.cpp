// Native ads on the real web engine against the in-process local ad server: the support page's
// pre-processing, its round trip once the page has loaded and the whole step with the page's
// load, and a native app-install ad's load from request to delivery with its pictures, cold (the
// first in the process: the engine's processes and the page start on the way) and warm, with the
// memory each live native ad adds. The loads name their ad URL, so the core page is not part of
// them (its figures are the banners'). Needs an X display (run under scripts/with-display);
// without one these report an error and skip.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <exception>
#include <fstream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "ads/core/DZExtras.h"
#include "ads/core/DZRequest.h"
#include "ads/core/slot/DZSlot.h"
#include "ads/formats/native/DZAdLoader.h"
#include "ads/formats/native/DZAdLoaderDelegate.h"
#include "ads/formats/native/DZAdPreprocessor.h"
#include "ads/formats/native/DZNativeAd.h"
#include "ads/formats/native/DZNativeAdImage.h"
#include "ads/formats/native/DZNativeAppInstallAd.h"
#include "ads/foundation/DZApplication.h"
#include "ads/public/DZAdFormats.h"
#include "benchmarks/BenchHome.h"
#include "benchmarks/BenchWebHost.h"
#include "benchmarks/WebProcesses.h"
#include "platform/defaults/UserDefaults.h"
#include "platform/foundation/AppPaths.h"
#include "platform/runloop/GLibRunLoop.h"
#include "platform/runloop/MainContextPump.h"
#include "platform/runloop/ManualRunLoop.h"
#include "platform/ui/Application.h"
#include "platform/ui/ViewController.h"
#include "platform/web/WebKitHost.h"
#include "platform/web/WebViews.h"
#include "tools/adserver/AdServer.h"
#include "tools/adserver/NativeAds.h"

namespace {

using Clock = std::chrono::steady_clock;
using tikoleap::adserver::NativeAds;

constexpr double kLimitSeconds = 30;
constexpr int kLiveAds = 3;
const std::string kUnit = "tikoleap-native-appinstall";

double msSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// A process's proportional set size in kB (shared pages split among their users), 0 once gone.
long pssKB(long pid) {
    std::ifstream rollup("/proc/" + std::to_string(pid) + "/smaps_rollup");
    std::string line;
    while (std::getline(rollup, line)) {
        if (line.rfind("Pss:", 0) == 0) return std::stol(line.substr(4));
    }
    return 0;
}

// This process and the web processes below it.
double totalPssMB() {
    long kb = pssKB(getpid());
    for (long pid : webProcesses()) kb += pssKB(pid);
    return static_cast<double>(kb) / 1024.0;
}

// The real engine under a virtual-clock main loop that follows real time, the local ad server and
// a home of its own; the support page is the server's.
class NativeBench {
  public:
    explicit NativeBench(benchmark::State& state) {
        if (!platform::web::WebViews::displayNamed()) {
            state.SkipWithError("no display");
            return;
        }
        static auto* ownLoop = new platform::GLibRunLoop();
        if (const std::string renderer = makeGLContextBeforeTheEngine(); !renderer.empty()) {
            state.SkipWithError(renderer.c_str());
            return;
        }
        auto* running = platform::web::WebKitHost::current();
        try {
            platform::web::WebKitHost::start(running ? running->loop() : *ownLoop,
                                             running ? running->limits() : platform::web::WebLimits{});
        } catch (const std::exception& e) {
            state.SkipWithError(e.what());
            return;
        }
        platform::AppPaths::setHome(tikoleap::bench::benchHome("native"));
        platform::UserDefaults::resetStandard();
        previousLoop_ = platform::RunLoop::setMain(loop_);
        loopSet_ = true;
        DZApplication::sharedInstance();
        DZAdFormats::registerAll();
        platform::ui::Application::shared().finishLaunching();
        loop_->runUntilIdle();
        std::string error;
        if (!server_.start(0, "", &error)) {
            state.SkipWithError(("the local ad server did not start: " + error).c_str());
            return;
        }
        platform::UserDefaults::standard()->setString(DZNativeAd::kSupportURLDefaultsKey,
                                                      server_.baseURL() + (NativeAds::kSupportPagePath + 1));
        ready_ = true;
    }
    ~NativeBench() {
        if (!loopSet_) return;
        server_.stop();
        loop_->runUntilIdle();
        platform::RunLoop::setMain(previousLoop_);
        platform::UserDefaults::resetStandard();
        platform::AppPaths::setHome({});
    }
    NativeBench(const NativeBench&) = delete;
    NativeBench& operator=(const NativeBench&) = delete;

    bool ready() const { return ready_; }
    tikoleap::adserver::AdServer& server() { return server_; }

    // Turns the engine and the main loop until `done` or the limit; whether it came.
    template <typename Done>
    bool turnUntil(Done done) {
        const auto start = Clock::now();
        auto last = start;
        while (!done()) {
            const auto now = Clock::now();
            if (std::chrono::duration<double>(now - start).count() >= kLimitSeconds) return false;
            loop_->advance(std::chrono::duration<double>(now - last).count());
            last = now;
            platform::MainContextPump::waitUntil([] { return false; }, 0.001);
            loop_->runUntilIdle();
        }
        return true;
    }
    // Lets the engine end what released views leave behind.
    void settle() {
        loop_->runUntilIdle();
        platform::MainContextPump::waitUntil([] { return false; }, 0.3);
        loop_->runUntilIdle();
    }

  private:
    std::shared_ptr<platform::ManualRunLoop> loop_ = std::make_shared<platform::ManualRunLoop>();
    std::shared_ptr<platform::RunLoop> previousLoop_;
    tikoleap::adserver::AdServer server_;
    bool loopSet_ = false;
    bool ready_ = false;
};

// Notes when the support page has loaded, then hands the load on to the pre-processor, which
// sends the ad at that moment: the round trip is measured from there.
struct PageLoadedTap : DZSlotAdLoadDelegate {
    std::shared_ptr<DZAdPreprocessor> preprocessor;
    std::optional<Clock::time_point> loaded;
    void slotFinishedLoadingAdContent(DZSlot& slot) override {
        if (!loaded) loaded = Clock::now();
        preprocessor->slotFinishedLoadingAdContent(slot);
    }
    void slotDidFailToLoadAdContent(DZSlot& slot, const DZRequestError::Ref& error) override {
        preprocessor->slotDidFailToLoadAdContent(slot, error);
    }
};

void BM_NativePreprocess(benchmark::State& state) {
    NativeBench bench(state);
    if (!bench.ready()) return;
    const auto text = NativeAds::answerText("appinstall", bench.server().baseURL(), kUnit, "1");
    if (!text) return state.SkipWithError("the server has no app-install ad");

    double worstMs = 0, sumMs = 0, worstStepMs = 0, sumStepMs = 0;
    int runs = 0;
    for (auto _ : state) {
        // The whole step: the support page's view made and its page loaded, then the round trip.
        const auto start = Clock::now();
        auto tap = std::make_shared<PageLoadedTap>();
        tap->preprocessor = DZAdPreprocessor::create(kUnit);
        if (!tap->preprocessor) {
            state.SkipWithError("no web view for the support page");
            break;
        }
        tap->preprocessor->slot()->setAdLoadDelegate(std::weak_ptr<DZSlotAdLoadDelegate>(tap));
        bool done = false, absolute = false;
        Clock::time_point answered;
        tap->preprocessor->preprocessNativeAdJSON(
            *text, [&](std::optional<nlohmann::json> answer, std::shared_ptr<DZSlot>, platform::ErrorRef) {
                answered = Clock::now();
                done = true;
                // Only an answer the page really processed counts: its pictures made absolute.
                absolute = answer && (*answer)["ads"][0]["app_icon"]["url"] ==
                                         bench.server().baseURL() + "native/img/icon.png";
            });
        if (!bench.turnUntil([&] { return done; }) || !absolute || !tap->loaded) {
            state.SkipWithError("the support page gave no processed answer");
            break;
        }
        const double ms = std::chrono::duration<double, std::milli>(answered - *tap->loaded).count();
        const double stepMs = std::chrono::duration<double, std::milli>(answered - start).count();
        state.SetIterationTime(ms / 1000.0);
        worstMs = std::max(worstMs, ms);
        sumMs += ms;
        worstStepMs = std::max(worstStepMs, stepMs);
        sumStepMs += stepMs;
        ++runs;
        tap->preprocessor.reset();
        bench.settle();
    }
    if (runs) {
        state.counters["round_trip_ms"] = sumMs / runs;
        state.counters["worst_round_trip_ms"] = worstMs;
        state.counters["whole_step_ms"] = sumStepMs / runs;
        state.counters["worst_whole_step_ms"] = worstStepMs;
    }
}
BENCHMARK(BM_NativePreprocess)->UseManualTime()->Iterations(10)->Unit(benchmark::kMillisecond);

struct AppInstallApp : DZNativeAppInstallAdLoaderDelegate {
    std::vector<std::shared_ptr<DZNativeAppInstallAd>> ads;
    long failed = 0;
    bool ended = false;
    void adLoaderDidReceiveNativeAppInstallAd(DZAdLoader&,
                                              const std::shared_ptr<DZNativeAppInstallAd>& ad) override {
        ads.push_back(ad);
        ended = true;
    }
    void adLoaderDidFailToReceiveAd(DZAdLoader&, const DZRequestError::Ref& error) override {
        failed = error ? error->code() : -1;
        ended = true;
    }
};

// One load of the unit through a loader of its own; the time from the request to the delivery.
std::optional<double> loadOnce(NativeBench& bench, const std::shared_ptr<AppInstallApp>& app,
                               const std::shared_ptr<platform::ui::ViewController>& root) {
    app->ended = false;
    auto loader = DZAdLoader::create(kUnit, root, {"2"});
    loader->setDelegate(app);
    auto extras = std::make_shared<DZExtras>();
    extras->setAdditionalParameters(
        {{"_ad", {{"ad_url", bench.server().baseURL() + "zads/ad?slotname=" + kUnit}}}});
    auto request = DZRequest::request();
    request->registerAdNetworkExtras(extras);
    const auto start = Clock::now();
    loader->loadRequest(request);
    if (!bench.turnUntil([&] { return app->ended; }) || app->failed) return std::nullopt;
    const double ms = msSince(start);
    const auto& ad = app->ads.back();
    // By default the loader asks for the first of the ad's images only.
    if (ad->headline() != "Tiko Leap Deluxe" || !ad->icon() || !ad->icon()->image() || ad->images().empty() ||
        !ad->images().front()->image())
        return std::nullopt;
    return ms;
}

void BM_NativeAdLoad(benchmark::State& state) {
    NativeBench bench(state);
    if (!bench.ready()) return;
    auto root = std::make_shared<platform::ui::ViewController>();
    bool first = true;
    double warmMs = 0;
    int warmRuns = 0;
    for (auto _ : state) {
        auto app = std::make_shared<AppInstallApp>();
        const auto ms = loadOnce(bench, app, root);
        if (!ms) {
            state.SkipWithError(("the app-install ad was not delivered with its pictures (error " +
                                 std::to_string(app->failed) + ")")
                                    .c_str());
            return;
        }
        state.SetIterationTime(*ms / 1000.0);
        if (first) {
            state.counters["cold_ms"] = *ms;
        } else {
            warmMs += *ms;
            ++warmRuns;
        }
        first = false;
        app->ads.clear();
        bench.settle();
    }
    if (warmRuns) state.counters["warm_ms"] = warmMs / warmRuns;

    // Memory: the process and its web processes with no native ad alive, then with kLiveAds.
    bench.settle();
    const double without = totalPssMB();
    auto app = std::make_shared<AppInstallApp>();
    for (int i = 0; i < kLiveAds; ++i) {
        if (!loadOnce(bench, app, root)) return state.SkipWithError("a live ad was not delivered");
    }
    bench.settle();
    state.counters["pss_MB_per_live_ad"] = (totalPssMB() - without) / kLiveAds;
    app->ads.clear();
    bench.settle();
}
BENCHMARK(BM_NativeAdLoad)->UseManualTime()->Iterations(5)->Unit(benchmark::kMillisecond);

}  // namespace
