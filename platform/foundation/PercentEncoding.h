#pragma once
// Percent-encoding of UTF-8 text, the one implementation behind the shell's form encoding and
// the ad component's URL-parameter escaping.
#include <optional>
#include <string>
#include <string_view>

namespace platform {

// Keeps ASCII letters, digits and the bytes in `keep`; with spaceAsPlus a space becomes "+";
// every other byte becomes "%XX" with upper-case hex digits.
std::string percentEncode(std::string_view text, std::string_view keep, bool spaceAsPlus);
// Resolves "%XX" escapes (and "+" as a space when asked). Nothing when an escape is malformed or
// the decoded bytes are not UTF-8.
std::optional<std::string> percentDecode(std::string_view text, bool plusAsSpace);

}  // namespace platform
