#pragma once
// A creative's calendar event as the page asked for it: start and end times, summary,
// description and location. Times are read only in the form "2026-12-07T21:30:00+02:00" (or "Z"
// for the offset); any other text, a missing key or an impossible date leaves the field empty,
// and the object is made all the same.
#include <chrono>
#include <optional>
#include <string>

#include "ads/render/bridge/DZNotification.h"

class DZMRAIDCalendarProperties {
  public:
    using Time = std::chrono::sys_seconds;

    explicit DZMRAIDCalendarProperties(const DZNotification::Parameters& parameters);

    // The instant a date text names; nothing unless it is a whole date, "T", a time to the
    // second and a zone ("Z" or a colon-separated offset).
    static std::optional<Time> dateFromString(const std::string& text);

    const std::optional<Time>& startTime() const { return startTime_; }
    const std::optional<Time>& endTime() const { return endTime_; }
    const std::optional<std::string>& summary() const { return summary_; }
    const std::optional<std::string>& eventDescription() const { return eventDescription_; }
    const std::optional<std::string>& location() const { return location_; }

  private:
    std::optional<Time> startTime_;
    std::optional<Time> endTime_;
    std::optional<std::string> summary_;
    std::optional<std::string> eventDescription_;
    std::optional<std::string> location_;
};
