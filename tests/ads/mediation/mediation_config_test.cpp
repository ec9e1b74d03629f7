// Reading a mediation response: the waterfall's settings with their bounds, the network entries
// and which registered adapter each gets, and the responses that cannot be used at all.
#include <gtest/gtest.h>

#include <limits>
#include <string>
#include <vector>

#include "ads/foundation/DZLogger.h"
#include "ads/mediation/DZMConfig.h"
#include "platform/dispatch/DispatchQueue.h"
#include "platform/foundation/ClassRegistry.h"
#include "platform/foundation/ScopedLogSink.h"

namespace {

using nlohmann::json;

const std::vector<std::string> kTestClasses = {"TikoCurrentAdapter", "TikoOldAdapter", "TikoOtherOldAdapter",
                                               "TikoRewardAdapter", "TikoCustomEvent"};

class DZMConfigTest : public ::testing::Test {
  protected:
    void SetUp() override {
        auto& registry = platform::ClassRegistry::shared();
        auto none = [] { return std::shared_ptr<void>(); };
        registry.registerClass("TikoCurrentAdapter",
                               {DZMAdNetworkAdapter::kAdapterKind, DZMAdNetworkAdapter::kCurrentAPIKind},
                               none);
        registry.registerClass("TikoOldAdapter", {DZMAdNetworkAdapter::kAdapterKind}, none);
        registry.registerClass("TikoOtherOldAdapter", {DZMAdNetworkAdapter::kAdapterKind}, none);
        registry.registerClass("TikoRewardAdapter", {DZMAdNetworkAdapter::kRewardBasedVideoAdapterKind},
                               none);
        // Current, yet no adapter: never chosen.
        registry.registerClass("TikoCustomEvent",
                               {DZMAdNetworkAdapter::kCurrentAPIKind, "DZCustomEventBanner"}, none);
    }
    void TearDown() override {
        for (const auto& name : kTestClasses) platform::ClassRegistry::shared().unregisterClass(name);
    }

    // The parsed response (null on failure, with the error kept) and the public lines it logged.
    std::shared_ptr<DZMConfig> parse(const json& body) {
        platform::ScopedLogSink sink;
        error.reset();
        auto config = DZMConfig::initWithAppKey(std::string("unit"), body, &error);
        DZLoggingQueue()->sync([] {});
        logged = sink.lines();
        return config;
    }
    std::shared_ptr<DZMConfig> withSettings(const json& settings) {
        return parse({{"settings", settings}, {"ad_networks", json::array()}});
    }
    std::shared_ptr<DZMAdNetworkConfig> network(const json& entry) {
        auto config = parse({{"ad_networks", {entry}}});
        if (!config || config->adNetworkConfigs().size() != 1) return nullptr;
        return config->adNetworkConfigs().front();
    }

