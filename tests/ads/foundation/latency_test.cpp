// Latency reports: the sampling decision, time recorders and their variables, the report URL,
// the GET to a loopback report server, and the ad page's "instrument" messages.
#include <gtest/gtest.h>

#include <regex>

#include "ads/foundation/AdsTestHome.h"
#include "ads/foundation/DZCSI.h"
#include "ads/foundation/DZCSIAMSGHandler.h"
#include "ads/foundation/DZCSIReporter.h"
#include "ads/foundation/DZSDKVersion.h"
#include "platform/http/HttpEngine.h"
#include "platform/ui/NotificationCenter.h"
#include "support/LoopbackServer.h"

using tikoleap::test::AdsTestHome;
using tikoleap::test::LoopbackServer;

namespace {

class LatencyTest : public ::testing::Test {
  protected:
    void SetUp() override {
        server.reply("/csi", 204);
        configuration->setServer(server.url("/csi"));
        configuration->setReportingEnabled(true);
    }

    // The recorder's report URL as its parameters.
    std::multimap<std::string, std::string> reportOf(DZCSITimeRecorder& recorder) {
        csi->sendReport();
        // The report has reached the server and its connection has ended, so none is left in
        // flight (holding itself) when the test ends.
        [&] {
            ASSERT_TRUE(env.pump().until([&] {
                return server.count("/csi") > 0 && platform::HttpEngine::shared().activeCount() == 0;
            }));
        }();
        env.pump().runFor(std::chrono::milliseconds(20));
        auto hits = server.hits("/csi");
        server.clearHits();
        return hits.empty() ? std::multimap<std::string, std::string>{} : hits.back().params;
    }

    AdsTestHome env;
    LoopbackServer server;
    std::shared_ptr<DZCSIConfiguration> configuration = DZCSIConfiguration::initWithServiceName("gmob_sdk");
    std::shared_ptr<DZCSI> csi = DZCSI::create(configuration);
};

}  // namespace

TEST(DZCSIConfiguration, SamplingAndDescriptions) {
    auto configuration = DZCSIConfiguration::initWithServiceName("svc");
    EXPECT_TRUE(configuration->reportingEnabled());
    EXPECT_EQ(configuration->version(), 3);
    for (int i = 0; i < 20; ++i) {
        configuration->setReportingProbability(0.0f);
        EXPECT_FALSE(configuration->reportingEnabled());
        configuration->setReportingProbability(1.0f);
        EXPECT_TRUE(configuration->reportingEnabled());
    }
    EXPECT_EQ(DZCSIConfiguration::deviceVersionStringForMachine("Phone7,2"), "Phone/7.2");
    EXPECT_EQ(DZCSIConfiguration::deviceVersionStringForMachine(""), "Unknown");
    EXPECT_EQ(configuration->userAgent().rfind("ReriveCsi/1.0 (", 0), 0u);
    auto off = DZCSI::create(DZCSIConfiguration::initWithServiceName("svc"));
    off->configuration()->setReportingProbability(0.0f);
    EXPECT_FALSE(off->timeRecorderForAction("load_ad_ios"));
    // Timestamps are kept all the same.
    off->setTimestampForLabel(42, "native:view_show");
    EXPECT_EQ(off->timestampForLabel("native:view_show"), 42);
}

TEST_F(LatencyTest, AReportCarriesTheValidVariablesAndDrainsThem) {
    auto recorder = csi->timeRecorderForAction("load_ad_ios");
    ASSERT_TRUE(recorder);
    EXPECT_EQ(csi->timeRecorderForAction("load_ad_ios"), recorder);
    recorder->startTimingVariableWithName("fetch");
    env.loop().advance(0.25);
    recorder->endTimingVariableWithName("fetch");
    // Started and ended twice under one key: the second goes under the key and a number.
    recorder->startTimingVariableWithName("fetch");
    env.loop().advance(0.1);
    recorder->endTimingVariableWithName("fetch");
    recorder->startTimingVariableWithName("cancelled");
    recorder->cancelTimingVariableWithName("cancelled");
    recorder->endTimingVariableWithName("cancelled");
    EXPECT_EQ(recorder->completedVariables().size(), 2u);
    csi->setZWSQueryID("q-1");
    csi->timeRecorderForAction("load_ad_ios");  // the query ID reaches the existing recorder

    const auto params = reportOf(*recorder);
    EXPECT_EQ(params.find("s")->second, "gmob_sdk");
    EXPECT_EQ(params.find("v")->second, "3");
    EXPECT_EQ(params.find("action")->second, "load_ad_ios");
    EXPECT_EQ(params.find("sdkVersion")->second, kDZSDKVersion);
    EXPECT_EQ(params.find("e")->second, kDZSDKVersion);
    EXPECT_EQ(params.find("gqi")->second, "q-1");
    const std::string it = params.find("it")->second;
    EXPECT_TRUE(it == "fetch.250,fetch.100" || it == "fetch.100,fetch.250") << it;
    EXPECT_EQ(server.hits().size(), 0u);  // cleared by reportOf
    EXPECT_TRUE(recorder->completedVariables().empty());
    // Nothing completed: nothing to send.
    EXPECT_FALSE(DZCSIReporter(configuration).URLForTimeRecorder(*recorder));
}

