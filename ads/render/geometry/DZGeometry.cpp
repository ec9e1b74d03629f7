#include "ads/render/geometry/DZGeometry.h"

#include <cmath>

platform::Rect DZStandardizedRect(const platform::Rect& rect) {
    float x = rect.origin.x, y = rect.origin.y, w = rect.size.width, h = rect.size.height;
    if (w < 0) {
        x += w;
        w = -w;
    }
    if (h < 0) {
        y += h;
        h = -h;
    }
    return {x, y, w, h};
}

nlohmann::json DZDictionaryFromRect(const platform::Rect& rect) {
    const auto r = DZStandardizedRect(rect);
    const float x = r.origin.x, y = r.origin.y, w = r.size.width, h = r.size.height;
    nlohmann::json out = nlohmann::json::object();
    for (auto [key, value] : {std::pair{"x", x}, {"y", y}, {"w", w}, {"h", h}}) {
        if (std::isfinite(value)) out[key] = value;
    }
    return out;
}
