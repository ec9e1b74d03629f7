#include "ads/formats/native/DZNativeCustomTemplateAd.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "ads/core/DZValues.h"
#include "ads/core/slot/DZSlot.h"
#include "ads/formats/native/DZAdLoader.h"
#include "ads/formats/native/DZNativeAdImage.h"
#include "ads/formats/native/DZNativeAdImageAdLoaderOptions.h"
#include "ads/formats/native/DZNativeAdValues.h"
#include "ads/foundation/DZLogger.h"
#include "ads/render/view/DZAdViewDelegate.h"
#include "platform/dispatch/DispatchQueue.h"
#include "platform/dispatch/MainLoopTimer.h"
#include "platform/dispatch/MainThread.h"
#include "platform/ui/NotificationCenter.h"

namespace {

std::string lowered(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
    return text;
}

// A template id as text: a string as it is, an integral number as its digits.
std::optional<std::string> templateIDText(const nlohmann::json& value) {
    if (value.is_string()) return value.get<std::string>();
    if (value.is_number_integer() || value.is_number_unsigned()) return value.dump();
    if (value.is_number_float()) {
        const double number = value.get<double>();
        if (!std::isfinite(number)) return std::nullopt;
        if (number == std::floor(number) && std::fabs(number) < 1e15)
            return std::to_string(static_cast<long long>(number));
        return value.dump();
    }
    return std::nullopt;
}

}  // namespace

DZNativeCustomTemplateAd::DZNativeCustomTemplateAd(const nlohmann::json& dictionary, std::string templateID,
                                                   const DZAdLoaderOptionsByClass& options)
    : DZNativeAd(dictionary), templateID_(std::move(templateID)) {
    if (auto imageOptions = DZNativeAdImageAdLoaderOptions::from(options))
        disableImageLoading_ = imageOptions->disableImageLoading;
    const auto assets = dictionary.value("custom_assets", nlohmann::json());
    if (!assets.is_array()) return;
    std::size_t read = 0;
    for (const auto& asset : assets) {
        if (read++ == kMaxAssets) break;
        auto name = dz_nativeString(asset, "name");
        auto type = dz_nativeString(asset, "type");
        if (!name || name->empty() || !type || type->empty()) continue;
        if (*type == "string") {
            stringAssets_[*name] = dz_nativeString(asset, "string_value", DZNativeTextLines::kSeveral);
            availableAssetKeys_.insert(*name);
        } else if (*type == "image") {
            auto image = DZNativeAdImage::fromDictionary(asset.value("image_value", nlohmann::json()));
            if (!image) continue;
            requiredImages_.erase(*name);
            optionalImages_.erase(*name);
            (image->required() ? requiredImages_ : optionalImages_)[*name] = std::move(image);
        }
    }
}

DZNativeCustomTemplateAd::~DZNativeCustomTemplateAd() {
    stopObserving();
    if (customClickExpiry_) customClickExpiry_->invalidate();
}

std::shared_ptr<DZNativeCustomTemplateAd> DZNativeCustomTemplateAd::create(
    const nlohmann::json& dictionary, const DZAdLoaderOptionsByClass& options) {
    if (!dictionary.is_object()) return nullptr;
    auto templateID = templateIDText(dictionary.value("custom_template_id", nlohmann::json()));
    if (!templateID) return nullptr;
    auto ad = std::make_shared<DZNativeCustomTemplateAd>(dictionary, std::move(*templateID), options);
    ad->didConstruct();
    return ad;
}

