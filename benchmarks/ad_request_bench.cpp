// The ad request core's share of one ad load: the request's parameter dictionary (device part
// included), the house banner's response headers applied to an ad, and an ad made from a full
// ad dictionary. Together they should stay well under a millisecond.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <map>
#include <memory>
#include <string>

#include "ads/core/DZAd.h"
#include "ads/core/DZAdResponseHeaders.h"
#include "ads/core/DZBannerAd.h"
#include "ads/core/DZRequest.h"
#include "platform/foundation/AppPaths.h"
#include "platform/runloop/ManualRunLoop.h"

namespace {

const std::map<std::string, std::string> kHouseBannerHeaders = {
    {"Content-Type", "text/html"},
    {"Content-Length", "612"},
    {"x-zazo-tracking-urls", "http://127.0.0.1:8080/adpage/imp?slot=tikoleap-banner&ad=1"},
    {"x-zazo-click-tracking-urls", "http://127.0.0.1:8080/adpage/click?slot=tikoleap-banner&ad=1"},
    {"x-zazo-refresh-rate", "60"},
    {"x-zazo-ad-size", "320x50"},
};

nlohmann::json fullDictionary() {
    return {{"ad_html", std::string(600, 'h')},
            {"ad_base_url", "https://ads.example.test/zads/ad?slotname=tikoleap-banner"},
            {"ad_url", "https://ads.example.test/zads/ad"},
            {"ad_json", {{"headline", "Tiko Leap"}, {"body", "Jump"}}},
            {"ad_size", "320x50"},
            {"orientation", "portrait"},
            {"ad_is_javascript", 1},
            {"ad_passback_url", "https://ads.example.test/passback"},
            {"debug_dialog", "debug"},
            {"zadava_duru", {{"interval", 200}, {"ratio", 0.5}}},
            {"swipe_to_viewcontroller", {{"enabled", true}}},
            {"click_urls", {"https://ads.example.test/c1", "https://ads.example.test/c2"}},
            {"impression_urls", {"https://ads.example.test/i1", "https://ads.example.test/i2"}},
            {"manual_impression_urls", {"https://ads.example.test/m1"}},
            {"refresh_rate", 45}};
}

void BM_AdRequestCore(benchmark::State& state) {
    const auto home = std::filesystem::temp_directory_path() / "tikoleap-bench-ads";
    platform::AppPaths::setHome(home);
    auto loop = std::make_shared<platform::ManualRunLoop>();
    auto previous = platform::RunLoop::setMain(loop);
    auto request = DZRequest::request();
    request->setKeywords(std::vector<std::string>{"jump", "tilt"});
    request->setGender(kDZGenderFemale);
    loop->runUntilIdle();
    const nlohmann::json dictionary = fullDictionary();
    bool didWork = true;
    for (auto _ : state) {
        nlohmann::json parameters = request->parameters();
        DZAd ad;
        auto effects = DZAdResponseHeaders::apply(ad, kHouseBannerHeaders, parameters);
        DZBannerAd fromDictionary(dictionary);
        benchmark::DoNotOptimize(parameters);
        benchmark::DoNotOptimize(effects);
        benchmark::DoNotOptimize(fromDictionary.reloadInterval());
        // Each part must have done its work: parameters made, the headers' refresh rate and the
        // dictionary's taken.
        didWork = didWork && parameters.is_object() && !parameters.empty() && ad.reloadInterval() == 60 &&
                  fromDictionary.reloadInterval() == 45;
        loop->runUntilIdle();
    }
    if (!didWork) state.SkipWithError("the request, the headers or the dictionary gave nothing");
    platform::RunLoop::setMain(previous);
    platform::AppPaths::setHome({});
    std::filesystem::remove_all(home);
}
BENCHMARK(BM_AdRequestCore)->Unit(benchmark::kMicrosecond);

}  // namespace
