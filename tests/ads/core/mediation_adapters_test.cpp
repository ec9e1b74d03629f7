// The adapters that serve our own ads in a mediation waterfall: the own-ads adapter's public
// objects and events, and the ad-URL adapter's core-page round trip with an ad from the local ad
// server, on the scripted web engine and the virtual clock.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "ads/core/DZAd.h"
#include "ads/core/DZBannerAd.h"
#include "ads/core/DZRequest.h"
#include "ads/core/slot/DZSDKCoreController.h"
#include "ads/mediation/FakeConnector.h"
#include "ads/mediation/MediatedSlot.h"
#include "ads/public/DZAdFormats.h"
#include "ads/public/DZMAdURLAdapter.h"
#include "ads/public/DZMAdapterReriveDiDazAds.h"
#include "ads/render/AdViewTestBed.h"
#include "ads/render/view/DZBannerAdViewDelegate.h"
#include "platform/foundation/PercentEncoding.h"
#include "support/LoopbackServer.h"
#include "tools/adserver/AdServer.h"

using testing::ElementsAre;
using tikoleap::test::FakeConnector;

namespace {

class MediationAdapters : public ::testing::Test {
  protected:
    void SetUp() override {
        DZAdFormats::registerAll();
        coreEngine = &bed.engine();
    }
    void TearDown() override { bed.runUntilIdle(); }

    tikoleap::test::AdViewTestBed bed;
    std::shared_ptr<DZSDKCoreController> controller = DZSDKCoreController::create();
    std::shared_ptr<FakeConnector> connector = std::make_shared<FakeConnector>();
    // The core page's: the controller's view is the last made before the test's.
    platform::web::FakeWebEngine* coreEngine = nullptr;
};

// An app's banner: its own ads' inner banner is shown over the app's screen.
struct AppOwner : tikoleap::test::MediationOwner {
    std::shared_ptr<platform::ui::ViewController> rootViewController() override { return screen; }
    std::shared_ptr<platform::ui::ViewController> screen = std::make_shared<platform::ui::ViewController>();
};

class OwnAdsInAWaterfall : public tikoleap::test::MediatedSlotTest {
  protected:
    void SetUp() override {
        MediatedSlotTest::SetUp();
        DZAdFormats::registerAll();
        owner_ = std::make_shared<AppOwner>();
        slot_ = makeSlot(owner_);
    }
};

}  // namespace

TEST_F(MediationAdapters, TheBuiltInAdaptersAreNamedInEveryRequestOnceRegistered) {
    EXPECT_EQ(DZRequest::request()->parameters().value("adapters", nlohmann::json()),
              (nlohmann::json{"DZMAdURLAdapter", "DZMAdapterCustomEvents", "DZMAdapterHTML",
                              "DZMAdapterReriveDiDazAds"}));
}

TEST_F(MediationAdapters, OwnAdsLoadTheUnitWithoutRefreshAndPassEveryEventOn) {
    auto adapter = std::dynamic_pointer_cast<DZMAdapterReriveDiDazAds>(
        FakeConnector::adapterNamed(DZMAdapterReriveDiDazAds::kClassName, connector));
    ASSERT_TRUE(adapter);
    connector->pubid = "tikoleap-banner";
    connector->autoClickProtected = true;
    adapter->getBannerWithSize(kDZAdSizeBanner);
    auto banner = adapter->bannerView();
    ASSERT_TRUE(banner);
    EXPECT_EQ(banner->adUnitID(), "tikoleap-banner");
    EXPECT_FALSE(banner->slot()->reloadable());
    EXPECT_TRUE(banner->slot()->adViewDelegate()->opener().autoClickProtected());
    EXPECT_EQ(banner->delegate(), adapter);

    adapter->adViewDidReceiveAd(*banner);
    adapter->adViewWillPresentScreen(*banner);
    adapter->adViewWillLeaveApplication(*banner);
    EXPECT_THAT(connector->calls(), ElementsAre("view", "click", "willPresentModal", "click", "leave"));
    EXPECT_EQ(connector->lastView, banner);

    connector->clear();
    adapter->getInterstitial();
    auto interstitial = adapter->interstitial();
    ASSERT_TRUE(interstitial);
    EXPECT_EQ(interstitial->adUnitID(), "tikoleap-banner");
    adapter->interstitialDidReceiveAd(*interstitial);
    adapter->interstitialDidReceiveAdClick(*interstitial);
    adapter->interstitialDidDismissScreen(*interstitial);
    EXPECT_THAT(connector->calls(), ElementsAre("interstitial", "click", "didDismiss"));

    connector->clear();
    adapter->stopBeingDelegate();
    EXPECT_FALSE(banner->delegate());
    EXPECT_FALSE(interstitial->delegate());
    adapter->adViewDidFailToReceiveAd(*banner, nullptr);
    EXPECT_TRUE(connector->calls().empty());
}

