#pragma once
// How a native ad's pictures are fetched: not at all (published with their URL only), one or every
// configured picture, and the orientation asked of the server.
#include "ads/formats/native/DZAdLoaderOptions.h"

class DZNativeAdImageAdLoaderOptions : public DZAdLoaderOptions {
  public:
    inline static const std::string kClassName = "DZNativeAdImageAdLoaderOptions";
    static constexpr int kOrientationAny = 0;
    static constexpr int kOrientationPortrait = 1;
    static constexpr int kOrientationLandscape = 2;

    bool disableImageLoading = false;
    bool shouldRequestMultipleImages = false;
    int preferredImageOrientation = kOrientationAny;

    std::string className() const override { return kClassName; }
    std::shared_ptr<DZAdLoaderOptions> copy() const override;
    // {"native_image_orientation": "portrait" | "landscape"}, nothing for no preference.
    std::optional<nlohmann::json> requestParameters() const override;
    nlohmann::json dictionaryRepresentation() const override;

    // The option again from what mediation networks are told (dictionaryRepresentation); null for
    // a dictionary that names none of its fields.
    static std::shared_ptr<DZNativeAdImageAdLoaderOptions> fromDictionaryRepresentation(
        const nlohmann::json& dictionary);
    // The entry of this kind among a loader's options, or null.
    static std::shared_ptr<const DZNativeAdImageAdLoaderOptions> from(
        const DZAdLoaderOptionsByClass& options);
};
