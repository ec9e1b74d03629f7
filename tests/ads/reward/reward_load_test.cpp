// The reward-based video ad's load: its reward values, its request parameters, each answer of the
// core page, bad responses, and the ready/shown states.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>

#include "ads/reward/RewardHarness.h"

using testing::ElementsAre;
using tikoleap::test::RewardEvents;
using tikoleap::test::RewardTestAdapter;
using RewardLoad = tikoleap::test::RewardTest;

TEST(AdReward, AmountIsTheDecimalTextOfAJSONNumberOnly) {
    auto amount = [](const char* json) -> std::string {
        auto reward = DZAdReward::initWithRewardDictionary(
            {{"rb_type", "coins"}, {"rb_amount", nlohmann::json::parse(json)}});
        return reward ? reward->type() + " " + reward->amount() : "none";
    };
    EXPECT_EQ(amount("10"), "coins 10");
    EXPECT_EQ(amount("10.0"), "coins 10");
    EXPECT_EQ(amount("2.5"), "coins 2.5");
    EXPECT_EQ(amount("0.1"), "coins 0.1");
    EXPECT_EQ(amount("1e21"), "coins 1000000000000000000000");
    // Amounts no reward could be: negative, or longer than 64 characters.
    EXPECT_EQ(amount("-0"), "coins 0");
    EXPECT_EQ(amount("-5"), "none");
    EXPECT_EQ(amount("-0.5"), "none");
    const std::string twoTo212 = "6582018229284824168619876730229402019930943462534319453394436096";
    EXPECT_EQ(amount(twoTo212.c_str()), "coins " + twoTo212);
    EXPECT_EQ(amount("13164036458569648337239753460458804039861886925068638906788872192"), "none");
    EXPECT_EQ(amount("1e300"), "none");
    EXPECT_EQ(amount("\"10\""), "none");
    EXPECT_EQ(amount("true"), "none");
    EXPECT_EQ(DZAdReward::initWithRewardDictionary({{"rb_type", 3}, {"rb_amount", 10}}), nullptr);
    EXPECT_EQ(DZAdReward::initWithRewardDictionary({{"rb_amount", 10}}), nullptr);
    EXPECT_EQ(
        DZAdReward::initWithRewardDictionary({{"rb_type", std::string(1 << 20, 'x')}, {"rb_amount", 10}}),
        nullptr);
    // Nor is a type with a control character or line break, one that reorders the text shown after
    // it, or one that is no UTF-8.
    for (const std::string& type :
         {std::string("coins\r\nX"), std::string("co\0ins", 6), std::string("coins\x7f"),
          std::string("coins\xc2\x85"), std::string("coins\xe2\x80\xa9X"), std::string("coins\u202eevil"),
          std::string("\u2066coins"), std::string("coins\u200f")})
        EXPECT_EQ(DZAdReward::initWithRewardDictionary({{"rb_type", type}, {"rb_amount", 10}}), nullptr);
    EXPECT_EQ(DZAdReward::initWithRewardDictionary(nlohmann::json::array()), nullptr);
    EXPECT_EQ(DZAdReward::initWithRewardType("coins", std::nullopt), nullptr);
    EXPECT_FALSE(DZAdReward::isAcceptable("coins\xff", "10"));
    EXPECT_TRUE(DZAdReward::isAcceptable("co\xc2\xa0ins \xe2\x80\x94 gold", "10.25"));
}

TEST_F(RewardLoad, ParametersNameTheFormatAndTheUserOnlyWhenGiven) {
    auto request = DZRequest::request();
    ad_->loadRequest(request, "unit", "user-7");
    ad_->setRequestID("42");
    auto p = ad_->requestParameters().value_or(nlohmann::json());
    EXPECT_EQ(ad_->requestedAdType(), 2);
    EXPECT_EQ(ad_->CSIIdentifier(), -1);
    EXPECT_EQ(p.value("rbv", ""), "1");
    EXPECT_EQ(p.value("format", ""), "reward_mb");
    EXPECT_EQ(p.value("slotname", ""), "unit");
    EXPECT_EQ(p.value("request_id", ""), "42");
    EXPECT_EQ(p.value("rbv_user_id", ""), "user-7");

    auto anonymous = makeAd(std::make_shared<RewardEvents>());
    anonymous->loadRequest(request, "unit", std::nullopt);
    p = anonymous->requestParameters().value_or(nlohmann::json());
    EXPECT_FALSE(p.contains("rbv_user_id"));
    EXPECT_FALSE(p.contains("request_id"));
    EXPECT_EQ(p.value("rbv", ""), "1");
}

