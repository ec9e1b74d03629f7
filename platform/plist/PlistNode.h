#pragma once
// Typed reads of one borrowed property-list node, shared by PlistDict and PlistArray. Every
// read checks the node's type first: a missing node or one of another type gives nothing,
// never a wrong value.
#include <plist/plist.h>

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

enum class PlistType { None, Boolean, Integer, Real, String, Array, Dict, Date, Data, Uid };

// Dates as the property lists keep them, to the microsecond.
using PlistDate = std::chrono::sys_time<std::chrono::microseconds>;

namespace plistnode {

PlistType typeOf(plist_t node);
// Nothing for a node that is not a string, or a string with a NUL byte inside.
std::optional<std::string> readString(plist_t node);
std::optional<int64_t> readInt(plist_t node);
std::optional<double> readReal(plist_t node);
std::optional<bool> readBool(plist_t node);
// Integers, reals and booleans are all numbers (true is 1).
std::optional<double> readNumber(plist_t node);
// The same, reals truncated toward zero and saturated to the 64-bit range (NaN gives 0).
std::optional<int64_t> readNumberAsInt(plist_t node);
std::optional<std::vector<uint8_t>> readData(plist_t node);
std::optional<PlistDate> readDate(plist_t node);

plist_t newString(std::string_view value);
plist_t newInt(int64_t value);
plist_t newDate(PlistDate value);  // clamped to the range the format can hold

}  // namespace plistnode
}  // namespace platform
