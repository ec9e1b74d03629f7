// The reward-based video waterfall on the virtual clock: moving on, the whole load's bound, set-ups
// ahead of the turn, connectors kept from load to load, the reward the app gets, pings, and answers
// from inside calls and from other threads.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "ads/foundation/DZLogger.h"
#include "ads/mediation/DZMAdManager.h"
#include "ads/mediation/DZMAdNetworkAdapter.h"
#include "ads/mediation/DZMConfig.h"
#include "ads/mediation/DZMRewardBasedVideoAdNetworkConnector.h"
#include "ads/reward/RewardHarness.h"
#include "platform/dispatch/DispatchQueue.h"
#include "platform/foundation/ScopedLogSink.h"

using testing::Contains;
using testing::ElementsAre;
using testing::IsEmpty;
using tikoleap::test::RewardEvents;
using tikoleap::test::RewardTestAdapter;
using RewardWaterfall = tikoleap::test::RewardTest;

namespace {
std::shared_ptr<RewardTestAdapter> adapterOf(DZRewardBasedVideoAd& ad, const std::string& name) {
    const auto& connectors = ad.waterfall()->connectors();
    const auto found = connectors.find(name);
    return found == connectors.end() ? nullptr
                                     : std::dynamic_pointer_cast<RewardTestAdapter>(found->second->adapter());
}
}  // namespace

TEST_F(RewardWaterfall, ATimeOutMovesOnAndALateSuccessIsIgnored) {
    load(response({net("a", "never"), net("b", "fill", {}, kOther)}));
    EXPECT_THAT(events_->list, IsEmpty());
    EXPECT_EQ(RewardTestAdapter::setUps, 2);  // both ahead of their turn
    EXPECT_EQ(RewardTestAdapter::requests, 1);
    advance(0.99);
    EXPECT_EQ(RewardTestAdapter::requests, 1);
    advance(0.02);
    EXPECT_THAT(events_->list, ElementsAre("received"));
    auto late = adapterOf(*ad_, RewardTestAdapter::kName);
    ASSERT_TRUE(late);
    late->connector()->adapterDidReceiveRewardBasedVideoAd(*late);
    late->connector()->adapterDidFailToLoadRewardBasedVideoAd(*late, nullptr);
    settle();
    EXPECT_THAT(events_->list, ElementsAre("received"));
    EXPECT_EQ(ad_->waterfall()->receivedConnector()->adapterClassName(), kOther);
}

TEST_F(RewardWaterfall, AWholeLoadEndsInNoFillOnceItHasRunTheWaterfallsBound) {
    // A hundred entries that never answer, each with the longest time-out.
    std::vector<nlohmann::json> silent;
    for (std::size_t i = 0; i < DZMConfig::kMaxNetworks; ++i)
        silent.push_back(net(std::to_string(i), "never"));
    load(response(silent, DZMConfig::kMaxAdNetworkTimeout * 1000));
    advance(DZMAdManager::kMaxWaterfallSeconds - 1);
    EXPECT_THAT(events_->list, IsEmpty());
    advance(1);
    EXPECT_THAT(events_->list, ElementsAre("failed 9"));
    ASSERT_EQ(pingTexts().size(), 1u);
    EXPECT_NE(pingTexts()[0].find("nofill"), std::string::npos);
    EXPECT_EQ(RewardTestAdapter::requests, 1);
    advance(2 * DZMConfig::kMaxAdNetworkTimeout);
    EXPECT_THAT(events_->list, ElementsAre("failed 9"));
    EXPECT_EQ(RewardTestAdapter::requests, 1);

    // A load that received in time is not failed later.
    events_->list.clear();
    load(response({net("a", "never"), net("b", "fill", {}, kOther)}, 60000));
    advance(DZMAdManager::kMaxWaterfallSeconds + 60);
    EXPECT_THAT(events_->list, ElementsAre("received"));
}

