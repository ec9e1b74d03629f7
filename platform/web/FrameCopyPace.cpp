#include "platform/web/FrameCopyPace.h"

#include <algorithm>
#include <vector>

namespace platform::web {

namespace {

// Every view's pace, for the budget they share.
std::vector<const FrameCopyPace*>& paces() {
    static auto* all = new std::vector<const FrameCopyPace*>();
    return *all;
}

}  // namespace

FrameCopyPace::FrameCopyPace(double coreShare, double shortestGapSeconds)
    : share_(coreShare), shortestGap_(shortestGapSeconds), part_(coreShare) {
    paces().push_back(this);
}

FrameCopyPace::~FrameCopyPace() {
    std::erase(paces(), this);
}

void FrameCopyPace::copied(double at, double costSeconds) {
    costSeconds = std::max(costSeconds, 0.0);
    averageCost_ = any_ ? averageCost_ + kWeight * (costSeconds - averageCost_) : costSeconds;
    lastAt_ = at;
    any_ = true;
    const auto copying = std::count_if(paces().begin(), paces().end(), [at](const FrameCopyPace* pace) {
        return pace->any_ && pace->lastAt_ > at - kActiveSeconds && pace->lastAt_ <= at;
    });
    part_ = share_ / static_cast<double>(std::max<std::ptrdiff_t>(copying, 1));
}

double FrameCopyPace::nextAt() const {
    if (!any_) return 0;
    const double gap = part_ > 0 ? averageCost_ / part_ : 0;
    return lastAt_ + std::max(shortestGap_, gap);
}

}  // namespace platform::web
