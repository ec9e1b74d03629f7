// Building and reading URLs: appended parameters (escaped keys and values, "&adurl=" kept last),
// query lookups, tickets, fragments and comparisons.
#include <gtest/gtest.h>

#include "ads/foundation/DZNSURLUtilities.h"

namespace {

Url url(const char* text) {
    auto u = Url::parse(text);
    EXPECT_TRUE(u) << text;
    return u ? *u : *Url::parse("http://invalid/");
}

}  // namespace

TEST(DZURLAppend, ParametersGoAfterTheQueryButBeforeTheClickDestination) {
    EXPECT_EQ(dz_appendQueryParameters(url("http://h/p"), {{"a", "x y"}})->text(), "http://h/p?a=x%20y");
    EXPECT_EQ(dz_appendQueryParameters(url("http://h/p?q=1&adurl=http://d"), {{"a", 1}})->text(),
              "http://h/p?q=1&a=1&adurl=http://d");
    EXPECT_EQ(dz_appendQueryParameters(url("http://h/p?q=1"), {{"k", ""}, {"z", true}})->text(),
              "http://h/p?q=1&k&z=1");
    EXPECT_EQ(dz_appendQueryValue(url("http://h/p"), std::nullopt, "k")->text(), "http://h/p?k");
}

TEST(DZURLAppend, LongTrackingURLsAreKeptUpToTheirOwnBound) {
    // Far beyond the game's own 8 KiB bound, as click and mediation URLs with tracking data are.
    const std::string data(20 * 1024, 'd');
    auto base = dz_appendQueryValue(url("http://h/p"), data, "t");
    ASSERT_TRUE(base);
    auto appended = dz_appendQueryValue(*base, std::string("v"), "k");
    ASSERT_TRUE(appended);
    EXPECT_EQ(appended->text(), "http://h/p?t=" + data + "&k=v");
    EXPECT_EQ(dz_parameterValueForKey(*appended, "t"), data);
    EXPECT_FALSE(dz_URLWithString("http://h/p?t=" + std::string(kDZMaxURLLength, 'd')));
    EXPECT_FALSE(dz_URLWithString("not a url"));
}

TEST(DZURLAppend, KeysAreEscapedLikeValues) {
    auto out = dz_appendQueryParameters(url("http://h/p"), {{"a&b=c", "1/2?#"}});
    ASSERT_TRUE(out);
    EXPECT_EQ(out->text(), "http://h/p?a%26b%3Dc=1%2F2%3F%23");
    EXPECT_EQ(dz_parameterValueForKey(*out, "a&b=c"), "1/2?#");
}

TEST(DZURLQuery, ValuesOfAKeyComeFromPairsSplitAtTheirFirstEqualsSign) {
    auto values = dz_parameterValuesForKey(url("http://h/p?k=1&k=2&k&j=3&K=4&%6B=a=b"), "k");
    ASSERT_TRUE(values);
    EXPECT_EQ(*values, (std::vector<std::string>{"1", "2", "a=b"}));
    EXPECT_EQ(dz_parameterValueForKey(url("http://h/p?k=%E2%82%AC%20x"), "k"), "\u20ac x");
    // A value that does not decode is skipped rather than taken half-decoded.
    EXPECT_EQ(dz_parameterValueForKey(url("http://h/p?k=%FF&k=ok"), "k"), "ok");
    EXPECT_FALSE(dz_parameterValueForKey(url("http://h/p?k=%FF"), "k"));
}

TEST(DZURLQuery, DictionarySplitsAtAmpersandsAndSemicolonsAndLaterPairsWin) {
    auto dict = dz_dictionaryFromQueryParameters(url("http://h/p?A=1;b=%32&a=3&c&d=x=y&e%FF=1"), true);
    EXPECT_EQ(dict, (std::map<std::string, std::string>{{"a", "3"}, {"b", "2"}, {"d", "x=y"}}));
    auto kept = dz_dictionaryFromQueryParameters(url("http://h/p?A=1;a=3"), false);
    EXPECT_EQ(kept, (std::map<std::string, std::string>{{"A", "1"}, {"a", "3"}}));
}

TEST(DZURLParts, TicketFragmentSchemeAndHost) {
    EXPECT_EQ(dz_impressionTicket(url("http://h/a/b/c/d")), "b/c");
    EXPECT_EQ(dz_impressionTicket(url("http://h/a/b/c")), "b/c");
    EXPECT_FALSE(dz_impressionTicket(url("http://h/a/b")));
    EXPECT_EQ(dz_absoluteStringWithoutFragmentComponent(url("http://h/p?q#f#g")), "http://h/p?q");
    EXPECT_EQ(dz_absoluteStringWithoutFragmentComponent(url("http://h/p")), "http://h/p");
    const Url u = url("HTTP://Ads.Example/p");
    EXPECT_TRUE(dz_isSchemeEqualToString(u, "http", false));
    EXPECT_FALSE(dz_isSchemeEqualToString(u, "http", true));
    EXPECT_TRUE(dz_isHostEqualToString(u, "ads.example", false));
    EXPECT_FALSE(dz_isHostEqualToString(u, "ads.example", true));
    EXPECT_TRUE(dz_isSchemeEqualToString(url("mailto:a@b.c"), "mailto", true));
    EXPECT_FALSE(Url::parse("no scheme"));
}