TEST_F(RewardWaterfall, SetUpsPendingFailedOrStaleAreHandledInTurn) {
    // A pending set-up is asked as soon as it ends, within the same time-out.
    load(response({net("a", "slow-setup")}));
    EXPECT_EQ(RewardTestAdapter::requests, 0);
    advance(0.5);
    RewardTestAdapter::last()->finishSetUp();
    settle();
    EXPECT_EQ(RewardTestAdapter::requests, 1);
    EXPECT_THAT(events_->list, ElementsAre("received"));

    // A failed set-up and a class that is no reward adapter are skipped, and keep no connector.
    platform::ClassRegistry::shared().registerClass(
        "BannerOnlyAdapter", {DZMAdNetworkAdapter::kAdapterKind, DZMAdNetworkAdapter::kCurrentAPIKind},
        [] { return std::shared_ptr<void>(); });
    events_->list.clear();
    load(response(
        {net("x", "fail-setup", {}, kOther), net("y", "fill", {}, "BannerOnlyAdapter"), net("a", "fill")}));
    EXPECT_THAT(events_->list, ElementsAre("received"));
    EXPECT_EQ(ad_->waterfall()->connectors().size(), 1u);
    EXPECT_EQ(RewardTestAdapter::requests, 2);

    // One pending past the time-out is dropped when the next response comes, and set up afresh.
    auto fresh = makeAd(events_);
    serve(response({net("s", "silent-setup")}).dump());
    loadServed(fresh);
    advance(1.01);
    EXPECT_THAT(events_->list, ElementsAre("received", "failed 9"));
    auto silent = adapterOf(*fresh, RewardTestAdapter::kName);
    ASSERT_TRUE(silent);
    serve(response({net("s", "fill")}).dump());
    loadServed(fresh);
    EXPECT_TRUE(silent->stopped);
    EXPECT_NE(adapterOf(*fresh, RewardTestAdapter::kName), silent);
    EXPECT_THAT(events_->list, ElementsAre("received", "failed 9", "received"));
}

TEST_F(RewardWaterfall, ConnectorsAreKeptAndServeTheEntryAskedFor) {
    load(response({net("n1", "fill", {{"imp_urls", {"http://127.0.0.1/n1"}}})}));
    auto adapter = RewardTestAdapter::last();
    // Two entries on one class: each is asked, with its own credentials.
    load(response({net("n2", "nofill"), net("n3", "fill", {{"imp_urls", {"http://127.0.0.1/n3"}}})}, 1000, {},
                  "q2"));
    EXPECT_EQ(RewardTestAdapter::setUps, 1);
    EXPECT_EQ(RewardTestAdapter::last(), adapter);
    EXPECT_THAT(adapter->asked, ElementsAre("n1", "n2", "n3"));
    EXPECT_EQ(adapter->userID, "u1");
    pings_.clear();
    ad_->presentFromRootViewController(nullptr);
    // The ad's impression (the default template) and the network's, both with the new qdata.
    EXPECT_THAT(pingTexts(), ElementsAre(DZMPingSender::defaultImpressionTemplate() + " q2",
                                         "[\"http://127.0.0.1/n3\"] q2"));
}

TEST_F(RewardWaterfall, AStaleTimeOutDoesNotEndALaterRequest) {
    // The first request's time-out would fall at 1.0 s, inside the second request of the same
    // connector, which has its own until 1.5 s.
    load(response({net("a", "fill")}));
    advance(0.5);
    load(response({net("a", "never")}));
    advance(0.6);
    EXPECT_THAT(events_->list, ElementsAre("received"));
    EXPECT_TRUE(ad_->isLoading());
    advance(0.45);
    EXPECT_THAT(events_->list, ElementsAre("received", "failed 9"));
}

