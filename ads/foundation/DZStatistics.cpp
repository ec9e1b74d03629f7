#include "ads/foundation/DZStatistics.h"

std::shared_ptr<DZTiming> DZStatistics::timingNamed(const std::string& name) const {
    return timingManager_->timingForCategory(name);
}

void DZStatistics::startTimingNamed(const std::string& name, bool explicitEnd) {
    timingManager_->removeTimingForCategory(name);
    auto timing = timingManager_->addTimingWithCategory(name);
    timing->setExplicitEnd(explicitEnd);
    timing->start();
}

void DZStatistics::endTimingNamed(const std::string& name) {
    if (auto timing = timingNamed(name)) timing->end();
}
