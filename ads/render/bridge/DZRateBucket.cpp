#include "ads/render/bridge/DZRateBucket.h"

#include <algorithm>

bool DZRateBucket::take(std::uint64_t now) {
    if (last_ && now > *last_)
        tokens_ = std::min<double>(burst_, tokens_ + static_cast<double>(now - *last_) * perSecond_ / 1000);
    if (!last_ || now > *last_) last_ = now;
    if (tokens_ < 1) return false;
    tokens_ -= 1;
    return true;
}
