#include "ads/formats/native/DZNativeAdImageAdLoaderOptions.h"

#include "ads/core/DZValues.h"

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

std::shared_ptr<DZNativeAdImageAdLoaderOptions> DZNativeAdImageAdLoaderOptions::fromDictionaryRepresentation(
    const nlohmann::json& dictionary) {
    if (!dictionary.is_object()) return nullptr;
    const auto disable = dictionary.find("disableImageLoading");
    const auto multiple = dictionary.find("shouldRequestMultipleImages");
    const auto orientation = dictionary.find("preferredImageOrientation");
    if (disable == dictionary.end() && multiple == dictionary.end() && orientation == dictionary.end())
        return nullptr;
    auto options = std::make_shared<DZNativeAdImageAdLoaderOptions>();
    options->disableImageLoading = disable != dictionary.end() && dz_jsonBoolValue(*disable);
    options->shouldRequestMultipleImages = multiple != dictionary.end() && dz_jsonBoolValue(*multiple);
    if (orientation != dictionary.end()) {
        const auto value = dz_jsonIntegerValue(*orientation);
        if (value == kOrientationPortrait || value == kOrientationLandscape)
            options->preferredImageOrientation = static_cast<int>(value);
    }
    return options;
}
