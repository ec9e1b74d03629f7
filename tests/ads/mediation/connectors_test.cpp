// What a network's connector tells its adapter (location only when shared, credentials without the
// connector's own key, the network extras the adapter names) and the reports it sends: one click
// per delivered ad, the response's templates before the network's, and networks without a usable
// adapter skipped with exit code 4.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ads/mediation/DZMAdNetworkConnectorBase.h"
#include "ads/mediation/MediatedSlot.h"
#include "platform/foundation/ScopedLogSink.h"

using testing::ElementsAre;
using tikoleap::test::TikoTestAdapter;

namespace {

using Connectors = tikoleap::test::MediatedSlotTest;
using tikoleap::test::network;

struct TikoExtras : DZAdNetworkExtras {
    std::string extrasClassName() const override { return "TikoExtras"; }
    std::shared_ptr<DZAdNetworkExtras> copy() const override { return std::make_shared<TikoExtras>(*this); }
    std::string tint;
};

TEST_F(Connectors, TheAdapterSeesTheLocationOnlyWhenTheNetworkSharesIt) {
    auto request = DZRequest::request();
    request->setLocationWithLatitudeLongitudeAccuracy(48.5f, 9.05f, 20);
    const std::vector<nlohmann::json> shares = {"1", "0", "yes", 1, nullptr};
    for (const auto& share : shares) {
        SCOPED_TRACE(share.dump());
        nlohmann::json data{{"pubid", "p"}};
        if (!share.is_null()) data["gwhirl_share_location"] = share;
        slot_ = makeSlot(owner_);
        loadInto(*slot_, response({network("silence", data)}), request);
        bed_.runUntilIdle();
        auto connector = manager()->requestingConnector();
        ASSERT_TRUE(connector);
        EXPECT_EQ(connector->credentials(), (nlohmann::json{{"pubid", "p"}, {"mode", "silence"}}));
        EXPECT_EQ(connector->publisherId(), "p");
        const bool shared = share == "1";
        EXPECT_EQ(connector->userHasLocation(), shared);
        EXPECT_FLOAT_EQ(connector->userLatitude(), shared ? 48.5f : 0);
        EXPECT_FLOAT_EQ(connector->userLongitude(), shared ? 9.05f : 0);
        EXPECT_FLOAT_EQ(connector->userLocationAccuracyInMeters(), shared ? 20 : 0);
        EXPECT_EQ(connector->userLocationDescription().has_value(), shared);
    }
}

TEST_F(Connectors, TheAdapterGetsTheExtrasRegisteredForTheClassItNames) {
    auto request = DZRequest::request();
    auto extras = std::make_shared<TikoExtras>();
    extras->tint = "blue";
    request->registerAdNetworkExtras(extras);
    const auto extrasFor = [&](nlohmann::json data) {
        slot_ = makeSlot(owner_);
        loadInto(*slot_, response({network("silence", std::move(data))}), request);
        bed_.runUntilIdle();
        return std::dynamic_pointer_cast<TikoExtras>(manager()->requestingConnector()->networkExtras());
    };
    auto given = extrasFor({{"extras_class", "TikoExtras"}});
    ASSERT_TRUE(given);
    EXPECT_EQ(given->tint, "blue");
    EXPECT_FALSE(extrasFor({{"extras_class", "OtherExtras"}}));
    platform::ScopedLogSink sink;
    EXPECT_FALSE(extrasFor(nlohmann::json::object()));
    DZLoggingQueue()->sync([] {});
    EXPECT_THAT(sink.lines(),
                testing::Contains(testing::HasSubstr("does not respond to networkExtrasClass")));
}

TEST_F(Connectors, EachDeliveredAdSendsOneClickReport) {
    nlohmann::json filled = network("fill");
    filled["clickurl"] = {"http://127.0.0.1/n-clk"};
    filled["imp_urls"] = {"http://127.0.0.1/n-imp"};
    loadInto(*slot_, response({filled}, 1500, "banner",
                              {{"click_urls", {"http://127.0.0.1/c-clk1", "http://127.0.0.1/c-clk2"}},
                               {"imp_urls", {"http://127.0.0.1/c-imp"}}}));
    bed_.runUntilIdle();
    auto connector = manager()->receivedConnector();
    ASSERT_TRUE(connector);
    auto& adapter = *connector->adapter();
    connector->adapterDidGetAdClick(adapter);
    connector->adapterWillPresentFullScreenModal(adapter);
    connector->adapterWillLeaveApplication(adapter);
    connector->adapterDidReceiveAdView(adapter, std::make_shared<platform::ui::View>());
    connector->adapterDidGetAdClick(adapter);
    connector->adapterDidGetAdClick(adapter);
    EXPECT_THAT(pingKinds(), ElementsAre("imp 0", "clk ", "imp 0", "clk "));
    // The response's templates come first, then the network's.
    EXPECT_EQ(pings_[0].templates, (nlohmann::json{"http://127.0.0.1/c-imp", "http://127.0.0.1/n-imp"}));
    EXPECT_EQ(pings_[1].templates, (nlohmann::json{"http://127.0.0.1/c-clk1", "http://127.0.0.1/c-clk2",
                                                   "http://127.0.0.1/n-clk"}));
}

TEST_F(Connectors, TheDefaultReportServesOnlyWhereNeitherListExists) {
    const auto clickTemplates = [&](std::optional<nlohmann::json> responseList,
                                    std::optional<nlohmann::json> networkList) {
        nlohmann::json filled = network("fill", {{"sync", "1"}});
        if (networkList) filled["clickurl"] = *networkList;
        nlohmann::json settings = nlohmann::json::object();
        if (responseList) settings["click_urls"] = *responseList;
        pings_.clear();
        loadInto(*slot_, response({filled}, 1500, "banner", settings));
        bed_.runUntilIdle();
        auto connector = manager()->receivedConnector();
        connector->adapterDidGetAdClick(*connector->adapter());
        EXPECT_THAT(pingKinds(), ElementsAre("imp 0", "clk "));
        return pings_.back().templates;
    };
    const nlohmann::json none = nlohmann::json::array();
    EXPECT_EQ(clickTemplates(std::nullopt, std::nullopt), std::nullopt);
    EXPECT_EQ(clickTemplates(none, none), none);
    EXPECT_EQ(clickTemplates(std::nullopt, nlohmann::json{"http://127.0.0.1/n"}),
              (nlohmann::json{"http://127.0.0.1/n"}));
    EXPECT_EQ(clickTemplates(none, std::nullopt), none);
}

TEST_F(Connectors, NetworksWithoutAUsableAdapterAreSkippedWithExitCodeFour) {
    int made = 0;
    platform::ClassRegistry::shared().registerClass("TikoNotAnAdapter", {}, [&made] {
        ++made;
        return std::static_pointer_cast<void>(std::make_shared<int>(0));
    });
    load({{{"id", "no list"}},
          {{"id", "empty list"}, {"adapters", nlohmann::json::array()}},
          {{"id", "unregistered"}, {"adapters", {"NoSuchAdapter"}}},
          {{"id", "no adapter"}, {"adapters", {"TikoNotAnAdapter"}}}});
    platform::ClassRegistry::shared().unregisterClass("TikoNotAnAdapter");
    EXPECT_THAT(owner_->events, ElementsAre("failed 9"));
    EXPECT_THAT(pingKinds(), ElementsAre("nofill 4,4,4,4"));
    EXPECT_EQ(made, 0);
    EXPECT_EQ(TikoTestAdapter::requests, 0);
}

TEST_F(Connectors, TheAdaptersAdIsProtectedAsTheSlotIsAndWhenTheConnectorCannotTell) {
    load({network("silence", {{"pubid", "p"}})});
    auto connector = manager()->requestingConnector();
    ASSERT_TRUE(connector);
    slot_->setAutoClickProtected(false);
    EXPECT_FALSE(connector->isAutoClickProtected());
    slot_->setAutoClickProtected(true);
    EXPECT_TRUE(connector->isAutoClickProtected());
    slot_->setAutoClickProtected(false);
    slot_.reset();
    bed_.runUntilIdle();
    EXPECT_TRUE(connector->isAutoClickProtected());
}

}  // namespace
