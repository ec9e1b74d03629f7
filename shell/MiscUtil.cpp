#include "shell/MiscUtil.h"

#include "platform/foundation/SystemVersion.h"

namespace {

int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

bool isValidUtf8(std::string_view s) {
    size_t i = 0;
    while (i < s.size()) {
        const auto c = static_cast<unsigned char>(s[i]);
        size_t extra = 0;
        uint32_t cp = 0;
        if (c < 0x80) {
            ++i;
            continue;
        } else if ((c & 0xE0) == 0xC0) {
            extra = 1;
            cp = c & 0x1F;
        } else if ((c & 0xF0) == 0xE0) {
            extra = 2;
            cp = c & 0x0F;
        } else if ((c & 0xF8) == 0xF0) {
            extra = 3;
            cp = c & 0x07;
        } else {
            return false;
        }
        if (i + extra >= s.size()) return false;
        for (size_t k = 1; k <= extra; ++k) {
            const auto cc = static_cast<unsigned char>(s[i + k]);
            if ((cc & 0xC0) != 0x80) return false;
            cp = (cp << 6) | (cc & 0x3F);
        }
        // Overlong forms, surrogates and values past U+10FFFF are not UTF-8.
        static constexpr uint32_t kMin[] = {0, 0x80, 0x800, 0x10000};
        if (cp < kMin[extra] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
        i += extra + 1;
    }
    return true;
}

}  // namespace

std::string stringByUrlEncodeUTF8(std::string_view text) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(text.size() * 3);
    for (char ch : text) {
        const auto c = static_cast<unsigned char>(ch);
        if (c == ' ') {
            out += '+';
        } else if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' ||
                   c == '.' || c == '_') {
            out += static_cast<char>(c);
        } else {
            out += '%';
            out += kHex[c >> 4];
            out += kHex[c & 0x0F];
        }
    }
    return out;
}

std::optional<std::string> stringByUrlDecodeUTF8(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '+') {
            out += ' ';
        } else if (c == '%') {
            if (i + 2 >= text.size()) return std::nullopt;
            const int hi = hexValue(text[i + 1]);
            const int lo = hexValue(text[i + 2]);
            if (hi < 0 || lo < 0) return std::nullopt;
            out += static_cast<char>((hi << 4) | lo);
            i += 2;
        } else {
            out += c;
        }
    }
    if (!isValidUtf8(out)) return std::nullopt;
    return out;
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
