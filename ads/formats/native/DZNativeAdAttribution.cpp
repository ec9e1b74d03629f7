#include "ads/formats/native/DZNativeAdAttribution.h"

#include <algorithm>
#include <cmath>

#include "ads/core/DZValues.h"
#include "ads/formats/native/DZNativeAdImage.h"
#include "ads/formats/native/DZNativeAdImageAdLoaderOptions.h"
#include "ads/formats/native/DZNativeAdValues.h"
#include "platform/dispatch/DispatchQueue.h"
#include "platform/dispatch/MainThread.h"

namespace {

std::optional<double> finiteNumber(const nlohmann::json& dictionary, const char* key) {
    auto value = dz_jsonNumberValue(dictionary.value(key, nlohmann::json()));
    if (!value || !std::isfinite(*value)) return std::nullopt;
    return value;
}

// Milliseconds to seconds; below the floor (absent included) the default, above an hour an hour.
double duration(const nlohmann::json& dictionary, const char* key, double fallback) {
    const double seconds = finiteNumber(dictionary, key).value_or(0) / 1000;
    if (seconds < DZNativeAdAttribution::kMinDuration) return fallback;
    return std::min(seconds, DZNativeAdAttribution::kMaxDuration);
}

float component(double value, double scale) {
    return static_cast<float>(std::clamp(value / scale, 0.0, 1.0));
}

std::optional<platform::ui::Color> color(const nlohmann::json& dictionary, const char* key) {
    const auto value = dictionary.value(key, nlohmann::json());
    if (!value.is_object()) return std::nullopt;
    auto r = finiteNumber(value, "r"), g = finiteNumber(value, "g"), b = finiteNumber(value, "b");
    if (!r || !g || !b) return std::nullopt;
    return platform::ui::Color{component(*r, 255), component(*g, 255), component(*b, 255),
                               component(finiteNumber(value, "a").value_or(1), 1)};
}

}  // namespace

std::shared_ptr<DZNativeAdAttribution> DZNativeAdAttribution::fromDictionary(
    const nlohmann::json& dictionary) {
    auto made = std::shared_ptr<DZNativeAdAttribution>(new DZNativeAdAttribution());
    if (!dictionary.is_object()) return made;
    made->text_ = dz_nativeString(dictionary, "text");
    made->animationDuration_ = duration(dictionary, "animation_ms", kDefaultAnimationDuration);
    made->presentationDuration_ = duration(dictionary, "presentation_ms", kDefaultPresentationDuration);
    DZNativeAdImageAdLoaderOptions every;
    every.shouldRequestMultipleImages = true;
    if (auto images = dictionary.find("images"); images != dictionary.end()) {
        made->loadingImages_ = DZNativeAdImage::imagesFromConfigurationArray(*images, &every);
    } else if (auto image = dictionary.find("image"); image != dictionary.end()) {
        made->loadingImages_ =
            DZNativeAdImage::imagesFromConfigurationArray(nlohmann::json::array({*image}), &every);
    }
    if (auto size = finiteNumber(dictionary, "text_size"))
        made->textSize_ = static_cast<float>(std::clamp(*size, double{kMinTextSize}, double{kMaxTextSize}));
    made->textColor_ = color(dictionary, "text_color").value_or(kDefaultTextColor);
    made->backgroundColor_ = color(dictionary, "bg_color").value_or(kDefaultBackgroundColor);
    return made;
}

void DZNativeAdAttribution::loadAssets(Completion completion,
                                       std::shared_ptr<platform::DecodeAllowance> allowance) {
    ASSERT_MAIN_THREAD();
    auto respond = [](Completion handler, platform::ErrorRef error) {
        platform::DispatchQueue::main()->async([handler = std::move(handler), error] {
            if (handler) handler(error);
        });
    };
    if (loadingImages_.empty()) {
        respond(std::move(completion), nullptr);
        return;
    }
    completion_ = std::move(completion);
    auto loaded = std::make_shared<std::size_t>(0);
    std::weak_ptr<DZNativeAdAttribution> weak = weak_from_this();
    for (const auto& icon : loadingImages_) {
        icon->loadImage(
            [weak, loaded, respond](platform::ErrorRef error) {
                auto self = weak.lock();
                if (!self || !self->completion_) return;  // the first failure was reported
                if (error) {
                    respond(std::exchange(self->completion_, nullptr), error);
                    return;
                }
                if (++*loaded < self->loadingImages_.size()) return;
                self->icons_ = self->loadingImages_;
                respond(std::exchange(self->completion_, nullptr), nullptr);
            },
            allowance);
    }
}