TEST_F(RewardLoad, EachCoreAnswerEndsTheLoadOnceWithItsCode) {
    struct Case {
        const char* name;
        std::function<void(DZRewardBasedVideoAd&)> answer;
        int code;
    };
    const std::vector<Case> cases = {
        {"no url",
         [](auto& ad) {
             ad.loadAdURLWithParameters({{"slotname", "unit"}});
         },
         13},
        {"file url",
         [](auto& ad) {
             ad.loadAdURLWithParameters({{"url", "file:///etc/passwd"}});
         },
         13},
        {"javascript url",
         [](auto& ad) {
             ad.loadAdURLWithParameters({{"url", "javascript:alert(1)"}});
         },
         13},
        {"errors",
         [](auto& ad) {
             ad.loadAdURLWithParameters({{"errors", "x"}, {"url", "http://127.0.0.1/"}});
         },
         0},
        {"rendered ad", [](auto& ad) { ad.loadAd(std::make_shared<DZAd>(), {}); }, 11},
        {"invalid request", [](auto& ad) { ad.invalidJavaScriptRequest(); }, 0},
        {"no script", [](auto& ad) { ad.failedJavaScriptFile(); }, 2},
        {"time-out", [](auto& ad) { ad.requestTimedOut(); }, 5},
    };
    for (const auto& c : cases) {
        auto events = std::make_shared<RewardEvents>();
        auto ad = makeAd(events);
        ad->loadRequest(DZRequest::request(), "unit", std::nullopt);
        c.answer(*ad);
        // A second answer to the same load is not another outcome.
        ad->requestTimedOut();
        ad->loadAdURLWithParameters({{"url", server_.url("/m")}});
        settle();
        EXPECT_THAT(events->list, ElementsAre("failed " + std::to_string(c.code))) << c.name;
        EXPECT_FALSE(ad->isLoading()) << c.name;
    }
    EXPECT_EQ(server_.hits("/m").size(), 0u);
    // The rendered-ad answer carries its own message.
    auto events = std::make_shared<RewardEvents>();
    auto ad = makeAd(events);
    ad->loadRequest(DZRequest::request(), "unit", std::nullopt);
    ad->loadAd(nullptr, {});
    ASSERT_TRUE(events->lastError);
    EXPECT_EQ(events->lastError->localizedDescription(),
              "Error loading ad. Check with ReriveDiDazAdSDK support team.");
}

TEST_F(RewardLoad, BadResponsesFailWithTheirCodesAndNoFillPings) {
    struct Case {
        std::string body;
        bool mediation;
        int code;
    };
    const std::vector<Case> cases = {
        {response({net("a", "fill")}).dump(), false, 13},
        {"[1, 2]", true, 13},
        {"{\"ad_type\": ", true, 7},
        {[] {
             auto body = response({net("a", "fill")});
             body["ad_type"] = "banner";
             return body.dump();
         }(),
         true, 7},
        {R"({"ad_type": "interstitial", "ad_networks": [{"adapters": ["RewardTestAdapter"]}]})", true, 7},
        {response({}, 1000, {{"nofill_urls", {"http://127.0.0.1/nofill?q=@gw_qdata@"}}}).dump(), true, 9},
    };
    for (const auto& c : cases) {
        auto events = std::make_shared<RewardEvents>();
        auto ad = makeAd(events);
        serve(c.body, c.mediation);
        loadServed(ad);
        EXPECT_THAT(events->list, ElementsAre("failed " + std::to_string(c.code))) << c.body;
    }
    // A fetch that fails ends the load with the fetcher's error.
    auto events = std::make_shared<RewardEvents>();
    auto ad = makeAd(events);
    ad->loadRequest(servedRequest("/missing"), "unit", std::nullopt);
    EXPECT_TRUE(bed_.home().pump().until([&] { return !ad->isLoading(); }));
    settle();
    ASSERT_EQ(events->list.size(), 1u);
    EXPECT_EQ(events->list[0].rfind("failed ", 0), 0u);
    EXPECT_EQ(server_.hits("/missing").size(), 1u);

    EXPECT_EQ(RewardTestAdapter::setUps, 0);
    EXPECT_THAT(pingTexts(), ElementsAre("[\"http://127.0.0.1/nofill?q=@gw_qdata@\"] q1"));
    EXPECT_EQ(controller_->pendingRequestCount(), 0u);
}

TEST_F(RewardLoad, AnAdIsShownOnceAndNeverDuringALoad) {
    load(response({net("a", "fill")}));
    ASSERT_THAT(events_->list, ElementsAre("received"));
    EXPECT_TRUE(ad_->isReady());
    // A load while ready takes the readiness at once, and presenting meanwhile does nothing.
    serve("{");
    ad_->loadRequest(servedRequest(), "unit", std::nullopt);
    EXPECT_FALSE(ad_->isReady());
    ad_->loadRequest(servedRequest(), "unit", std::nullopt);  // only logged
    ad_->presentFromRootViewController(nullptr);
    EXPECT_TRUE(bed_.home().pump().until([&] { return !ad_->isLoading(); }));
    settle();
    EXPECT_THAT(events_->list, ElementsAre("received", "failed 7"));
    EXPECT_FALSE(ad_->isReady());
    ad_->presentFromRootViewController(nullptr);
    EXPECT_EQ(RewardTestAdapter::presents, 0);

    load(response({net("a", "fill")}));
    ad_->presentFromRootViewController(nullptr);
    ad_->presentFromRootViewController(nullptr);
    settle();
    EXPECT_EQ(RewardTestAdapter::presents, 1);
    EXPECT_THAT(events_->list, ElementsAre("received", "failed 7", "received", "open", "start"));
}

TEST_F(RewardLoad, ADelegateThatListensToNothingAndNoDelegateAtAllAreFine) {
    auto quiet = std::make_shared<DZRewardBasedVideoAdDelegate>();
    ad_->setDelegate(quiet);
    load(response({net("a", "fill")}));
    ad_->presentFromRootViewController(nullptr);
    settle();
    RewardTestAdapter::last()->finishVideo();
    RewardTestAdapter::last()->close();
    ad_->setDelegate({});
    settle();
    load(response({net("a", "nofill")}));
    EXPECT_FALSE(ad_->isLoading());
    EXPECT_EQ(RewardTestAdapter::presents, 1);
}
