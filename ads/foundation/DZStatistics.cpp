#include "ads/foundation/DZStatistics.h"

DZStatistics::~DZStatistics() {
    // The queued saves keep the lists alive, not their owner: left to run later, they would save
    // through whatever store is the standard one by then, another home's once the run's defaults
    // were reset.
    statistics_->applicationWillTerminate();
}

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
