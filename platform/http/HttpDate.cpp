#include "platform/http/HttpDate.h"

#include <array>
#include <cctype>
#include <cstdio>
#include <ctime>

namespace platform {

namespace {

constexpr std::array<const char*, 7> kDays = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
constexpr std::array<const char*, 7> kLongDays = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                                                  "Thursday", "Friday", "Saturday"};
constexpr std::array<const char*, 12> kMonths = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                 "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

// A cursor over the text; every reader returns false and leaves the rest unusable on a mismatch.
struct Reader {
    std::string_view s;

    bool literal(std::string_view lit) {
        if (!s.starts_with(lit)) return false;
        s.remove_prefix(lit.size());
        return true;
    }
    bool spaces(bool atLeastOne = true) {
        size_t n = 0;
        while (n < s.size() && s[n] == ' ') ++n;
        s.remove_prefix(n);
        return n > 0 || !atLeastOne;
    }
    // Between minDigits and maxDigits digits.
    bool number(int minDigits, int maxDigits, int& out) {
        int n = 0;
        out = 0;
        while (n < maxDigits && n < static_cast<int>(s.size()) &&
               std::isdigit(static_cast<unsigned char>(s[n]))) {
            out = out * 10 + (s[n] - '0');
            ++n;
        }
        if (n < minDigits) return false;
        s.remove_prefix(static_cast<size_t>(n));
        return true;
    }
    template <size_t N>
    bool name(const std::array<const char*, N>& names, int& out) {
        for (size_t i = 0; i < N; ++i) {
            if (literal(names[i])) {
                out = static_cast<int>(i);
                return true;
            }
        }
        return false;
    }
    bool time(int& h, int& m, int& sec) {
        return number(2, 2, h) && literal(":") && number(2, 2, m) && literal(":") && number(2, 2, sec);
    }
    // Offset east of GMT, in seconds.
    bool zone(long& offset) {
        offset = 0;
        if (literal("GMT") || literal("UTC") || literal("UT") || literal("Z")) return true;
        int sign = 0;
        if (literal("+"))
            sign = 1;
        else if (literal("-"))
            sign = -1;
        int hhmm = 0;
        if (!sign || !number(4, 4, hhmm) || hhmm % 100 >= 60) return false;
        offset = sign * ((hhmm / 100) * 3600L + (hhmm % 100) * 60L);
        return true;
    }
    bool atEnd() const { return s.empty(); }
};

std::optional<SystemTime> build(int year, int month, int day, int h, int m, int sec, long offset) {
    if (month < 0 || month > 11 || day < 1 || day > 31 || h > 23 || m > 59 || sec > 60 || year < 1601) {
        return std::nullopt;
    }
    std::tm tm{};
    tm.tm_year = year - 1900;
    tm.tm_mon = month;
    tm.tm_mday = day;
    tm.tm_hour = h;
    tm.tm_min = m;
    tm.tm_sec = sec;
    const time_t t = timegm(&tm);
    if (tm.tm_mday != day) return std::nullopt;  // 31 Feb and the like
    return std::chrono::system_clock::from_time_t(t - offset);
}

std::optional<SystemTime> rfc1123(std::string_view text, bool zoneRequired) {
    Reader r{text};
    int wd, day, mon, year, h, m, s;
    long offset = 0;
    if (!(r.name(kDays, wd) && r.literal(",") && r.spaces() && r.number(1, 2, day) && r.spaces() &&
          r.name(kMonths, mon) && r.spaces() && r.number(4, 4, year) && r.spaces() && r.time(h, m, s))) {
        return std::nullopt;
    }
    if (zoneRequired) {
        if (!(r.spaces() && r.zone(offset) && r.atEnd())) return std::nullopt;
    } else {
        r.spaces(false);
        r.literal("GMT");
        r.spaces(false);
        if (!r.atEnd()) return std::nullopt;
    }
    return build(year, mon, day, h, m, s, offset);
}

std::optional<SystemTime> rfc850(std::string_view text) {
    Reader r{text};
    int wd, day, mon, yy, h, m, s;
    long offset = 0;
    if (!(r.name(kLongDays, wd) && r.literal(",") && r.spaces() && r.number(2, 2, day) && r.literal("-") &&
          r.name(kMonths, mon) && r.literal("-") && r.number(2, 2, yy) && r.spaces() && r.time(h, m, s) &&
          r.spaces() && r.zone(offset) && r.atEnd())) {
        return std::nullopt;
    }
    return build(yy < 70 ? 2000 + yy : 1900 + yy, mon, day, h, m, s, offset);
}

std::optional<SystemTime> asctimeForm(std::string_view text) {
    Reader r{text};
    int wd, day, mon, year, h, m, s;
    if (!(r.name(kDays, wd) && r.spaces() && r.name(kMonths, mon) && r.spaces() && r.number(1, 2, day) &&
          r.spaces() && r.time(h, m, s) && r.spaces() && r.number(4, 4, year) && r.atEnd())) {
        return std::nullopt;
    }
    return build(year, mon, day, h, m, s, 0);
}

std::string_view trimmed(std::string_view s) {
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.front()))) s.remove_prefix(1);
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back()))) s.remove_suffix(1);
    return s;
}

}  // namespace

std::optional<SystemTime> parseHttpDate(std::string_view text) {
    if (auto t = rfc1123(text, true)) return t;
    if (auto t = rfc850(text)) return t;
    return asctimeForm(text);
}

std::string formatZonelessHttpDate(SystemTime time) {
    const time_t t = std::chrono::system_clock::to_time_t(time);
    std::tm tm{};
    gmtime_r(&t, &tm);
    char buf[64];
    std::snprintf(buf, sizeof buf, "%s, %02d %s %04d %02d:%02d:%02d", kDays[static_cast<size_t>(tm.tm_wday)],
                  tm.tm_mday, kMonths[static_cast<size_t>(tm.tm_mon)], tm.tm_year + 1900, tm.tm_hour,
                  tm.tm_min, tm.tm_sec);
    return buf;
}

std::optional<SystemTime> parseZonelessHttpDate(std::string_view text) {
    return rfc1123(trimmed(text), false);
}

}  // namespace platform
