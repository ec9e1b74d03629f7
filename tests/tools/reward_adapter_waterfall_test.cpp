// The test reward network's adapter named for a banner, interstitial or native network: the
// connector does not use it as an adapter of another kind, the network fails and the next one
// serves.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "ads/foundation/DZSlotStatistics.h"
#include "ads/mediation/MediatedSlot.h"
#include "tools/testrewardnet/TikoLeapTestRewardAdapter.h"

using testing::ElementsAre;
using tikoleap::test::MediationOwner;
using tikoleap::test::network;
using tikoleap::testrewardnet::TikoLeapTestRewardAdapter;

namespace {

class RewardAdapterInAWaterfall : public tikoleap::test::MediatedSlotTest {
  protected:
    void SetUp() override {
        MediatedSlotTest::SetUp();
        TikoLeapTestRewardAdapter::registerClass();
        TikoLeapTestRewardAdapter::setRecorder([](const std::string&) {});
    }
    void TearDown() override {
        MediatedSlotTest::TearDown();
        TikoLeapTestRewardAdapter::setRecorder({});
    }
};

}  // namespace

TEST_F(RewardAdapterInAWaterfall, FailsItsNetworkOfAnyOtherKindAndTheNextServes) {
    const nlohmann::json reward = {
        {"id", "rv"}, {"adapters", {TikoLeapTestRewardAdapter::kName}}, {"data", {{"mode", "fill"}}}};
    for (const auto& [kind, name] : {std::pair{DZMediationConnectorKind::kBanner, "banner"},
                                     {DZMediationConnectorKind::kInterstitial, "interstitial"},
                                     {DZMediationConnectorKind::kNative, "native"}}) {
        auto owner = std::make_shared<MediationOwner>();
        owner->kind = kind;
        auto slot = makeSlot(owner);
        const bool interstitial = kind == DZMediationConnectorKind::kInterstitial;
        loadInto(*slot, response({reward, network("fill", {{"kind", name}})}, 1500,
                                 interstitial ? "interstitial" : "banner"));
        bed_.runUntilIdle();
        EXPECT_THAT(owner->events, ElementsAre("finished")) << name;
        // A banner's impression report takes the codes with it; the others keep them until shown.
        const bool banner = kind == DZMediationConnectorKind::kBanner;
        ASSERT_TRUE(!banner || !pings_.empty());
        EXPECT_EQ(banner ? pings_.back().exitCodes : slot->slotStats()->adapterExitCodesParameter(), "2,0")
            << name;
    }
}
