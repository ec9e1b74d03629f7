#include "platform/web/FrameCopyPace.h"

#include <algorithm>

namespace platform::web {

void FrameCopyPace::copied(double at, double costSeconds) {
    costSeconds = std::max(costSeconds, 0.0);
    averageCost_ = any_ ? averageCost_ + kWeight * (costSeconds - averageCost_) : costSeconds;
    lastAt_ = at;
    any_ = true;
}

double FrameCopyPace::nextAt() const {
    if (!any_) return 0;
    const double gap = share_ > 0 ? averageCost_ / share_ : 0;
    return lastAt_ + std::max(shortestGap_, gap);
}

}  // namespace platform::web