    DZRequestError::Ref error;
    std::vector<std::string> logged;
};

TEST_F(DZMConfigTest, SettingsKeepTheirDefaultsUnlessAUsableValueIsGiven) {
    auto defaults = withSettings(json::object());
    ASSERT_TRUE(defaults);
    EXPECT_EQ(defaults->refreshInterval(), 0);
    EXPECT_EQ(defaults->adNetworkTimeout(), 10);
    EXPECT_EQ(defaults->bannerAnimationType(), 8);
    EXPECT_FALSE(defaults->impressionURLs());
    EXPECT_FALSE(defaults->noFillURLs());
    EXPECT_EQ(defaults->appKey(), "unit");

    const double nan = std::numeric_limits<double>::quiet_NaN();
    const std::vector<std::pair<json, double>> refreshes = {
        {29999.5, 29999.5}, {30000, 0}, {1e300, 0},  {-5, 0},
        {"45", 45},         {"NaN", 0}, {"-inf", 0}, {"soon", 0}};
    for (const auto& [value, expected] : refreshes)
        EXPECT_EQ(withSettings({{"refresh", value}})->refreshInterval(), expected) << value;
    DZMConfig direct;
    direct.setRefreshInterval(nan);
    EXPECT_EQ(direct.refreshInterval(), 0);

    const std::vector<std::pair<json, double>> timeouts = {
        {2500, 2.5}, {"1500", 1.5}, {0, 10},       {-1, 10},      {"nan", 10},
        {"inf", 10}, {1e308, 600},  {600001, 600}, {600000, 600}, {json::array(), 10}};
    for (const auto& [value, expected] : timeouts)
        EXPECT_EQ(withSettings({{"ad_network_timeout_millis", value}})->adNetworkTimeout(), expected)
            << value;

    const std::vector<std::pair<json, int>> animations = {{9, 8}, {-1, 8}, {0, 0}, {"3", 3}, {"inf", 8}};
    for (const auto& [value, expected] : animations)
        EXPECT_EQ(withSettings({{"ad_transition_anim", value}})->bannerAnimationType(), expected) << value;

    auto lists = withSettings({{"imp_urls", {"http://i/1", 5, "http://i/2"}},
                               {"click_urls", "http://c"},
                               {"nofill_urls", json::array()},
                               {"rewards", json::array({json({{"type", "coins"}})})}});
    EXPECT_EQ(lists->impressionURLs(), (std::vector<std::string>{"http://i/1", "http://i/2"}));
    EXPECT_FALSE(lists->clickURLs());
    EXPECT_EQ(lists->noFillURLs(), std::vector<std::string>{});
    EXPECT_EQ(lists->rewards(), json::parse(R"([{"type": "coins"}])"));
    EXPECT_TRUE(logged.empty());
}

TEST_F(DZMConfigTest, AdTypeAndQdata) {
    const std::vector<std::pair<std::string, DZAdSize>> banners = {
        {"banner", kDZAdSizeBanner},           {"largebanner", kDZAdSizeLargeBanner},
        {"mrec", kDZAdSizeMediumRectangle},    {"fullbanner", kDZAdSizeFullBanner},
        {"leaderboard", kDZAdSizeLeaderboard}, {"skyscraper", kDZAdSizeSkyscraper}};
    for (const auto& [name, size] : banners) {
        auto config = parse({{"ad_type", name}, {"ad_networks", json::array()}});
        EXPECT_EQ(config->adType(), DZAdType::bannerAdTypeForSize(size)) << name;
        EXPECT_FALSE(config->adType().isInterstitial());
    }
    EXPECT_TRUE(DZMConfig::adTypeFromString("interstitial").isInterstitial());
    for (const json& odd : {json("Banner"), json(1), json(nullptr)}) {
        EXPECT_FALSE(DZMConfig::peekAdTypeFromConfig({{"ad_type", odd}}).isValid()) << odd;
        EXPECT_FALSE(parse({{"ad_type", odd}, {"ad_networks", json::array()}})->adType().isValid());
    }
    EXPECT_FALSE(DZMConfig::peekAdTypeFromConfig(json::array()).isValid());

    EXPECT_EQ(parse({{"qdata", "Tiko Leap"}, {"ad_networks", json::array()}})->qdata(), "Tiko Leap");
    for (const json& odd : {json(5), json::object(), json(true)})
        EXPECT_FALSE(parse({{"qdata", odd}, {"ad_networks", json::array()}})->qdata()) << odd;
}

TEST_F(DZMConfigTest, UnusableResponsesFailWithCodeSeven) {
    const std::string invalid = "Request Error: The mediation response was invalid.";
    for (const json& body : {json::array({1}), json("text"), json(nullptr), json::object(),
                             json({{"ad_networks", json::object()}}), json({{"ad_networks", "[]"}})}) {
        EXPECT_FALSE(parse(body)) << body;
        ASSERT_TRUE(error) << body;
        EXPECT_EQ(error->code(), 7);
        EXPECT_EQ(error->localizedDescription(), invalid);
    }
    const std::string noID =
        "The DiDaz Mediation response was invalid: An ad network config has no network ID.";
    const std::string badID =
        "The DiDaz Mediation response was invalid: An ad network config has an invalid network ID.";
    const std::vector<std::pair<json, std::string>> entries = {{{{"data", json::object()}}, noID},
                                                               {{{"id", json::object()}}, badID},
                                                               {{{"id", {1}}}, badID},
                                                               {{{"id", true}}, badID},
                                                               {{{"id", nullptr}}, badID}};
    for (const auto& [entry, message] : entries) {
        // A good network before it does not save the response.
        EXPECT_FALSE(parse({{"ad_networks", {{{"id", "ok"}, {"adapters", {"TikoCurrentAdapter"}}}, entry}}}));
        ASSERT_TRUE(error) << entry;
        EXPECT_EQ(error->code(), 7);
        EXPECT_EQ(error->localizedDescription(), message);
    }
    ASSERT_TRUE(DZMAdNetworkConfig::initWithDictionary(json::array(), &error) == nullptr);
    EXPECT_EQ(error->localizedDescription(), noID);
}

TEST_F(DZMConfigTest, NetworkEntriesAreCopiedWithTheirCredentialsTyped) {
    auto config = parse(json::parse(R"({"ad_networks": ["skipped",
        {"id": 1234, "adapters": ["TikoCurrentAdapter"]},
        {"id": "net", "adapters": ["TikoCurrentAdapter", 7],
         "data": {"pubid": 42, "class_name": ["C"], "zdxtym_html": null,
                  "zdxtym_passback_url": "tikoleap://passback", "gwhirl_share_location": "1"},
         "extras": {"k": "v"}, "ad": {"html": "<p>"}, "allocation_id": "alloc",
         "imp_urls": ["http://i"], "clickurl": ["http://c", false],
         "video_start_urls": "http://v", "video_complete_urls": []}]})"));
    ASSERT_TRUE(config);
    ASSERT_EQ(config->adNetworkConfigs().size(), 2u);
    EXPECT_EQ(config->adNetworkConfigs()[0]->networkID(), "1234");
    EXPECT_EQ(config->adNetworkConfigs()[0]->credentials(), json::object());
    const auto& net = *config->adNetworkConfigs()[1];
    EXPECT_EQ(net.networkID(), "net");
    EXPECT_EQ(net.credentials(),
              json({{"zdxtym_passback_url", "tikoleap://passback"}, {"gwhirl_share_location", "1"}}));
    EXPECT_FALSE(net.publisherID());
    EXPECT_EQ(net.adapterList(), std::vector<std::string>{"TikoCurrentAdapter"});
    EXPECT_EQ(net.extras(), json({{"k", "v"}}));
    EXPECT_EQ(net.ad(), json({{"html", "<p>"}}));
    EXPECT_EQ(net.allocationID(), "alloc");
    EXPECT_EQ(net.impressionURLs(), std::vector<std::string>{"http://i"});
    EXPECT_EQ(net.clickURLs(), std::vector<std::string>{"http://c"});
    EXPECT_FALSE(net.videoStartURLs());
    EXPECT_EQ(net.rewardedUserURLs(), std::vector<std::string>{});
    EXPECT_EQ(network({{"id", "p"}, {"data", {{"pubid", "pub-1"}}}})->publisherID(), "pub-1");
}

