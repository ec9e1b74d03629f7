// Property lists in the old text format, read strictly, and the choice between the three formats.
#include <gtest/gtest.h>

#include <string>

#include "platform/plist/PlistArray.h"
#include "platform/plist/PlistDict.h"
#include "platform/plist/PlistText.h"

namespace {

platform::PlistNodePtr text(const std::string& s, std::string* why = nullptr) {
    return platform::parseTextPlist(s.data(), s.size(), why);
}

std::optional<platform::PlistDict> dict(const std::string& s) {
    platform::PlistNodePtr node = text(s);
    return node ? platform::PlistDict::copyOf(node.get()) : std::nullopt;
}

}  // namespace

TEST(PlistText, ReadsDictionariesArraysStringsAndData) {
    auto d = dict(R"({ lid = 40; name = "Sky \"High\"\n"; ds="12"; list = (a, "b c", (), ); blob = <0aFF 10>;
                       // a comment
                       /* another */ nested = { x = "\U00e9\101"; }; })");
    ASSERT_TRUE(d);
    EXPECT_EQ(d->getString("lid"), "40");
    EXPECT_EQ(d->getString("name"), "Sky \"High\"\n");
    EXPECT_EQ(d->getString("ds"), "12");
    auto list = d->getArray("list");
    ASSERT_TRUE(list);
    ASSERT_EQ(list->size(), 3u);
    EXPECT_EQ(list->getString(1), "b c");
    EXPECT_EQ(list->getArray(2)->size(), 0u);
    EXPECT_EQ(d->getData("blob"), (std::vector<uint8_t>{0x0a, 0xff, 0x10}));
    EXPECT_EQ(d->getDict("nested")->getString("x"),
              "\xC3\xA9"
              "A");
    // A later key wins.
    EXPECT_EQ(dict("{a=1;a=2;}")->getString("a"), "2");
}

TEST(PlistText, RefusesAnythingMalformed) {
    const char* bad[] = {
        "",                  // nothing
        "{ a = b }",         // no ';'
        "{ a b; }",          // no '='
        "{ a = b;",          // unterminated
        "(a, b",             // unterminated array
        "(a b)",             // no ','
        "\"open",            // unterminated string
        "\"\\q\"",           // unknown escape
        "\"\\U12\"",         // short \U
        "\"\\000\"",         // NUL
        "<0a1>",             // odd hex
        "<zz>",              // not hex
        "{a=b;} trailing",   // text after the root
        "/* never closed",   // comment
        "\"\xC3\"",          // not UTF-8
        "\"\xED\xA0\x80\"",  // a surrogate
        "{ a = @; }",        // not a value
    };
    for (const char* s : bad) {
        SCOPED_TRACE(s);
        std::string why;
        EXPECT_FALSE(text(s, &why));
        EXPECT_FALSE(why.empty());
    }
    std::string deep(33, '(');
    deep += std::string(33, ')');
    EXPECT_FALSE(text(deep));
    std::string fine(32, '(');
    fine += std::string(32, ')');
    EXPECT_TRUE(text(fine));
}

TEST(PlistText, AnyFormatPicksTheReaderByTheBytes) {
    platform::PlistDict d;
    d.setString("lid", "7");
    const std::vector<uint8_t> binary = d.toBinary();
    const std::string xml = d.toXml();
    for (const std::string& bytes :
         {std::string(binary.begin(), binary.end()), xml, std::string("{lid=7;}"), "\xEF\xBB\xBF  " + xml}) {
        platform::PlistNodePtr node = platform::parsePlistAnyFormat(bytes.data(), bytes.size());
        ASSERT_TRUE(node);
        EXPECT_EQ(platform::PlistDict::copyOf(node.get())->getString("lid"), "7");
    }
    std::string why;
    EXPECT_FALSE(platform::parsePlistAnyFormat("bplist00garbage", 15, &why));
    EXPECT_FALSE(why.empty());
    EXPECT_FALSE(platform::parsePlistAnyFormat("<plist><dict><key>a</key>", 25));
    EXPECT_FALSE(platform::parsePlistAnyFormat(nullptr, 0));
}

TEST(PlistText, AListWithANulByteInAStringIsRefusedNotCutShort) {
    // The library would keep such a string (or key) only up to the NUL, so the text after it would
    // go missing wherever it is used: "https://x\0y" opened as "https://x".
    const std::string nul(1, '\0');
    const std::string xml = "<plist><array><string>https://x" + nul + "y</string></array></plist>";
    const std::string xmlKey = "<plist><dict><key>lid" + nul + "x</key><string>7</string></dict></plist>";

    // A binary array holding the ASCII string "ok\0/../..": header, two objects, offset table, trailer.
    std::vector<uint8_t> binary{'b', 'p', 'l', 'i', 's', 't', '0', '0', 0xA1, 1, 0x59};
    for (char c : "ok" + nul + "/../..") binary.push_back(static_cast<uint8_t>(c));
    const uint8_t table = static_cast<uint8_t>(binary.size());
    binary.insert(binary.end(), {8, 10, 0, 0, 0, 0, 0, 0, 1, 1});
    for (int last : {2, 0, static_cast<int>(table)}) {  // objects, root, table offset
        binary.insert(binary.end(), 7, 0);
        binary.push_back(static_cast<uint8_t>(last));
    }
    // The same string in UTF-16.
    std::vector<uint8_t> utf16(binary.begin(), binary.begin() + 10);
    utf16.push_back(0x69);
    for (char c : "ok" + nul + "/../..") utf16.insert(utf16.end(), {0, static_cast<uint8_t>(c)});
    const uint8_t utf16Table = static_cast<uint8_t>(utf16.size());
    utf16.insert(utf16.end(), {8, 10, 0, 0, 0, 0, 0, 0, 1, 1});
    for (int last : {2, 0, static_cast<int>(utf16Table)}) {
        utf16.insert(utf16.end(), 7, 0);
        utf16.push_back(static_cast<uint8_t>(last));
    }

    for (const std::string& bytes :
         {xml, xmlKey, std::string(binary.begin(), binary.end()), std::string(utf16.begin(), utf16.end())}) {
        std::string why;
        EXPECT_FALSE(platform::parsePlistAnyFormat(bytes.data(), bytes.size(), &why));
        EXPECT_NE(why.find("NUL"), std::string::npos) << why;
    }
    // The same lists without the NUL read; NUL bytes after the whole text are only a terminator.
    binary[13] = 'x';
    platform::PlistNodePtr clean = platform::parsePlistAnyFormat(binary.data(), binary.size());
    ASSERT_TRUE(clean);
    EXPECT_EQ(platform::PlistArray::copyOf(clean.get())->getString(0), "okx/../..");
    const std::string terminated = "<plist><array><string>fine</string></array></plist>" + nul + nul;
    EXPECT_TRUE(platform::parsePlistAnyFormat(terminated.data(), terminated.size()));
}
