// A reward-based video whose first five networks never answer, each given 200 ms, and whose sixth
// fills at once, on the real GLib main loop: each time-out hands the request to the next network.
// The figures are the time from the server's answer to the ad being ready (goal: at most
// 1 050 ms) and how much later than its 200 ms each silent network was given up, on average and
// at worst, from the times the adapter was asked.
#include <benchmark/benchmark.h>
#include <httplib.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include <nlohmann/json.hpp>

#include "ads/core/DZExtras.h"
#include "ads/core/DZRequest.h"
#include "ads/foundation/DZApplication.h"
#include "ads/mediation/DZMRewardBasedVideoAdNetworkAdapter.h"
#include "ads/mediation/DZMRewardBasedVideoAdNetworkConnectorInterface.h"
#include "ads/public/DZRewardBasedVideoAd.h"
#include "benchmarks/BenchHome.h"
#include "platform/defaults/UserDefaults.h"
#include "platform/foundation/AppPaths.h"
#include "platform/foundation/ClassRegistry.h"
#include "platform/runloop/GLibRunLoop.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kSilentNetworks = 5;
constexpr double kTimeoutMs = 200;
const std::string kAdapterName = "BenchRewardAdapter";

// One adapter serves every entry: set up at once, silent for "never", filling inside the call
// for "fill"; it notes when it was asked.
class BenchRewardAdapter : public DZMRewardBasedVideoAdNetworkAdapter {
  public:
    inline static std::vector<Clock::time_point> asked;

    void setUpWithUserID(const std::optional<std::string>&) override {
        if (auto c = connector()) c->adapterDidSetUpRewardBasedVideoAd(*this);
    }
    void requestRewardBasedVideoAd() override {
        asked.push_back(Clock::now());
        auto c = connector();
        if (!c) return;
        const nlohmann::json credentials = c->credentials();
        if (credentials.is_object() && credentials.value("mode", "") == "fill")
            c->adapterDidReceiveRewardBasedVideoAd(*this);
    }
    void presentRewardBasedVideoAdWithRootViewController(
        const std::shared_ptr<platform::ui::ViewController>&) override {}
    void stopBeingDelegate() override {}
    std::string adapterVersion() const override { return "1"; }
    std::optional<std::string> networkExtrasClass() const override { return std::nullopt; }
};

struct App : DZRewardBasedVideoAdDelegate {
    void rewardBasedVideoAdDidReceiveAd(DZRewardBasedVideoAd&) override { end(); }
    void rewardBasedVideoAdDidFailToLoad(DZRewardBasedVideoAd&, const DZRequestError::Ref& error) override {
        code = error ? error->code() : -1;
        end();
    }
    void end() {
        ended = Clock::now();
        loop->quit();
    }
    platform::RunLoop* loop = nullptr;
    long code = 0;
    Clock::time_point ended;
};

std::string handoverResponse() {
    nlohmann::json networks = nlohmann::json::array();
    for (int i = 0; i <= kSilentNetworks; ++i) {
        const bool fill = i == kSilentNetworks;
        networks.push_back({{"id", "n" + std::to_string(i)},
                            {"adapters", {kAdapterName}},
                            {"data", {{"mode", fill ? "fill" : "never"}}}});
    }
    return nlohmann::json{{"ad_type", "interstitial"},
                          {"settings", {{"ad_network_timeout_millis", kTimeoutMs}}},
                          {"ad_networks", networks}}
        .dump();
}

void BM_RewardTimeoutHandover(benchmark::State& state) {
    platform::AppPaths::setHome(tikoleap::bench::benchHome("reward-timeouts"));
    platform::UserDefaults::resetStandard();
    auto loop = std::make_shared<platform::GLibRunLoop>();
    auto previousLoop = platform::RunLoop::setMain(loop);
    DZApplication::sharedInstance();
    dz_registerRewardBasedVideoAdapterClass<BenchRewardAdapter>(kAdapterName);

    // The mediation response, from a server on this machine; the time it was answered is noted.
    httplib::Server server;
    std::mutex mutex;
    Clock::time_point answered;
    const std::string body = handoverResponse();
    server.Get("/reward", [&](const httplib::Request&, httplib::Response& res) {
        res.set_header("x-zazo-mediation", "1");
        res.set_content(body, "application/json");
        std::lock_guard lock(mutex);
        answered = Clock::now();
    });
    const int port = server.bind_to_any_port("127.0.0.1");
    if (port <= 0) {
        state.SkipWithError("no port on 127.0.0.1");
        platform::RunLoop::setMain(previousLoop);
        return;
    }
    std::thread serving([&] { server.listen_after_bind(); });
    while (!server.is_running()) std::this_thread::sleep_for(std::chrono::milliseconds(1));

    double readyMs = 0, meanMs = 0, worstMs = 0;
    for (auto _ : state) {
        auto app = std::make_shared<App>();
        app->loop = loop.get();
        // A fresh ad each time: the adapter is set up anew and asked from the first network.
        auto ad = DZRewardBasedVideoAd::create();
        ad->setDelegate(app);
        BenchRewardAdapter::asked.clear();
        auto extras = std::make_shared<DZExtras>();
        extras->setAdditionalParameters(
            {{"_ad", {{"ad_url", "http://127.0.0.1:" + std::to_string(port) + "/reward"}}}});
        auto request = DZRequest::request();
        request->registerAdNetworkExtras(extras);
        auto cap = loop->scheduleOnce(10, [&](platform::Timer&) { loop->quit(); });
        ad->loadRequest(request, "tikoleap-bench-reward", std::nullopt);
        loop->run();
        cap->invalidate();
        if (!ad->isReady() || BenchRewardAdapter::asked.size() != kSilentNetworks + 1) {
            state.SkipWithError("the sixth network did not deliver");
            break;
        }
        {
            std::lock_guard lock(mutex);
            readyMs = std::chrono::duration<double, std::milli>(app->ended - answered).count();
        }
        const auto& asked = BenchRewardAdapter::asked;
        worstMs = 0;
        for (int i = 1; i <= kSilentNetworks; ++i)
            worstMs =
                std::max(worstMs, std::chrono::duration<double, std::milli>(asked[i] - asked[i - 1]).count() -
                                      kTimeoutMs);
        meanMs = (std::chrono::duration<double, std::milli>(asked.back() - asked.front()).count() -
                  kSilentNetworks * kTimeoutMs) /
                 kSilentNetworks;
    }
    state.counters["response_to_ready_ms"] = readyMs;
    state.counters["overshoot_ms_per_network"] = meanMs;
    state.counters["worst_overshoot_ms"] = worstMs;

    server.stop();
    serving.join();
    platform::ClassRegistry::shared().unregisterClass(kAdapterName);
    platform::RunLoop::setMain(previousLoop);
}
BENCHMARK(BM_RewardTimeoutHandover)->Iterations(3)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
