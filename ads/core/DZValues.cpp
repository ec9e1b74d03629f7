#include "ads/core/DZValues.h"

#include <cctype>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <string>

namespace {

std::string_view skipSpace(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i]))) ++i;
    return text.substr(i);
}

bool startsWithWord(std::string_view text, std::string_view word) {
    if (text.size() < word.size()) return false;
    for (std::size_t i = 0; i < word.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(text[i])) != word[i]) return false;
    }
    return true;
}

int64_t clampedInteger(double value) {
    if (std::isnan(value)) return 0;
    if (value >= 9.2233720368547758e18) return std::numeric_limits<int64_t>::max();
    if (value <= -9.2233720368547758e18) return std::numeric_limits<int64_t>::min();
    return static_cast<int64_t>(value);
}

}  // namespace

bool dz_boolValue(std::string_view text) {
    text = skipSpace(text);
    std::size_t i = 0;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
    while (i < text.size() && text[i] == '0') ++i;
    if (i >= text.size()) return false;
    const char c = text[i];
    return c == 'Y' || c == 'y' || c == 'T' || c == 't' || (c >= '1' && c <= '9');
}

bool dz_jsonBoolValue(const nlohmann::json& value) {
    if (value.is_boolean()) return value.get<bool>();
    if (value.is_number()) return value.get<double>() != 0;
    if (value.is_string()) return dz_boolValue(value.get_ref<const std::string&>());
    return false;
}

std::optional<double> dz_numberValue(std::string_view text) {
    text = skipSpace(text);
    std::size_t i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    const std::string_view rest = text.substr(i);
    if (startsWithWord(rest, "nan")) return std::numeric_limits<double>::quiet_NaN();
    if (startsWithWord(rest, "inf")) return negative ? -HUGE_VAL : HUGE_VAL;
    const std::size_t digitsStart = i;
    while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i]))) ++i;
    bool digits = i > digitsStart;
    if (i < text.size() && text[i] == '.') {
        const std::size_t fraction = ++i;
        while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i]))) ++i;
        digits = digits || i > fraction;
    }
    if (!digits) return std::nullopt;
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        std::size_t e = i + 1;
        if (e < text.size() && (text[e] == '+' || text[e] == '-')) ++e;
        const std::size_t exponent = e;
        while (e < text.size() && std::isdigit(static_cast<unsigned char>(text[e]))) ++e;
        if (e > exponent) i = e;
    }
    // strtod would also read hex and "nan(...)": only the decimal prefix found above is handed on.
    const std::string number(text.substr(0, i));
    return std::strtod(number.c_str(), nullptr);
}

std::optional<double> dz_jsonNumberValue(const nlohmann::json& value) {
    if (value.is_boolean()) return value.get<bool>() ? 1.0 : 0.0;
    if (value.is_number()) return value.get<double>();
    if (value.is_string()) return dz_numberValue(value.get_ref<const std::string&>());
    return std::nullopt;
}

double dz_doubleValue(std::string_view text) {
    return dz_numberValue(text).value_or(0.0);
}

int64_t dz_integerValue(std::string_view text) {
    return clampedInteger(dz_doubleValue(text));
}

int64_t dz_jsonIntegerValue(const nlohmann::json& value) {
    if (value.is_number_integer()) {
        if (value.is_number_unsigned() &&
            value.get<uint64_t>() > static_cast<uint64_t>(std::numeric_limits<int64_t>::max()))
            return std::numeric_limits<int64_t>::max();
        return value.get<int64_t>();
    }
    return clampedInteger(dz_jsonNumberValue(value).value_or(0.0));
}
