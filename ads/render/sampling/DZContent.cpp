#include "ads/render/sampling/DZContent.h"

#include <glib.h>

#include <algorithm>
#include <limits>
#include <optional>
#include <utility>

#include "ads/foundation/DZStringAdditions.h"
#include "ads/foundation/DZUtilityFunctions.h"
#include "ads/foundation/DZ_RTMStringEncoding.h"
#include "platform/defaults/UserDefaults.h"
#include "platform/foundation/Utf8Text.h"

namespace {

constexpr char16_t kReplacement = 0xFFFD;

// Page text is untrusted: every byte that does not start a well-formed sequence reads as U+FFFD.
// Well-formed text (nearly every page) is taken as it is; other text is written anew once, with
// the replacement's three bytes for each such byte, so that every step after reads well-formed
// UTF-8 and converts it once.
std::string_view wellFormedUTF8(std::string_view text, std::string& rewritten) {
    if (platform::isValidUtf8(text)) return text;
    rewritten.reserve(text.size() + 16);
    for (std::size_t i = 0; i < text.size();) {
        const platform::Utf8Step step = platform::readUtf8(text, i);
        if (!step.wellFormed) {
            rewritten += "\xEF\xBF\xBD";
            ++i;
            continue;
        }
        rewritten.append(text.substr(i, step.length));
        i += step.length;
    }
    return rewritten;
}

// The UTF-16 length of well-formed UTF-8: a unit for each sequence, two for one of four bytes.
std::size_t utf16Length(std::string_view text) {
    std::size_t units = 0;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        units += (byte & 0xC0) != 0x80 ? 1 : 0;
        units += byte >= 0xF0 ? 1 : 0;
    }
    return units;
}

// Defined with the lower-casing below.
std::u16string lowercasedFromUTF8(std::string_view paragraph);

std::u16string utf16FromUTF8(std::string_view text) {
    std::u16string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        const platform::Utf8Step step = platform::readUtf8(text, i);
        if (!step.wellFormed) {
            out.push_back(kReplacement);
            ++i;
            continue;
        }
        const uint32_t c = step.point;
        if (c >= 0x10000) {
            out.push_back(static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10)));
            out.push_back(static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF)));
        } else {
            out.push_back(static_cast<char16_t>(c));
        }
        i += step.length;
    }
    return out;
}

void appendUTF8(std::string& out, uint32_t c) {
    if (c < 0x80) {
        out.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (c >> 6)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (c >> 12)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (c >> 18)));
        out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
}

// A lone surrogate (only possible when a user-default range admits surrogates) is written as its
// own three bytes so that it still hashes to something stable.
std::string utf8FromUTF16(std::u16string_view units) {
    std::string out;
    out.reserve(units.size());
    for (std::size_t i = 0; i < units.size(); ++i) {
        const char16_t u = units[i];
        if (u >= 0xD800 && u <= 0xDBFF && i + 1 < units.size() && units[i + 1] >= 0xDC00 &&
            units[i + 1] <= 0xDFFF) {
            appendUTF8(out, 0x10000 + ((static_cast<uint32_t>(u) - 0xD800) << 10) + (units[i + 1] - 0xDC00u));
            ++i;
        } else {
            appendUTF8(out, u);
        }
    }
    return out;
}

std::optional<uint32_t> setting(const platform::UserDefaults& defaults, const char* name, int64_t smallest) {
    auto value = defaults.integerForKey(std::string("/rerive/ads/") + name);
    if (!value || *value < smallest) return std::nullopt;
    return static_cast<uint32_t>(std::min<int64_t>(*value, std::numeric_limits<uint32_t>::max()));
}

uint32_t murmur(std::string_view token) {
    return DZMurmurHash3x86_32(token.data(), token.size(), 0);
}

}  // namespace

DZContent::DZContent(uint32_t sequenceNumber, std::shared_ptr<DZCharacterSets> characterSets)
    : sequenceNumber_(sequenceNumber),
      heap_(&DZCompareShingleHashTuples),
      characterSets_(characterSets ? std::move(characterSets) : DZCharacterSets::sharedInstance()) {
    auto defaults = platform::UserDefaults::standard();
    // Weights are signed and may be anything; the score is worked out modulo 2^32.
    if (auto weight = defaults->integerForKey("/rerive/ads/content_age_weight"))
        contentAgeWeight_ = static_cast<int32_t>(*weight);
    if (auto weight = defaults->integerForKey("/rerive/ads/content_length_weight"))
        contentLengthWeight_ = static_cast<int32_t>(*weight);
    if (auto count = setting(*defaults, "maximum_shingle_count", 0))
        maximumShingleCount_ = std::min(*count, kMaximumShingleCountCap);
    if (auto length = setting(*defaults, "minimum_paragraph_length", 0)) minimumParagraphLength_ = *length;
    // A window of no tokens has no hash to roll.
    if (auto length = setting(*defaults, "shingle_length", 1)) shingleLength_ = *length;
}

