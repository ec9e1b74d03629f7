#include "ads/core/DZSwipeToViewControllerConfigurations.h"

#include <cmath>

namespace {

// The number at `key` when it is one (a boolean is not), finite.
std::optional<double> numberAt(const nlohmann::json& dictionary, const char* key) {
    auto it = dictionary.find(key);
    if (it == dictionary.end() || !it->is_number()) return std::nullopt;
    const double value = it->get<double>();
    if (!std::isfinite(value)) return std::nullopt;
    return value;
}

std::optional<uint64_t> productIDAt(const nlohmann::json& settings) {
    auto it = settings.find("app_store_product_id");
    if (it == settings.end()) return std::nullopt;
    if (it->is_number_unsigned()) {
        const auto id = it->get<uint64_t>();
        if (id == 0 || id > DZSwipeToViewControllerConfigurations::kMaxProductID) return std::nullopt;
        return id;
    }
    // A whole number written as a float still names the item; a fraction or a negative does not.
    auto value = numberAt(settings, "app_store_product_id");
    if (!value || *value < 1 || *value != std::floor(*value) ||
        *value > static_cast<double>(DZSwipeToViewControllerConfigurations::kMaxProductID))
        return std::nullopt;
    return static_cast<uint64_t>(*value);
}

std::optional<platform::Rect> rectangleFrom(const nlohmann::json& element) {
    if (!element.is_object()) return std::nullopt;
    const auto x = numberAt(element, "x");
    const auto y = numberAt(element, "y");
    const auto width = numberAt(element, "width");
    const auto height = numberAt(element, "height");
    if (!x || !y || !width || !height) return std::nullopt;
    constexpr double limit = DZSwipeToViewControllerConfigurations::kMaxExtent;
    if (std::fabs(*x) > limit || std::fabs(*y) > limit || *width < 0 || *height < 0 || *width > limit ||
        *height > limit)
        return std::nullopt;
    return platform::Rect{static_cast<float>(*x), static_cast<float>(*y), static_cast<float>(*width),
                          static_cast<float>(*height)};
}

}  // namespace

std::shared_ptr<DZSwipeToViewControllerConfigurations> DZSwipeToViewControllerConfigurations::create(
    const nlohmann::json& settings) {
    if (!settings.is_object() || settings.empty()) return nullptr;
    auto configurations = std::make_shared<DZSwipeToViewControllerConfigurations>();
    configurations->productID_ = productIDAt(settings);
    if (auto list = settings.find("swipeable_rectangles"); list != settings.end() && list->is_array()) {
        std::vector<platform::Rect> rectangles;
        for (const auto& element : *list) {
            if (rectangles.size() == kMaxRectangles) break;
            if (auto rectangle = rectangleFrom(element)) rectangles.push_back(*rectangle);
        }
        if (!rectangles.empty()) configurations->rectangles_ = std::move(rectangles);
    }
    if (auto metadata = settings.find("swipe_event_creative_metadata");
        metadata != settings.end() && metadata->is_object())
        configurations->metadata_ = *metadata;
    if (auto duration = numberAt(settings, "swipe_animation_transition_duration"); duration && *duration > 0)
        configurations->duration_ = std::min(*duration, kMaxTransitionDuration);
    return configurations;
}