TEST_F(MediationAdapters, TheAdURLAdapterShowsTheCorePagesAdOnceAndNothingAfterItStopped) {
    tikoleap::adserver::AdServer server;
    ASSERT_TRUE(server.start(0, ""));
    auto adapter = std::dynamic_pointer_cast<DZMAdURLAdapter>(
        FakeConnector::adapterNamed(DZMAdURLAdapter::kClassName, connector));
    ASSERT_TRUE(adapter);
    adapter->setSDKCoreController(controller);
    connector->credentialsObject = {{"house", "yes"}};
    adapter->getBannerWithSize(kDZAdSizeBanner);
    bed.runUntilIdle();
    coreEngine->finishLoad();
    ASSERT_TRUE(bed.home().pump().until([&] { return controller->pendingRequestCount() == 1; }));
    const auto parameters = adapter->requestParameters();
    ASSERT_TRUE(parameters);
    EXPECT_EQ((*parameters)["rerive-ad-url-mediation"], "1");
    EXPECT_EQ((*parameters)["data"], connector->credentialsObject);
    EXPECT_EQ((*parameters)["request_param"]["format"], "banner");
    EXPECT_NE((*parameters)["request_id"], "");
    EXPECT_EQ(adapter->requestedAdType(), 1);

    // One adapter serves one request: a second leaves the first banner as it was.
    auto banner = adapter->bannerView();
    adapter->getBannerWithSize(kDZAdSizeBanner);
    adapter->getInterstitial();
    EXPECT_THAT(connector->calls(), ElementsAre("fail:com.rerive.ads.DZMAdURLAdapter:0",
                                                "fail:com.rerive.ads.DZMAdURLAdapter:0"));
    EXPECT_EQ(adapter->bannerView(), banner);

    // The page's answer: an ad the banner fetches from the ad server and shows.
    connector->clear();
    auto ad = std::make_shared<DZBannerAd>(
        nlohmann::json{{"ad_url", server.baseURL() + "zads/ad?slotname=tikoleap-banner"}});
    adapter->loadAd(ad, {});
    ASSERT_TRUE(bed.home().pump().until([&] { return banner->slot()->state() == kDZSlotStateRendering; }));
    bed.engine().finishLoad();
    ASSERT_TRUE(bed.home().pump().until([&] { return !connector->calls().empty(); }));
    EXPECT_THAT(connector->calls(), ElementsAre("view"));

    // Once stopped, no answer of the page reaches the connector.
    connector->clear();
    adapter->stopBeingDelegate();
    const auto shown = banner->slot()->state();
    adapter->loadAd(ad, {});
    adapter->requestTimedOut();
    adapter->invalidJavaScriptRequest();
    bed.runUntilIdle();
    EXPECT_TRUE(connector->calls().empty());
    EXPECT_EQ(banner->slot()->state(), shown);
}

