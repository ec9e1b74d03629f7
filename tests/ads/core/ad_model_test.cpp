#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "ads/core/DZAd.h"
#include "ads/core/DZBannerAd.h"
#include "ads/core/DZValues.h"
#include "ads/foundation/DZClickTrackerCollection.h"
#include "ads/foundation/DZStringAdditions.h"
#include "platform/foundation/AppPaths.h"
#include "support/LoopbackServer.h"
#include "support/MainLoopPump.h"
#include "support/TempDir.h"

namespace {

TEST(DZAd, ReadsTheDictionaryAndTakesOnlyWebBases) {
    DZAd ad(nlohmann::json{
        {"ad_html", "<p>ad</p>"},
        {"ad_base_url", "https://ads.example.test/"},
        {"ad_url", "https://ads.example.test/fetch"},
        {"ad_json", {{"a", 1}}},
        {"ad_size", "300x250"},
        {"orientation", "landscape"},
        {"ad_is_javascript", 0},
        {"ad_passback_url", "https://ads.example.test/pass"},
        {"click_urls", {"https://c.test/1", "no url", 5, "https://c.test/1", "https://c.test/2"}},
        {"zadava_duru", {{"k", "v"}}}});
    EXPECT_EQ(ad.adHTML(), "<p>ad</p>");  // the HTML wins over ad_json
    EXPECT_EQ(ad.adBaseURL(), "https://ads.example.test/");
    EXPECT_FALSE(ad.adURL());
    EXPECT_TRUE(DZAdSizesAreEqual(ad.size(), kDZAdSizeMediumRectangle));
    EXPECT_EQ(ad.supportedOrientations(), 24u);
    EXPECT_FALSE(ad.adNetworkPassbackURL());
    EXPECT_EQ(ad.clickURLs().urls(), (std::vector<std::string>{"https://c.test/1", "https://c.test/2"}));
    EXPECT_EQ(ad.zadavaDuruConfigurations(), nlohmann::json({{"k", "v"}}));

    // A base that is no web URL (a local origin for the creative) counts as no base.
    for (const char* base : {"file:///etc/", "data:text/html,x", "not a url"}) {
        DZAd local(
            nlohmann::json{{"ad_html", "<p>x</p>"}, {"ad_base_url", base}, {"ad_url", "https://a.test/ad"}});
        EXPECT_FALSE(local.adHTML()) << base;
        EXPECT_FALSE(local.adBaseURL()) << base;
        EXPECT_EQ(local.adURL(), "https://a.test/ad") << base;
    }
    DZAd json(nlohmann::json{{"ad_json", {{"n", 1}}},
                             {"orientation", "sideways"},
                             {"ad_is_javascript", true},
                             {"ad_passback_url", "https://p.test/"}});
    EXPECT_EQ(json.adHTML(), "{\"n\":1}");
    EXPECT_EQ(json.supportedOrientations(), 30u);
    EXPECT_EQ(json.adNetworkPassbackURL(), "https://p.test/");
}

TEST(DZAd, AWrongTypeInEveryKeyIsIgnored) {
    const nlohmann::json junk =
        nlohmann::json::array({1, "text", nlohmann::json::array({1}), nullptr, true, 2.5});
    for (const auto& value : junk) {
        nlohmann::json dictionary = nlohmann::json::object();
        for (const char* key :
             {"ad_html", "ad_base_url", "ad_url", "ad_json", "ad_size", "orientation", "ad_is_javascript",
              "ad_passback_url", "debug_dialog", "zadava_duru", "swipe_to_viewcontroller", "click_urls",
              "impression_urls", "manual_impression_urls", "refresh_rate"})
            dictionary[key] = value;
        DZBannerAd ad(dictionary);
        SCOPED_TRACE(value.dump());
        EXPECT_FALSE(ad.zadavaDuruConfigurations());
        EXPECT_FALSE(ad.swipeToViewControllerConfigurations());
        EXPECT_EQ(ad.clickURLs().size(), 0u);
        EXPECT_EQ(ad.supportedOrientations(), 30u);
        EXPECT_FALSE(ad.adBaseURL());
    }
    EXPECT_DOUBLE_EQ(DZBannerAd(nlohmann::json{{"refresh_rate", "45"}}).reloadInterval(), 0);
    EXPECT_DOUBLE_EQ(DZBannerAd(nlohmann::json{{"refresh_rate", 45}}).reloadInterval(), 45);
    EXPECT_DOUBLE_EQ(DZBannerAd(nlohmann::json{{"refresh_rate", 1e300}}).reloadInterval(),
                     kDZMaxReloadInterval);
    DZBannerAd notAnObject(nlohmann::json::array());
    EXPECT_EQ(notAnObject.responseType(), 0u);
}

TEST(DZAd, AnAdMadeWhereAGoneAdWasTakesNoneOfItsPings) {
    tikoleap::test::TempDir home;
    platform::AppPaths::setHome(home.path());
    tikoleap::test::MainLoopPump pump;
    auto pings = DZClickTrackerCollection::create();
    // Where nothing listens: each ping is in flight until the main loop hears it failed.
    tikoleap::test::LoopbackServer gone;
    const std::string nowhere = gone.url("/imp");
    gone.stop();
    auto first = std::make_shared<DZAd>();
    for (int i = 0; i < 40; ++i) pings->trackURL(nowhere, first->pingAsker(), false);
    const void* where = first.get();
    first.reset();
    // The allocator hands the freed place to the next ad of the same size, as a refreshing slot's is.
    std::vector<std::shared_ptr<DZAd>> made;
    do made.push_back(std::make_shared<DZAd>());
    while (made.back().get() != where && made.size() < 64);
    pings->trackURL(nowhere, made.back()->pingAsker(), false);
    EXPECT_EQ(pings->inFlightFor(made.back()->pingAsker()), 1u);
    EXPECT_EQ(pings->waitingFor(made.back()->pingAsker()), 0u);
    pings.reset();
    platform::AppPaths::setHome({});
}

TEST(DZAdURLList, KeepsAtMostSixtyFourWebURLs) {
    std::vector<std::string> urls = {"javascript:alert(1)", "file:///x", "ftp://f.test/"};
    for (int i = 0; i < 5000; ++i) urls.push_back("https://t.test/" + std::to_string(i));
    DZAd ad;
    ad.addImpressionURLsFromArray(urls);
    ASSERT_EQ(ad.impressionURLs().size(), kDZMaxURLsPerList);
    EXPECT_EQ(ad.impressionURLs().urls().front(), "https://t.test/0");
}

TEST(DZValues, ReadsTextAsThePhoneDoes) {
    for (const char* yes : {"YES", "true", " t", "1", "+0009", "y"}) EXPECT_TRUE(dz_boolValue(yes)) << yes;
    for (const char* no : {"NO", "false", "0", "", " ", "-0", "perhaps", "nan"})
        EXPECT_FALSE(dz_boolValue(no)) << no;
    EXPECT_TRUE(dz_jsonBoolValue(nlohmann::json(2)));
    EXPECT_FALSE(dz_jsonBoolValue(nlohmann::json::array({1})));

    EXPECT_EQ(dz_numberValue(" 12.5s"), 12.5);
    EXPECT_EQ(dz_numberValue("-5"), -5);
    EXPECT_EQ(dz_numberValue("0x10"), 0);
    EXPECT_EQ(dz_numberValue(".5e1"), 5);
    EXPECT_FALSE(dz_numberValue("abc"));
    EXPECT_FALSE(dz_numberValue("."));
    EXPECT_TRUE(std::isnan(*dz_numberValue("NaN")));
    EXPECT_TRUE(std::isinf(*dz_numberValue("1e400")));
    EXPECT_TRUE(std::isinf(*dz_numberValue("-inf")));
    EXPECT_EQ(dz_integerValue("99999999999999999999999"), std::numeric_limits<int64_t>::max());
    EXPECT_EQ(dz_integerValue("-7.9"), -7);
    EXPECT_EQ(dz_jsonIntegerValue(nlohmann::json(18446744073709551615u)),
              std::numeric_limits<int64_t>::max());
}

TEST(DZDecodedJSON, DeepNestingIsRefusedBeforeParsing) {
    const auto nested = [](std::size_t depth, char open, char close) {
        return std::string(depth, open) + std::string(depth, close);
    };
    EXPECT_TRUE(dz_decodedJSONObject(nested(kDZMaxJSONDepth, '[', ']')));
    std::string error;
    EXPECT_FALSE(dz_decodedJSONObject(nested(kDZMaxJSONDepth + 1, '[', ']'), &error));
    EXPECT_FALSE(error.empty());
    EXPECT_FALSE(dz_decodedJSONObject(nested(100000, '[', ']')));
    // Brackets inside strings are text, not nesting.
    EXPECT_TRUE(dz_decodedJSONObject("[\"" + nested(200, '[', ']') + "\\\"[[[\"]"));
}

}  // namespace
