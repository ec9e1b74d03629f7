#include "ads/foundation/DZSlotStatistics.h"

namespace {

constexpr const char* kAdapterTiming = "adapter";
constexpr const char* kAdapterExitKey = "adapter_exit";
constexpr const char* kAdapterDurationKey = "adapter_duration";

std::optional<std::string> joined(const std::optional<std::vector<std::string>>& list) {
    if (!list) return std::nullopt;
    std::string text;
    for (size_t i = 0; i < list->size(); ++i) {
        if (i) text += ",";
        text += (*list)[i];
    }
    return text;
}

}  // namespace

DZSlotStatistics::DZSlotStatistics()
    : DZStatistics(DZStatisticsCore::init(), std::make_unique<DZTimingManager>()) {}

void DZSlotStatistics::setIdentifier(const std::string& identifier) {
    if (identifier_ == identifier) return;
    identifier_ = identifier;
    statistics().setIdentifier(identifier);
    timingManager().setIdentifier(identifier);
}

void DZSlotStatistics::startTimingAdapter() {
    startTimingNamed(kAdapterTiming, true);
}

void DZSlotStatistics::endTimingAdapterWithExitCode(long exitCode) {
    endTimingNamed(kAdapterTiming);
    // Read after end(): the ended duration.
    if (auto timing = timingNamed(kAdapterTiming))
        statistics().appendStringToArrayForKey(timing->elapsedMillisecondsString(), kAdapterDurationKey);
    statistics().appendStringToArrayForKey(std::to_string(exitCode), kAdapterExitKey);
}

void DZSlotStatistics::resetTimingAdapters() {
    statistics().removeObjectForKey(kAdapterExitKey);
    statistics().removeObjectForKey(kAdapterDurationKey);
}

std::optional<std::string> DZSlotStatistics::adapterExitCodesParameter() const {
    return joined(statistics().arrayForKey(kAdapterExitKey));
}

std::optional<std::string> DZSlotStatistics::adapterDurationsParameter() const {
    return joined(statistics().arrayForKey(kAdapterDurationKey));
}