TEST_F(MediationAdapters, AnUnansweredCoreRequestFailsAsAMissingScript) {
    auto adapter = std::dynamic_pointer_cast<DZMAdURLAdapter>(
        FakeConnector::adapterNamed(DZMAdURLAdapter::kClassName, connector));
    ASSERT_TRUE(adapter);
    adapter->setSDKCoreController(controller);
    adapter->getInterstitial();
    bed.runUntilIdle();
    coreEngine->finishLoad();
    ASSERT_TRUE(bed.home().pump().until([&] { return controller->pendingRequestCount() == 1; }));
    EXPECT_EQ((*adapter->requestParameters())["request_param"]["format"], "interstitial_mb");
    bed.home().loop().advance(DZSDKCoreController::kAnswerTimeoutSeconds + 0.1);
    EXPECT_THAT(connector->calls(), ElementsAre("fail:com.rerive.ads.DZMAdURLAdapter:5"));
}

TEST_F(MediationAdapters, ACorePageAdNamingTheAdURLAdapterAgainCostsOneInnerLoadAndEndsInNoFill) {
    auto adapter = std::dynamic_pointer_cast<DZMAdURLAdapter>(
        FakeConnector::adapterNamed(DZMAdURLAdapter::kClassName, connector));
    ASSERT_TRUE(adapter);
    adapter->setSDKCoreController(controller);
    adapter->getBannerWithSize(kDZAdSizeBanner);
    bed.runUntilIdle();
    coreEngine->finishLoad();
    ASSERT_TRUE(bed.home().pump().until([&] { return controller->pendingRequestCount() == 1; }));
    // The page's whole ad is a mediated answer whose one network is this adapter again.
    const nlohmann::json config{
        {"ad_type", "banner"},
        {"settings", {{"ad_network_timeout_millis", 600000}}},
        {"ad_networks", {{{"id", "again"}, {"adapters", {DZMAdURLAdapter::kClassName}}, {"data", {}}}}}};
    const nlohmann::json whole{
        {"is_mediation", true}, {"ad_html", config.dump()}, {"ad_base_url", "http://127.0.0.1/"}};
    const auto shared = DZSDKCoreController::sharedInstance();
    const auto waitingBefore = shared->pendingRequestCount();
    coreEngine->navigate(
        "amsg://core/loadAd?request_id=" + (*adapter->requestParameters())["request_id"].get<std::string>() +
        "&fetched_ad=" + platform::percentEncode(whole.dump(), "", false));
    ASSERT_TRUE(bed.home().pump().until([&] { return !connector->calls().empty(); }));
    EXPECT_THAT(connector->calls(),
                ElementsAre("fail:" + DZRequestError::kDomain + ":" + std::to_string(kDZErrorNoFill)));
    bed.runUntilIdle();
    EXPECT_EQ(controller->pendingRequestCount(), 0u);
    EXPECT_EQ(shared->pendingRequestCount(), waitingBefore);
}

TEST_F(OwnAdsInAWaterfall, AnAnswerNamingItsOwnUnitCostsOneInnerRequestAndEndsInNoFill) {
    // Own ads for this very unit, with all the time in the world: the unit answers it again.
    tikoleap::test::LoopbackServer server;
    const std::string answer = response({{{"id", "own"},
                                          {"adapters", {DZMAdapterReriveDiDazAds::kClassName}},
                                          {"data", {{"pubid", "unit"}}}}},
                                        600000)
                                   .dump();
    server.get("/unit", [answer](const httplib::Request&, httplib::Response& res) {
        res.set_content(answer, "application/json");
        res.set_header("x-zazo-mediation", "1");
    });
    auto request = DZRequest::request();
    auto extras = std::make_shared<DZExtras>();
    extras->setAdditionalParameters({{"_requestUrl", server.url("/unit")}});
    request->registerAdNetworkExtras(extras);
    slot_->loadRequest(request);
    // A third request is one too many: the nesting is stopped there rather than left to run.
    ASSERT_TRUE(
        bed_.home().pump().until([&] { return !owner_->events.empty() || server.count("/unit") > 2; }));
    EXPECT_THAT(owner_->events, ElementsAre("failed 9"));
    EXPECT_EQ(server.count("/unit"), 2u);
    EXPECT_THAT(pingKinds(), ElementsAre("nofill 1"));
}
