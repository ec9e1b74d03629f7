// Fifty banner slots loading at once: real slots and real HTTP against the in-process local ad
// server, every web view on the scripted engine, the core page's side played here (each ad
// request answered with the server's ad URL, each page finished as soon as it is asked for).
// Every slot must end shown (state 6) within kLimitSeconds, and the server must have seen one ad
// request per slot: a run that shows fewer measured something else. The figure is the real time
// from the first load to the last slot's end.
#include <benchmark/benchmark.h>

#include <unistd.h>
#include <chrono>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include <nlohmann/json.hpp>

#include "ads/core/DZAdType.h"
#include "ads/core/slot/DZSDKCoreController.h"
#include "ads/core/slot/DZSDKCoreWebView.h"
#include "ads/core/slot/DZSlot.h"
#include "ads/foundation/DZApplication.h"
#include "ads/foundation/DZStringAdditions.h"
#include "ads/render/view/DZAdView.h"
#include "platform/defaults/UserDefaults.h"
#include "platform/foundation/AppPaths.h"
#include "platform/runloop/ManualRunLoop.h"
#include "platform/url/Url.h"
#include "platform/web/FakeWebEngine.h"
#include "tools/adserver/AdServer.h"

namespace {

constexpr int kSlots = 50;
constexpr double kLimitSeconds = 60;

struct Owner : DZSlotDelegate, DZSlotAdLoadDelegate {
    int ownerAdType() override { return 1; }
    void slotFinishedLoadingAdContent(DZSlot&) override {}
    void slotDidFailToLoadAdContent(DZSlot&, const DZRequestError::Ref&) override {}
};

void answerAdRequests(platform::web::FakeWebEngine& core, const std::string& serverBase) {
    while (!core.pendingScripts().empty()) {
        const std::string script = core.pendingScripts().front().script;
        core.completeScript({true, "", ""});
        const std::string call = "ZAZO_getAd(";
        const auto at = script.find(call);
        if (at == std::string::npos) continue;
        // The command is the bare call: "ZAZO_getAd({...});".
        const auto end = script.rfind(')');
        if (end == std::string::npos || end <= at + call.size()) continue;
        const auto params =
            nlohmann::json::parse(script.substr(at + call.size(), end - at - call.size()), nullptr, false);
        if (!params.is_object() || !params.contains("request_id")) continue;
        const std::string id = params["request_id"].get<std::string>();
        const std::string url = serverBase + "zads/ad?slotname=tikoleap-banner&request_id=" + id;
        core.navigate("amsg://core/loadAdURL?request_id=" + id +
                      "&url=" + dz_stringByEscapingAsURLParameter(url));
    }
}

// The core page's part: finishes every load and answers each ad request with the server's URL.
void playPages(const std::vector<platform::web::FakeWebEngine*>& engines, const std::string& serverBase) {
    for (auto* engine : engines) {
        if (engine->isLoading()) engine->finishLoad();
    }
    for (auto* engine : engines) {
        if (engine->url() == DZSDKCoreWebView::pageURL()) answerAdRequests(*engine, serverBase);
    }
}

void BM_FiftyBannersAtOnce(benchmark::State& state) {
    const auto home =
        std::filesystem::temp_directory_path() / ("tikoleap-bench-banners-" + std::to_string(getpid()));
    platform::AppPaths::setHome(home);
    platform::UserDefaults::resetStandard();
    auto loop = std::make_shared<platform::ManualRunLoop>();
    auto previousLoop = platform::RunLoop::setMain(loop);
    DZApplication::sharedInstance();
    std::vector<platform::web::FakeWebEngine*> engines;
    auto previousFactory = DZAdView::setEngineFactory([&](int width, int height, std::string*) {
        auto engine = std::make_unique<platform::web::FakeWebEngine>(width, height);
        engine->useLoop(*loop);
        engines.push_back(engine.get());
        return engine;
    });
    tikoleap::adserver::AdServer server;
    if (!server.start(0, "")) {
        state.SkipWithError("the local ad server did not start");
        return;
    }

    int shown = 0, failed = 0, stuck = 0;
    std::size_t fetched = 0, adRequests = 0;
    double seconds = 0;
    for (auto _ : state) {
        const std::size_t requestsBefore = [&] {
            std::size_t n = 0;
            for (const auto& hit : server.log()) n += hit["kind"] == "ad_request";
            return n;
        }();
        engines.clear();
        auto controller = DZSDKCoreController::create();
        std::vector<std::shared_ptr<Owner>> owners;
        std::vector<std::shared_ptr<DZSlot>> slots;
        std::vector<bool> reachedFetch(kSlots, false);
        for (int i = 0; i < kSlots; ++i) {
            owners.push_back(std::make_shared<Owner>());
            auto slot = DZSlot::create({0, 0, 320, 50});
            slot->setSDKCoreController(controller);
            slot->setAdType(DZAdType::bannerAdTypeForSize(kDZAdSizeBanner));
            slot->setAdUnitID("tikoleap-banner");
            slot->setSlotDelegate(owners.back());
            slot->setAdLoadDelegate(owners.back());
            slot->setStateChangeHandler([&reachedFetch, i](int, int to) {
                if (to == 4) reachedFetch[static_cast<std::size_t>(i)] = true;
            });
            slots.push_back(slot);
        }
        const auto settled = [&] {
            for (const auto& slot : slots) {
                if (slot->state() != 6 && slot->state() != 7) return false;
            }
            return true;
        };
        const auto start = std::chrono::steady_clock::now();
        auto last = start;
        for (const auto& slot : slots) slot->loadRequest(nullptr);
        while (!settled()) {
            const auto now = std::chrono::steady_clock::now();
            if (std::chrono::duration<double>(now - start).count() >= kLimitSeconds) break;
            loop->advance(std::chrono::duration<double>(now - last).count());
            last = now;
            loop->runUntilIdle();
            playPages(std::vector(engines), server.baseURL());
            loop->runUntilIdle();
            if (!settled()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();

        shown = failed = stuck = 0;
        fetched = 0;
        for (std::size_t i = 0; i < slots.size(); ++i) {
            const int s = slots[i]->state();
            shown += s == 6;
            failed += s == 7;
            stuck += s >= 2 && s <= 5;
            fetched += reachedFetch[i];
        }
        adRequests = 0;
        for (const auto& hit : server.log()) adRequests += hit["kind"] == "ad_request";
        adRequests -= requestsBefore;
        for (const auto& slot : slots) {
            slot->setStateChangeHandler(nullptr);
            slot->cancelPendingAndFutureActions();
        }
        slots.clear();
        owners.clear();
        controller.reset();
        loop->runUntilIdle();
        if (shown != kSlots || adRequests != fetched || fetched != kSlots) break;
    }
    if (stuck || shown + failed != kSlots) {
        state.SkipWithError(
            ("some slots did not end in 6 or 7 in time (" + std::to_string(stuck) + " stuck)").c_str());
    } else if (shown != kSlots) {
        state.SkipWithError(("only " + std::to_string(shown) + " of " + std::to_string(kSlots) +
                             " banners shown (" + std::to_string(failed) + " failed, " +
                             std::to_string(adRequests) + " ad requests)")
                                .c_str());
    } else if (adRequests != fetched || fetched != kSlots) {
        state.SkipWithError(("the server saw " + std::to_string(adRequests) + " ad requests for " +
                             std::to_string(kSlots) + " slots (" + std::to_string(fetched) + " fetched)")
                                .c_str());
    }
    state.counters["shown"] = shown;
    state.counters["failed"] = failed;
    state.counters["adRequests"] = static_cast<double>(adRequests);
    state.counters["secondsToLast"] = seconds;

    server.stop();
    engines.clear();
    DZAdView::setEngineFactory(previousFactory);
    loop->runUntilIdle();
    platform::RunLoop::setMain(previousLoop);
    platform::UserDefaults::resetStandard();
    platform::AppPaths::setHome({});
    std::filesystem::remove_all(home);
}
BENCHMARK(BM_FiftyBannersAtOnce)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

}  // namespace
