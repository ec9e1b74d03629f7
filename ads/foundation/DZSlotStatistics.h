#pragma once
// The per-ad-unit record of mediation adapter durations and exit codes: the mediation manager
// times each adapter, and sends the lists joined by "," with its reports.
#include <cstdint>
#include <optional>
#include <string>

#include "ads/foundation/DZStatistics.h"

class DZSlotStatistics : public DZStatistics {
  public:
    DZSlotStatistics();

    // Binds both stores to the ad unit (each loads what is kept for it); the same identifier
    // again changes nothing.
    void setIdentifier(const std::string& identifier);
    std::optional<std::string> identifier() const { return identifier_; }

    void startTimingAdapter();
    // Appends the adapter's duration (when it was timed) to "adapter_duration" and the code to
    // "adapter_exit".
    void endTimingAdapterWithExitCode(long exitCode);
    void resetTimingAdapters();
    // The lists joined by ","; nothing when absent.
    std::optional<std::string> adapterExitCodesParameter() const;
    std::optional<std::string> adapterDurationsParameter() const;

  private:
    std::optional<std::string> identifier_;
};
