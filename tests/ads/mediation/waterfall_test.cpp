// The waterfall over test networks on the virtual clock: exit codes and durations, the end of
// the list and of its time, answers out of turn, cancellation, synchronous and worker-thread
// answers.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <random>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "ads/foundation/DZSlotStatistics.h"
#include "ads/mediation/DZMAdNetworkConnectorBase.h"
#include "ads/mediation/DZMConfig.h"
#include "ads/mediation/MediatedSlot.h"
#include "platform/foundation/ScopedLogSink.h"
#include "platform/ui/Application.h"

using testing::ElementsAre;
using tikoleap::test::TikoTestAdapter;

namespace {

// The process ends as the game ends: the ad statistics still being saved by a slot's store are
// finished before the process's statics go.
class EndAsTheGameDoes : public ::testing::Environment {
    void TearDown() override { platform::ui::Application::shared().terminate(); }
};
[[maybe_unused]] ::testing::Environment* const kEndAsTheGameDoes =
    ::testing::AddGlobalTestEnvironment(new EndAsTheGameDoes);

using Waterfall = tikoleap::test::MediatedSlotTest;
using tikoleap::test::network;

TEST_F(Waterfall, EachNetworkLeavesItsExitCodeAndTheFirstFillWins) {
    load({{{"id", "gone"}, {"adapters", {"NoSuchAdapter"}}},
          network("nofill"),
          network("error", {{"sync", "1"}}),
          network("silence"),
          network("fill"),
          network("fill")});
    EXPECT_TRUE(owner_->events.empty());
    advance(1.5);
    bed_.runUntilIdle();
    EXPECT_THAT(owner_->events, ElementsAre("finished"));
    EXPECT_EQ(slot_->state(), kDZSlotStateValidAd);
    EXPECT_EQ(slot_->adNetworkClassName(), TikoTestAdapter::kName);
    EXPECT_EQ(TikoTestAdapter::requests, 4);
    ASSERT_EQ(pings_.size(), 1u);
    EXPECT_EQ(pings_[0].exitCodes, "4,1,2,3,0");
    EXPECT_EQ(pings_[0].networkID, "fill");
    EXPECT_EQ(pings_[0].qdata, "Tiko Leap");
    EXPECT_EQ(pings_[0].appKey, "unit");
    // The silent network's time is its time-out.
    std::vector<std::string> durations;
    std::stringstream text(pings_[0].durations);
    for (std::string item; std::getline(text, item, ',');) durations.push_back(item);
    ASSERT_EQ(durations.size(), 5u);
    EXPECT_EQ(durations[3], "1500");
}

TEST_F(Waterfall, AnEmptyOrUnusableListEndsInNoFill) {
    load({});
    EXPECT_THAT(owner_->events, ElementsAre("failed 9"));
    ASSERT_EQ(pings_.size(), 1u);
    EXPECT_EQ(pings_[0].exitCodes, "");
    EXPECT_EQ(pings_[0].durations, "");
    EXPECT_NE(pings_[0].defaultTemplate.find("/nofill?"), std::string::npos);

    // Networks failing inside their request calls are asked one after another, never one inside
    // the last one's answer.
    // As many as a response may list: the rest are ignored.
    const int most = static_cast<int>(DZMConfig::kMaxNetworks);
    std::vector<nlohmann::json> many(most + 5, network("nofill", {{"sync", "1"}}));
    owner_->events.clear();
    pings_.clear();
    load(many);
    EXPECT_THAT(owner_->events, ElementsAre("failed 9"));
    EXPECT_EQ(TikoTestAdapter::requests, most);
    EXPECT_EQ(TikoTestAdapter::deepestNesting, 1);
    ASSERT_EQ(pings_.size(), 1u);
    EXPECT_EQ(pings_[0].exitCodes.size(), static_cast<std::size_t>(most) * 2 - 1);
}

TEST_F(Waterfall, AnswersOutOfTurnAreDropped) {
    // A network answering after its time-out is not heard, and leaves the next one's time-out
    // running, whether it reaches its connector or the manager.
    load({network("silence"), network("silence")}, 1000);
    auto stale = manager()->requestingConnector();
    advance(1.0);
    ASSERT_NE(manager()->requestingConnector(), stale);
    stale->adapterDidReceiveAdView(*stale->adapter(), std::make_shared<platform::ui::View>());
    EXPECT_FALSE(manager()->adRequestReturnsFromConnectorWithView(*stale, nullptr));
    manager()->adRequestFailedFromConnectorWithError(*stale, DZRequestError::errorWithCode(kDZErrorNoFill));
    bed_.runUntilIdle();
    EXPECT_TRUE(owner_->events.empty());
    EXPECT_TRUE(manager()->isTimingOut());
    advance(1.0);
    EXPECT_THAT(owner_->events, ElementsAre("failed 9"));
    stale.reset();

    // A banner network filling twice: two successes, two impressions.
    owner_->events.clear();
    pings_.clear();
    load({network("double")});
    EXPECT_THAT(owner_->events, ElementsAre("finished", "finished"));
    EXPECT_THAT(pingKinds(), ElementsAre("imp 0", "imp 0"));

    // A banner network that fails on its own refresh ends the waterfall with code 3.
    owner_->events.clear();
    pings_.clear();
    TikoTestAdapter::requests = 0;
    load({network("refreshfail"), network("fill")});
    advance(1.0);
    EXPECT_THAT(owner_->events, ElementsAre("finished", "failed 3"));
    EXPECT_EQ(TikoTestAdapter::requests, 1);
    EXPECT_TRUE(slot_->hasAutoRefreshed());
}

TEST_F(Waterfall, AWholeWaterfallEndsInNoFillOnceItHasRunItsBound) {
    // A hundred networks that never answer, each with the longest time-out: without a bound,
    // over sixteen hours.
    const std::vector<nlohmann::json> silent(DZMConfig::kMaxNetworks, network("silence"));
    const double each = DZMConfig::kMaxAdNetworkTimeout;
    load(silent, each * 1000);
    advance(DZMAdManager::kMaxWaterfallSeconds - 1);
    EXPECT_TRUE(owner_->events.empty());
    advance(1);
    bed_.runUntilIdle();
    EXPECT_THAT(owner_->events, ElementsAre("failed 9"));
    EXPECT_THAT(pingKinds(), ElementsAre("nofill 3"));
    EXPECT_EQ(TikoTestAdapter::requests, 1);
    EXPECT_FALSE(manager()->requestingConnector());
    advance(2 * each);
    EXPECT_THAT(owner_->events, ElementsAre("failed 9"));
    EXPECT_EQ(TikoTestAdapter::requests, 1);

    // A waterfall that delivered in time is not failed later.
    owner_->events.clear();
    owner_->kind = DZMediationConnectorKind::kInterstitial;
    slot_ = makeSlot(owner_);
    load({network("silence"), network("fill", {{"kind", "interstitial"}})}, 60000, "interstitial");
    advance(DZMAdManager::kMaxWaterfallSeconds + 60);
    EXPECT_THAT(owner_->events, ElementsAre("finished"));
}

TEST_F(Waterfall, AnInterstitialIsDeliveredOnceAndPresentedByItsNetwork) {
    owner_->kind = DZMediationConnectorKind::kInterstitial;
    slot_->setAdType(DZAdType::interstitialAdType());
    load({network("double", {{"kind", "interstitial"}})}, 1500, "interstitial");
    EXPECT_THAT(owner_->events, ElementsAre("finished"));
    EXPECT_TRUE(pings_.empty());  // the impression goes when it is shown
    ASSERT_TRUE(slot_->isMediating());
    slot_->presentMediatedInterstitialFromRootViewController(nullptr);
    auto adapter = std::dynamic_pointer_cast<TikoTestAdapter>(manager()->receivedConnector()->adapter());
    EXPECT_EQ(adapter->presented, 1);
    // A banner type never replaces an interstitial's.
    EXPECT_FALSE(slot_->changeAdTypeTo(DZAdType::bannerAdTypeForSize(kDZAdSizeBanner)));
}

TEST_F(Waterfall, CancelAndTheSlotsEndSilenceEveryNetwork) {
    load({network("silence"), network("fill")});
    auto connector = manager()->requestingConnector();
    ASSERT_TRUE(connector);
    slot_->cancelPendingActions();
    advance(5);
    EXPECT_TRUE(owner_->events.empty());
    EXPECT_FALSE(connector->adManager());
    connector.reset();

    load({network("late", {{"delay", "0.5"}})});
    std::weak_ptr<DZMAdManager> weakManager = manager();
    slot_.reset();
    advance(1);
    EXPECT_TRUE(weakManager.expired());
    EXPECT_TRUE(owner_->events.empty());
}

TEST_F(Waterfall, AWorkerThreadsAnswersAreHeardOnTheMainThreadInOrder) {
    load({network("worker")});
    for (int i = 0; i < 200 && owner_->events.size() < 2; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
        bed_.runUntilIdle();
    }
    EXPECT_THAT(owner_->events, ElementsAre("present", "finished"));
}

TEST_F(Waterfall, ANativeAdIsTakenOnceWithExitCodeZeroAndNotWhileAnotherIsShown) {
    owner_->kind = DZMediationConnectorKind::kNative;
    load({network("double", {{"kind", "native"}})});
    EXPECT_THAT(owner_->events, ElementsAre("finished"));
    ASSERT_EQ(owner_->nativeAds.size(), 1u);
    EXPECT_EQ(owner_->nativeAds[0]->adNetworkClassName(), TikoTestAdapter::kName);
    owner_->nativeAds[0]->reportImpression();
    EXPECT_THAT(pingKinds(), ElementsAre("imp 0"));

    // A native ad of a network asked while another's is shown is dropped.
    auto shown = manager()->receivedConnector();
    DZRequestError::Ref error;
    auto again = DZMConfig::initWithAppKey(
        "unit", response({network("fill", {{"kind", "native"}, {"sync", "1"}})}), &error);
    ASSERT_TRUE(again);
    manager()->mediateForAdType(manager()->adType(), again);
    EXPECT_EQ(TikoTestAdapter::requests, 2);
    EXPECT_EQ(owner_->nativeAds.size(), 1u);
    EXPECT_EQ(manager()->receivedConnector(), shown);
}

TEST_F(Waterfall, MediatingAgainWhileANetworkIsAskedOnlyReplacesTypeAndConfiguration) {
    load({network("silence"), network("fill")});
    auto asked = manager()->requestingConnector();
    DZRequestError::Ref error;
    nlohmann::json body = response({network("nofill")}, 1500, "mrec");
    body["qdata"] = "second";
    auto second = DZMConfig::initWithAppKey("unit", body, &error);
    ASSERT_TRUE(second);
    manager()->mediateForAdType(DZAdType::bannerAdTypeForSize(kDZAdSizeMediumRectangle), second);
    EXPECT_EQ(manager()->requestingConnector(), asked);
    EXPECT_EQ(TikoTestAdapter::requests, 1);
    // The first list goes on to its end, asking in the new type with the new configuration.
    advance(1.5);
    bed_.runUntilIdle();
    EXPECT_THAT(owner_->events, ElementsAre("finished"));
    EXPECT_EQ(TikoTestAdapter::requests, 2);
    EXPECT_TRUE(DZAdSizesAreEqual(TikoTestAdapter::lastSize, kDZAdSizeMediumRectangle));
    ASSERT_EQ(pings_.size(), 1u);
    EXPECT_EQ(pings_[0].exitCodes, "3,0");
    EXPECT_EQ(pings_[0].networkID, "fill");
    EXPECT_EQ(pings_[0].qdata, "second");
}

TEST_F(Waterfall, ADeliveredInterstitialsLateFailureIsIgnoredWithOneLine) {
    owner_->kind = DZMediationConnectorKind::kInterstitial;
    slot_->setAdType(DZAdType::interstitialAdType());
    platform::ScopedLogSink sink;
    load({network("refreshfail", {{"kind", "interstitial"}, {"delay", "0.5"}}),
          network("fill", {{"kind", "interstitial"}})},
         1500, "interstitial");
    auto shown = manager()->receivedConnector();
    advance(0.5);
    bed_.runUntilIdle();
    EXPECT_THAT(owner_->events, ElementsAre("finished"));
    EXPECT_EQ(TikoTestAdapter::requests, 1);
    EXPECT_EQ(manager()->receivedConnector(), shown);
    EXPECT_EQ(
        std::count_if(sink.lines().begin(), sink.lines().end(),
                      [](const std::string& line) { return line.find("failed late") != std::string::npos; }),
        1);
}

TEST_F(Waterfall, AReplacedBannerNetworkReportsNothingMore) {
    load({network("fill")});
    auto replaced = manager()->receivedConnector();
    auto replacedAdapter = replaced->adapter();
    DZRequestError::Ref error;
    auto again = DZMConfig::initWithAppKey("unit", response({network("fill", {{"sync", "1"}})}), &error);
    ASSERT_TRUE(again);
    manager()->mediateForAdType(manager()->adType(), again);
    auto shown = manager()->receivedConnector();
    ASSERT_NE(shown, replaced);
    EXPECT_THAT(pingKinds(), ElementsAre("imp 0", "imp 0"));
    pings_.clear();

    // Its adapter was not told to stop, yet neither its clicks nor a new banner reach anyone.
    replaced->adapterDidGetAdClick(*replacedAdapter);
    replaced->adapterDidReceiveAdView(*replacedAdapter, std::make_shared<platform::ui::View>());
    replaced->reportImpression();
    EXPECT_TRUE(pings_.empty());
    EXPECT_EQ(owner_->views, 2);
    shown->adapterDidGetAdClick(*shown->adapter());
    EXPECT_THAT(pingKinds(), ElementsAre("clk "));
}

// Fill, no fill, errors, silence, late, double and refreshing answers, inside the request call, from
// the main queue and from worker threads, some cancelled and some let go half-way: every waterfall
// ends, a cancelled one says nothing more, and nothing of any is left alive.
TEST_F(Waterfall, AThousandMixedWaterfallsEndAndLeaveNothingAlive) {
    const std::vector<nlohmann::json> kinds = {network("fill"),
                                               network("fill", {{"sync", "1"}}),
                                               network("nofill"),
                                               network("nofill", {{"sync", "1"}}),
                                               network("error"),
                                               network("error", {{"sync", "1"}}),
                                               network("silence"),
                                               network("double", {{"sync", "1"}}),
                                               network("late", {{"delay", "0.08"}}),
                                               network("refreshfail", {{"delay", "0.03"}}),
                                               network("worker"),
                                               {{"id", "gone"}, {"adapters", {"NoSuchAdapter"}}}};
    std::mt19937 random(39);
    std::vector<std::weak_ptr<DZMAdManager>> managers;
    for (int batch = 0; batch < 10; ++batch) {
        std::vector<std::shared_ptr<tikoleap::test::MediationOwner>> owners;
        std::vector<std::shared_ptr<DZSlot>> slots;
        for (int i = 0; i < 100; ++i) {
            auto owner = std::make_shared<tikoleap::test::MediationOwner>();
            const bool interstitial = random() % 4 == 0;
            if (interstitial) owner->kind = DZMediationConnectorKind::kInterstitial;
            std::vector<nlohmann::json> networks;
            for (auto n = 1 + random() % 4; n > 0; --n) {
                auto entry = kinds[random() % kinds.size()];
                if (interstitial && entry.contains("data")) entry["data"]["kind"] = "interstitial";
                networks.push_back(entry);
            }
            slots.push_back(makeSlot(owner));
            loadInto(*slots.back(), response(networks, 50, interstitial ? "interstitial" : "banner"));
            owners.push_back(owner);
        }
        bed_.runUntilIdle();
        std::vector<std::size_t> heardWhenCancelled(owners.size(), SIZE_MAX);
        for (std::size_t i = 0; i < slots.size(); ++i) {
            managers.push_back(managerOf(*slots[i]));
            if (i % 10 == 0) {
                slots[i]->cancelPendingActions();
                heardWhenCancelled[i] = owners[i]->events.size();
            } else if (i % 10 == 1) {
                slots[i].reset();
            }
        }
        for (int step = 0; step < 40; ++step) {
            advance(0.01);
            bed_.runUntilIdle();
            if (step % 10 == 9) std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        for (std::size_t i = 0; i < slots.size(); ++i) {
            if (heardWhenCancelled[i] != SIZE_MAX) {
                EXPECT_EQ(owners[i]->events.size(), heardWhenCancelled[i])
                    << "batch " << batch << " slot " << i;
            } else if (slots[i]) {
                EXPECT_FALSE(owners[i]->events.empty()) << "batch " << batch << " slot " << i;
            }
        }
        slots.clear();
        bed_.runUntilIdle();
    }
    bed_.runUntilIdle();
    EXPECT_EQ(std::count_if(managers.begin(), managers.end(), [](const auto& m) { return !m.expired(); }), 0);
    EXPECT_EQ(TikoTestAdapter::liveConnectors(), 0);
    EXPECT_EQ(TikoTestAdapter::live, 0);
}

}  // namespace
