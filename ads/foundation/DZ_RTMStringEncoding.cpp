#include "ads/foundation/DZ_RTMStringEncoding.h"

#include <numeric>

namespace {

std::shared_ptr<DZ_RTMStringEncoding> padded(std::shared_ptr<DZ_RTMStringEncoding> encoding) {
    encoding->setPaddingChar('=');
    encoding->setDoPad(true);
    return encoding;
}

}  // namespace

DZ_RTMStringEncoding::DZ_RTMStringEncoding(std::string alphabet) : charMap_(std::move(alphabet)) {
    reverseCharMap_.fill(kInvalid);
    for (size_t i = 0; i < charMap_.size(); ++i)
        reverseCharMap_[static_cast<unsigned char>(charMap_[i])] = int32_t(i);
    while ((1u << shift_) < charMap_.size()) ++shift_;
    mask_ = (1u << shift_) - 1;
    padLen_ = std::lcm(8, shift_) / shift_;
}

std::shared_ptr<DZ_RTMStringEncoding> DZ_RTMStringEncoding::stringEncodingWithString(
    std::string_view alphabet) {
    const size_t n = alphabet.size();
    if (n < 2 || n > 128 || (n & (n - 1)) != 0) return nullptr;
    std::array<bool, 128> seen{};
    for (char c : alphabet) {
        const auto u = static_cast<unsigned char>(c);
        if (u >= 128 || seen[u]) return nullptr;
        seen[u] = true;
    }
    return std::shared_ptr<DZ_RTMStringEncoding>(new DZ_RTMStringEncoding(std::string(alphabet)));
}

std::shared_ptr<DZ_RTMStringEncoding> DZ_RTMStringEncoding::binaryStringEncoding() {
    return stringEncodingWithString("01");
}

std::shared_ptr<DZ_RTMStringEncoding> DZ_RTMStringEncoding::hexStringEncoding() {
    auto e = stringEncodingWithString("0123456789ABCDEF");
    e->addDecodeSynonyms("AaBbCcDdEeFf");
    return e;
}

std::shared_ptr<DZ_RTMStringEncoding> DZ_RTMStringEncoding::rfc4648Base32StringEncoding() {
    return padded(stringEncodingWithString("ABCDEFGHIJKLMNOPQRSTUVWXYZ234567"));
}

std::shared_ptr<DZ_RTMStringEncoding> DZ_RTMStringEncoding::rfc4648Base32HexStringEncoding() {
    return padded(stringEncodingWithString("0123456789ABCDEFGHIJKLMNOPQRSTUV"));
}

std::shared_ptr<DZ_RTMStringEncoding> DZ_RTMStringEncoding::crockfordBase32StringEncoding() {
    auto e = stringEncodingWithString("0123456789ABCDEFGHJKMNPQRSTVWXYZ");
    e->addDecodeSynonyms("0oO1iIlLAaBbCcDdEeFfGgHhJjKkMmNnPpQqRrSsTtVvWwXxYyZz");
    return e;
}

std::shared_ptr<DZ_RTMStringEncoding> DZ_RTMStringEncoding::rfc4648Base64StringEncoding() {
    return padded(
        stringEncodingWithString("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/"));
}

std::shared_ptr<DZ_RTMStringEncoding> DZ_RTMStringEncoding::rfc4648Base64WebsafeStringEncoding() {
    return padded(
        stringEncodingWithString("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-_"));
}

void DZ_RTMStringEncoding::addDecodeSynonyms(std::string_view synonyms) {
    int32_t current = kInvalid;
    for (char c : synonyms) {
        const auto u = static_cast<unsigned char>(c);
        if (u >= 128) continue;
        if (reverseCharMap_[u] != kInvalid) {
            current = reverseCharMap_[u];
        } else {
            reverseCharMap_[u] = current;
        }
    }
}

void DZ_RTMStringEncoding::ignoreCharacters(std::string_view characters) {
    for (char c : characters) {
        const auto u = static_cast<unsigned char>(c);
        if (u < 128) reverseCharMap_[u] = kIgnored;
    }
}

void DZ_RTMStringEncoding::setPaddingChar(char c) {
    paddingChar_ = c;
    const auto u = static_cast<unsigned char>(c);
    if (u < 128) reverseCharMap_[u] = kPadding;
}

std::string DZ_RTMStringEncoding::encode(const std::vector<uint8_t>& data) const {
    std::string out;
    if (data.empty()) return out;
    uint32_t buffer = 0;
    int bits = 0;
    for (uint8_t byte : data) {
        buffer = (buffer << 8) | byte;
        bits += 8;
        while (bits >= shift_) {
            bits -= shift_;
            out += charMap_[(buffer >> bits) & mask_];
        }
        buffer &= (1u << bits) - 1;  // keep only the bits not yet written
    }
    if (bits > 0) out += charMap_[(buffer << (shift_ - bits)) & mask_];
    if (doPad_) {
        while (out.size() % static_cast<size_t>(padLen_) != 0) out += paddingChar_;
    }
    return out;
}

std::string DZ_RTMStringEncoding::encodeString(std::string_view text) const {
    return encode(std::vector<uint8_t>(text.begin(), text.end()));
}

std::optional<std::vector<uint8_t>> DZ_RTMStringEncoding::decode(std::string_view text) const {
    std::vector<uint8_t> out;
    uint32_t buffer = 0;
    int bits = 0;
    bool padded = false;
    for (char c : text) {
        const auto u = static_cast<unsigned char>(c);
        if (u >= 128) return std::nullopt;
        const int32_t value = reverseCharMap_[u];
        if (value == kIgnored) continue;
        if (value == kPadding) {
            padded = true;
            continue;
        }
        if (value == kInvalid || padded) return std::nullopt;
        buffer = (buffer << shift_) | static_cast<uint32_t>(value);
        bits += shift_;
        if (bits >= 8) {
            bits -= 8;
            out.push_back(static_cast<uint8_t>(buffer >> bits));
            buffer &= (1u << bits) - 1;
        }
    }
    if (buffer != 0) return std::nullopt;  // leftover bits that are not zero
    return out;
}

std::optional<std::string> DZ_RTMStringEncoding::stringByDecoding(std::string_view text) const {
    auto bytes = decode(text);
    if (!bytes) return std::nullopt;
    return std::string(bytes->begin(), bytes->end());
}

std::string DZ_RTMStringEncoding::description() const {
    return "<Base" + std::to_string(1 << shift_) + " StringEncoder: " + charMap_ + ">";
}
