#include "ads/render/mraid/DZMRAIDResizeProperties.h"

#include <cctype>
#include <cmath>
#include <cstdlib>
#include <map>
#include <optional>
#include <sstream>

namespace {

// The whole text as one finite number (surrounding blanks allowed); a page's "12px", "" or
// "nan" is no size.
std::optional<double> finiteNumber(const std::string& text) {
    const char* begin = text.c_str();
    char* end = nullptr;
    const double value = std::strtod(begin, &end);
    if (end == begin) return std::nullopt;
    while (*end && std::isspace(static_cast<unsigned char>(*end))) ++end;
    if (*end || !std::isfinite(value)) return std::nullopt;
    // Stored as floats: what overflows one is as unusable as infinity.
    if (!std::isfinite(static_cast<float>(value))) return std::nullopt;
    return value;
}

bool flagValue(const std::string& text) {
    for (char c : text) {
        if (std::isspace(static_cast<unsigned char>(c))) continue;
        return c == 'Y' || c == 'y' || c == 'T' || c == 't' || (c >= '1' && c <= '9');
    }
    return false;
}

int closePositionNamed(const std::string& name) {
    static const std::map<std::string, int> names{
        {"top-right", DZMRAIDResizeProperties::kTopRight},
        {"top-center", DZMRAIDResizeProperties::kTopCenter},
        {"top-left", DZMRAIDResizeProperties::kTopLeft},
        {"center", DZMRAIDResizeProperties::kCenter},
        {"bottom-right", DZMRAIDResizeProperties::kBottomRight},
        {"bottom-center", DZMRAIDResizeProperties::kBottomCenter},
        {"bottom-left", DZMRAIDResizeProperties::kBottomLeft},
    };
    const auto found = names.find(name);
    return found == names.end() ? DZMRAIDResizeProperties::kTopRight : found->second;
}

}  // namespace

std::shared_ptr<DZMRAIDResizeProperties> DZMRAIDResizeProperties::withDictionary(
    const DZNotification::Parameters& parameters) {
    auto text = [&](const char* key) -> const std::string* {
        const auto found = parameters.find(key);
        return found == parameters.end() ? nullptr : &found->second;
    };
    const std::string* width = text("width");
    const std::string* height = text("height");
    const std::string* offsetX = text("offsetX");
    const std::string* offsetY = text("offsetY");
    const std::string* position = text("customClosePosition");
    const std::string* offscreen = text("allowOffscreen");
    if (!width || !height || !offsetX || !offsetY || !position || !offscreen) return nullptr;
    const auto w = finiteNumber(*width);
    const auto h = finiteNumber(*height);
    const auto x = finiteNumber(*offsetX);
    const auto y = finiteNumber(*offsetY);
    // Offsets may point up or left of the ad; a size may not be negative.
    if (!w || !h || !x || !y || *w < 0 || *h < 0) return nullptr;
    auto properties = std::make_shared<DZMRAIDResizeProperties>();
    properties->size_ = {static_cast<float>(*w), static_cast<float>(*h)};
    properties->offset_ = {static_cast<float>(*x), static_cast<float>(*y)};
    properties->customClosePosition_ = closePositionNamed(*position);
    properties->allowOffscreen_ = flagValue(*offscreen);
    return properties;
}

platform::Rect DZMRAIDResizeProperties::closeButtonRectForPosition(int position,
                                                                   const platform::Rect& contentFrame) {
    const float size = static_cast<float>(kCloseButtonSize);
    const platform::Rect& f = contentFrame;
    const float right = f.maxX() - size;
    const float centerX = f.midX() - size / 2;
    const float bottom = f.maxY() - size;
    switch (position) {
        case kTopRight:
            return {right, f.minY(), size, size};
        case kTopCenter:
            return {centerX, f.minY(), size, size};
        case kTopLeft:
            return {f.minX(), f.minY(), size, size};
        case kCenter:
            return {centerX, f.midY() - size / 2, size, size};
        case kBottomRight:
            return {right, bottom, size, size};
        case kBottomCenter:
            return {centerX, bottom, size, size};
        case kBottomLeft:
            return {f.minX(), bottom, size, size};
        default:
            return {f.minX(), f.minY(), size, size};
    }
}

unsigned DZMRAIDResizeProperties::autoresizingMaskForClosePosition(int position) {
    // Flexible left margin 1, right 4, top 8, bottom 32: the control keeps to its corner.
    switch (position) {
        case kTopRight:
            return 33;
        case kTopCenter:
            return 37;
        case kTopLeft:
            return 36;
        case kCenter:
            return 45;
        case kBottomRight:
            return 9;
        case kBottomCenter:
            return 13;
        case kBottomLeft:
            return 12;
        default:
            return 0;
    }
}

namespace {

bool rectContains(const platform::Rect& outer, const platform::Rect& inner) {
    return inner.minX() >= outer.minX() && inner.minY() >= outer.minY() && inner.maxX() <= outer.maxX() &&
           inner.maxY() <= outer.maxY();
}

}  // namespace

bool DZMRAIDResizeProperties::isContentFrameValid(const platform::Rect& frame, const platform::Rect& bounds,
                                                  bool allowOffscreen, int closeButtonPosition) {
    if (allowOffscreen) return rectContains(bounds, closeButtonRectForPosition(closeButtonPosition, frame));
    return rectContains(bounds, frame);
}

std::string DZMRAIDResizeProperties::description() const {
    std::ostringstream out;
    out << "{width: " << size_.width << ", height: " << size_.height << ", offsetX: " << offset_.x
        << ", offsetY: " << offset_.y << ", customClosePosition: " << customClosePosition_
        << ", allowOffscreen: " << (allowOffscreen_ ? "true" : "false") << "}";
    return out.str();
}
