#include "ads/render/mraid/DZMRAIDCalendarProperties.h"

#include <cctype>

namespace {

std::optional<std::string> valueOf(const DZNotification::Parameters& parameters, const char* key) {
    const auto found = parameters.find(key);
    if (found == parameters.end()) return std::nullopt;
    return found->second;
}

// The number of `count` digits at `at`, or -1 when any of them is not a digit.
int digits(const std::string& text, std::size_t at, std::size_t count) {
    int value = 0;
    for (std::size_t i = at; i < at + count; ++i) {
        if (!std::isdigit(static_cast<unsigned char>(text[i]))) return -1;
        value = value * 10 + (text[i] - '0');
    }
    return value;
}

}  // namespace

DZMRAIDCalendarProperties::DZMRAIDCalendarProperties(const DZNotification::Parameters& parameters)
    : summary_(valueOf(parameters, "summary")),
      eventDescription_(valueOf(parameters, "description")),
      location_(valueOf(parameters, "location")) {
    if (auto start = valueOf(parameters, "start")) startTime_ = dateFromString(*start);
    if (auto end = valueOf(parameters, "end")) endTime_ = dateFromString(*end);
}

std::optional<DZMRAIDCalendarProperties::Time> DZMRAIDCalendarProperties::dateFromString(
    const std::string& text) {
    // "yyyy-MM-ddTHH:mm:ss" then "Z" or "+hh:mm" / "-hh:mm".
    static constexpr std::size_t kLocalLength = 19;
    if (text.size() != kLocalLength + 1 && text.size() != kLocalLength + 6) return std::nullopt;
    if (text[4] != '-' || text[7] != '-' || text[10] != 'T' || text[13] != ':' || text[16] != ':')
        return std::nullopt;
    const int year = digits(text, 0, 4), month = digits(text, 5, 2), day = digits(text, 8, 2);
    const int hour = digits(text, 11, 2), minute = digits(text, 14, 2), second = digits(text, 17, 2);
    if (year < 0 || month < 0 || day < 0 || hour < 0 || minute < 0 || second < 0) return std::nullopt;
    if (hour > 23 || minute > 59 || second > 59) return std::nullopt;
    const std::chrono::year_month_day date{std::chrono::year{year},
                                           std::chrono::month(static_cast<unsigned>(month)),
                                           std::chrono::day(static_cast<unsigned>(day))};
    if (!date.ok()) return std::nullopt;

    int offsetSeconds = 0;
    const char zone = text[kLocalLength];
    if (text.size() == kLocalLength + 1) {
        if (zone != 'Z') return std::nullopt;
    } else {
        if ((zone != '+' && zone != '-') || text[kLocalLength + 3] != ':') return std::nullopt;
        const int hours = digits(text, kLocalLength + 1, 2), minutes = digits(text, kLocalLength + 4, 2);
        if (hours < 0 || minutes < 0 || hours > 23 || minutes > 59) return std::nullopt;
        offsetSeconds = (hours * 60 + minutes) * 60 * (zone == '-' ? -1 : 1);
    }
    const Time local = std::chrono::sys_days{date} + std::chrono::hours{hour} + std::chrono::minutes{minute} +
                       std::chrono::seconds{second};
    return local - std::chrono::seconds{offsetSeconds};
}
