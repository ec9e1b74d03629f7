#pragma once
// Small text helpers (URL encoding, hexadecimal) and the system feature tests.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Form encoding of the UTF-8 bytes: space -> "+", ASCII letters, digits, "-", "." and "_" kept,
// every other byte -> "%XX" with upper-case hexadecimal digits.
std::string stringByUrlEncodeUTF8(std::string_view text);

// "+" counts as a space, then percent escapes are resolved. Nothing when an escape is malformed
// or the decoded bytes are not valid UTF-8.
std::optional<std::string> stringByUrlDecodeUTF8(std::string_view text);

// True when the text is absent or empty (callers rely on this sense, whatever the name says).
bool stringIsNotNilOrEmpty(const std::string* text);
bool stringIsNotNilOrEmpty(std::string_view text);

// Lower-case hexadecimal, two characters per byte; "" for a length below 1 or null bytes.
std::string HexStringFromBytes(const void* bytes, long length);
std::string HexStringFromData(const std::vector<uint8_t>& data);

// The feature tests answer from platform::kSystemVersion: this platform is a modern system.
bool systemSupportsMultitasking();
bool systemSupportsOS3();
bool systemSupportsOS4();
bool systemSupportsOS5();
bool systemSupportsOS6();
bool systemSupportsOS7();
bool systemSupportsOS8();

// The rule behind systemSupportsOS5..8 for a given version text: NO when it begins with one of
// "4." up to "<os - 1>.", YES otherwise (so "10.0" supports everything). OS 3 and 4: always YES.
bool systemVersionSupportsOS(int os, std::string_view version);