void DZContent::updateContentWithText(std::string_view text) {
    if (text.empty()) return;
    // Paragraphs are cut and lower-cased in UTF-8, and each converted to UTF-16 once, for the
    // tokens: lengths count UTF-16 units, as the tokens' character sets do.
    std::string rewritten;
    std::vector<std::string_view> counted;
    std::string_view rest = wellFormedUTF8(text, rewritten);
    while (true) {
        const std::size_t end = rest.find('\n');
        const std::string_view paragraph = rest.substr(0, end);
        const std::size_t units = utf16Length(paragraph);
        if (units >= minimumParagraphLength_) {
            counted.push_back(paragraph);
            contentTotalLength_ += static_cast<uint32_t>(units);
        }
        if (end == std::string_view::npos) break;
        rest.remove_prefix(end + 1);
    }
    const uint32_t score = static_cast<uint32_t>(contentLengthWeight_) * contentTotalLength_ +
                           static_cast<uint32_t>(contentAgeWeight_) * sequenceNumber_;
    if (score <= static_cast<uint32_t>(score_)) return;
    score_ = static_cast<int32_t>(score);
    const auto characterDelimited = characterSets_->characterDelimitedSet();
    const auto spaceDelimited = characterSets_->spaceDelimitedSet();
    for (const auto paragraph : counted)
        selectShinglesFromTokens(tokenize(lowercasedFromUTF8(paragraph), characterDelimited, spaceDelimited));
    fingerprint_ = shingleHash();
}

void DZContent::selectShinglesFromTokens(const std::vector<std::string>& tokens) {
    const std::size_t n = tokens.size();
    if (n == 0) return;
    std::vector<uint64_t> values(n);
    std::transform(tokens.begin(), tokens.end(), values.begin(),
                   [](const std::string& t) { return tokenValue(t); });
    const std::size_t first = std::min<std::size_t>(n, shingleLength_);
    const uint64_t baseHash = hornerHash(values.data(), first);
    updateHeapWithHash(baseHash, std::vector<std::string>(tokens.begin(), tokens.begin() + first));
    if (n <= shingleLength_) return;
    const auto hashes = applyRollingHash(values, shingleLength_, baseHash);
    for (std::size_t i = 0; i < hashes.size(); ++i) {
        // Most windows lose to a full heap: skip copying their tokens.
        if (heap_.count() >= maximumShingleCount_ && heap_.count() > 0 &&
            (*heap_.minimum())->hashValue() >= hashes[i])
            continue;
        const auto start = tokens.begin() + static_cast<std::ptrdiff_t>(i + 1);
        updateHeapWithHash(hashes[i], std::vector<std::string>(start, start + shingleLength_));
    }
}

void DZContent::updateHeapWithHash(uint64_t hash, std::vector<std::string> shingle) {
    if (heap_.count() >= maximumShingleCount_) {
        if (auto smallest = heap_.minimum(); smallest && (*smallest)->hashValue() >= hash) return;
    }
    auto tuple = std::make_shared<const DZShingleHashTuple>(std::move(shingle), hash);
    if (heap_.containsObject(tuple)) return;
    heap_.addObject(std::move(tuple));
    if (heap_.count() > maximumShingleCount_) heap_.removedMinimum();
}

std::string DZContent::shingleHash() const {
    const auto sorted = heap_.sortedObjects();
    if (!sorted) return "";
    std::vector<uint8_t> buffer;
    buffer.reserve(sorted->size() * 4);
    for (const auto& tuple : *sorted) {
        std::string bytes;
        bytes.reserve(tuple->shingle().size());
        for (const auto& token : tuple->shingle()) {
            const uint32_t h = murmur(token);
            bytes.push_back(static_cast<char>((h ^ (h >> 8) ^ (h >> 16) ^ (h >> 24)) & 0xFF));
        }
        const auto digest = dz_MD5Data(bytes);
        buffer.insert(buffer.end(), digest.begin(), digest.begin() + 4);
    }
    static const auto encoding = DZ_RTMStringEncoding::rfc4648Base64WebsafeStringEncoding();
    return encoding->encode(buffer);
}

