#include "ads/core/slot/DZAdFormatRegistry.h"

#include "ads/core/DZAd.h"
#include "ads/core/DZBannerAd.h"
#include "ads/core/DZInterstitialAd.h"

DZAdFormatRegistry& DZAdFormatRegistry::shared() {
    static DZAdFormatRegistry registry;
    return registry;
}

DZAdFormatRegistry::DZAdFormatRegistry() {
    registerOwnerType(0, [](const nlohmann::json& answer) { return std::make_shared<DZAd>(answer); });
    registerOwnerType(1, [](const nlohmann::json& answer) { return std::make_shared<DZBannerAd>(answer); });
    registerOwnerType(
        2, [](const nlohmann::json& answer) { return std::make_shared<DZInterstitialAd>(answer); });
}

void DZAdFormatRegistry::registerOwnerType(int ownerType, ModelMaker maker) {
    models_[ownerType] = std::move(maker);
}

void DZAdFormatRegistry::registerResponseType(unsigned responseType, FormatMaker maker) {
    formats_[responseType] = std::move(maker);
}

std::shared_ptr<DZAd> DZAdFormatRegistry::makeAdModel(int ownerType, const nlohmann::json& answer) const {
    auto it = models_.find(ownerType);
    return it != models_.end() && it->second ? it->second(answer) : nullptr;
}

std::shared_ptr<DZSlotFormat> DZAdFormatRegistry::makeFormat(unsigned responseType) const {
    auto it = formats_.find(responseType);
    return it != formats_.end() && it->second ? it->second() : nullptr;
}