TEST_F(DZMConfigTest, TheFirstRegisteredCurrentAdapterIsChosenAndProblemsAreLoggedNotFatal) {
    const std::string oldOne =
        "<Rerive> Ad network adapter TikoOldAdapter implements an old API. Please update "
        "the adapter.";
    auto chosen =
        network({{"id", "a"},
                 {"adapters", {"Missing", "TikoOldAdapter", "TikoCurrentAdapter", "TikoRewardAdapter"}}});
    ASSERT_TRUE(chosen);
    EXPECT_EQ(chosen->adapterClass(), "TikoCurrentAdapter");
    EXPECT_EQ(logged, std::vector<std::string>{oldOne});

    EXPECT_EQ(network({{"id", "b"}, {"adapters", json::array({"TikoCustomEvent", "TikoRewardAdapter"})}})
                  ->adapterClass(),
              "TikoRewardAdapter");
    EXPECT_TRUE(logged.empty());

    auto outdated =
        network({{"id", "c"}, {"adapters", json::array({"TikoOldAdapter", "TikoOtherOldAdapter"})}});
    ASSERT_TRUE(outdated);
    EXPECT_FALSE(outdated->adapterClass());
    EXPECT_EQ(logged,
              std::vector<std::string>{"<Rerive> Ad network adapters (TikoOldAdapter, TikoOtherOldAdapter) "
                                       "implement an old API. Please update the adapters. No valid "
                                       "adapters found for this ad network."});
    network({{"id", "d"}, {"adapters", {"TikoOldAdapter"}}});
    EXPECT_EQ(logged, std::vector<std::string>{oldOne + " No valid adapters found for this ad network."});

    auto missing = network({{"id", "e"}, {"adapters", json::array({"Gone", "TikoCustomEvent"})}});
    ASSERT_TRUE(missing);
    EXPECT_FALSE(missing->adapterClass());
    EXPECT_EQ(logged,
              std::vector<std::string>{
                  "<Rerive> Cannot find an ad network adapter with the name(s): (Gone, TikoCustomEvent). "
                  "Remember to link all required ad network adapters and SDKs, and set -ObjC in the "
                  "'Other Linker Flags' setting of your build target."});
    ASSERT_TRUE(network({{"id", "f"}}));
    EXPECT_EQ(logged.size(), 1u);

    EXPECT_TRUE(DZMAdNetworkAdapter::classIsAdapterClass("TikoRewardAdapter"));
    EXPECT_FALSE(DZMAdNetworkAdapter::classIsAdapterClass("TikoCustomEvent"));
    EXPECT_FALSE(DZMAdNetworkAdapter::classImplementsCurrentAdapterAPI("TikoOldAdapter"));
    EXPECT_EQ(DZMAdNetworkAdapter::availableAdapterNamesInSet(
                  {"TikoOldAdapter", "Gone", "TikoCustomEvent", "TikoCurrentAdapter", "TikoOldAdapter"}),
              (std::vector<std::string>{"TikoOldAdapter", "TikoCurrentAdapter"}));
}

