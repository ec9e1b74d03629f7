#include "ads/formats/native/DZNativeAdImageAdLoaderOptions.h"

std::shared_ptr<DZAdLoaderOptions> DZNativeAdImageAdLoaderOptions::copy() const {
    return std::make_shared<DZNativeAdImageAdLoaderOptions>(*this);
}

std::optional<nlohmann::json> DZNativeAdImageAdLoaderOptions::requestParameters() const {
    if (preferredImageOrientation == kOrientationPortrait)
        return nlohmann::json{{"native_image_orientation", "portrait"}};
    if (preferredImageOrientation == kOrientationLandscape)
        return nlohmann::json{{"native_image_orientation", "landscape"}};
    return std::nullopt;
}

nlohmann::json DZNativeAdImageAdLoaderOptions::dictionaryRepresentation() const {
    return {{"disableImageLoading", disableImageLoading},
            {"shouldRequestMultipleImages", shouldRequestMultipleImages},
            {"preferredImageOrientation", preferredImageOrientation}};
}

std::shared_ptr<const DZNativeAdImageAdLoaderOptions> DZNativeAdImageAdLoaderOptions::from(
    const DZAdLoaderOptionsByClass& options) {
    auto it = options.find(kClassName);
    return it == options.end() ? nullptr
                               : std::dynamic_pointer_cast<const DZNativeAdImageAdLoaderOptions>(it->second);
}
