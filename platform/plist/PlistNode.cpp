#include "platform/plist/PlistNode.h"

#include <cmath>
#include <cstring>
#include <limits>

namespace platform::plistnode {

namespace {

// Property-list dates count seconds from 2001-01-01T00:00:00Z.
constexpr int64_t kReferenceDateUnixSeconds = 978307200;

}  // namespace

PlistType typeOf(plist_t node) {
    if (!node) return PlistType::None;
    switch (plist_get_node_type(node)) {
        case PLIST_BOOLEAN:
            return PlistType::Boolean;
        case PLIST_UINT:
            return PlistType::Integer;
        case PLIST_REAL:
            return PlistType::Real;
        case PLIST_STRING:
            return PlistType::String;
        case PLIST_ARRAY:
            return PlistType::Array;
        case PLIST_DICT:
            return PlistType::Dict;
        case PLIST_DATE:
            return PlistType::Date;
        case PLIST_DATA:
            return PlistType::Data;
        case PLIST_UID:
            return PlistType::Uid;
        default:
            return PlistType::None;
    }
}

std::optional<std::string> readString(plist_t node) {
    if (typeOf(node) != PlistType::String) return std::nullopt;
    uint64_t length = 0;
    const char* text = plist_get_string_ptr(node, &length);
    if (!text) return std::string();
    // A NUL byte inside is refused, not cut at: the text after it would silently go missing
    // wherever the string becomes a C string, a path or a URL ("ok\0/../.." read as "ok"). The XML
    // reader keeps such a string only up to the NUL but reports the whole length it read.
    const size_t size = static_cast<size_t>(length);
    if (::strnlen(text, size) != size) return std::nullopt;
    return std::string(text, size);
}

std::optional<int64_t> readInt(plist_t node) {
    if (typeOf(node) != PlistType::Integer) return std::nullopt;
    uint64_t value = 0;
    plist_get_uint_val(node, &value);
    // Negative integers are kept as their 64-bit two's complement.
    return static_cast<int64_t>(value);
}

std::optional<double> readReal(plist_t node) {
    if (typeOf(node) != PlistType::Real) return std::nullopt;
    double value = 0;
    plist_get_real_val(node, &value);
    return value;
}

std::optional<bool> readBool(plist_t node) {
    if (typeOf(node) != PlistType::Boolean) return std::nullopt;
    uint8_t value = 0;
    plist_get_bool_val(node, &value);
    return value != 0;
}

std::optional<double> readNumber(plist_t node) {
    if (auto i = readInt(node)) return static_cast<double>(*i);
    if (auto r = readReal(node)) return *r;
    if (auto b = readBool(node)) return *b ? 1.0 : 0.0;
    return std::nullopt;
}

std::optional<int64_t> readNumberAsInt(plist_t node) {
    if (auto i = readInt(node)) return *i;
    if (auto b = readBool(node)) return *b ? 1 : 0;
    if (auto r = readReal(node)) {
        const double v = std::trunc(*r);
        if (std::isnan(v)) return 0;
        // 2^63 is exactly representable; anything at or beyond it saturates.
        if (v >= 9223372036854775808.0) return std::numeric_limits<int64_t>::max();
        if (v <= -9223372036854775808.0) return std::numeric_limits<int64_t>::min();
        return static_cast<int64_t>(v);
    }
    return std::nullopt;
}

std::optional<std::vector<uint8_t>> readData(plist_t node) {
    if (typeOf(node) != PlistType::Data) return std::nullopt;
    uint64_t length = 0;
    const char* bytes = plist_get_data_ptr(node, &length);
    if (!bytes || length == 0) return std::vector<uint8_t>();
    const auto* p = reinterpret_cast<const uint8_t*>(bytes);
    return std::vector<uint8_t>(p, p + length);
}

std::optional<PlistDate> readDate(plist_t node) {
    if (typeOf(node) != PlistType::Date) return std::nullopt;
    int32_t sec = 0;
    int32_t usec = 0;
    plist_get_date_val(node, &sec, &usec);
    // The library keeps a date as fractional seconds and splits it toward zero: before the
    // reference date the microseconds count backwards. (Within the second just before it the
    // sign is lost, and such a date reads as just after it.)
    const int64_t offset = sec < 0 ? -static_cast<int64_t>(usec) : static_cast<int64_t>(usec);
    const int64_t micros = (static_cast<int64_t>(sec) + kReferenceDateUnixSeconds) * 1000000 + offset;
    return PlistDate(std::chrono::microseconds(micros));
}

plist_t newString(std::string_view value) {
    return plist_new_string(std::string(value).c_str());
}

plist_t newInt(int64_t value) {
    return plist_new_uint(static_cast<uint64_t>(value));
}

plist_t newDate(PlistDate value) {
    const int64_t micros = value.time_since_epoch().count();
    int64_t unixSeconds = micros / 1000000;
    int64_t usec = micros % 1000000;
    if (usec < 0) {
        usec += 1000000;
        unixSeconds -= 1;
    }
    int64_t sec = unixSeconds - kReferenceDateUnixSeconds;
    if (sec > std::numeric_limits<int32_t>::max()) {
        sec = std::numeric_limits<int32_t>::max();
        usec = 999999;
    } else if (sec < std::numeric_limits<int32_t>::min()) {
        sec = std::numeric_limits<int32_t>::min();
        usec = 0;
    }
    return plist_new_date(static_cast<int32_t>(sec), static_cast<int32_t>(usec));
}

}  // namespace platform::plistnode
