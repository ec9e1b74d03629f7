#include "ads/foundation/DZStringAdditions.h"

#define PCRE2_CODE_UNIT_WIDTH 8
#include <openssl/evp.h>
#include <pcre2.h>

#include <memory>
#include <vector>

namespace {

bool isUnreserved(unsigned char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
           c == '.' || c == '_' || c == '~';
}

int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

bool isUtf8(std::string_view text) {
    size_t i = 0;
    while (i < text.size()) {
        const auto c = static_cast<unsigned char>(text[i]);
        size_t extra = 0;
        uint32_t point = 0;
        if (c < 0x80) {
            ++i;
            continue;
        } else if ((c & 0xE0) == 0xC0) {
            extra = 1;
            point = c & 0x1F;
        } else if ((c & 0xF0) == 0xE0) {
            extra = 2;
            point = c & 0x0F;
        } else if ((c & 0xF8) == 0xF0) {
            extra = 3;
            point = c & 0x07;
        } else {
            return false;
        }
        if (i + extra >= text.size()) return false;
        for (size_t k = 1; k <= extra; ++k) {
            const auto cc = static_cast<unsigned char>(text[i + k]);
            if ((cc & 0xC0) != 0x80) return false;
            point = (point << 6) | (cc & 0x3F);
        }
        // Overlong forms, surrogates and points beyond Unicode are not UTF-8.
        static constexpr uint32_t kMin[] = {0, 0x80, 0x800, 0x10000};
        if (point < kMin[extra] || point > 0x10FFFF || (point >= 0xD800 && point <= 0xDFFF)) return false;
        i += extra + 1;
    }
    return true;
}

struct CodeDeleter {
    void operator()(pcre2_code* code) const { pcre2_code_free(code); }
};

}  // namespace

std::string dz_stringByEscapingAsURLParameter(std::string_view text) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(text.size());
    for (char ch : text) {
        const auto c = static_cast<unsigned char>(ch);
        if (isUnreserved(c)) {
            out += ch;
        } else {
            out += '%';
            out += kHex[c >> 4];
            out += kHex[c & 15];
        }
    }
    return out;
}

std::optional<std::string> dz_stringByRemovingPercentEncoding(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%') {
            out += text[i];
            continue;
        }
        if (i + 2 >= text.size()) return std::nullopt;
        const int high = hexValue(text[i + 1]), low = hexValue(text[i + 2]);
        if (high < 0 || low < 0) return std::nullopt;
        out += static_cast<char>(high * 16 + low);
        i += 2;
    }
    if (!isUtf8(out)) return std::nullopt;
    return out;
}

std::string dz_escapeAts(std::string_view text) {
    std::string out;
    for (char c : text) {
        out += c;
        if (c == '@') out += '@';
    }
    return out;
}

std::string dz_stripTrailingSlash(std::string_view text) {
    if (!text.empty() && text.back() == '/') text.remove_suffix(1);
    return std::string(text);
}

bool dz_isEquivalentToURLString(std::string_view text, std::string_view other) {
    return dz_stripTrailingSlash(text) == dz_stripTrailingSlash(other);
}

std::array<uint8_t, 16> dz_MD5Data(std::string_view text) {
    std::array<uint8_t, 16> digest{};
    unsigned int length = 0;
    EVP_Digest(text.data(), text.size(), digest.data(), &length, EVP_md5(), nullptr);
    return digest;
}

std::string dz_MD5String(std::string_view text) {
    static constexpr char kHex[] = "0123456789abcdef";
    std::string out;
    for (uint8_t b : dz_MD5Data(text)) {
        out += kHex[b >> 4];
        out += kHex[b & 15];
    }
    return out;
}

std::optional<nlohmann::json> dz_decodedJSONObject(std::string_view text, std::string* error) {
    try {
        return nlohmann::json::parse(text);
    } catch (const nlohmann::json::exception& e) {
        if (error) *error = e.what();
        return std::nullopt;
    }
}

void dz_replaceAtQuotedKeywordPattern(std::string& text, const std::optional<std::string>& keywordPattern,
                                      const std::optional<std::string>& replacement) {
    if (!keywordPattern || !replacement) return;
    const std::string pattern = "(?<!@)((?:@@)*)@" + *keywordPattern + "(?<!@)((?:@@)*)@";
    int errorCode = 0;
    PCRE2_SIZE errorOffset = 0;
    std::unique_ptr<pcre2_code, CodeDeleter> code(pcre2_compile(reinterpret_cast<PCRE2_SPTR>(pattern.data()),
                                                                pattern.size(), PCRE2_UTF, &errorCode,
                                                                &errorOffset, nullptr));
    if (!code) return;
    // "$" is the one special character of a plain substitution: "$$" stands for itself.
    std::string substitute = "$1";
    for (char c : *replacement) {
        substitute += c;
        if (c == '$') substitute += '$';
    }
    substitute += "$2";
    std::vector<char> out(text.size() + substitute.size() + 64);
    for (int attempt = 0; attempt < 2; ++attempt) {
        PCRE2_SIZE length = out.size();
        const int rc =
            pcre2_substitute(code.get(), reinterpret_cast<PCRE2_SPTR>(text.data()), text.size(), 0,
                             PCRE2_SUBSTITUTE_GLOBAL | PCRE2_SUBSTITUTE_OVERFLOW_LENGTH, nullptr, nullptr,
                             reinterpret_cast<PCRE2_SPTR>(substitute.data()), substitute.size(),
                             reinterpret_cast<PCRE2_UCHAR*>(out.data()), &length);
        if (rc == PCRE2_ERROR_NOMEMORY) {
            out.resize(length + 1);  // the length needed, measured on the first attempt
            continue;
        }
        if (rc > 0) text.assign(out.data(), length);
        return;  // no match, or text that is no UTF-8: unchanged
    }
}

void dz_removeAtQuotedKeywords(std::string& text) {
    dz_replaceAtQuotedKeywordPattern(text, std::string("[^@]+"), std::string());
}

void dz_unescapeAts(std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        out += text[i];
        if (text[i] == '@' && i + 1 < text.size() && text[i + 1] == '@') ++i;
    }
    text = std::move(out);
}
