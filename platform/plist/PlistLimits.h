#pragma once
// Bounds checked on untrusted property-list bytes before the library parses them. The library
// recurses once per nesting level, and a binary list can name one object from many places, which
// the library expands into copies: deep or widely shared input would exhaust the stack or memory.
// Our own lists are flat, so small limits refuse such input without turning anything away.
#include <cstddef>
#include <string>

namespace platform {

// Dictionaries and arrays inside one another, the root counting as one.
inline constexpr int kMaxPlistNesting = 32;
// Nodes the parsed tree would hold once every shared reference is expanded.
inline constexpr size_t kMaxPlistNodes = 1000000;

// Whether binary ("bplist00") or XML property-list bytes stay within both limits. Walks the
// structure without recursion; false, with the reason in why, also for a binary list whose
// object table is malformed or refers to itself, and for a list with a NUL character in a string
// or key, which the library would cut short there ("ok\0/../.." read as "ok").
bool plistWithinLimits(const void* data, size_t size, std::string* why = nullptr);

}  // namespace platform
