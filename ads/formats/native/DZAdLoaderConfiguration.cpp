#include "ads/formats/native/DZAdLoaderConfiguration.h"

#include "ads/foundation/DZLogger.h"

std::optional<DZNativeAdLoaderConfiguration> DZNativeAdLoaderConfiguration::make(
    const std::vector<std::string>& adTypes,
    const std::vector<std::shared_ptr<const DZAdLoaderOptions>>& options) {
    if (adTypes.empty()) return std::nullopt;
    DZNativeAdLoaderConfiguration configuration;
    for (const auto& type : adTypes) {
        auto adClass = DZAdClassFromAdLoaderAdType(type);
        if (!adClass) return std::nullopt;
        configuration.adTypeClasses_.insert(*adClass);
        configuration.adTypes_.insert(type);
    }
    auto logger = DZLogger::sharedInstance();
    for (const auto& option : options) {
        if (!option) {
            logger->logPublicMessage("Error: Invalid ad loader option will be ignored (null).");
            continue;
        }
        const auto name = option->className();
        if (configuration.options_.contains(name)) {
            logger->logPublicMessage("Error: Options already provided for " + name +
                                     ". Ignoring option object (" +
                                     option->dictionaryRepresentation().dump() + ").");
            continue;
        }
        configuration.options_[name] = option->copy();
    }
    return configuration;
}

DZAdLoaderConfiguration DZNativeAdLoaderConfiguration::mediationConfiguration() const {
    DZAdLoaderConfiguration configuration;
    configuration.adTypes = adTypes_;
    for (const auto& [name, option] : options_)
        configuration.options[name] = option->dictionaryRepresentation();
    return configuration;
}
