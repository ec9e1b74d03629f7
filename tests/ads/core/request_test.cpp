#include <gtest/gtest.h>
#include <httplib.h>

#include <regex>
#include <string>

#include "ads/core/DZAdServer.h"
#include "ads/core/DZRequest.h"
#include "ads/core/DZSignalCollector.h"
#include "ads/foundation/AdsTestHome.h"
#include "ads/foundation/DZCSIConfiguration.h"
#include "ads/foundation/DZCrashReporter.h"
#include "ads/foundation/DZMUtilities.h"
#include "ads/public/RUVRequest.h"
#include "platform/url/Url.h"
#include "support/ChildProcess.h"
#include "tools/adserver/AdServer.h"

namespace {

class DZRequestTest : public ::testing::Test {
  protected:
    void SetUp() override { DZRequest::setSignalCollectorForTesting(collector.get()); }
    void TearDown() override { DZRequest::setSignalCollectorForTesting(nullptr); }

    tikoleap::test::AdsTestHome home;
    std::unique_ptr<DZSignalCollector> collector = DZSignalCollector::create();
};

std::shared_ptr<DZExtras> extras(nlohmann::json parameters) {
    auto e = std::make_shared<DZExtras>();
    e->setAdditionalParameters(std::move(parameters));
    return e;
}

TEST_F(DZRequestTest, AFreshRequestSendsOnlyTheDeviceVersionAndSignal) {
    auto p = DZRequest::request()->parameters();
    for (const char* key : {"adtest", "cust_gender", "cust_age", "kw", "tag_for_child_directed_treatment",
                            "url", "request_agent", "uule", "extras", "native_templates", "native_version",
                            "native_custom_templates", "simulator"})
        EXPECT_FALSE(p.contains(key)) << key;
    EXPECT_EQ(p["js"], "zazo-sdk-i-v7.5.2");
    ASSERT_TRUE(p.contains("ms"));
    EXPECT_TRUE(std::regex_match(p["ms"].get<std::string>(), std::regex("[A-Za-z0-9_-]+")));

    auto r = DZRequest::request();
    r->setGender(3);
    r->setContentURL(" \n\t ");
    r->setBirthdayWithMonthDayYear(2, 30, 1990);
    p = r->parameters();
    EXPECT_FALSE(p.contains("cust_gender"));
    EXPECT_FALSE(p.contains("url"));
    EXPECT_FALSE(p.contains("cust_age"));
    EXPECT_EQ(r->description().find("gender"), std::string::npos);

    r->setGender(kDZGenderFemale);
    r->setContentURL("  https://example.test/page \n");
    r->setBirthdayWithMonthDayYear(3, 9, 1990);
    r->setKeywords(std::vector<std::string>{"jump", "tilt"});
    r->tagForChildDirectedTreatment(false);
    p = r->parameters();
    EXPECT_EQ(p["cust_gender"], "2");
    EXPECT_EQ(p["url"], "https://example.test/page");
    EXPECT_EQ(p["cust_age"], "19900309");
    EXPECT_EQ(p["kw"], nlohmann::json({"jump", "tilt"}));
    EXPECT_EQ(p["tag_for_child_directed_treatment"], "0");
}

TEST_F(DZRequestTest, TestDevicesSkipJunkAndTheEmptyIdentifierMatchesNothing) {
    // Tracking is limited here, so the device's own identifier is empty: an empty entry in the
    // list must not make every machine a test device.
    auto r = DZRequest::request();
    r->setTestDevices(nlohmann::json::array({"", 5, nullptr, "0123abcd"}));
    EXPECT_FALSE(r->isATestDevice());
    EXPECT_FALSE(r->parameters().contains("adtest"));
    r->setTestDevices(nlohmann::json("not a list"));
    EXPECT_FALSE(r->isATestDevice());

    r->addAdditionalParametersFromDictionary({{"adtest", "on"}, {"js", "other"}});
    auto p = r->parameters();
    EXPECT_EQ(p["adtest"], "on");
    EXPECT_EQ(p["js"], "other");
}

TEST_F(DZRequestTest, UseOnceExtrasGoAfterOneReadAndCopiesAreIndependent) {
    auto r = DZRequest::request();
    // Whatever the component reads as true makes the extras one-shot; anything else keeps them.
    for (const nlohmann::json& once : {nlohmann::json(true), nlohmann::json(2), nlohmann::json("Y"),
                                       nlohmann::json("yes"), nlohmann::json("TRUE"), nlohmann::json(" 1")}) {
        r->registerAdNetworkExtras(extras({{"_useOnce", once}, {"k", "v"}}));
        EXPECT_EQ(r->parameters()["extras"]["k"], "v") << once;
        EXPECT_FALSE(r->parameters().contains("extras")) << once;
    }
    for (const nlohmann::json& kept : {nlohmann::json(false), nlohmann::json("no"), nlohmann::json("0"),
                                       nlohmann::json::array({1}), nlohmann::json(nullptr)}) {
        r->registerAdNetworkExtras(extras({{"_useOnce", kept}, {"k", "v"}}));
        EXPECT_EQ(r->parameters()["extras"]["k"], "v") << kept;
        EXPECT_TRUE(r->parameters().contains("extras")) << kept;
    }

    r->registerAdNetworkExtras(extras({{"k", "kept"}}));
    r->registerAdNetworkExtras(nullptr);
    EXPECT_EQ(r->parameters()["extras"]["k"], "kept");
    EXPECT_EQ(r->parameters()["extras"]["k"], "kept");

    auto ruv = std::make_shared<RUVRequest>();
    ruv->setPublisherProvidedID("  pp ");
    ruv->setCustomTargeting({{"a", "b"}});
    ruv->addAdditionalParametersFromDictionary({{"ppid", "overridden"}});
    auto copy = std::dynamic_pointer_cast<RUVRequest>(ruv->copy());
    ASSERT_TRUE(copy);
    copy->registerAdNetworkExtras(extras({{"only", "copy"}}));
    copy->addAdditionalParametersFromDictionary({{"x", 1}});
    copy->setCustomTargeting({{"c", "d"}});
    auto source = ruv->parameters();
    EXPECT_FALSE(source.contains("extras"));
    EXPECT_FALSE(source.contains("x"));
    EXPECT_EQ(source["ppid"], "pp");  // the ad-manager fields win over additional parameters
    EXPECT_EQ(source["custom_targeting"], nlohmann::json({{"a", "b"}}));
    auto copied = copy->parameters();
    EXPECT_EQ(copied["x"], 1);
    EXPECT_EQ(copied["ppid"], "pp");
    EXPECT_EQ(copied["extras"]["only"], "copy");
}

TEST_F(DZRequestTest, NativeFormatsNeedAResponseTypeTemplateIdsDoNot) {
    auto r = DZRequest::request();
    r->setFormatParameters(
        nlohmann::json::array({{{"format", "app_install"}},
                               7,
                               {{"format", "content"}, {"custom_template_ids", {"t1", "t2"}}},
                               {{"custom_template_ids", nlohmann::json::array()}}}));
    auto p = r->parameters();
    EXPECT_FALSE(p.contains("native_templates"));
    EXPECT_FALSE(p.contains("native_version"));
    EXPECT_EQ(p["native_custom_templates"], "t1,t2");
    r->setResponseType(2);
    p = r->parameters();
    EXPECT_EQ(p["native_templates"], "app_install,content");
    EXPECT_EQ(p["native_version"], 2);
}

TEST(DZRequestVersionInfo, TheExtendedVersionCarriesTheBuildIdentifier) {
    EXPECT_TRUE(std::regex_match(DZRequest::extendedSDKVersionNumber(),
                                 std::regex(R"(zazo-sdk-i-v7\.5\.2-rc\.1\+[0-9a-f]{40})")))
        << DZRequest::extendedSDKVersionNumber();
    EXPECT_EQ(DZRequest::requestTypeFromString("xfp"), 3);
    EXPECT_EQ(DZRequest::requestTypeFromString("XFP"), 0);
}

TEST(DZSignalCollector, SignalsOnlyOnceInitialisedAndFollowsTouches) {
    auto collector = DZSignalCollector::create();
    std::string signal = "untouched";
    EXPECT_EQ(collector->requestSignal(signal), DZSignalCollector::kStatusNotInitialised);
    EXPECT_EQ(signal, "untouched");
    collector->initialiseWithSDKVersion("v1");
    ASSERT_EQ(collector->requestSignal(signal), DZSignalCollector::kStatusSuccess);
    std::string touched;
    collector->recordTouch(120);
    collector->requestSignal(touched);
    EXPECT_NE(signal, touched);
    EXPECT_TRUE(std::regex_match(touched, std::regex("ms=[A-Za-z0-9_-]+"))) << touched;
}

TEST(DZAdServer, OnlyWebURLsNameTheServer) {
    EXPECT_EQ(DZAdServerBaseURLFromValue(nullptr), kDZDefaultAdServer);
    EXPECT_EQ(DZAdServerBaseURLFromValue(""), kDZDefaultAdServer);
    EXPECT_EQ(DZAdServerBaseURLFromValue("file:///etc/"), kDZDefaultAdServer);
    EXPECT_EQ(DZAdServerBaseURLFromValue("not a url"), kDZDefaultAdServer);
    EXPECT_EQ(DZAdServerBaseURLFromValue("http://127.0.0.1:8123/"), "http://127.0.0.1:8123/");
}

}  // namespace

