// Text helpers: escaping, "@" templates, digests, JSON in and out, parameter texts and hashes.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "ads/foundation/DZDictionaryAdditions.h"
#include "ads/foundation/DZInternalErrorAdditions.h"
#include "ads/foundation/DZPropertyListJSON.h"
#include "ads/foundation/DZStatisticDictionary.h"
#include "ads/foundation/DZStringAdditions.h"
#include "ads/foundation/DZUtilityFunctions.h"

TEST(DZTextEscaping, QueryValuesEscapeEverythingButUnreservedCharacters) {
    EXPECT_EQ(dz_stringByEscapingAsURLParameter("aZ09-._~"), "aZ09-._~");
    EXPECT_EQ(dz_stringByEscapingAsURLParameter("!*'();:@&=+$,/?%#[] \u00e9"),
              "%21%2A%27%28%29%3B%3A%40%26%3D%2B%24%2C%2F%3F%25%23%5B%5D%20%C3%A9");
    EXPECT_EQ(dz_stringByRemovingPercentEncoding("a%20b%C3%A9+"), "a b\u00e9+");
    EXPECT_FALSE(dz_stringByRemovingPercentEncoding("%2"));
    EXPECT_FALSE(dz_stringByRemovingPercentEncoding("%C3"));  // half a character
    EXPECT_EQ(dz_stripTrailingSlash("http://h/a/"), "http://h/a");
    EXPECT_EQ(dz_stripTrailingSlash("http://h/a//"), "http://h/a/");
    EXPECT_TRUE(dz_isEquivalentToURLString("http://h/a/", "http://h/a"));
    EXPECT_FALSE(dz_isEquivalentToURLString("http://h/a", "http://h/b"));
}

TEST(DZTemplates, KeywordsAreFilledAndEscapedAtsStay) {
    std::string t = "x@@@gw_qdata@@@y";
    dz_replaceAtQuotedKeywordPattern(t, std::string("gw_qdata"), std::string("Q"));
    EXPECT_EQ(t, "x@@Q@@y");
    dz_unescapeAts(t);
    EXPECT_EQ(t, "x@Q@y");

    std::string url = "http://h/?a=@gw_adlocid@&b=@@gw_adlocid@@&c=@gw_sdkver@";
    dz_replaceAtQuotedKeywordPattern(url, std::string("gw_adlocid"), dz_escapeAts("a@b$1\\"));
    dz_removeAtQuotedKeywords(url);
    dz_unescapeAts(url);
    EXPECT_EQ(url, "http://h/?a=a@b$1\\&b=@gw_adlocid@&c=");

    std::string unchanged = "@k@";
    dz_replaceAtQuotedKeywordPattern(unchanged, std::nullopt, std::string("v"));
    dz_replaceAtQuotedKeywordPattern(unchanged, std::string("k"), std::nullopt);
    dz_replaceAtQuotedKeywordPattern(unchanged, std::string("(unclosed"), std::string("v"));
    EXPECT_EQ(unchanged, "@k@");
    EXPECT_EQ(dz_escapeAts("a@b@@"), "a@@b@@@@");
}

TEST(DZDigests, MD5AndMurmur) {
    EXPECT_EQ(dz_MD5String(""), "d41d8cd98f00b204e9800998ecf8427e");
    EXPECT_EQ(dz_MD5String("The quick brown fox jumps over the lazy dog"),
              "9e107d9d372bb6826bd81d3542a419d6");
    EXPECT_EQ(DZMurmurHash3x86_32("", 0, 0), 0u);
    EXPECT_EQ(DZMurmurHash3x86_32("", 0, 1), 0x514E28B7u);
    EXPECT_EQ(DZMurmurHash3x86_32("hello", 5, 0), 0x248BFA47u);
    EXPECT_EQ(DZMurmurHash3x86_32("The quick brown fox jumps over the lazy dog", 43, 0x9747b28c),
              0x2FA826CDu);
}

TEST(DZParameterTexts, BooleansAndFloats) {
    EXPECT_EQ(DZStringFromBOOL(true), "1");
    EXPECT_EQ(DZStringFromBOOL(false), "0");
    EXPECT_EQ(DZStringFromFloat(1.5f), "1.5");
    EXPECT_EQ(DZStringFromFloat(2.0f), "2");
    EXPECT_EQ(DZStringFromFloat(0.0f), "0");
    EXPECT_EQ(DZStringFromFloat(-0.25f), "-0.25");
    EXPECT_EQ(DZStringFromFloat(10.0f), "10");
}