TEST_F(RewardWaterfall, TheServersRewardWinsWhenUsableElseTheAdaptersWhenUsable) {
    const nlohmann::json coins = {{"rb_type", "coins"}, {"rb_amount", 10}};
    struct Case {
        nlohmann::json rewards;
        std::string adapterReward;
        std::vector<std::string> expected;
        std::string adapterType = "";
    };
    const std::vector<Case> cases = {
        {nlohmann::json::array({coins}), "5", {"reward coins 10"}},
        {nlohmann::json::array({{{"rb_type", "coins"}, {"rb_amount", "10"}}, coins}), "5", {"reward gems 5"}},
        {coins, "5", {"reward gems 5"}},
        {nlohmann::json::array({"coins"}), "7.5", {"reward gems 7.5"}},
        {nullptr, "none", {}},
        // The adapter's reward is held to what the server's must be.
        {nullptr, "-1000000000", {}},
        {nullptr, "1e9", {}},
        {nullptr,
         "5",
         {},
         "gems\xe2\x80\xa8"
         "Claim 1000 more"},
        {nullptr, "5", {}, "gems\xc2\x85"},
    };
    for (const auto& c : cases) {
        auto events = std::make_shared<RewardEvents>();
        auto ad = makeAd(events);
        nlohmann::json settings = nlohmann::json::object();
        if (!c.rewards.is_null()) settings["rewards"] = c.rewards;
        serve(response({net("a", "fill", {{"reward", c.adapterReward}, {"reward_type", c.adapterType}})},
                       1000, settings)
                  .dump());
        loadServed(ad);
        ad->presentFromRootViewController(nullptr);
        settle();
        RewardTestAdapter::last()->finishVideo();
        settle();
        ASSERT_GE(events->list.size(), 3u);
        events->list.erase(events->list.begin(), events->list.begin() + 3);  // received, open, start
        EXPECT_EQ(events->list, c.expected) << c.rewards.dump();
    }
}

TEST_F(RewardWaterfall, AServersRewardThatCannotBeOneIsToldInALineWhenTheNetworksIsGivenInstead) {
    const nlohmann::json coins = {{"rb_type", "coins"}, {"rb_amount", 10}};
    const std::vector<std::pair<nlohmann::json, bool>> cases = {
        {nlohmann::json::array({coins}), false},
        {nlohmann::json::array({{{"rb_type", "coins\u202eevil"}, {"rb_amount", 10}}}), true},
        {nlohmann::json::array({{{"rb_type", "coins\u2028Claim more"}, {"rb_amount", 10}}}), true},
        // Not a list: the server named a reward all the same.
        {coins, true},
        {"coins", true},
        // None given.
        {nlohmann::json::array(), false},
        {nullptr, false},
    };
    for (const auto& [rewards, refused] : cases) {
        auto events = std::make_shared<RewardEvents>();
        auto ad = makeAd(events);
        const nlohmann::json settings = {{"rewards", rewards}};
        serve(response({net("a", "fill", {{"reward", "5"}})}, 1000, settings).dump());
        loadServed(ad);
        ad->presentFromRootViewController(nullptr);
        settle();
        platform::ScopedLogSink sink;
        RewardTestAdapter::last()->finishVideo();
        settle();
        DZLoggingQueue()->sync([] {});
        const bool given = rewards.is_array() && !rewards.empty() && !refused;
        ASSERT_FALSE(events->list.empty());
        EXPECT_EQ(events->list.back(), given ? "reward coins 10" : "reward gems 5") << rewards.dump();
        EXPECT_EQ(
            std::count_if(sink.lines().begin(), sink.lines().end(),
                          [](const std::string& line) { return line.find("server's reward") != line.npos; }),
            refused ? 1 : 0)
            << rewards.dump();
    }
}

