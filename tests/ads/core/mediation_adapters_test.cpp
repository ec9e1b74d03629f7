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
#include "ads/public/DZAdFormats.h"
#include "ads/public/DZMAdURLAdapter.h"
#include "ads/public/DZMAdapterReriveDiDazAds.h"
#include "ads/render/AdViewTestBed.h"
#include "ads/render/view/DZBannerAdViewDelegate.h"
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
