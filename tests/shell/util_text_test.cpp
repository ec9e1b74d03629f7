#include <gtest/gtest.h>

#include <string>

#include "platform/foundation/SystemVersion.h"
#include "shell/MiscUtil.h"

TEST(UrlEncoding, EncodesBytesAsFormText) {
    EXPECT_EQ(stringByUrlEncodeUTF8("a b"), "a+b");
    EXPECT_EQ(stringByUrlEncodeUTF8("~"), "%7E");
    EXPECT_EQ(stringByUrlEncodeUTF8("é"), "%C3%A9");
    EXPECT_EQ(stringByUrlEncodeUTF8("AZaz09-._"), "AZaz09-._");
    EXPECT_EQ(stringByUrlEncodeUTF8("a+b&c=d/e?"), "a%2Bb%26c%3Dd%2Fe%3F");
    EXPECT_EQ(stringByUrlEncodeUTF8(std::string("\0\x7f", 2)), "%00%7F");
    EXPECT_EQ(stringByUrlEncodeUTF8(""), "");
}

TEST(UrlEncoding, DecodesPlusAndEscapesAndRefusesMalformedText) {
    EXPECT_EQ(stringByUrlDecodeUTF8("a+b%20c"), "a b c");
    EXPECT_EQ(stringByUrlDecodeUTF8("%C3%A9%7e"), "é~");
    EXPECT_EQ(stringByUrlDecodeUTF8("%2B"), "+");
    EXPECT_EQ(stringByUrlDecodeUTF8(""), "");
    EXPECT_FALSE(stringByUrlDecodeUTF8("%"));
    EXPECT_FALSE(stringByUrlDecodeUTF8("abc%4"));
    EXPECT_FALSE(stringByUrlDecodeUTF8("%zz"));
    EXPECT_FALSE(stringByUrlDecodeUTF8("%C3"));        // cut-off UTF-8 sequence
    EXPECT_FALSE(stringByUrlDecodeUTF8("%C0%AF"));     // overlong form
    EXPECT_FALSE(stringByUrlDecodeUTF8("%ED%A0%80"));  // surrogate
    const std::string text = "Mr.Tiko jumps ~ 100% é€😀";
    EXPECT_EQ(stringByUrlDecodeUTF8(stringByUrlEncodeUTF8(text)), text);
}

TEST(TextChecks, NotNilOrEmptyAnswersTrueForAbsentOrEmptyText) {
    const std::string empty;
    const std::string full = "x";
    EXPECT_TRUE(stringIsNotNilOrEmpty(nullptr));
    EXPECT_TRUE(stringIsNotNilOrEmpty(&empty));
    EXPECT_FALSE(stringIsNotNilOrEmpty(&full));
    EXPECT_TRUE(stringIsNotNilOrEmpty(std::string_view()));
    EXPECT_FALSE(stringIsNotNilOrEmpty(std::string_view("y")));
}

TEST(HexText, LowerCaseTwoCharactersPerByte) {
    const uint8_t bytes[] = {0x00, 0x0f, 0xa0, 0xff};
    EXPECT_EQ(HexStringFromBytes(bytes, 4), "000fa0ff");
    EXPECT_EQ(HexStringFromBytes(bytes, 0), "");
    EXPECT_EQ(HexStringFromBytes(bytes, -3), "");
    EXPECT_EQ(HexStringFromBytes(nullptr, 4), "");
    std::string sixteen;
    for (int i = 0; i < 16; ++i) sixteen += "ab";
    EXPECT_EQ(HexStringFromData(std::vector<uint8_t>(16, 0xab)), sixteen);
    EXPECT_EQ(HexStringFromData({}), "");
}

TEST(SystemFeatures, ThisPlatformAnswersYesToEveryTest) {
    EXPECT_EQ(platform::kSystemVersion, "8.0");
    EXPECT_TRUE(systemSupportsMultitasking());
    EXPECT_TRUE(systemSupportsOS3());
    EXPECT_TRUE(systemSupportsOS4());
    EXPECT_TRUE(systemSupportsOS5());
    EXPECT_TRUE(systemSupportsOS6());
    EXPECT_TRUE(systemSupportsOS7());
    EXPECT_TRUE(systemSupportsOS8());
}

TEST(SystemFeatures, OnlyTheListedVersionPrefixesSayNo) {
    EXPECT_TRUE(systemVersionSupportsOS(7, "10.0"));
    EXPECT_TRUE(systemVersionSupportsOS(8, "14.2"));
    EXPECT_FALSE(systemVersionSupportsOS(5, "4.3"));
    EXPECT_TRUE(systemVersionSupportsOS(5, "5.0"));
    EXPECT_FALSE(systemVersionSupportsOS(6, "5.1.1"));
    EXPECT_FALSE(systemVersionSupportsOS(7, "6.0"));
    EXPECT_FALSE(systemVersionSupportsOS(8, "7.1"));
    EXPECT_TRUE(systemVersionSupportsOS(8, "8.0"));
    EXPECT_TRUE(systemVersionSupportsOS(4, "3.0"));
}
