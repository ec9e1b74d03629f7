#pragma once
// The measurements of one action ("load_ad_ios", "make_wv", ...): named timing variables under
// keys, experiment IDs and extra report parameters. Experiment IDs and parameters are capped,
// since ad pages may add them without end.
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "ads/foundation/DZCSIVariableTiming.h"

class DZCSITimeRecorder : public std::enable_shared_from_this<DZCSITimeRecorder> {
  public:
    static constexpr size_t kMaxExperimentIDs = 64;
    static constexpr size_t kMaxCustomizedParameters = 64;

    static std::shared_ptr<DZCSITimeRecorder> initWithAction(const std::string& action);
    DZCSITimeRecorder(const DZCSITimeRecorder&) = delete;
    DZCSITimeRecorder& operator=(const DZCSITimeRecorder&) = delete;

    // Seconds on the component's monotonic clock (always above 0).
    static double currentTime();
    // When the recorder began, on that clock.
    double startTime() const { return startTime_; }

    // Nothing for an empty name.
    void startTimingVariableWithName(const std::string& name, const std::string& key);
    // The ongoing variable under the key gets its length and is completed; a key already
    // completed makes it go under the key followed by a random number.
    void endTimingVariableWithName(const std::string& name, const std::string& key);
    void cancelTimingVariableWithName(const std::string& name, const std::string& key);
    void startTimingVariableWithName(const std::string& name) { startTimingVariableWithName(name, name); }
    void endTimingVariableWithName(const std::string& name) { endTimingVariableWithName(name, name); }
    void cancelTimingVariableWithName(const std::string& name) { cancelTimingVariableWithName(name, name); }

    void addCompletedVariable(const std::shared_ptr<DZCSIVariableTiming>& variable);
    void addCompletedVariableForKey(const std::shared_ptr<DZCSIVariableTiming>& variable,
                                    const std::string& key);
    void removeCompletedVariableForKey(const std::string& key);
    std::map<std::string, std::shared_ptr<DZCSIVariableTiming>> completedVariables() const;

    void addExperimentID(const std::string& experimentID);
    // Nothing for an empty key.
    void setCustomizedParameterValueForKey(const std::string& value, const std::string& key);
    std::vector<std::string> experimentIDs() const;
    std::map<std::string, std::string> customizedParameters() const;
    const std::string& action() const { return action_; }

  private:
    explicit DZCSITimeRecorder(std::string action);

    // Shared through the hub: measured mostly on the main thread, but any thread that asks the hub
    // for it may measure, and a report reads it on the thread that sends.
    mutable std::mutex mutex_;
    std::map<std::string, std::shared_ptr<DZCSIVariableTiming>> completedVariables_;  // mutex_
    std::map<std::string, std::shared_ptr<DZCSIVariableTiming>> ongoingVariables_;    // mutex_
    std::vector<std::string> experimentIDs_;                                          // mutex_
    std::map<std::string, std::string> customizedParameters_;                         // mutex_
    const std::string action_;
    const double startTime_;
};
