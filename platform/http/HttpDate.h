#pragma once
// Dates in HTTP headers, read and written without the process's locale or time zone: the three
// forms servers send, and the zone-less form the app's cached files exchange.
#include <chrono>
#include <optional>
#include <string>
#include <string_view>

namespace platform {

using SystemTime = std::chrono::system_clock::time_point;

// "Sun, 06 Nov 1994 08:49:37 GMT" (RFC 1123), "Sunday, 06-Nov-94 08:49:37 GMT" (RFC 850) or
// "Sun Nov  6 08:49:37 1994" (asctime), tried in that order. The zone is "GMT", "UTC", "UT", "Z"
// or a numeric offset such as "+0100"; names and fields must be exactly right.
std::optional<SystemTime> parseHttpDate(std::string_view text);

// "Sun, 06 Nov 1994 08:49:37" in GMT, with no zone name, and its reader (surrounding white space
// is ignored, and so is a trailing "GMT").
std::string formatZonelessHttpDate(SystemTime time);
std::optional<SystemTime> parseZonelessHttpDate(std::string_view text);

}  // namespace platform
