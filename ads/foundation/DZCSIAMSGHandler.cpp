#include "ads/foundation/DZCSIAMSGHandler.h"

#include <charconv>
#include <optional>

#include "ads/foundation/DZCSI.h"

namespace {

constexpr const char* kPageAction = "make_wv";

std::optional<std::string> parameter(const DZCSIAMSGHandler::Parameters& parameters, const char* key) {
    auto it = parameters.find(key);
    if (it == parameters.end()) return std::nullopt;
    return it->second;
}

// A whole number of milliseconds, and nothing else.
std::optional<int64_t> milliseconds(const std::optional<std::string>& text) {
    if (!text || text->empty()) return std::nullopt;
    int64_t value = 0;
    const char* end = text->data() + text->size();
    auto [ptr, ec] = std::from_chars(text->data(), end, value);
    if (ec != std::errc() || ptr != end) return std::nullopt;
    return value;
}

}  // namespace

DZCSIAMSGHandler::DZCSIAMSGHandler(std::shared_ptr<DZCSI> csi) : csi_(std::move(csi)) {}

std::shared_ptr<DZCSI> DZCSIAMSGHandler::csi() {
    return csi_ ? csi_ : DZCSI::sharedInstance();
}

bool DZCSIAMSGHandler::handleNotification(const std::string& name, const Parameters& parameters) {
    if (name != "instrument") return false;
    didReceiveCSINotification(parameters);
    return true;
}

void DZCSIAMSGHandler::didReceiveCSINotification(const Parameters& parameters) {
    static const std::map<std::string, void (DZCSIAMSGHandler::*)(const Parameters&)> actions = {
        {"tick", &DZCSIAMSGHandler::didReceiveTickAction},
        {"experiment", &DZCSIAMSGHandler::didReceiveExperimentAction},
        {"extra", &DZCSIAMSGHandler::didReceiveExtraAction},
    };
    const auto action = parameter(parameters, "action");
    if (!action) return;
    auto it = actions.find(*action);
    if (it != actions.end()) (this->*(it->second))(parameters);
}

void DZCSIAMSGHandler::didReceiveTickAction(const Parameters& parameters) {
    const auto label = parameter(parameters, "label");
    const auto timestamp = milliseconds(parameter(parameters, "timestamp"));
    if (!label || !timestamp || *timestamp == 0) return;
    auto hub = csi();
    hub->setTimestampForLabel(*timestamp, *label);
    const std::string startLabel = parameter(parameters, "start_label").value_or("native:view_load");
    const int64_t start = hub->timestampForLabel(startLabel);
    if (start == 0 || *timestamp < start) return;
    auto recorder = hub->timeRecorderForAction(kPageAction);
    if (!recorder) return;
    // Both in milliseconds: the report multiplies by 1000 as for every variable, which the
    // servers expect of page ticks.
    auto variable = DZCSIVariableTiming::initWithName(*label, static_cast<double>(start));
    variable->setLength(static_cast<double>(*timestamp - start));
    recorder->addCompletedVariable(variable);
}

void DZCSIAMSGHandler::didReceiveExperimentAction(const Parameters& parameters) {
    const auto value = parameter(parameters, "value");
    if (!value) return;
    if (auto recorder = csi()->timeRecorderForAction(kPageAction)) recorder->addExperimentID(*value);
}

void DZCSIAMSGHandler::didReceiveExtraAction(const Parameters& parameters) {
    const auto name = parameter(parameters, "name");
    const auto value = parameter(parameters, "value");
    if (!name || !value) return;
    if (auto recorder = csi()->timeRecorderForAction(kPageAction))
        recorder->setCustomizedParameterValueForKey(*value, *name);
}
