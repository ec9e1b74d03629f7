#pragma once
// A timing manager joined with a string-list store: the base of the per-ad-unit slot statistics.
#include <memory>
#include <string>

#include "ads/foundation/DZStatisticsCore.h"
#include "ads/foundation/DZTimingManager.h"

class DZStatistics {
  public:
    // Waits for the lists' queued saves, as the timing manager waits for its own.
    virtual ~DZStatistics();
    DZStatistics(const DZStatistics&) = delete;
    DZStatistics& operator=(const DZStatistics&) = delete;

    std::shared_ptr<DZTiming> timingNamed(const std::string& name) const;
    // Replaces the timing of that name with a new, started one.
    void startTimingNamed(const std::string& name, bool explicitEnd);
    void endTimingNamed(const std::string& name);

    DZStatisticsCore& statistics() const { return *statistics_; }
    DZTimingManager& timingManager() const { return *timingManager_; }

  protected:
    DZStatistics(std::shared_ptr<DZStatisticsCore> statistics, std::unique_ptr<DZTimingManager> timingManager)
        : statistics_(std::move(statistics)), timingManager_(std::move(timingManager)) {}

  private:
    std::shared_ptr<DZStatisticsCore> statistics_;
    std::unique_ptr<DZTimingManager> timingManager_;
};
