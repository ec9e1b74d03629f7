#include "ads/foundation/DZCSITimeRecorder.h"

#include <random>

#include "ads/foundation/DZAbsoluteTime.h"

DZCSITimeRecorder::DZCSITimeRecorder(std::string action)
    : action_(std::move(action)), startTime_(currentTime()) {}

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
    std::lock_guard lock(mutex_);
    ongoingVariables_[key] = variable;
}

void DZCSITimeRecorder::endTimingVariableWithName(const std::string& name, const std::string& key) {
    const double now = currentTime();
    std::lock_guard lock(mutex_);
    auto it = ongoingVariables_.find(key);
    if (it == ongoingVariables_.end()) return;
    auto variable = it->second;
    ongoingVariables_.erase(it);
    variable->setLength(now - variable->start());
    std::string completedKey = key;
    if (completedVariables_.count(completedKey)) {
        static thread_local std::mt19937 random{std::random_device{}()};
        completedKey += std::to_string(static_cast<long>(static_cast<int32_t>(random())));
    }
    completedVariables_[completedKey] = variable;
}

void DZCSITimeRecorder::cancelTimingVariableWithName(const std::string& name, const std::string& key) {
    std::lock_guard lock(mutex_);
    ongoingVariables_.erase(key);
}

void DZCSITimeRecorder::addCompletedVariable(const std::shared_ptr<DZCSIVariableTiming>& variable) {
    if (variable && !variable->name().empty()) addCompletedVariableForKey(variable, variable->name());
}

void DZCSITimeRecorder::addCompletedVariableForKey(const std::shared_ptr<DZCSIVariableTiming>& variable,
                                                   const std::string& key) {
    if (!variable) return;
    std::lock_guard lock(mutex_);
    completedVariables_[key] = variable;
}

void DZCSITimeRecorder::removeCompletedVariableForKey(const std::string& key) {
    std::lock_guard lock(mutex_);
    completedVariables_.erase(key);
}

std::map<std::string, std::shared_ptr<DZCSIVariableTiming>> DZCSITimeRecorder::completedVariables() const {
    std::lock_guard lock(mutex_);
    return completedVariables_;
}

void DZCSITimeRecorder::addExperimentID(const std::string& experimentID) {
    std::lock_guard lock(mutex_);
    if (experimentIDs_.size() < kMaxExperimentIDs) experimentIDs_.push_back(experimentID);
}

void DZCSITimeRecorder::setCustomizedParameterValueForKey(const std::string& value, const std::string& key) {
    if (key.empty()) return;
    std::lock_guard lock(mutex_);
    if (customizedParameters_.count(key) || customizedParameters_.size() < kMaxCustomizedParameters)
        customizedParameters_[key] = value;
}

std::vector<std::string> DZCSITimeRecorder::experimentIDs() const {
    std::lock_guard lock(mutex_);
    return experimentIDs_;
}

std::map<std::string, std::string> DZCSITimeRecorder::customizedParameters() const {
    std::lock_guard lock(mutex_);
    return customizedParameters_;
}
