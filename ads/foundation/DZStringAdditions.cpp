#include "ads/foundation/DZStringAdditions.h"

#define PCRE2_CODE_UNIT_WIDTH 8
#include <openssl/evp.h>
#include <pcre2.h>

#include <algorithm>
#include <memory>
#include <vector>

#include "platform/foundation/PercentEncoding.h"
#include "platform/foundation/Utf8Text.h"

namespace {

struct CodeDeleter {
    void operator()(pcre2_code* code) const { pcre2_code_free(code); }
};

}  // namespace

std::string dz_stringByEscapingAsURLParameter(std::string_view text) {
    return platform::percentEncode(text, "-._~", false);
}

std::optional<std::string> dz_stringByRemovingPercentEncoding(std::string_view text) {
    return platform::percentDecode(text, false);
}

bool dz_hasControlCharacter(std::string_view text) {
    return platform::hasForbiddenCharacter(text);
}

std::string_view dz_prefixWithinBytes(std::string_view text, std::size_t maxBytes) {
    return platform::utf8PrefixWithinBytes(text, maxBytes);
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

namespace {

// The deepest nesting of arrays and objects in JSON text, strings skipped; counting stops once
// past limit.
std::size_t jsonNestingDepth(std::string_view text, std::size_t limit) {
    std::size_t depth = 0, deepest = 0;
    bool inString = false, escaped = false;
    for (char c : text) {
        if (inString) {
            if (escaped) {
                escaped = false;
            } else if (c == '\\') {
                escaped = true;
            } else if (c == '"') {
                inString = false;
            }
        } else if (c == '"') {
            inString = true;
        } else if (c == '[' || c == '{') {
            deepest = std::max(deepest, ++depth);
            if (deepest > limit) break;
        } else if ((c == ']' || c == '}') && depth > 0) {
            --depth;
        }
    }
    return deepest;
}

}  // namespace

std::optional<nlohmann::json> dz_decodedJSONObject(std::string_view text, std::string* error) {
    // Writing a value back as text recurses once per level: JSON from the network is refused
    // beyond a small depth before anything holds it.
    if (jsonNestingDepth(text, kDZMaxJSONDepth) > kDZMaxJSONDepth) {
        if (error) *error = "JSON nested deeper than " + std::to_string(kDZMaxJSONDepth) + " levels";
        return std::nullopt;
    }
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
    // "$" is the one special character of a plain substitution: "$$" stands for itself. The groups
    // are written "${1}" so that a replacement starting with a digit is not read as a group number.
    std::string substitute = "${1}";
    for (char c : *replacement) {
        substitute += c;
        if (c == '$') substitute += '$';
    }
    substitute += "${2}";
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
