#include "ads/formats/native/DZNativeImageAd.h"

#include <cstdio>
#include <functional>

#include "ads/core/slot/DZSlot.h"
#include "ads/formats/native/DZMediatedNativeAdContent.h"
#include "ads/formats/native/DZNativeAdAttribution.h"
#include "ads/formats/native/DZNativeAdImage.h"
#include "ads/formats/native/DZNativeAdImageAdLoaderOptions.h"
#include "ads/render/view/DZOverlayView.h"
#include "platform/dispatch/MainThread.h"

namespace {

// Unique per picture object: two pictures of one URL load under two names.
std::string assetNameOf(const DZNativeAdImage& image) {
    char address[32];
    std::snprintf(address, sizeof address, "%p", static_cast<const void*>(&image));
    return std::string(address) + ":" + image.imageURL();
}

}  // namespace

DZNativeImageAd::DZNativeImageAd(const nlohmann::json& dictionary, const DZAdLoaderOptionsByClass& options)
    : DZNativeAd(dictionary) {
    if (auto imageOptions = DZNativeAdImageAdLoaderOptions::from(options)) {
        disableImageLoading_ = imageOptions->disableImageLoading;
        shouldRequestMultipleImages_ = imageOptions->shouldRequestMultipleImages;
    }
}

DZNativeImageAd::DZNativeImageAd(std::shared_ptr<DZMediatedNativeAd> mediated,
                                 const DZAdLoaderOptionsByClass& options)
    : DZNativeAd(std::move(mediated)) {
    if (auto imageOptions = DZNativeAdImageAdLoaderOptions::from(options))
        disableImageLoading_ = imageOptions->disableImageLoading;
}

DZNativeImageAd::~DZNativeImageAd() = default;

void DZNativeImageAd::readSharedAssets(const nlohmann::json& dictionary) {
    DZNativeAdImageAdLoaderOptions imageOptions;
    imageOptions.shouldRequestMultipleImages = shouldRequestMultipleImages_;
    nativeAdImages_ = DZNativeAdImage::imagesFromConfigurationArray(
        dictionary.value("images", nlohmann::json()), &imageOptions);
    imageReady_.assign(nativeAdImages_.size(), false);
    attribution_ = DZNativeAdAttribution::fromDictionary(dictionary.value("attribution", nlohmann::json()));
    overlayView_ = DZOverlayView::create({});
    overlayView_->setHidden(true);
}

void DZNativeImageAd::setAvailableImages(std::vector<std::shared_ptr<DZNativeAdImage>> images) {
    std::erase(images, nullptr);
    mediatedImages_ = std::move(images);
}

std::vector<std::shared_ptr<DZNativeAdImage>> DZNativeImageAd::images() const {
    std::vector<std::shared_ptr<DZNativeAdImage>> ready = mediatedImages_;
    for (std::size_t i = 0; i < nativeAdImages_.size(); ++i)
        if (imageReady_[i]) ready.push_back(nativeAdImages_[i]);
    return ready;
}

void DZNativeImageAd::setSlot(const std::shared_ptr<DZSlot>& slot) {
    DZNativeAd::setSlot(slot);
    if (overlayView_ && slot) overlayView_->setAdView(slot->adView());
}

std::set<std::string> DZNativeImageAd::requiredAssets() const {
    auto names = DZNativeAd::requiredAssets();
    if (adClass() == DZNativeAdClass::kAppInstall) {
        names.insert({"headline", "callToAction", "icon"});
    } else {
        names.insert({"headline", "body"});
    }
    if (attribution_) names.insert("attribution");
    return names;
}

void DZNativeImageAd::nativeAdViewPolicyDidStartTrackingView(platform::ui::View& container) {
    auto content = mediatedContent();
    if (!content) return;
    if (auto delegate = content->mediatedNativeAdDelegate())
        delegate->mediatedNativeAdDidRenderInView(*content, container);
}

void DZNativeImageAd::performClickOnView(platform::ui::View* view, const std::string& assetName,
                                         const nlohmann::json& environment) {
    DZNativeAd::performClickOnView(view, assetName, environment);
    if (!mediatedNativeAd()) return;
    auto hold = shared_from_this();
    mediatedNativeAd()->reportClick();
    if (auto content = mediatedContent()) {
        auto root = rootViewController();
        if (auto delegate = content->mediatedNativeAdDelegate())
            delegate->mediatedNativeAdDidRecordClickOnAssetWithName(*content, assetName, view, root.get());
    }
}

void DZNativeImageAd::recordImpression() {
    if (hasRecordedImpression()) return;
    DZNativeAd::recordImpression();
    if (!mediatedNativeAd()) return;
    auto hold = shared_from_this();
    mediatedNativeAd()->reportImpression();
    if (auto content = mediatedContent())
        if (auto delegate = content->mediatedNativeAdDelegate())
            delegate->mediatedNativeAdDidRecordImpression(*content);
}

void DZNativeImageAd::loadAssets(AssetCompletion completion) {
    ASSERT_MAIN_THREAD();
    addAssetCompletion(std::move(completion));
    if (!shouldLoadAssets()) return;
    std::weak_ptr<DZNativeImageAd> weak = std::static_pointer_cast<DZNativeImageAd>(shared_from_this());
    // Every name first, so that the loading cannot complete before the last load starts; the
    // required assets load at once, the others once those are in.
    const auto required = requiredAssets();
    std::vector<std::function<void()>> loadNow;
    std::vector<std::function<void()>> loadLater;
    auto plan = [&](const std::string& name, std::function<void()> start) {
        addAssetWithNameToRequestedAssets(name);
        (required.contains(name) ? loadNow : loadLater).push_back(std::move(start));
    };
    if (!disableImageLoading_) {
        if (auto single = singleImage()) {
            const std::string name = singleImageAssetName();
            plan(name, [weak, single, name, allowance = decodeAllowance()] {
                single->loadImage(
                    [weak, name](platform::ErrorRef error) {
                        auto self = weak.lock();
                        if (!self) return;
                        error ? self->failedToLoadAssetWithName(name)
                              : self->finishedLoadingAssetWithName(name);
                    },
                    allowance);
            });
        }
        for (std::size_t i = 0; i < nativeAdImages_.size(); ++i) {
            const auto name = assetNameOf(*nativeAdImages_[i]);
            plan(name, [weak, image = nativeAdImages_[i], name, i, allowance = decodeAllowance()] {
                image->loadImage(
                    [weak, name, i](platform::ErrorRef error) {
                        auto self = weak.lock();
                        if (!self) return;
                        if (error) {
                            self->failedToLoadAssetWithName(name);
                            return;
                        }
                        self->imageReady_[i] = true;
                        self->finishedLoadingAssetWithName(name);
                    },
                    allowance);
            });
        }
    } else {
        imageReady_.assign(nativeAdImages_.size(), true);
    }
    if (attribution_) {
        plan("attribution", [weak, attribution = attribution_, allowance = decodeAllowance()] {
            attribution->loadAssets(
                [weak](platform::ErrorRef error) {
                    auto self = weak.lock();
                    if (!self) return;
                    error ? self->failedToLoadAssetWithName("attribution")
                          : self->finishedLoadingAssetWithName("attribution");
                },
                allowance);
        });
    }
    for (const auto& start : loadNow) start();
    afterRequiredAssets([loadLater = std::move(loadLater)] {
        for (const auto& start : loadLater) start();
    });
}
