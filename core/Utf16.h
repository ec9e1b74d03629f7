#pragma once
// Conversions between UTF-8 bytes and UTF-16 text. Malformed input never fails: each bad
// byte becomes U+FFFD, the way a lossy platform conversion would treat it.
#include <string>
#include <string_view>

namespace JTCore {

std::u16string utf8ToUtf16(std::string_view utf8);
std::string utf16ToUtf8(std::u16string_view utf16);

}  // namespace JTCore
