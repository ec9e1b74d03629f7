#include "ads/foundation/DZCSI.h"

#include <chrono>

#include "ads/foundation/DZCSIReporter.h"
#include "ads/foundation/DZSDKVersion.h"
#include "platform/defaults/UserDefaults.h"
#include "platform/dispatch/DispatchQueue.h"

DZCSI::DZCSI(std::shared_ptr<DZCSIConfiguration> configuration)
    : configuration_(std::move(configuration)),
      lockQueue_(platform::DispatchQueue::createSerial("com.rerive.didaz.csi-lock")) {}

std::shared_ptr<DZCSI> DZCSI::create(std::shared_ptr<DZCSIConfiguration> configuration) {
    return std::shared_ptr<DZCSI>(new DZCSI(std::move(configuration)));
}

std::shared_ptr<DZCSI> DZCSI::sharedInstance() {
    // Lives for the whole process: its queue must not be torn down after the threads' own state.
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
    const auto queryID = ZWSQueryID();
    std::shared_ptr<DZCSITimeRecorder> recorder;
    lockQueue_->sync([&] {
        auto it = timeRecorders_.find(action);
        if (it != timeRecorders_.end()) recorder = it->second;
    });
    if (recorder) {
        if (queryID) recorder->setCustomizedParameterValueForKey(*queryID, "gqi");
        return recorder;
    }
    recorder = DZCSITimeRecorder::initWithAction(action);
    recorder->setCustomizedParameterValueForKey(kDZSDKVersion, "sdkVersion");
    recorder->addExperimentID(kDZSDKVersion);
    // Two threads asking at once must end up with one recorder: the first stored wins.
    std::shared_ptr<DZCSITimeRecorder> stored;
    lockQueue_->sync([&] {
        auto& slot = timeRecorders_[action];
        if (!slot) slot = recorder;
        stored = slot;
    });
    return stored;
}

void DZCSI::recordTimestampForLabel(const std::string& label) {
    const auto now =
        std::chrono::duration<double, std::milli>(std::chrono::system_clock::now().time_since_epoch());
    setTimestampForLabel(static_cast<int64_t>(now.count()), label);
}

void DZCSI::setTimestampForLabel(int64_t milliseconds, const std::string& label) {
    lockQueue_->async(
        [self = shared_from_this(), milliseconds, label] { self->timestamps_[label] = milliseconds; });
}

int64_t DZCSI::timestampForLabel(const std::string& label) const {
    int64_t value = 0;
    lockQueue_->sync([&] {
        auto it = timestamps_.find(label);
        if (it != timestamps_.end()) value = it->second;
    });
    return value;
}

void DZCSI::sendReport() {
    lockQueue_->async([self = shared_from_this()] {
        DZCSIReporter reporter(self->configuration_);
        for (const auto& [action, recorder] : self->timeRecorders_)
            reporter.reportTimeRecorder(*recorder, [](const platform::HttpConnection::Outcome&) {});
        self->timestamps_.clear();
    });
}

void DZCSI::setZWSQueryID(const std::string& queryID) {
    std::lock_guard<std::mutex> lock(queryIDMutex_);
    ZWSQueryID_ = queryID;
}

std::optional<std::string> DZCSI::ZWSQueryID() const {
    std::lock_guard<std::mutex> lock(queryIDMutex_);
    return ZWSQueryID_;
}