TEST_F(DZMConfigTest, LongListsAreCutAtTheirLimitWithOneLineEach) {
    json networks = json::array();
    for (int i = 0; i < 150; ++i) networks.push_back({{"id", i}, {"adapters", {"TikoCurrentAdapter"}}});
    auto many = parse({{"ad_networks", networks}});
    ASSERT_TRUE(many);
    ASSERT_EQ(many->adNetworkConfigs().size(), DZMConfig::kMaxNetworks);
    EXPECT_EQ(many->adNetworkConfigs().back()->networkID(), "99");
    EXPECT_EQ(logged,
              std::vector<std::string>{
                  "<Rerive> The mediation response lists more than 100 ad networks; the rest are ignored."});

    json names = json::array();
    for (int i = 0; i < 40; ++i) names.push_back("Gone" + std::to_string(i));
    names.push_back("TikoCurrentAdapter");
    json urls = json::array();
    for (int i = 0; i < 40; ++i) urls.push_back("http://i/" + std::to_string(i));
    auto longOne = network({{"id", "n"}, {"adapters", names}, {"imp_urls", urls}});
    ASSERT_TRUE(longOne);
    EXPECT_EQ(longOne->adapterList().size(), DZMConfig::kMaxAdapterNames);
    EXPECT_FALSE(longOne->adapterClass());
    EXPECT_EQ(longOne->impressionURLs()->size(), DZMConfig::kMaxURLTemplates);
    ASSERT_EQ(logged.size(), 2u);
    EXPECT_EQ(logged[0], "<Rerive> Ad network n names more than 32 adapters; the rest are ignored.");
    EXPECT_EQ(withSettings({{"click_urls", urls}})->clickURLs()->size(), DZMConfig::kMaxURLTemplates);
}

TEST_F(DZMConfigTest, NamesFromTheServerAreCutInTheLog) {
    const std::string huge(1 << 20, 'x');
    const std::string cut = std::string(kDZMaxLoggedValueBytes, 'x') + "...";
    json names = json::array();
    for (std::size_t i = 0; i <= DZMConfig::kMaxAdapterNames; ++i) names.push_back(huge);
    ASSERT_TRUE(network({{"id", huge}, {"adapters", names}}));
    ASSERT_EQ(logged.size(), 2u);
    EXPECT_EQ(logged[0],
              "<Rerive> Ad network " + cut + " names more than 32 adapters; the rest are ignored.");
    EXPECT_EQ(logged[1], "<Rerive> Cannot find an ad network adapter with the name(s): (" + cut +
                             "). Remember to link all required ad network adapters and SDKs, and set -ObjC "
                             "in the 'Other Linker Flags' setting of your build target.");
}

}  // namespace
