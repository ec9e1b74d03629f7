// Any bytes as the body of a mediation response. A body that is no JSON object must fail with
// code 7; whatever is read must stay within the bounds the waterfall relies on. Nothing may
// crash, hang or leak.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "ads/foundation/DZStringAdditions.h"
#include "ads/mediation/DZMConfig.h"
#include "platform/foundation/ClassRegistry.h"
#include "platform/foundation/Log.h"

namespace {

void checkList(const std::optional<std::vector<std::string>>& list) {
    if (list && list->size() > DZMConfig::kMaxURLTemplates) std::abort();
}

void checkNetwork(const DZMAdNetworkConfig& network) {
    if (network.adapterList().size() > DZMConfig::kMaxAdapterNames) std::abort();
    if (network.adapterClass() && !DZMAdNetworkAdapter::classIsAdapterClass(*network.adapterClass()))
        std::abort();
    if (!network.credentials().is_object() || !network.extras().is_object()) std::abort();
    for (const char* key : {"pubid", "class_name", "zdxtym_html", "zdxtym_passback_url"}) {
        const auto found = network.credentials().find(key);
        if (found != network.credentials().end() && !found->is_string()) std::abort();
    }
    if (network.ad() && !network.ad()->is_object()) std::abort();
    for (const auto* list : {&network.impressionURLs(), &network.clickURLs(), &network.videoStartURLs(),
                             &network.rewardedUserURLs()})
        checkList(*list);
    (void)network.description();
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // The public log lines each entry may cause are not what is tested here.
    platform::setLogSink([](const std::string&) {});
    // Names the seeds use, one of each kind the adapter choice tells apart.
    auto& registry = platform::ClassRegistry::shared();
    auto none = [] { return std::shared_ptr<void>(); };
    registry.registerClass("FuzzCurrentAdapter",
                           {DZMAdNetworkAdapter::kAdapterKind, DZMAdNetworkAdapter::kCurrentAPIKind}, none);
    registry.registerClass("FuzzOldAdapter", {DZMAdNetworkAdapter::kAdapterKind}, none);
    registry.registerClass("FuzzRewardAdapter", {DZMAdNetworkAdapter::kRewardBasedVideoAdapterKind}, none);
    registry.registerClass("FuzzCustomEvent", {DZMAdNetworkAdapter::kCurrentAPIKind}, none);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    const auto decoded = dz_decodedJSONObject(text);
    const nlohmann::json body = decoded ? *decoded : nlohmann::json();
    DZRequestError::Ref error;
    const auto config = DZMConfig::initWithAppKey(std::string("fuzz-unit"), body, &error);
    if (!config) {
        if (!error || error->code() != kDZErrorMediationDataError) std::abort();
        return 0;
    }
    if (!body.is_object()) std::abort();
    if (config->adNetworkConfigs().size() > DZMConfig::kMaxNetworks) std::abort();
    for (const auto& network : config->adNetworkConfigs()) {
        if (!network) std::abort();
        checkNetwork(*network);
    }
    const double refresh = config->refreshInterval();
    if (!(refresh >= 0 && refresh < 30000)) std::abort();
    const double timeout = config->adNetworkTimeout();
    if (!(timeout > 0 && timeout <= DZMConfig::kMaxAdNetworkTimeout)) std::abort();
    if (config->bannerAnimationType() < 0 || config->bannerAnimationType() > 8) std::abort();
    checkList(config->impressionURLs());
    checkList(config->clickURLs());
    checkList(config->noFillURLs());
    (void)config->description();
    return 0;
}