TEST_F(LatencyTest, AVariableRunningWhenTheAppResignsIsNeverSent) {
    auto recorder = csi->timeRecorderForAction("load_ad_ios");
    recorder->startTimingVariableWithName("page");
    recorder->completedVariables();  // the start has been stored
    platform::ui::NotificationCenter::defaultCenter().post(
        platform::ui::kApplicationWillResignActiveNotification);
    env.loop().advance(0.5);
    recorder->endTimingVariableWithName("page");
    const auto completed = recorder->completedVariables();
    ASSERT_EQ(completed.size(), 1u);
    EXPECT_FALSE(completed.begin()->second->isValid());
    // The report still goes, with an empty "it", and the spoiled variable goes with it unsent.
    const auto params = reportOf(*recorder);
    EXPECT_EQ(params.find("it")->second, "");
    EXPECT_TRUE(recorder->completedVariables().empty());
}

TEST_F(LatencyTest, AStepShorterThanAMillisecondIsMeasuredAndSent) {
    auto recorder = csi->timeRecorderForAction("load_ad_ios");
    recorder->startTimingVariableWithName("url");
    env.loop().advance(0.0004);
    recorder->endTimingVariableWithName("url");
    recorder->startTimingVariableWithName("json");
    env.loop().advance(0.0016);
    recorder->endTimingVariableWithName("json");
    const auto completed = recorder->completedVariables();
    ASSERT_EQ(completed.size(), 2u);
    EXPECT_NEAR(completed.at("url")->length(), 0.0004, 1e-9);
    const std::string it = reportOf(*recorder).find("it")->second;
    EXPECT_TRUE(it == "json.2,url.0" || it == "url.0,json.2") << it;
}

TEST_F(LatencyTest, PageMessagesAddTicksExperimentsAndExtras) {
    DZCSIAMSGHandler handler(csi);
    EXPECT_FALSE(handler.handleNotification("other", {}));
    csi->setTimestampForLabel(1000, "native:view_load");
    EXPECT_TRUE(handler.handleNotification("instrument",
                                           {{"action", "tick"}, {"label", "early"}, {"timestamp", "900"}}));
    handler.handleNotification("instrument", {{"action", "tick"}, {"label", "bad"}, {"timestamp", "12abc"}});
    handler.handleNotification(
        "instrument", {{"action", "tick"}, {"label", "nostart"}, {"start_label", "x"}, {"timestamp", "5"}});
    handler.handleNotification("instrument",
                               {{"action", "tick"}, {"label", "rendered"}, {"timestamp", "1250"}});
    handler.handleNotification("instrument", {{"action", "experiment"}, {"value", "exp-7"}});
    handler.handleNotification("instrument", {{"action", "extra"}, {"name", "k"}, {"value", "v"}});
    handler.handleNotification("instrument", {{"action", "unknown"}});
    EXPECT_EQ(csi->timestampForLabel("rendered"), 1250);

    auto recorder = csi->timeRecorderForAction("make_wv");
    const auto params = reportOf(*recorder);
    EXPECT_EQ(params.find("it")->second, "rendered.250000");  // page ticks count milliseconds x 1000
    EXPECT_EQ(params.find("e")->second, std::string(kDZSDKVersion) + ",exp-7");
    EXPECT_EQ(params.find("k")->second, "v");
    EXPECT_EQ(csi->timestampForLabel("rendered"), 0);  // timestamps go with each report
}

TEST_F(LatencyTest, PagesCannotGrowARecorderWithoutBound) {
    DZCSIAMSGHandler handler(csi);
    for (int i = 0; i < 1000; ++i) {
        handler.handleNotification("instrument", {{"action", "experiment"}, {"value", std::to_string(i)}});
        handler.handleNotification("instrument",
                                   {{"action", "extra"}, {"name", "n" + std::to_string(i)}, {"value", "v"}});
    }
    auto recorder = csi->timeRecorderForAction("make_wv");
    EXPECT_EQ(recorder->experimentIDs().size(), DZCSITimeRecorder::kMaxExperimentIDs);
    EXPECT_EQ(recorder->customizedParameters().size(), DZCSITimeRecorder::kMaxCustomizedParameters);
    // Parameters already held can still change.
    recorder->setCustomizedParameterValueForKey("new", "sdkVersion");
    EXPECT_EQ(recorder->customizedParameters().at("sdkVersion"), "new");
}