void DZContent::deductServedPenalty() {
    score_ = scoreAfterServing(score_);
}

int32_t DZContent::scoreAfterServing(int32_t score) {
    return static_cast<int32_t>(static_cast<uint32_t>(score) - static_cast<uint32_t>(kServedPenalty));
}

std::vector<DZContent::Tuple> DZContent::shingles() const {
    return heap_.sortedObjects().value_or(std::vector<Tuple>{});
}

uint64_t DZContent::tokenValue(std::string_view token) {
    const auto h = static_cast<int32_t>(murmur(token));
    const auto shifted = static_cast<uint64_t>(static_cast<int64_t>(h) + 2147483647);
    return shifted % kModulus;
}

uint64_t DZContent::hornerHash(const uint64_t* values, std::size_t count) {
    if (count == 0) return 0;
    uint64_t hash = values[0] % kModulus;
    for (std::size_t i = 1; i < count; ++i) hash = (hash * kBase % kModulus + values[i]) % kModulus;
    return hash;
}

std::vector<uint64_t> DZContent::applyRollingHash(const std::vector<uint64_t>& values, uint32_t windowLength,
                                                  uint64_t baseHash) {
    std::vector<uint64_t> hashes;
    if (windowLength == 0 || values.size() <= windowLength) return hashes;
    // B^(L-1) mod M by repeated squaring.
    uint64_t power = 1, square = kBase;
    for (uint32_t e = windowLength - 1; e != 0; e >>= 1) {
        if (e & 1u) power = power * square % kModulus;
        square = square * square % kModulus;
    }
    hashes.reserve(values.size() - windowLength);
    uint64_t hash = baseHash;
    for (std::size_t i = 1; i + windowLength <= values.size(); ++i) {
        const uint64_t leaving = values[i - 1] % kModulus, entering = values[i + windowLength - 1] % kModulus;
        hash = (entering + (hash + kModulus - leaving * power % kModulus) % kModulus * kBase % kModulus) %
               kModulus;
        hashes.push_back(hash);
    }
    return hashes;
}

std::vector<std::string> DZContent::tokenize(std::u16string_view paragraph,
                                             const DZCharacterSets::Set& characterDelimited,
                                             const DZCharacterSets::Set& spaceDelimited) {
    std::vector<std::string> tokens;
    std::size_t wordStart = 0, wordLength = 0;
    auto endWord = [&] {
        if (wordLength > 0) tokens.push_back(utf8FromUTF16(paragraph.substr(wordStart, wordLength)));
        wordLength = 0;
    };
    for (std::size_t i = 0; i < paragraph.size(); ++i) {
        const char16_t unit = paragraph[i];
        if (characterDelimited.contains(unit)) {
            endWord();
            tokens.push_back(utf8FromUTF16(paragraph.substr(i, 1)));
        } else if (spaceDelimited.contains(unit)) {
            if (wordLength == 0) wordStart = i;
            ++wordLength;
        } else {
            endWord();
        }
    }
    endWord();
    return tokens;
}

