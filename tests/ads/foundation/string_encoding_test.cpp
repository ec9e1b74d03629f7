// The binary-to-text encoders: the RFC 4648 forms, synonyms, padding and what decoding refuses.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ads/foundation/DZ_RTMStringEncoding.h"

using Bytes = std::vector<uint8_t>;

TEST(DZStringEncoding, RfcFormsMatchTheStandardsTestVectors) {
    const std::vector<std::pair<std::string, std::string>> base64 = {
        {"", ""}, {"f", "Zg=="}, {"fo", "Zm8="}, {"foo", "Zm9v"}, {"foobar", "Zm9vYmFy"}};
    const std::vector<std::pair<std::string, std::string>> base32 = {
        {"f", "MY======"}, {"fo", "MZXQ===="}, {"foob", "MZXW6YQ="}, {"foobar", "MZXW6YTBOI======"}};
    const std::vector<std::pair<std::string, std::string>> base32hex = {{"f", "CO======"},
                                                                        {"foobar", "CPNMUOJ1E8======"}};
    auto check = [](const std::shared_ptr<DZ_RTMStringEncoding>& e, const auto& vectors) {
        for (const auto& [plain, coded] : vectors) {
            EXPECT_EQ(e->encodeString(plain), coded) << e->description();
            EXPECT_EQ(e->stringByDecoding(coded), plain) << coded;
        }
    };
    check(DZ_RTMStringEncoding::rfc4648Base64StringEncoding(), base64);
    check(DZ_RTMStringEncoding::rfc4648Base32StringEncoding(), base32);
    check(DZ_RTMStringEncoding::rfc4648Base32HexStringEncoding(), base32hex);
    EXPECT_EQ(DZ_RTMStringEncoding::rfc4648Base64WebsafeStringEncoding()->encode(Bytes{0xFB, 0xFF}), "-_8=");
    EXPECT_EQ(DZ_RTMStringEncoding::binaryStringEncoding()->encode(Bytes{0xA5}), "10100101");
}

TEST(DZStringEncoding, HexAndCrockfordReadTheirSynonyms) {
    auto hex = DZ_RTMStringEncoding::hexStringEncoding();
    EXPECT_EQ(hex->encode(Bytes{0xAB}), "AB");
    EXPECT_EQ(hex->decode("ab"), Bytes{0xAB});
    auto crockford = DZ_RTMStringEncoding::crockfordBase32StringEncoding();
    EXPECT_EQ(crockford->decode("oIlL"), crockford->decode("0111"));
    EXPECT_EQ(crockford->description(), "<Base32 StringEncoder: 0123456789ABCDEFGHJKMNPQRSTVWXYZ>");
}

TEST(DZStringEncoding, DecodingRefusesWhatIsNotItsAlphabet) {
    auto base64 = DZ_RTMStringEncoding::rfc4648Base64StringEncoding();
    EXPECT_FALSE(base64->decode("Zg=x"));  // data after padding
    EXPECT_FALSE(base64->decode("Zh=="));  // leftover bits not zero
    EXPECT_FALSE(base64->decode("Z*=="));
    EXPECT_FALSE(base64->decode("Zg\xc3\xa9"));
    EXPECT_EQ(base64->decode("Zg"), Bytes{'f'});  // the padding count is not checked
    auto lenient = DZ_RTMStringEncoding::rfc4648Base64StringEncoding();
    lenient->ignoreCharacters(" \n");
    EXPECT_EQ(lenient->stringByDecoding("Zm9v\nYmFy "), "foobar");
    EXPECT_EQ(base64->encode({}), "");
}

TEST(DZStringEncoding, AlphabetsMustBeDistinctAsciiOfAPowerOfTwo) {
    EXPECT_FALSE(DZ_RTMStringEncoding::stringEncodingWithString("abc"));
    EXPECT_FALSE(DZ_RTMStringEncoding::stringEncodingWithString("abca"));
    EXPECT_FALSE(DZ_RTMStringEncoding::stringEncodingWithString("a"));
    EXPECT_FALSE(DZ_RTMStringEncoding::stringEncodingWithString("a\xc3"));
    auto quaternary = DZ_RTMStringEncoding::stringEncodingWithString("wxyz");
    ASSERT_TRUE(quaternary);
    EXPECT_FALSE(quaternary->doPad());
    EXPECT_EQ(quaternary->encode(Bytes{0x1B}), "wxyz");
    EXPECT_EQ(quaternary->decode("wxyz"), Bytes{0x1B});
}
