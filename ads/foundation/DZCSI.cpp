#include "ads/foundation/DZCSI.h"

#include <chrono>

#include "ads/foundation/DZCSIReporter.h"
#include "ads/foundation/DZSDKVersion.h"
#include "platform/defaults/UserDefaults.h"

DZCSI::DZCSI(std::shared_ptr<DZCSIConfiguration> configuration) : configuration_(std::move(configuration)) {}

std::shared_ptr<DZCSI> DZCSI::create(std::shared_ptr<DZCSIConfiguration> configuration) {
    return std::shared_ptr<DZCSI>(new DZCSI(std::move(configuration)));
}

std::shared_ptr<DZCSI> DZCSI::sharedInstance() {
    // Lives for the whole process: any thread may measure up to the process's end.
    static const auto* csi = new std::shared_ptr<DZCSI>([] {
        auto configuration = DZCSIConfiguration::initWithServiceName("gmob_sdk");
        const auto probability =
            platform::UserDefaults::standard()->doubleForKey("/rerive/ads/csi_reporting_probability");
        configuration->setReportingProbability(static_cast<float>(probability.value_or(0.05)));
        return create(configuration);
    }());
    return *csi;
}

std::shared_ptr<DZCSITimeRecorder> DZCSI::timeRecorderForAction(const std::string& action) {
    if (!configuration_->reportingEnabled()) return nullptr;
    std::optional<std::string> queryID;
    std::shared_ptr<DZCSITimeRecorder> recorder;
    {
        std::lock_guard lock(mutex_);
        queryID = ZWSQueryID_;
        auto it = timeRecorders_.find(action);
        if (it != timeRecorders_.end()) recorder = it->second;
    }
    if (recorder) {
        if (queryID) recorder->setCustomizedParameterValueForKey(*queryID, "gqi");
        return recorder;
    }
    recorder = DZCSITimeRecorder::initWithAction(action);
    recorder->setCustomizedParameterValueForKey(kDZSDKVersion, "sdkVersion");
    recorder->addExperimentID(kDZSDKVersion);
    // Two threads asking at once must end up with one recorder: the first stored wins.
    std::lock_guard lock(mutex_);
    auto& slot = timeRecorders_[action];
    if (!slot) slot = recorder;
    return slot;
}

void DZCSI::recordTimestampForLabel(const std::string& label) {
    const auto now =
        std::chrono::duration<double, std::milli>(std::chrono::system_clock::now().time_since_epoch());
    setTimestampForLabel(static_cast<int64_t>(now.count()), label);
}

void DZCSI::setTimestampForLabel(int64_t milliseconds, const std::string& label) {
    std::lock_guard lock(mutex_);
    timestamps_[label] = milliseconds;
}

int64_t DZCSI::timestampForLabel(const std::string& label) const {
    std::lock_guard lock(mutex_);
    auto it = timestamps_.find(label);
    return it == timestamps_.end() ? 0 : it->second;
}

void DZCSI::sendReport() {
    std::map<std::string, std::shared_ptr<DZCSITimeRecorder>> recorders;
    {
        std::lock_guard lock(mutex_);
        recorders = timeRecorders_;
        timestamps_.clear();
    }
    // Outside the lock: a report reads and drains each recorder under the recorder's own.
    DZCSIReporter reporter(configuration_);
    for (const auto& [action, recorder] : recorders)
        reporter.reportTimeRecorder(*recorder, [](const platform::HttpConnection::Outcome&) {});
}

void DZCSI::setZWSQueryID(const std::string& queryID) {
    std::lock_guard lock(mutex_);
    ZWSQueryID_ = queryID;
}

std::optional<std::string> DZCSI::ZWSQueryID() const {
    std::lock_guard lock(mutex_);
    return ZWSQueryID_;
}
