#pragma once
// One calendar event as the editor shows it.
#include <chrono>
#include <optional>
#include <string>

namespace platform::calendar {

struct Event {
    std::string title;
    std::string notes;
    std::string location;
    std::optional<std::chrono::sys_seconds> startDate;
    std::optional<std::chrono::sys_seconds> endDate;
};

}  // namespace platform::calendar