nlohmann::json DZNativeCustomTemplateAd::requestParametersForAdLoader(DZAdLoader& loader) {
    auto ids = nlohmann::json::array();
    auto delegate = std::dynamic_pointer_cast<DZNativeCustomTemplateAdLoaderDelegate>(loader.delegate());
    const auto given =
        delegate ? delegate->nativeCustomTemplateIDsForAdLoader(loader) : std::vector<nlohmann::json>{};
    for (const auto& id : given) {
        if (ids.size() == kMaxAssets) break;
        if (id.is_string()) {
            const auto text = id.get<std::string>();
            const auto number = dz_numberValue(text);
            if (!number || std::to_string(static_cast<long long>(*number)) != text)
                DZLogger::sharedInstance()->logPublicMessage(
                    "Received non-numeric custom template ID. The template ID may be invalid: " + text);
            ids.push_back(text);
        } else if (auto text = templateIDText(id); text && id.is_number()) {
            ids.push_back(*text);
        } else {
            DZLogger::sharedInstance()->logPublicMessage("Received non-string custom template ID: " +
                                                         id.dump());
        }
    }
    return {{"format", 3}, {"custom_template_ids", ids}};
}

std::vector<std::string> DZNativeCustomTemplateAd::availableAssetKeys() const {
    std::vector<std::string> keys(availableAssetKeys_.begin(), availableAssetKeys_.end());
    std::stable_sort(keys.begin(), keys.end(),
                     [](const std::string& a, const std::string& b) { return lowered(a) < lowered(b); });
    return keys;
}

std::optional<std::string> DZNativeCustomTemplateAd::stringForKey(const std::string& key) const {
    auto it = stringAssets_.find(key);
    return it == stringAssets_.end() ? std::nullopt : it->second;
}

std::shared_ptr<DZNativeAdImage> DZNativeCustomTemplateAd::imageForKey(const std::string& key) const {
    auto it = imageAssets_.find(key);
    return it == imageAssets_.end() ? nullptr : it->second;
}

std::string DZNativeCustomTemplateAd::description() const {
    char address[32];
    std::snprintf(address, sizeof address, "%p", static_cast<const void*>(this));
    std::string keys;
    for (const auto& key : availableAssetKeys()) keys += (keys.empty() ? "" : ", ") + key;
    return std::string("<DZNativeCustomTemplateAd: ") + address + ", availableAssetKeys:[" + keys + "]>";
}

std::set<std::string> DZNativeCustomTemplateAd::requiredAssets() const {
    auto names = DZNativeAd::requiredAssets();
    for (const auto& [name, image] : requiredImages_) names.insert(name);
    return names;
}

bool DZNativeCustomTemplateAd::hasValidConfigurationForRequestParameters(
    const nlohmann::json& parameters) const {
    if (!DZNativeAd::hasValidConfigurationForRequestParameters(parameters) || !parameters.is_object())
        return false;
    const auto ids = parameters.value("custom_template_ids", nlohmann::json());
    if (!ids.is_array()) return false;
    return std::any_of(ids.begin(), ids.end(), [&](const nlohmann::json& id) {
        return id.is_string() && id.get<std::string>() == templateID_;
    });
}

void DZNativeCustomTemplateAd::setSlot(const std::shared_ptr<DZSlot>& slot) {
    ASSERT_MAIN_THREAD();
    if (slot == this->slot()) return;
    stopObserving();
    DZNativeAd::setSlot(slot);
    if (!slot || !slot->adView()) return;
    const DZAdView* source = slot->adView().get();
    std::weak_ptr<DZNativeCustomTemplateAd> weak =
        std::static_pointer_cast<DZNativeCustomTemplateAd>(shared_from_this());
    observerToken_ = DZAdViewDelegate::pageMessageCenter().addObserver(
        kCustomClickMessage,
        [weak, source](const platform::ui::Notification& notification) {
            // Only the answer of this ad's own support page counts.
            const auto* message = static_cast<const DZUnhandledAMSGMessage*>(notification.object);
            if (!message || message->adView != source) return;
            if (auto self = weak.lock()) self->handleNativeAdCustomClick();
        },
        this);
}

void DZNativeCustomTemplateAd::stopObserving() {
    if (observerToken_)
        DZAdViewDelegate::pageMessageCenter().removeObserver(std::exchange(observerToken_, 0));
}

