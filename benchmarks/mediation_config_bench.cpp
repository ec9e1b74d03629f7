// Reading a mediation response of 100 networks, from its text to the configuration the waterfall
// walks: each network with credentials, extras, ping templates and a few adapter names to look up.
// Goal: at most 1 ms.
#include <benchmark/benchmark.h>

#include <string>

#include "ads/foundation/DZStringAdditions.h"
#include "ads/mediation/DZMConfig.h"
#include "platform/foundation/ClassRegistry.h"

namespace {

std::string responseText() {
    nlohmann::json networks = nlohmann::json::array();
    for (int i = 0; i < 100; ++i) {
        networks.push_back(
            {{"id", std::to_string(1000 + i)},
             {"adapters", nlohmann::json::array({"BenchMissingAdapter" + std::to_string(i), "BenchAdapter"})},
             {"data",
              {{"pubid", "pub-" + std::to_string(i)}, {"gwhirl_share_location", "1"}, {"zone", "top"}}},
             {"extras", {{"color", "blue"}, {"mode", "fast"}}},
             {"allocation_id", "alloc-" + std::to_string(i)},
             {"imp_urls", {"http://127.0.0.1:8080/imp?net=@gw_adnetid@&q=@gw_qdata@"}},
             {"clickurl", {"http://127.0.0.1:8080/clk?net=@gw_adnetid@"}}});
    }
    return nlohmann::json({{"ad_type", "banner"},
                           {"qdata", "Tiko Leap"},
                           {"settings",
                            {{"refresh", 60},
                             {"ad_network_timeout_millis", 1500},
                             {"imp_urls", {"http://127.0.0.1:8080/imp?aec=@gw_aec@&adt=@gw_adt@"}},
                             {"nofill_urls", {"http://127.0.0.1:8080/nofill?aec=@gw_aec@"}}}},
                           {"ad_networks", networks}})
        .dump();
}

void BM_MediationConfigParse(benchmark::State& state) {
    auto& registry = platform::ClassRegistry::shared();
    registry.registerClass("BenchAdapter",
                           {DZMAdNetworkAdapter::kAdapterKind, DZMAdNetworkAdapter::kCurrentAPIKind},
                           [] { return std::shared_ptr<void>(); });
    const std::string text = responseText();
    for (auto _ : state) {
        const auto body = dz_decodedJSONObject(text);
        DZRequestError::Ref error;
        auto config = DZMConfig::initWithAppKey(std::string("tikoleap-mediation-waterfall"), *body, &error);
        if (!config || config->adNetworkConfigs().size() != 100 ||
            !config->adNetworkConfigs().back()->adapterClass())
            return state.SkipWithError("the response was not read whole");
        benchmark::DoNotOptimize(config);
    }
    registry.unregisterClass("BenchAdapter");
}
BENCHMARK(BM_MediationConfigParse)->Unit(benchmark::kMicrosecond);

}  // namespace