TEST(DZJSON, DecodingAcceptsFragmentsAndReportsTheParsersError) {
    EXPECT_EQ(dz_decodedJSONObject("42"), nlohmann::json(42));
    EXPECT_EQ(dz_decodedJSONObject("{\"a\":[1,\"b\"]}"), nlohmann::json({{"a", {1, "b"}}}));
    std::string error;
    EXPECT_FALSE(dz_decodedJSONObject("{\"a\":", &error));
    EXPECT_FALSE(error.empty());
}

TEST(DZJSON, WritingGivesTextOrThePrivateError) {
    EXPECT_EQ(dz_JSONStringPretty({{"a", 1}}, false), "{\"a\":1}");
    EXPECT_EQ(dz_JSONStringPretty({{"a", 1}}, true), "{\n  \"a\": 1\n}");
    platform::ErrorRef error;
    EXPECT_FALSE(dz_JSONStringPretty({{"bad", std::string("\xff")}}, false, &error));
    ASSERT_TRUE(error);
    EXPECT_EQ(error->domain(), kDZInternalErrorDomain);
    EXPECT_EQ(error->code(), 2);
    EXPECT_EQ(error->localizedDescription(), "Invalid JSON object.");
    EXPECT_FALSE(dz_JSONStringPretty(nlohmann::json::array(), false));
    // JSON has no NaN: never written as null.
    EXPECT_FALSE(dz_JSONStringPretty({{"ok", 1.5}, {"deep", {{"n", {std::nan("")}}}}}, false));
    EXPECT_FALSE(dz_JSONStringPretty({{"i", -INFINITY}}, false));
}

TEST(DZJSON, SafeCopiesRepairOnlyWhatJSONCannotWrite) {
    const nlohmann::json clean = {{"a", 1}, {"b", {{"c", "d"}}}};
    EXPECT_EQ(dz_JSONSafeDictionary(clean), clean);
    const nlohmann::json broken = {{"a", 1}, {"b", {{"c", std::string("x\xffy")}}}};
    const auto safe = dz_JSONSafeDictionary(broken);
    EXPECT_TRUE(dz_JSONStringPretty(safe, false));
    EXPECT_EQ(safe["a"], 1);
    EXPECT_EQ(safe["b"]["c"], "x\ufffdy");
    const auto numbers = dz_JSONSafeDictionary({{"n", std::nan("")}, {"l", {1.5, INFINITY, -INFINITY}}});
    EXPECT_EQ(numbers, (nlohmann::json{{"n", "nan"}, {"l", {1.5, "inf", "-inf"}}}));

    // A statistics store shows what JSON cannot carry as such.
    auto stats = DZStatisticDictionary::initWithQueueLabel("test.nan", {});
    stats->setObjectForKey(std::nan(""), "ratio", false);
    stats->setObjectForKey(std::string("\xff"), "raw", false);
    const std::string description = stats->description();
    EXPECT_NE(description.find("\"ratio\": \"nan\""), std::string::npos) << description;
    EXPECT_EQ(description.find("null"), std::string::npos) << description;

    const nlohmann::json dict = {{"s", "t"}, {"n", 2}, {"o", nlohmann::json::object()}};
    EXPECT_NE(dz_objectForKeyIfIsKindOfClass(dict, "s", DZValueKind::String), nullptr);
    EXPECT_EQ(dz_objectForKeyIfIsKindOfClass(dict, "s", DZValueKind::Number), nullptr);
    EXPECT_NE(dz_objectForKeyIfIsKindOfClass(dict, "o", DZValueKind::Dictionary), nullptr);
    EXPECT_EQ(dz_objectForKeyIfIsKindOfClass(dict, "missing", DZValueKind::String), nullptr);
}

TEST(DZPropertyListJSON, ValuesAndKeysWithANulAreLeftOutNeverCut) {
    const std::string nul(1, '\0');
    const nlohmann::json stored = {
        {"kept", "a"}, {"value", "ok" + nul + "/../x"}, {"key" + nul + "x", "b"}, {"list", {"c", "d" + nul}}};
    EXPECT_EQ(DZJSONFromPlistDict(DZPlistDictFromJSON(stored)),
              (nlohmann::json{{"kept", "a"}, {"list", nlohmann::json::array({"c"})}}));
}