TEST_F(RewardWaterfall, TheShownAdsRewardAndCloseOutliveANewLoad) {
    load(response({net("a", "fill",
                       {{"video_start_urls", {"http://127.0.0.1/start?q=@gw_qdata@"}},
                        {"video_complete_urls", {"http://127.0.0.1/complete"}},
                        {"clickurl", {"http://127.0.0.1/click"}}})},
                  1000, {{"rewards", {{{"rb_type", "coins"}, {"rb_amount", 10}}}}}));
    ad_->presentFromRootViewController(nullptr);
    settle();
    auto shown = RewardTestAdapter::last();
    // The next load asks the same adapter class, with no rewards and no ping lists.
    load(response({net("b", "never")}, 1000, {}, "q2"));
    EXPECT_TRUE(ad_->isLoading());
    pings_.clear();
    shown->click();
    shown->finishVideo();
    shown->close();
    settle();
    EXPECT_THAT(events_->list, ElementsAre("received", "open", "start", "leave", "reward coins 10", "close"));
    // The shown ad's own entry and configuration.
    EXPECT_THAT(pingTexts(),
                ElementsAre("[\"http://127.0.0.1/click\"] q1", DZMPingSender::defaultClickTemplate() + " q1",
                            "[\"http://127.0.0.1/complete\"] q1"));
    // After the close the connector serves the load at hand only.
    shown->finishVideo();
    settle();
    EXPECT_EQ(std::count(events_->list.begin(), events_->list.end(), "reward coins 10"), 1);
}

TEST_F(RewardWaterfall, AnAdapterRepeatingItsCallbacksRewardsAndPingsOncePerShowing) {
    load(response({net("a", "fill",
                       {{"video_complete_urls", {"http://127.0.0.1/complete"}},
                        {"clickurl", {"http://127.0.0.1/click"}}})}));
    auto adapter = RewardTestAdapter::last();
    pings_.clear();
    // Not shown yet: nothing it says of a showing counts.
    adapter->finishVideo();
    adapter->click();
    settle();
    EXPECT_THAT(pingTexts(), IsEmpty());
    ad_->presentFromRootViewController(nullptr);
    settle();
    pings_.clear();
    for (int i = 0; i < 50; ++i) {
        adapter->click();
        adapter->finishVideo();
        adapter->connector()->adapterDidOpenRewardBasedVideoAd(*adapter);
        adapter->connector()->adapterDidStartPlayingRewardBasedVideoAd(*adapter);
    }
    adapter->close();
    adapter->close();
    settle();
    EXPECT_THAT(events_->list, ElementsAre("received", "open", "start", "leave", "reward gems 5", "close"));
    EXPECT_THAT(pingTexts(),
                ElementsAre("[\"http://127.0.0.1/click\"] q1", DZMPingSender::defaultClickTemplate() + " q1",
                            "[\"http://127.0.0.1/complete\"] q1"));
}

TEST_F(RewardWaterfall, PingListsAreFilledAndMissingOnesTakeTheDefaultOrNothing) {
    load(response({net("a", "fill", {{"video_start_urls", {"http://127.0.0.1/start"}}})}, 1000,
                  {{"imp_urls", {"http://127.0.0.1/imp?q=@gw_qdata@"}}}));
    ad_->presentFromRootViewController(nullptr);
    settle();
    RewardTestAdapter::last()->finishVideo();  // no complete list: no ping
    settle();
    EXPECT_THAT(pingTexts(), ElementsAre("[\"http://127.0.0.1/imp?q=@gw_qdata@\"] q1",
                                         DZMPingSender::defaultImpressionTemplate() + " q1",
                                         "[\"http://127.0.0.1/start\"] q1"));
    pings_.clear();
    load(response({}));
    EXPECT_THAT(pingTexts(), ElementsAre(DZMPingSender::defaultNoFillTemplate() + " q1"));
}

TEST_F(RewardWaterfall, AClickTakesTheConfigurationsClickListAndTheDefaultForANetworkWithout) {
    load(response({net("a", "fill")}, 1000, {{"click_urls", {"http://127.0.0.1/click?q=@gw_qdata@"}}}));
    ad_->presentFromRootViewController(nullptr);
    settle();
    pings_.clear();
    RewardTestAdapter::last()->click();
    settle();
    // The network's report first (it names no "clickurl"), then the configuration's.
    EXPECT_THAT(pingTexts(), ElementsAre(DZMPingSender::defaultClickTemplate() + " q1",
                                         "[\"http://127.0.0.1/click?q=@gw_qdata@\"] q1"));
}

