#include "ads/formats/native/DZNativeAppInstallAd.h"

#include <cmath>

#include "ads/core/DZValues.h"
#include "ads/formats/native/DZAdLoader.h"
#include "ads/formats/native/DZMediatedNativeAdContent.h"
#include "ads/formats/native/DZNativeAdImage.h"
#include "ads/formats/native/DZNativeAdValues.h"

DZNativeAppInstallAd::DZNativeAppInstallAd(const nlohmann::json& dictionary,
                                           const DZAdLoaderOptionsByClass& options)
    : DZNativeImageAd(dictionary, options) {
    headline_ = dz_nativeString(dictionary, "headline");
    callToAction_ = dz_nativeString(dictionary, "call_to_action");
    body_ = dz_nativeString(dictionary, "body", DZNativeTextLines::kSeveral);
    store_ = dz_nativeString(dictionary, "store");
    price_ = dz_nativeString(dictionary, "price");
    const auto rating = dz_jsonNumberValue(dictionary.value("rating", nlohmann::json()));
    starRating_ = rating && std::isfinite(*rating) ? *rating : 0;
    icon_ = DZNativeAdImage::fromDictionary(dictionary.value("app_icon", nlohmann::json()));
    readSharedAssets(dictionary);
}

DZNativeAppInstallAd::DZNativeAppInstallAd(std::shared_ptr<DZMediatedNativeAd> mediated,
                                           const DZAdLoaderOptionsByClass& options)
    : DZNativeImageAd(mediated, options) {
    auto ad =
        std::dynamic_pointer_cast<DZMediatedNativeAppInstallAd>(mediated ? mediated->mediatedAd() : nullptr);
    if (!ad) return;
    headline_ = dz_nativeText(ad->headline(), "headline");
    callToAction_ = dz_nativeText(ad->callToAction(), "callToAction");
    body_ = dz_nativeText(ad->body(), "body", DZNativeTextLines::kSeveral);
    store_ = dz_nativeText(ad->store(), "store");
    price_ = dz_nativeText(ad->price(), "price");
    const double rating = ad->starRating();
    starRating_ = std::isfinite(rating) ? rating : 0;
    setAvailableImages(ad->images());
    icon_ = ad->icon();
}

std::shared_ptr<DZNativeAppInstallAd> DZNativeAppInstallAd::create(const nlohmann::json& dictionary,
                                                                   const DZAdLoaderOptionsByClass& options) {
    if (!dictionary.is_object()) return nullptr;
    auto ad = std::make_shared<DZNativeAppInstallAd>(dictionary, options);
    if (!ad->hasNeededFields()) return nullptr;
    ad->didConstruct();
    return ad;
}

std::shared_ptr<DZNativeAppInstallAd> DZNativeAppInstallAd::createMediated(
    std::shared_ptr<DZMediatedNativeAd> mediated, const DZAdLoaderOptionsByClass& options) {
    if (!mediated || !std::dynamic_pointer_cast<DZMediatedNativeAppInstallAd>(mediated->mediatedAd()))
        return nullptr;
    auto ad = std::make_shared<DZNativeAppInstallAd>(std::move(mediated), options);
    if (!ad->hasNeededFields()) return nullptr;
    ad->didConstruct();
    return ad;
}

nlohmann::json DZNativeAppInstallAd::requestParametersForAdLoader(DZAdLoader&) {
    return {{"format", 2}};
}

std::set<std::string> DZNativeAppInstallAd::requiredAssets() const {
    return DZNativeImageAd::requiredAssets();
}

void DZNativeAppInstallAd::adLoaderDidReceiveAd(DZAdLoader& loader) {
    auto delegate = std::dynamic_pointer_cast<DZNativeAppInstallAdLoaderDelegate>(loader.delegate());
    if (delegate)
        delegate->adLoaderDidReceiveNativeAppInstallAd(
            loader, std::static_pointer_cast<DZNativeAppInstallAd>(shared_from_this()));
}
