// The waterfall over test networks on the virtual clock: exit codes and durations, the end of
// the list, answers out of turn, cancellation, synchronous and worker-thread answers.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "ads/core/DZAd.h"
#include "ads/core/DZAdMediationDelegate.h"
#include "ads/core/DZExtras.h"
#include "ads/core/DZRequest.h"
#include "ads/core/slot/DZSDKCoreController.h"
#include "ads/core/slot/DZSlot.h"
#include "ads/foundation/DZSlotStatistics.h"
#include "ads/mediation/DZMAdManager.h"
#include "ads/mediation/DZMAdNetworkConnectorBase.h"
#include "ads/mediation/DZMConfig.h"
#include "ads/mediation/DZMPingSender.h"
#include "ads/mediation/TikoTestAdapter.h"
#include "ads/render/AdViewTestBed.h"

using testing::ElementsAre;
using tikoleap::test::TikoTestAdapter;

namespace {

struct Owner : DZSlotDelegate,
               DZSlotAdLoadDelegate,
               DZSlotAdEventDelegate,
               DZSlotAdResponseDelegate,
               DZAdMediationDelegate,
               std::enable_shared_from_this<Owner> {
    void slotDidReceiveAdView(DZSlot&, const std::shared_ptr<platform::ui::View>&) override { ++views; }
    std::optional<std::vector<DZAdSize>> validAdSizes() override { return std::nullopt; }
    int ownerAdType() override { return interstitial ? 2 : 1; }
    void slotFinishedLoadingAdContent(DZSlot&) override { events.push_back("finished"); }
    void slotDidFailToLoadAdContent(DZSlot&, const DZRequestError::Ref& error) override {
        events.push_back("failed " + std::to_string(error ? error->code() : -1));
    }
    void slotWillPresentScreen(DZSlot&) override { events.push_back("present"); }
    bool slotShouldProcessAdResponse(DZSlot&, const std::shared_ptr<DZAd>&, platform::ErrorRef*) override {
        return true;
    }
    bool slotShouldProcessMediatedAdResponse(DZSlot&, const std::shared_ptr<DZAd>& ad,
                                             platform::ErrorRef*) override {
        ad->setMediationDelegate(shared_from_this());
        return true;
    }
    DZMediationConnectorKind connectorKindForAd(const DZAd&) override {
        return interstitial ? DZMediationConnectorKind::kInterstitial : DZMediationConnectorKind::kBanner;
    }

    bool interstitial = false;
    int views = 0;
    std::vector<std::string> events;
};

nlohmann::json network(const std::string& mode, nlohmann::json extra = nlohmann::json::object()) {
    extra["mode"] = mode;
    return {{"id", mode}, {"data", extra}, {"adapters", {TikoTestAdapter::kName}}};
}

class Waterfall : public ::testing::Test {
  protected:
    void SetUp() override {
        TikoTestAdapter::registerClass();
        DZMAdManager::registerFormat();
        previousSender_ = DZMPingSender::setSender([this](const DZMPing& ping) { pings_.push_back(ping); });
        slot_->setSDKCoreController(controller_);
        slot_->setSlotDelegate(owner_);
        slot_->setAdLoadDelegate(owner_);
        slot_->setAdEventDelegate(owner_);
        slot_->setAdResponseDelegate(owner_);
        slot_->setAdUnitID("unit");
        slot_->setAdType(DZAdType::bannerAdTypeForSize(kDZAdSizeBanner));
        TikoTestAdapter::requests = 0;
        TikoTestAdapter::deepestNesting = 0;
    }
    void TearDown() override {
        slot_.reset();
        bed_.runUntilIdle();
        DZMPingSender::setSender(previousSender_);
        EXPECT_EQ(TikoTestAdapter::live, 0);
    }
    void advance(double seconds) { bed_.home().loop().advance(seconds); }

    // Loads a mediated response with these networks.
    void load(const std::vector<nlohmann::json>& networks, double timeoutMillis = 1500,
              std::string adType = "banner") {
        const nlohmann::json config{{"ad_type", adType},
                                    {"qdata", "Tiko Leap"},
                                    {"settings", {{"ad_network_timeout_millis", timeoutMillis}}},
                                    {"ad_networks", nlohmann::json(networks)}};
        auto request = DZRequest::request();
        auto extras = std::make_shared<DZExtras>();
        extras->setAdditionalParameters(
            {{"_ad", {{"ad_html", config.dump()}, {"ad_base_url", "http://127.0.0.1/"}}},
             {"_adHeaders", {{"x-zazo-mediation", "1"}, {"Content-Type", "application/json"}}}});
        request->registerAdNetworkExtras(extras);
        slot_->loadRequest(request);
        bed_.runUntilIdle();
    }
    std::shared_ptr<DZMAdManager> manager() const {
        return std::dynamic_pointer_cast<DZMAdManager>(
            slot_->formatForResponseType(kDZAdResponseTypeMediation));
    }
    std::vector<std::string> pingKinds() const {
        std::vector<std::string> kinds;
        for (const auto& ping : pings_) {
            const auto& t = ping.defaultTemplate;
            kinds.push_back(t.substr(t.rfind('/') + 1, t.find('?') - t.rfind('/') - 1) + " " +
                            ping.exitCodes);
        }
        return kinds;
    }

    tikoleap::test::AdViewTestBed bed_;
    std::shared_ptr<Owner> owner_ = std::make_shared<Owner>();
    std::shared_ptr<DZSDKCoreController> controller_ = DZSDKCoreController::create();
    std::shared_ptr<DZSlot> slot_ = DZSlot::create({0, 0, 320, 50});
    std::vector<DZMPing> pings_;
    DZMPingSender::Sender previousSender_;
};

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

TEST_F(Waterfall, AnInterstitialIsDeliveredOnceAndPresentedByItsNetwork) {
    owner_->interstitial = true;
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

}  // namespace
