#include "shell/MiscUtil.h"

#include "platform/foundation/PercentEncoding.h"
#include "platform/foundation/SystemVersion.h"

std::string stringByUrlEncodeUTF8(std::string_view text) {
    return platform::percentEncode(text, "-._", true);
}

std::optional<std::string> stringByUrlDecodeUTF8(std::string_view text) {
    return platform::percentDecode(text, true);
}

bool stringIsNotNilOrEmpty(const std::string* text) {
    return !text || text->empty();
}

bool stringIsNotNilOrEmpty(std::string_view text) {
    return text.empty();
}

std::string HexStringFromBytes(const void* bytes, long length) {
    static constexpr char kHex[] = "0123456789abcdef";
    if (!bytes || length < 1) return {};
    const auto* p = static_cast<const uint8_t*>(bytes);
    std::string out;
    out.reserve(static_cast<size_t>(length) * 2);
    for (long i = 0; i < length; ++i) {
        out += kHex[p[i] >> 4];
        out += kHex[p[i] & 0x0F];
    }
    return out;
}

std::string HexStringFromData(const std::vector<uint8_t>& data) {
    return HexStringFromBytes(data.data(), static_cast<long>(data.size()));
}

bool systemVersionSupportsOS(int os, std::string_view version) {
    for (int older = 4; older < os; ++older) {
        const std::string prefix = std::to_string(older) + ".";
        if (version.substr(0, prefix.size()) == prefix) return false;
    }
    return true;
}

bool systemSupportsMultitasking() {
    return true;
}

bool systemSupportsOS3() {
    return true;
}

bool systemSupportsOS4() {
    return true;
}

bool systemSupportsOS5() {
    return systemVersionSupportsOS(5, platform::kSystemVersion);
}

bool systemSupportsOS6() {
    return systemVersionSupportsOS(6, platform::kSystemVersion);
}

bool systemSupportsOS7() {
    return systemVersionSupportsOS(7, platform::kSystemVersion);
}

bool systemSupportsOS8() {
    return systemVersionSupportsOS(8, platform::kSystemVersion);
}