namespace {

constexpr char16_t kCapitalSigma = 0x03A3;

// The code point at i (a lone surrogate stands for itself) and where it starts or ends.
gunichar codePointAt(std::u16string_view text, std::size_t i) {
    const char16_t u = text[i];
    if (u >= 0xD800 && u <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF)
        return 0x10000 + ((u - 0xD800u) << 10) + (text[i + 1] - 0xDC00u);
    return u;
}

gunichar codePointBefore(std::u16string_view text, std::size_t& i) {
    --i;
    const char16_t u = text[i];
    if (u >= 0xDC00 && u <= 0xDFFF && i > 0 && text[i - 1] >= 0xD800 && text[i - 1] <= 0xDBFF) {
        --i;
        return 0x10000 + ((text[i] - 0xD800u) << 10) + (u - 0xDC00u);
    }
    return u;
}

bool isCased(gunichar c) {
    return g_unichar_isupper(c) || g_unichar_islower(c) || g_unichar_istitle(c);
}

bool isCaseIgnorable(gunichar c) {
    switch (g_unichar_type(c)) {
        case G_UNICODE_NON_SPACING_MARK:
        case G_UNICODE_ENCLOSING_MARK:
        case G_UNICODE_FORMAT:
        case G_UNICODE_MODIFIER_LETTER:
        case G_UNICODE_MODIFIER_SYMBOL:
            return true;
        default:
            break;
    }
    // The apostrophes, full stops and colons that may stand inside a word.
    switch (c) {
        case 0x27:
        case 0x2E:
        case 0x3A:
        case 0xB7:
        case 0x387:
        case 0x55F:
        case 0x5F4:
        case 0x2018:
        case 0x2019:
        case 0x2024:
        case 0x2027:
        case 0xFE13:
        case 0xFE52:
        case 0xFE55:
        case 0xFF07:
        case 0xFF0E:
        case 0xFF1A:
            return true;
        default:
            return false;
    }
}

// Unicode's Final_Sigma: a cased letter before (across case-ignorable ones) and none after.
bool isFinalSigma(std::u16string_view text, std::size_t at) {
    bool casedBefore = false;
    for (std::size_t i = at; i > 0;) {
        const gunichar c = codePointBefore(text, i);
        if (isCased(c)) {
            casedBefore = true;
            break;
        }
        if (!isCaseIgnorable(c)) break;
    }
    if (!casedBefore) return false;
    for (std::size_t i = at + 1; i < text.size();) {
        const gunichar c = codePointAt(text, i);
        if (isCased(c)) return false;
        if (!isCaseIgnorable(c)) break;
        i += c >= 0x10000 ? 2 : 1;
    }
    return true;
}

// GLib's rules without a Turkish or Lithuanian locale are those of "en_US" (the dotted capital
// I) but for the capital sigma, which the caller decides. GLib stops at a NUL, so each run
// between NULs goes on its own. UTF-8 in, UTF-16 out.
std::u16string glibLowercased(std::string_view paragraph) {
    std::u16string lower;
    lower.reserve(paragraph.size());
    std::string_view rest = paragraph;
    while (true) {
        const std::size_t end = rest.find('\0');
        const std::string_view run = rest.substr(0, end);
        if (!run.empty()) {
            gchar* down = g_utf8_strdown(run.data(), static_cast<gssize>(run.size()));
            lower += utf16FromUTF8(down);
            g_free(down);
        }
        if (end == std::string_view::npos) break;
        lower.push_back(u'\0');
        rest.remove_prefix(end + 1);
    }
    return lower;
}

bool isASCII(char16_t unit) {
    return unit < 0x80;
}

bool isASCIIByte(char byte) {
    return static_cast<unsigned char>(byte) < 0x80;
}

template <typename Unit>
std::u16string asciiLowercased(std::basic_string_view<Unit> paragraph) {
    std::u16string lower(paragraph.begin(), paragraph.end());
    for (auto& u : lower) {
        if (u >= u'A' && u <= u'Z') u = static_cast<char16_t>(u + (u'a' - u'A'));
    }
    return lower;
}

// The capital sigma in UTF-8.
constexpr std::string_view kCapitalSigmaUTF8 = "\xCE\xA3";

// What lowercased gives for the paragraph in UTF-16, from well-formed UTF-8: GLib reads the page's
// own bytes, and only its answer is converted.
std::u16string lowercasedFromUTF8(std::string_view paragraph) {
    if (std::all_of(paragraph.begin(), paragraph.end(), isASCIIByte)) return asciiLowercased(paragraph);
    // Sigmas are decided from their UTF-16 context, rarely enough to convert for.
    if (paragraph.find(kCapitalSigmaUTF8) != std::string_view::npos)
        return DZContent::lowercased(utf16FromUTF8(paragraph));
    return glibLowercased(paragraph);
}

}  // namespace

std::u16string DZContent::lowercased(std::u16string_view paragraph) {
    if (std::all_of(paragraph.begin(), paragraph.end(), isASCII)) return asciiLowercased(paragraph);
    // GLib picks the final sigma from the next character alone ("ΑΣ今" would keep σ): each capital
    // sigma is decided here, from its whole context, and the text between goes to GLib.
    std::u16string lower;
    lower.reserve(paragraph.size());
    std::size_t from = 0;
    while (true) {
        const std::size_t sigma = paragraph.find(kCapitalSigma, from);
        lower += glibLowercased(
            utf8FromUTF16(paragraph.substr(from, sigma == std::u16string_view::npos ? sigma : sigma - from)));
        if (sigma == std::u16string_view::npos) break;
        lower.push_back(isFinalSigma(paragraph, sigma) ? char16_t{0x03C2} : char16_t{0x03C3});
        from = sigma + 1;
    }
    return lower;
}
