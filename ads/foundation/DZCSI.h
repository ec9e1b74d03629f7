#pragma once
// Client-side latency reports: the hub that decides once per process whether it reports (a
// random sample of processes does), keeps one time recorder per action and labelled wall-clock
// timestamps, and sends every recorder's measurements on request, one GET per action.
//
// A process that is not sampled makes no recorder and sends nothing.
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "ads/foundation/DZCSIConfiguration.h"
#include "ads/foundation/DZCSITimeRecorder.h"

class DZCSI : public std::enable_shared_from_this<DZCSI> {
  public:
    // The sampling probability: the user default "/rerive/ads/csi_reporting_probability", else 0.05.
    static std::shared_ptr<DZCSI> sharedInstance();
    // A hub of its own over a given configuration (tests).
    static std::shared_ptr<DZCSI> create(std::shared_ptr<DZCSIConfiguration> configuration);
    DZCSI(const DZCSI&) = delete;
    DZCSI& operator=(const DZCSI&) = delete;

    // Nothing when this process does not report.
    std::shared_ptr<DZCSITimeRecorder> timeRecorderForAction(const std::string& action);
    // Now, in milliseconds since 1970.
    void recordTimestampForLabel(const std::string& label);
    void setTimestampForLabel(int64_t milliseconds, const std::string& label);
    // 0 when the label has none.
    int64_t timestampForLabel(const std::string& label) const;
    // Sends every recorder's report and clears the timestamps.
    void sendReport();

    void setZWSQueryID(const std::string& queryID);
    std::optional<std::string> ZWSQueryID() const;
    const std::shared_ptr<DZCSIConfiguration>& configuration() const { return configuration_; }

  private:
    explicit DZCSI(std::shared_ptr<DZCSIConfiguration> configuration);

    std::shared_ptr<DZCSIConfiguration> configuration_;
    // The process's one hub: slots and pages use it on the main thread, and any other thread may
    // ask for a recorder or stamp a label.
    mutable std::mutex mutex_;
    std::map<std::string, std::shared_ptr<DZCSITimeRecorder>> timeRecorders_;  // mutex_
    std::map<std::string, int64_t> timestamps_;                                // mutex_
    std::optional<std::string> ZWSQueryID_;                                    // mutex_
};