void DZNativeCustomTemplateAd::loadAssets(AssetCompletion completion) {
    ASSERT_MAIN_THREAD();
    addAssetCompletion(std::move(completion));
    if (!shouldLoadAssets()) return;
    if (disableImageLoading_) {
        for (const auto& [name, image] : optionalImages_) setImage(image, name);
        for (const auto& [name, image] : requiredImages_) setImage(image, name);
        return;
    }
    // Every name first, so that the loading cannot complete before the optional pictures start;
    // those start once the required ones are in.
    for (const auto& images : {&requiredImages_, &optionalImages_})
        for (const auto& [name, image] : *images) addAssetWithNameToRequestedAssets(name);
    startImageLoads(requiredImages_);
    std::weak_ptr<DZNativeCustomTemplateAd> weak =
        std::static_pointer_cast<DZNativeCustomTemplateAd>(shared_from_this());
    afterRequiredAssets([weak] {
        if (auto self = weak.lock()) self->startImageLoads(self->optionalImages_);
    });
}

void DZNativeCustomTemplateAd::startImageLoads(
    const std::map<std::string, std::shared_ptr<DZNativeAdImage>>& images) {
    std::weak_ptr<DZNativeCustomTemplateAd> weak =
        std::static_pointer_cast<DZNativeCustomTemplateAd>(shared_from_this());
    for (const auto& [name, image] : images) {
        image->loadImage(
            [weak, image = image, name = name](platform::ErrorRef error) {
                auto self = weak.lock();
                if (!self) return;
                if (error) {
                    self->failedToLoadAssetWithName(name);
                    return;
                }
                self->setImage(image, name);
                self->finishedLoadingAssetWithName(name);
            },
            decodeAllowance());
    }
}

void DZNativeCustomTemplateAd::setImage(const std::shared_ptr<DZNativeAdImage>& image,
                                        const std::string& key) {
    imageAssets_[key] = image;
    availableAssetKeys_.insert(key);
}

void DZNativeCustomTemplateAd::performClickOnAssetWithKey(const std::string& key,
                                                          std::function<void()> customClickHandler) {
    ASSERT_MAIN_THREAD();
    if (!availableAssetKeys_.contains(key)) {
        DZLogger::sharedInstance()->logPublicMessage("Asset is unavailable. Cannot perform click on \"" +
                                                     key + "\".");
        return;
    }
    auto hold = shared_from_this();
    if (!customClickHandler) {
        performClickOnView(nullptr, key, nlohmann::json());
        return;
    }
    if (customClickHandler_) {
        DZLogger::sharedInstance()->logPublicMessage(
            "Still processing prior click event. This click event will be ignored.");
        return;
    }
    customClickHandler_ = std::move(customClickHandler);
    // A page that never answers must not block custom clicks for good.
    std::weak_ptr<DZNativeCustomTemplateAd> weak = std::static_pointer_cast<DZNativeCustomTemplateAd>(hold);
    customClickExpiry_ =
        platform::MainLoopTimer::schedule(kCustomClickExpirySeconds, false, [weak](platform::MainLoopTimer&) {
            auto self = weak.lock();
            if (!self || !self->customClickHandler_) return;
            self->customClickHandler_ = nullptr;
            self->customClickExpiry_.reset();
            DZLogger::sharedInstance()->logPublicMessage(
                "The custom click was not answered in time; it is dropped and new clicks are taken again.");
        });
    performClickOnView(nullptr, key, {{"has_custom_click_handler", true}});
}

void DZNativeCustomTemplateAd::handleNativeAdCustomClick() {
    ASSERT_MAIN_THREAD();
    auto handler = std::exchange(customClickHandler_, nullptr);
    if (customClickExpiry_) std::exchange(customClickExpiry_, nullptr)->invalidate();
    if (!handler) return;
    platform::DispatchQueue::main()->async([handler = std::move(handler)] { handler(); });
}

void DZNativeCustomTemplateAd::adLoaderDidReceiveAd(DZAdLoader& loader) {
    auto delegate = std::dynamic_pointer_cast<DZNativeCustomTemplateAdLoaderDelegate>(loader.delegate());
    if (delegate)
        delegate->adLoaderDidReceiveNativeCustomTemplateAd(
            loader, std::static_pointer_cast<DZNativeCustomTemplateAd>(shared_from_this()));
}
