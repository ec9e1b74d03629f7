// A mediated banner whose ten networks all stay silent, each given 200 ms, on the real GLib main
// loop: the waterfall asks one after another, each time-out starting the next. The figure is how
// much later than its 200 ms each network was given up, on average and at worst (goal: at most
// 5 ms each), from the wall time to the slot's failure and from the durations of the no-fill
// report.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <sstream>
#include <string>

#include <nlohmann/json.hpp>

#include "ads/core/DZAd.h"
#include "ads/core/DZAdMediationDelegate.h"
#include "ads/core/DZExtras.h"
#include "ads/core/DZRequest.h"
#include "ads/core/slot/DZSDKCoreController.h"
#include "ads/core/slot/DZSlot.h"
#include "ads/foundation/DZApplication.h"
#include "ads/mediation/DZMAdManager.h"
#include "ads/mediation/DZMAdNetworkAdapter.h"
#include "ads/mediation/DZMPingSender.h"
#include "ads/render/view/DZAdView.h"
#include "benchmarks/BenchHome.h"
#include "platform/defaults/UserDefaults.h"
#include "platform/foundation/AppPaths.h"
#include "platform/foundation/ClassRegistry.h"
#include "platform/runloop/GLibRunLoop.h"
#include "platform/web/FakeWebEngine.h"

namespace {

constexpr int kNetworks = 10;
constexpr double kTimeoutMs = 200;
const std::string kAdapterName = "BenchSilentAdapter";

// A network that never answers.
class SilentAdapter : public DZMAdNetworkAdapter {
  public:
    void getBannerWithSize(DZAdSize) override {}
    void getInterstitial() override {}
    void stopBeingDelegate() override {}
    bool isBannerAnimationOK(int) override { return true; }
    void presentInterstitialFromRootViewController(
        const std::shared_ptr<platform::ui::ViewController>&) override {}
    std::string adapterVersion() const override { return "1"; }
    std::optional<std::string> networkExtrasClass() const override { return std::nullopt; }
};

struct Owner : DZSlotDelegate,
               DZSlotAdLoadDelegate,
               DZSlotAdResponseDelegate,
               DZAdMediationDelegate,
               std::enable_shared_from_this<Owner> {
    int ownerAdType() override { return 1; }
    void slotFinishedLoadingAdContent(DZSlot&) override { quit(); }
    void slotDidFailToLoadAdContent(DZSlot&, const DZRequestError::Ref& error) override {
        code = error ? error->code() : -1;
        quit();
    }
    bool slotShouldProcessAdResponse(DZSlot&, const std::shared_ptr<DZAd>&, platform::ErrorRef*) override {
        return true;
    }
    bool slotShouldProcessMediatedAdResponse(DZSlot&, const std::shared_ptr<DZAd>& ad,
                                             platform::ErrorRef*) override {
        ad->setMediationDelegate(shared_from_this());
        return true;
    }
    DZMediationConnectorKind connectorKindForAd(const DZAd&) override {
        return DZMediationConnectorKind::kBanner;
    }
    void quit() {
        ended = std::chrono::steady_clock::now();
        loop->quit();
    }

    platform::RunLoop* loop = nullptr;
    long code = 0;
    std::chrono::steady_clock::time_point ended;
};

std::shared_ptr<DZRequest> silentWaterfall() {
    nlohmann::json networks = nlohmann::json::array();
    for (int i = 0; i < kNetworks; ++i)
        networks.push_back({{"id", std::to_string(i)}, {"adapters", {kAdapterName}}});
    const nlohmann::json config{{"ad_type", "banner"},
                                {"settings", {{"ad_network_timeout_millis", kTimeoutMs}}},
                                {"ad_networks", networks}};
    auto extras = std::make_shared<DZExtras>();
    extras->setAdditionalParameters(
        {{"_ad", {{"ad_html", config.dump()}, {"ad_base_url", "http://127.0.0.1/"}}},
         {"_adHeaders", {{"x-zazo-mediation", "1"}, {"Content-Type", "application/json"}}}});
    auto request = DZRequest::request();
    request->registerAdNetworkExtras(extras);
    return request;
}

void BM_MediationTimeouts(benchmark::State& state) {
    platform::AppPaths::setHome(tikoleap::bench::benchHome("mediation-timeouts"));
    platform::UserDefaults::resetStandard();
    auto loop = std::make_shared<platform::GLibRunLoop>();
    auto previousLoop = platform::RunLoop::setMain(loop);
    DZApplication::sharedInstance();
    auto previousFactory = DZAdView::setEngineFactory([&](int width, int height, std::string*) {
        auto engine = std::make_unique<platform::web::FakeWebEngine>(width, height);
        engine->useLoop(*loop);
        return engine;
    });
    auto& registry = platform::ClassRegistry::shared();
    registry.registerClass(kAdapterName,
                           {DZMAdNetworkAdapter::kAdapterKind, DZMAdNetworkAdapter::kCurrentAPIKind},
                           [] { return std::static_pointer_cast<void>(std::make_shared<SilentAdapter>()); });
    DZMAdManager::registerFormat();
    DZMPing noFill;
    auto previousSender = DZMPingSender::setSender([&](const DZMPing& ping) { noFill = ping; });
    auto controller = DZSDKCoreController::create();

    double meanMs = 0, worstMs = 0;
    for (auto _ : state) {
        auto owner = std::make_shared<Owner>();
        owner->loop = loop.get();
        auto slot = DZSlot::create({0, 0, 320, 50});
        slot->setSDKCoreController(controller);
        slot->setAdType(DZAdType::bannerAdTypeForSize(kDZAdSizeBanner));
        slot->setAdUnitID("tikoleap-mediation-timeouts");
        slot->setSlotDelegate(owner);
        slot->setAdLoadDelegate(owner);
        slot->setAdResponseDelegate(owner);
        auto cap =
            loop->scheduleOnce(kNetworks * kTimeoutMs / 1000 * 5, [&](platform::Timer&) { loop->quit(); });
        const auto start = std::chrono::steady_clock::now();
        slot->loadRequest(silentWaterfall());
        loop->run();
        cap->invalidate();
        slot->cancelPendingAndFutureActions();
        if (owner->code != kDZErrorMediationNoFill) {
            state.SkipWithError("the waterfall did not end in no fill");
            break;
        }
        const double wallMs = std::chrono::duration<double, std::milli>(owner->ended - start).count();
        meanMs = (wallMs - kNetworks * kTimeoutMs) / kNetworks;
        worstMs = 0;
        std::stringstream durations(noFill.durations);
        int count = 0;
        for (std::string item; std::getline(durations, item, ','); ++count)
            worstMs = std::max(worstMs, std::stod(item) - kTimeoutMs);
        if (count != kNetworks || noFill.exitCodes.find_first_not_of("3,") != std::string::npos) {
            state.SkipWithError("not every network timed out");
            break;
        }
    }
    state.counters["overshoot_ms_per_network"] = meanMs;
    state.counters["worst_overshoot_ms"] = worstMs;

    DZMPingSender::setSender(previousSender);
    registry.unregisterClass(kAdapterName);
    DZAdView::setEngineFactory(previousFactory);
    platform::RunLoop::setMain(previousLoop);
}
BENCHMARK(BM_MediationTimeouts)->Iterations(3)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
