#include "ads/formats/native/DZNativeContentAd.h"

#include "ads/formats/native/DZAdLoader.h"
#include "ads/formats/native/DZMediatedNativeAdContent.h"
#include "ads/formats/native/DZNativeAdImage.h"
#include "ads/formats/native/DZNativeAdValues.h"

DZNativeContentAd::DZNativeContentAd(const nlohmann::json& dictionary,
                                     const DZAdLoaderOptionsByClass& options)
    : DZNativeImageAd(dictionary, options) {
    headline_ = dz_nativeString(dictionary, "headline");
    body_ = dz_nativeString(dictionary, "body", DZNativeTextLines::kSeveral);
    callToAction_ = dz_nativeString(dictionary, "call_to_action");
    advertiser_ = dz_nativeString(dictionary, "advertiser");
    logo_ = DZNativeAdImage::fromDictionary(dictionary.value("secondary_image", nlohmann::json()));
    readSharedAssets(dictionary);
}

DZNativeContentAd::DZNativeContentAd(std::shared_ptr<DZMediatedNativeAd> mediated,
                                     const DZAdLoaderOptionsByClass& options)
    : DZNativeImageAd(mediated, options) {
    auto ad =
        std::dynamic_pointer_cast<DZMediatedNativeContentAd>(mediated ? mediated->mediatedAd() : nullptr);
    if (!ad) return;
    headline_ = dz_nativeText(ad->headline(), "headline");
    body_ = dz_nativeText(ad->body(), "body", DZNativeTextLines::kSeveral);
    callToAction_ = dz_nativeText(ad->callToAction(), "callToAction");
    advertiser_ = dz_nativeText(ad->advertiser(), "advertiser");
    setAvailableImages(ad->images());
    logo_ = ad->logo();
}

std::shared_ptr<DZNativeContentAd> DZNativeContentAd::create(const nlohmann::json& dictionary,
                                                             const DZAdLoaderOptionsByClass& options) {
    if (!dictionary.is_object()) return nullptr;
    auto ad = std::make_shared<DZNativeContentAd>(dictionary, options);
    if (!ad->hasNeededFields()) return nullptr;
    ad->didConstruct();
    return ad;
}

std::shared_ptr<DZNativeContentAd> DZNativeContentAd::createMediated(
    std::shared_ptr<DZMediatedNativeAd> mediated, const DZAdLoaderOptionsByClass& options) {
    if (!mediated || !std::dynamic_pointer_cast<DZMediatedNativeContentAd>(mediated->mediatedAd()))
        return nullptr;
    auto ad = std::make_shared<DZNativeContentAd>(std::move(mediated), options);
    if (!ad->hasNeededFields()) return nullptr;
    ad->didConstruct();
    return ad;
}

nlohmann::json DZNativeContentAd::requestParametersForAdLoader(DZAdLoader&) {
    return {{"format", 1}};
}

void DZNativeContentAd::adLoaderDidReceiveAd(DZAdLoader& loader) {
    auto delegate = std::dynamic_pointer_cast<DZNativeContentAdLoaderDelegate>(loader.delegate());
    if (delegate)
        delegate->adLoaderDidReceiveNativeContentAd(
            loader, std::static_pointer_cast<DZNativeContentAd>(shared_from_this()));
}
