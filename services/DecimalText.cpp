#include "services/DecimalText.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <limits>

namespace {

size_t leadingBlanks(const std::string& text) {
    size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t' || text[i] == '\n' || text[i] == '\r')) ++i;
    return i;
}

}  // namespace

double decimalDoubleValue(const std::string& text) {
    size_t i = leadingBlanks(text);
    if (i < text.size() && text[i] == '+') ++i;
    double value = 0;
    const char* first = text.data() + i;
    const char* last = text.data() + text.size();
    // Decimal notation only: "inf", "nan" and hexadecimal forms are not numbers here.
    if (first == last ||
        !(std::isdigit(static_cast<unsigned char>(*first)) || *first == '-' || *first == '.'))
        return 0;
    auto [ptr, ec] = std::from_chars(first, last, value, std::chars_format::general);
    if (ec == std::errc::result_out_of_range) {
        return (*first == '-') ? -std::numeric_limits<double>::max() : std::numeric_limits<double>::max();
    }
    if (ec != std::errc() || !std::isfinite(value)) return 0;
    return value;
}

int64_t decimalLongLongValue(const std::string& text) {
    size_t i = leadingBlanks(text);
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    uint64_t value = 0;
    const uint64_t limit = negative ? uint64_t{1} << 63 : (uint64_t{1} << 63) - 1;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        const auto digit = static_cast<uint64_t>(text[i] - '0');
        if (value > (limit - digit) / 10) {
            return negative ? std::numeric_limits<int64_t>::min() : std::numeric_limits<int64_t>::max();
        }
        value = value * 10 + digit;
    }
    return negative ? static_cast<int64_t>(0 - value) : static_cast<int64_t>(value);
}

int decimalIntValue(const std::string& text) {
    const int64_t value = decimalLongLongValue(text);
    return static_cast<int>(
        std::clamp<int64_t>(value, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
}
