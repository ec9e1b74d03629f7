#include "ads/foundation/DZCSITimeRecorder.h"

#include <random>

#include "ads/foundation/DZAbsoluteTime.h"
#include "platform/dispatch/DispatchQueue.h"

DZCSITimeRecorder::DZCSITimeRecorder(std::string action)
    : lockQueue_(platform::DispatchQueue::createSerial("com.rerive.didaz.csi-time-recorder")),
      action_(std::move(action)),
      startTime_(currentTime()) {}

std::shared_ptr<DZCSITimeRecorder> DZCSITimeRecorder::initWithAction(const std::string& action) {
    return std::shared_ptr<DZCSITimeRecorder>(new DZCSITimeRecorder(action));
}

double DZCSITimeRecorder::currentTime() {
    // To the microsecond: a step shorter than a millisecond still has a length.
    return DZAbsoluteTime::absoluteTimeInSeconds();
}

void DZCSITimeRecorder::startTimingVariableWithName(const std::string& name, const std::string& key) {
    if (name.empty()) return;
    auto variable = DZCSIVariableTiming::initWithName(name, currentTime());
    lockQueue_->async(
        [self = shared_from_this(), variable, key] { self->ongoingVariables_[key] = variable; });
}

void DZCSITimeRecorder::endTimingVariableWithName(const std::string& name, const std::string& key) {
    // The end is when the caller says so, not when the queue gets to it.
    const double now = currentTime();
    lockQueue_->async([self = shared_from_this(), key, now] {
        auto it = self->ongoingVariables_.find(key);
        if (it == self->ongoingVariables_.end()) return;
        auto variable = it->second;
        self->ongoingVariables_.erase(it);
        variable->setLength(now - variable->start());
        std::string completedKey = key;
        if (self->completedVariables_.count(completedKey)) {
            static thread_local std::mt19937 random{std::random_device{}()};
            completedKey += std::to_string(static_cast<long>(static_cast<int32_t>(random())));
        }
        self->completedVariables_[completedKey] = variable;
    });
}

void DZCSITimeRecorder::cancelTimingVariableWithName(const std::string& name, const std::string& key) {
    lockQueue_->async([self = shared_from_this(), key] { self->ongoingVariables_.erase(key); });
}

void DZCSITimeRecorder::addCompletedVariable(const std::shared_ptr<DZCSIVariableTiming>& variable) {
    if (variable && !variable->name().empty()) addCompletedVariableForKey(variable, variable->name());
}

void DZCSITimeRecorder::addCompletedVariableForKey(const std::shared_ptr<DZCSIVariableTiming>& variable,
                                                   const std::string& key) {
    if (!variable) return;
    lockQueue_->async(
        [self = shared_from_this(), variable, key] { self->completedVariables_[key] = variable; });
}

void DZCSITimeRecorder::removeCompletedVariableForKey(const std::string& key) {
    lockQueue_->async([self = shared_from_this(), key] { self->completedVariables_.erase(key); });
}

std::map<std::string, std::shared_ptr<DZCSIVariableTiming>> DZCSITimeRecorder::completedVariables() const {
    std::map<std::string, std::shared_ptr<DZCSIVariableTiming>> copy;
    lockQueue_->sync([&] { copy = completedVariables_; });
    return copy;
}

void DZCSITimeRecorder::addExperimentID(const std::string& experimentID) {
    lockQueue_->async([self = shared_from_this(), experimentID] {
        if (self->experimentIDs_.size() < kMaxExperimentIDs) self->experimentIDs_.push_back(experimentID);
    });
}

void DZCSITimeRecorder::setCustomizedParameterValueForKey(const std::string& value, const std::string& key) {
    if (key.empty()) return;
    lockQueue_->async([self = shared_from_this(), value, key] {
        auto& parameters = self->customizedParameters_;
        if (parameters.count(key) || parameters.size() < kMaxCustomizedParameters) parameters[key] = value;
    });
}

std::vector<std::string> DZCSITimeRecorder::experimentIDs() const {
    std::vector<std::string> copy;
    lockQueue_->sync([&] { copy = experimentIDs_; });
    return copy;
}

std::map<std::string, std::string> DZCSITimeRecorder::customizedParameters() const {
    std::map<std::string, std::string> copy;
    lockQueue_->sync([&] { copy = customizedParameters_; });
    return copy;
}
