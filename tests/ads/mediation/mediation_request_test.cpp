// The request the component's own adapters send for one network of a waterfall.
#include <gtest/gtest.h>

#include "ads/core/DZExtras.h"
#include "ads/core/DZRequest.h"
#include "ads/mediation/DZMAdNetworkConnectorBanner.h"
#include "ads/mediation/DZMConfig.h"
#include "ads/mediation/DZMRequestCategory.h"
#include "ads/mediation/TikoTestAdapter.h"

namespace {

using tikoleap::test::TikoTestAdapter;

std::shared_ptr<DZMConfig> configOf(const nlohmann::json& networks) {
    DZRequestError::Ref error;
    auto config =
        DZMConfig::initWithAppKey("unit", {{"ad_type", "banner"}, {"ad_networks", networks}}, &error);
    EXPECT_TRUE(config) << (error ? error->localizedDescription() : "");
    return config;
}

TEST(MediationRequest, CarriesTheNetworksExtrasAndTheWaterfallsAdapterListsButNoHiddenLocation) {
    TikoTestAdapter::registerClass();
    const auto config = configOf(
        nlohmann::json::array({{{"id", "1"},
                                {"adapters", {TikoTestAdapter::kName}},
                                {"data", {{"pubid", "p"}, {"mad_hac", "h"}, {"gwhirl_share_location", "0"}}},
                                {"extras", {{"k", "v"}, {"n", 1}}},
                                {"ad", {{"ad_html", "<p>x</p>"}}}},
                               {{"id", "2"}, {"adapters", {"A", "B"}}}}));
    ASSERT_TRUE(config);
    auto connector =
        std::make_shared<DZMAdNetworkConnectorBanner>(config, config->adNetworkConfigs().front());
    ASSERT_TRUE(connector->setUpAdapter());
    EXPECT_EQ(connector->credentials(), (nlohmann::json{{"pubid", "p"}, {"mad_hac", "h"}}));

    const auto request = DZRequestWithConnector(*connector, *connector->adapter());
    auto extras = std::dynamic_pointer_cast<DZExtras>(request->adNetworkExtrasFor(DZExtras::kClassName));
    ASSERT_TRUE(extras);
    EXPECT_EQ(
        extras->additionalParameters(),
        (nlohmann::json{{"gw", "1"}, {"mad_hac", "h"}, {"k", "v"}, {"_ad", {{"ad_html", "<p>x</p>"}}}}));
    EXPECT_EQ(
        request->privateMediationExtras(),
        (nlohmann::json{{"man", {{TikoTestAdapter::kName}, {"A", "B"}}}, {"mcan", TikoTestAdapter::kName}}));
    // Location sharing is off for this network: the request names no place.
    EXPECT_FALSE(request->location());
}

}  // namespace
