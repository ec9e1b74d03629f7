// Any bytes as a native ad response after the support page: the first ad read into the model of
// its type, its attribution and a custom template. Whatever is read must keep the bounds the views
// rely on: pictures only from the web and at most 64, durations, sizes and colours in range, the
// click payload JSON. Nothing may crash, hang or leak.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "ads/formats/native/DZNativeAdAttribution.h"
#include "ads/formats/native/DZNativeAdImage.h"
#include "ads/formats/native/DZNativeAdImageAdLoaderOptions.h"
#include "ads/formats/native/DZNativeAppInstallAd.h"
#include "ads/formats/native/DZNativeContentAd.h"
#include "ads/formats/native/DZNativeCustomTemplateAd.h"
#include "ads/foundation/DZStringAdditions.h"
#include "platform/foundation/Log.h"
#include "platform/url/Url.h"

namespace {

void checkImage(const std::shared_ptr<DZNativeAdImage>& image) {
    if (!image) return;
    const auto url = platform::Url::parse(image->imageURL());
    if (!url || !url->isWeb()) std::abort();
    if (!(image->scale() > 0 && image->scale() <= 16)) std::abort();
}

void checkImages(const std::vector<std::shared_ptr<DZNativeAdImage>>& images) {
    if (images.size() > DZNativeAdImage::kMaxImages) std::abort();
    for (const auto& image : images) checkImage(image);
}

void checkUnit(float value) {
    if (!(value >= 0 && value <= 1)) std::abort();
}

void checkAttribution(const std::shared_ptr<DZNativeAdAttribution>& attribution) {
    if (!attribution) return;
    checkImages(attribution->loadingImages());
    for (double seconds : {attribution->iconAnimationDuration(), attribution->iconPresentationDuration()})
        if (!(seconds > 0 && seconds <= DZNativeAdAttribution::kMaxDuration)) std::abort();
    const float size = attribution->font().size;
    if (!(size >= DZNativeAdAttribution::kMinTextSize && size <= DZNativeAdAttribution::kMaxTextSize))
        std::abort();
    for (const auto& colour : {attribution->textColor(), attribution->backgroundColor()}) {
        checkUnit(colour.r);
        checkUnit(colour.g);
        checkUnit(colour.b);
        checkUnit(colour.a);
    }
}

// The payload the support page's click call gets is JSON it can read back.
void checkClick(const DZNativeAd& ad) {
    const auto payload = ad.clickPayload("1001", {{"click_point", {{"x", 1}, {"y", 2}}}});
    if (payload && !dz_decodedJSONObject(*payload)) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // The public log lines a hostile value may cause are not what is tested here.
    platform::setLogSink([](const std::string&) {});
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    const auto decoded = dz_decodedJSONObject(text);
    if (!decoded) return 0;
    const nlohmann::json& answer = *decoded;
    const auto first = DZNativeAd::firstAdObjectInAdConfigurationDictionary(answer);
    const nlohmann::json ad = first ? *first : answer;
    (void)DZNativeAd::classFromAdConfigurationDictionary(answer);

    auto options = std::make_shared<DZNativeAdImageAdLoaderOptions>();
    options->shouldRequestMultipleImages = true;
    const DZAdLoaderOptionsByClass several{{DZNativeAdImageAdLoaderOptions::kClassName, options}};
    if (auto appInstall = DZNativeAppInstallAd::create(ad, several)) {
        if (!appInstall->headline() || !appInstall->callToAction() || !appInstall->icon()) std::abort();
        if (!std::isfinite(appInstall->starRating())) std::abort();
        checkImage(appInstall->icon());
        checkAttribution(appInstall->attribution());
        checkClick(*appInstall);
    }
    if (auto content = DZNativeContentAd::create(ad, several)) {
        if (!content->headline() || !content->body()) std::abort();
        checkImage(content->logo());
        checkAttribution(content->attribution());
        checkClick(*content);
    }
    if (ad.is_object() && ad.contains("attribution"))
        checkAttribution(DZNativeAdAttribution::fromDictionary(ad["attribution"]));
    if (auto custom = DZNativeCustomTemplateAd::create(ad, {})) {
        const auto keys = custom->availableAssetKeys();
        if (keys.size() > DZNativeCustomTemplateAd::kMaxAssets) std::abort();
        for (const auto& key : keys) checkImage(custom->imageForKey(key));
        (void)custom->hasValidConfigurationForRequestParameters(
            {{"custom_template_ids", {custom->templateID()}}});
        (void)custom->description();
        checkClick(*custom);
    }
    return 0;
}
