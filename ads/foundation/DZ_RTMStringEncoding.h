#pragma once
// A configurable binary-to-text encoder for alphabets of 2 to 128 characters (a power of two):
// base 2, 16, 32 and 64 and their variants. Character i of the alphabet encodes the value i;
// bits are read most significant first, shift bits per character.
#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class DZ_RTMStringEncoding {
  public:
    // Nothing when the alphabet is not ASCII, its length is no power of two from 2 to 128, or a
    // character repeats. Padding starts off.
    static std::shared_ptr<DZ_RTMStringEncoding> stringEncodingWithString(std::string_view alphabet);

    static std::shared_ptr<DZ_RTMStringEncoding> binaryStringEncoding();
    static std::shared_ptr<DZ_RTMStringEncoding> hexStringEncoding();
    static std::shared_ptr<DZ_RTMStringEncoding> rfc4648Base32StringEncoding();
    static std::shared_ptr<DZ_RTMStringEncoding> rfc4648Base32HexStringEncoding();
    static std::shared_ptr<DZ_RTMStringEncoding> crockfordBase32StringEncoding();
    static std::shared_ptr<DZ_RTMStringEncoding> rfc4648Base64StringEncoding();
    static std::shared_ptr<DZ_RTMStringEncoding> rfc4648Base64WebsafeStringEncoding();

    // Walked in order: a character with a value sets the current value, and each following
    // character without one decodes as that value.
    void addDecodeSynonyms(std::string_view synonyms);
    // Characters skipped when decoding.
    void ignoreCharacters(std::string_view characters);
    // Also marks the character as padding for decoding.
    void setPaddingChar(char c);
    bool doPad() const { return doPad_; }
    void setDoPad(bool doPad) { doPad_ = doPad; }

    // Empty data gives ""; with padding on, filled to a multiple of the padded group.
    std::string encode(const std::vector<uint8_t>& data) const;
    std::string encodeString(std::string_view text) const;
    // Nothing for text that is not ASCII, an invalid character, data after padding, or leftover
    // bits that are not zero. The number of padding characters is not checked.
    std::optional<std::vector<uint8_t>> decode(std::string_view text) const;
    std::optional<std::string> stringByDecoding(std::string_view text) const;
    // "<Base%d StringEncoder: alphabet>".
    std::string description() const;

  private:
    static constexpr int kInvalid = -1, kPadding = -2, kIgnored = -3;

    explicit DZ_RTMStringEncoding(std::string alphabet);

    std::string charMap_;
    std::array<int32_t, 128> reverseCharMap_;
    int shift_ = 0;
    uint32_t mask_ = 0;
    bool doPad_ = false;
    char paddingChar_ = '=';
    int padLen_ = 0;
};
