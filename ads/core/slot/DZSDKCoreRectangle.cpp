#include "ads/core/slot/DZSDKCoreRectangle.h"

#include <cmath>
#include <optional>

platform::Rect DZCGRectFromSDKCoreRectangle(const nlohmann::json& rectangle, platform::ErrorRef* error) {
    auto number = [&](const char* key) -> std::optional<float> {
        if (!rectangle.is_object()) return std::nullopt;
        auto it = rectangle.find(key);
        if (it == rectangle.end() || !it->is_number()) return std::nullopt;
        const double value = it->get<double>();
        // A value a float cannot hold would be infinite in the rectangle.
        if (!std::isfinite(value) || std::fabs(value) > 3.0e38) return std::nullopt;
        return static_cast<float>(value);
    };
    auto x = number("x");
    auto y = number("y");
    auto width = number("width");
    auto height = number("height");
    if (x && y && width && height) return platform::Rect(*x, *y, *width, *height);
    if (error) {
        const std::string text = rectangle.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
        *error = std::make_shared<platform::Error>(
            "cg_rect_conversion", 1,
            platform::Error::UserInfo{
                {platform::Error::kLocalizedDescriptionKey,
                 nlohmann::json("Invalid SDK Core rectangle " + text.substr(0, 256) + ".")}});
    }
    return platform::Rect();
}

nlohmann::json DZSDKCoreRectangleFromCGRect(const platform::Rect& rect) {
    return {
        {"x", rect.origin.x}, {"y", rect.origin.y}, {"width", rect.size.width}, {"height", rect.size.height}};
}