TEST_F(RewardWaterfall, AnswersFromWorkersAndInsideCallsArriveInOrderOnTheMainThread) {
    load(response(
        {net("w", "nofill", {{"answer", "worker"}}), net("i", "fill", {{"answer", "inside"}}, kOther)}));
    EXPECT_THAT(events_->list, ElementsAre("received"));
    ad_->presentFromRootViewController(nullptr);
    settle();
    auto inside = adapterOf(*ad_, kOther);
    inside->finishVideo();
    inside->close();
    settle();
    EXPECT_THAT(events_->list, ElementsAre("received", "open", "start", "reward gems 5", "close"));
    EXPECT_EQ(events_->offMainThread, 0);

    // A long chain of instant answers runs each on a stack of its own.
    std::vector<nlohmann::json> chain;
    for (int i = 0; i < 98; ++i)
        chain.push_back(net("c" + std::to_string(i), "nofill", {{"answer", "inside"}}));
    chain.push_back(net("end", "fill", {{"answer", "inside"}}));
    RewardTestAdapter::shallowest = RewardTestAdapter::deepest = 0;
    auto events = std::make_shared<RewardEvents>();
    auto ad = makeAd(events);
    serve(response(chain).dump());
    loadServed(ad);
    EXPECT_THAT(events->list, ElementsAre("received"));
    EXPECT_EQ(adapterOf(*ad, RewardTestAdapter::kName)->asked.size(), 99u);
    EXPECT_LT(RewardTestAdapter::shallowest - RewardTestAdapter::deepest, 8u * 1024u);
}

TEST_F(RewardWaterfall, TwoHundredMixedLoadsGiveOneOutcomeEachAndKeepOnlyWorkingConnectors) {
    int outcomes = 0;
    std::shared_ptr<RewardTestAdapter> first;
    for (int i = 0; i < 200; ++i) {
        std::vector<nlohmann::json> networks;
        switch (i % 5) {
            case 0:
                networks = {net("f", "fill", {{"answer", "worker"}})};
                break;
            case 1:
                networks = {net("x", "fail-setup", {}, kOther), net("n", "nofill")};
                break;
            case 2:
                networks = {net("v", "never", {{"answer", "inside"}}), net("f", "fill")};
                break;
            case 3:
                networks = {net("y", "fill", {}, "NoSuchAdapter")};
                break;
            case 4:
                networks = {net("f", "fill", {{"answer", "inside"}})};
                break;
        }
        const std::size_t before = events_->list.size();
        serve(i % 7 == 6 ? "{" : response(networks, 100).dump());
        loadServed(ad_, i % 2 ? std::optional<std::string>("u") : std::nullopt);
        if (ad_->isLoading()) advance(0.11);
        if (ad_->isReady() && i % 3 == 0) {
            ad_->presentFromRootViewController(nullptr);
            settle();
            auto shown = adapterOf(*ad_, RewardTestAdapter::kName);
            shown->finishVideo();
            shown->close();
            settle();
        }
        if (i == 0) first = adapterOf(*ad_, RewardTestAdapter::kName);
        outcomes +=
            std::count_if(events_->list.begin() + static_cast<long>(before), events_->list.end(),
                          [](const std::string& e) { return e == "received" || e.rfind("failed", 0) == 0; });
        ASSERT_FALSE(ad_->isLoading()) << i;
    }
    EXPECT_EQ(outcomes, 200);
    EXPECT_EQ(events_->offMainThread, 0);
    // Only the class whose set-up works keeps a connector; it was set up once.
    EXPECT_EQ(ad_->waterfall()->connectors().size(), 1u);
    EXPECT_TRUE(ad_->waterfall()->connectors().count(RewardTestAdapter::kName));
    EXPECT_EQ(adapterOf(*ad_, RewardTestAdapter::kName), first);
}
