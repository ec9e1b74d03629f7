// Ads the app draws itself: the ad-manager banner and interstitial hand the slot's ad over to
// the app's delegate, and the app's reports reach the slot while that ad is the one it shows.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "ads/core/DZAd.h"
#include "ads/core/DZExtras.h"
#include "ads/core/DZRequest.h"
#include "ads/core/slot/DZSDKCoreController.h"
#include "ads/public/RUVBannerView.h"
#include "ads/public/RUVCustomRenderedAd.h"
#include "ads/public/RUVInterstitial.h"
#include "ads/render/AdViewTestBed.h"
#include "platform/foundation/ScopedLogSink.h"
#include "platform/ui/ViewController.h"

namespace {

struct App : RUVCustomRenderedBannerViewDelegate, RUVCustomRenderedInterstitialDelegate {
    void bannerViewDidReceiveCustomRenderedAd(RUVBannerView&,
                                              const std::shared_ptr<RUVCustomRenderedAd>& ad) override {
        ads.push_back(ad);
    }
    void interstitialDidReceiveCustomRenderedAd(RUVInterstitial&,
                                                const std::shared_ptr<RUVCustomRenderedAd>& ad) override {
        ads.push_back(ad);
    }
    std::vector<std::shared_ptr<RUVCustomRenderedAd>> ads;
};

class CustomRendered : public ::testing::Test {
  protected:
    std::shared_ptr<DZRequest> customAdRequest(const std::string& html) {
        auto request = DZRequest::request();
        auto extras = std::make_shared<DZExtras>();
        extras->setAdditionalParameters({{"_ad",
                                          {{"ad_html", html},
                                           {"ad_base_url", "http://127.0.0.1:8080/ads/page.html?x=1"},
                                           {"impression_urls", {"http://127.0.0.1:9/imp"}},
                                           {"click_urls", {"http://127.0.0.1:9/click"}}}},
                                         {"_adHeaders", {{"x-zazo-custom-rendering-allowed", "1"}}}});
        request->registerAdNetworkExtras(extras);
        return request;
    }

    // The app takes the ad and reports on it; the slot pings and shows it once drawn.
    void expectHandOverAndReports(DZSlot& slot) {
        ASSERT_EQ(app_->ads.size(), 1u);
        auto ad = app_->ads.front();
        EXPECT_EQ(ad->adHTML(), "<p>custom</p>");
        EXPECT_EQ(ad->adBaseURL(), "http://127.0.0.1:8080/");
        EXPECT_EQ(slot.state(), 5);
        ad->recordImpression();
        ad->recordImpression();
        ad->recordClick();
        ad->finishedRenderingAdView(std::make_shared<platform::ui::View>());
        EXPECT_EQ(slot.impressionPingCount(), 1);
        EXPECT_EQ(slot.clickPingCount(), 1);
        EXPECT_EQ(slot.state(), 6);
    }

    tikoleap::test::AdViewTestBed bed_;
    std::shared_ptr<DZSDKCoreController> controller_ = DZSDKCoreController::create();
    std::shared_ptr<App> app_ = std::make_shared<App>();
    std::shared_ptr<platform::ui::ViewController> root_ = std::make_shared<platform::ui::ViewController>();
};

}  // namespace

TEST_F(CustomRendered, TheBannerHandsItsAdOverAndAReplacedAdReportsNothing) {
    auto banner = RUVBannerView::create(kDZAdSizeBanner);
    banner->slot()->setSDKCoreController(controller_);
    banner->setRootViewController(root_);
    banner->setCustomRenderedBannerViewDelegate(app_);
    banner->loadRequest(customAdRequest("<p>custom</p>"));
    bed_.runUntilIdle();
    expectHandOverAndReports(*banner->slot());

    banner->loadRequest(customAdRequest("<p>next</p>"));
    bed_.runUntilIdle();
    ASSERT_EQ(app_->ads.size(), 2u);
    app_->ads.front()->recordClick();
    EXPECT_EQ(banner->slot()->clickPingCount(), 1);
    app_->ads.back()->recordClick();
    EXPECT_EQ(banner->slot()->clickPingCount(), 2);

    // Only http and https reach the app as the base.
    EXPECT_EQ(RUVCustomRenderedAd::rootURLOf("file:///etc/passwd"), "");
    EXPECT_EQ(RUVCustomRenderedAd::rootURLOf("https://[::1]:9/a"), "https://[::1]:9/");
}

TEST_F(CustomRendered, TheInterstitialHandsItsAdOverAndThenRefusesPresentation) {
    auto interstitial = RUVInterstitial::create();
    interstitial->slot()->setSDKCoreController(controller_);
    interstitial->setCustomRenderedInterstitialDelegate(app_);
    interstitial->loadRequest(customAdRequest("<p>custom</p>"));
    bed_.runUntilIdle();
    expectHandOverAndReports(*interstitial->slot());
    EXPECT_TRUE(interstitial->isCustomAdRenderingEnabled());
    platform::ScopedLogSink sink;
    interstitial->presentFromRootViewController(root_);
    bed_.runUntilIdle();
    bool refused = false;
    for (const auto& line : sink.lines())
        refused |= line.find("Custom ad rendering is enabled") != std::string::npos;
    EXPECT_TRUE(refused);
    EXPECT_FALSE(interstitial->hasBeenUsed());
}