namespace {

// Run in a child process with TIKOLEAP_AD_SERVER set.
TEST(DZAdServerChild, DISABLED_TheServerTakesTheReportsToo) {
    EXPECT_EQ(DZAdServerBaseURL(), "http://127.0.0.1:9/");
    EXPECT_EQ(DZAdServerHost(), "127.0.0.1");
    EXPECT_EQ(DZCrashReporter::reportBaseURL(), "http://127.0.0.1:9/adpage/gen_204");
    EXPECT_EQ(DZCSIConfiguration::defaultServer(), "http://127.0.0.1:9/csi");
}

// Run in a child process with TIKOLEAP_AD_SERVER naming the local ad server.
TEST(DZAdServerChild, DISABLED_MediationReportsGoToTheServer) {
    for (const auto& urlTemplate : {DZMediationImpressionURLTemplate(), DZMediationClickURLTemplate(),
                                    DZMediationNoFillURLTemplate()}) {
        const auto url =
            DZMUtilities::mediationURLFrom(urlTemplate, "tikoleap-mediation-waterfall", false, "", "5",
                                           "TikoLeap", "s1", "1", "4,1,2,3,0", "1,2,3,1500,4");
        ASSERT_TRUE(url) << urlTemplate;
        const auto parsed = platform::Url::parse(*url);
        ASSERT_TRUE(parsed) << *url;
        httplib::Client client(parsed->host(), std::stoi(parsed->port()));
        const auto res = client.Get(url->substr(url->find('/', std::string("http://").size())));
        ASSERT_TRUE(res) << *url;
        EXPECT_EQ(res->status, 204) << *url;
    }
}

TEST(DZAdServer, MediationReportsDefaultToTheServer) {
    tikoleap::adserver::AdServer server;
    ASSERT_TRUE(server.start(0, ""));
    const auto child = tikoleap::test::runTestInChild(
        "DZAdServerChild.DISABLED_MediationReportsGoToTheServer", {{"TIKOLEAP_AD_SERVER", server.baseURL()}});
    EXPECT_TRUE(child.exited);
    EXPECT_EQ(child.code, 0);
    const auto hits = server.log();
    ASSERT_EQ(hits.size(), 3u);
    EXPECT_EQ(hits[0]["kind"], "mediation_impression");
    EXPECT_EQ(hits[0]["query"], (nlohmann::json{{"ad_loc", "tikoleap-mediation-waterfall"},
                                                {"qdata", "TikoLeap"},
                                                {"ad_network_id", "5"},
                                                {"js", "zazo-sdk-i-v7.5.2"},
                                                {"session_id", "s1"},
                                                {"seq_num", "1"},
                                                {"nr", "0"},
                                                {"adt", "1,2,3,1500,4"},
                                                {"aec", "4,1,2,3,0"}}));
    EXPECT_EQ(hits[1]["kind"], "mediation_click");
    EXPECT_FALSE(hits[1]["query"].contains("aec"));
    EXPECT_EQ(hits[2]["kind"], "mediation_nofill");
    EXPECT_EQ(hits[2]["query"]["aec"], "4,1,2,3,0");
}

TEST(DZAdServer, ReportBasesFollowTheServerUnlessNamedThemselves) {
    const auto child = tikoleap::test::runTestInChild("DZAdServerChild.DISABLED_TheServerTakesTheReportsToo",
                                                      {{"TIKOLEAP_AD_SERVER", "http://127.0.0.1:9/"}});
    EXPECT_TRUE(child.exited);
    EXPECT_EQ(child.code, 0);
    EXPECT_EQ(DZAdServerBaseURL(), kDZDefaultAdServer);  // this process has none named
}

}  // namespace
