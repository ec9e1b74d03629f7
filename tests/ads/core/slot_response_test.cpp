// What the slot does with a fetched ad: each response type, resizing, pings, click URLs and the
// script ads that must prove they drew something, on the scripted web engine and the virtual clock.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ads/core/DZAd.h"
#include "ads/core/DZExtras.h"
#include "ads/core/DZRequest.h"
#include "ads/core/DZSignalCollector.h"
#include "ads/core/slot/DZAdFormatRegistry.h"
#include "ads/core/slot/DZSDKCoreController.h"
#include "ads/core/slot/DZSlot.h"
#include "ads/mediation/DZMAdManager.h"
#include "ads/render/AdViewTestBed.h"
#include "ads/render/view/DZAdNetworkJavaScriptAdViewDelegate.h"
#include "ads/render/view/DZAdView.h"
#include "platform/defaults/UserDefaults.h"

using testing::ElementsAre;

namespace {

struct Owner : DZSlotDelegate, DZSlotAdLoadDelegate {
    std::optional<platform::Rect> bounds() override { return boundsRect; }
    std::optional<std::vector<DZAdSize>> validAdSizes() override { return sizes; }
    void slotDidReceiveAdView(DZSlot&, const std::shared_ptr<platform::ui::View>& view) override {
        views += view != nullptr;
    }
    void setAdSizeAndReload(DZAdSize size, bool reload) override {
        resizedTo.push_back(CGSizeFromDZAdSize(size));
        reloads += reload;
    }
    void slotWillResizeToAdSize(DZSlot&, DZAdSize) override { ++willResize; }
    void slotDidReceiveAdClick(DZSlot&) override { ++clicks; }
    std::optional<bool> slotNotifyPublisherToRenderCustomRenderingAd(DZSlot&, const std::shared_ptr<DZAd>&,
                                                                     platform::ErrorRef*) override {
        return takesCustomAd;
    }
    int ownerAdType() override { return 1; }
    void slotFinishedLoadingAdContent(DZSlot&) override { ++finished; }
    void slotDidFailToLoadAdContent(DZSlot&, const DZRequestError::Ref& error) override {
        errors.push_back(error ? static_cast<int>(error->code()) : -1);
    }

    std::optional<platform::Rect> boundsRect;
    std::optional<std::vector<DZAdSize>> sizes;
    std::optional<bool> takesCustomAd;
    std::vector<platform::Size> resizedTo;
    int views = 0, reloads = 0, willResize = 0, clicks = 0, finished = 0;
    std::vector<int> errors;
};

class SlotResponse : public ::testing::Test {
  protected:
    void SetUp() override {
        slot_->setSDKCoreController(controller_);
        slot_->setSlotDelegate(owner_);
        slot_->setAdLoadDelegate(owner_);
        slot_->setAdType(DZAdType::bannerAdTypeForSize(kDZAdSizeBanner));
        slot_->setReloadable(true);
    }
    void TearDown() override { bed_.runUntilIdle(); }
    void advance(double seconds) { bed_.home().loop().advance(seconds); }

    // Loads an ad given whole (no core, no server) and lets the fetch answer.
    void load(nlohmann::json ad, nlohmann::json headers = nlohmann::json::object()) {
        if (!ad.contains("ad_base_url")) ad["ad_base_url"] = "http://127.0.0.1/";
        auto request = DZRequest::request();
        auto extras = std::make_shared<DZExtras>();
        extras->setAdditionalParameters({{"_ad", std::move(ad)}, {"_adHeaders", std::move(headers)}});
        request->registerAdNetworkExtras(extras);
        slot_->loadRequest(request);
        bed_.runUntilIdle();
    }
    std::size_t htmlLoads() {
        std::size_t count = 0;
        for (const auto& call : bed_.engine().loadCalls())
            count += call.kind == platform::web::FakeWebEngine::LoadCall::Kind::HTML;
        return count;
    }

    tikoleap::test::AdViewTestBed bed_;
    std::shared_ptr<Owner> owner_ = std::make_shared<Owner>();
    std::shared_ptr<DZSDKCoreController> controller_ = DZSDKCoreController::create();
    // Made after the controller: the bed's engine is the slot's.
    std::shared_ptr<DZSlot> slot_ = DZSlot::create({0, 0, 320, 50});
};

}  // namespace

TEST_F(SlotResponse, EachResponseTypeTakesItsPath) {
    load({{"ad_html", "\n  <p>ad</p>\t\n"},
          {"ad_base_url", "http://127.0.0.1/"},
          {"impression_urls", {"http://127.0.0.1:9/imp"}},
          {"click_urls", {"http://127.0.0.1:9/click"}}});
    EXPECT_EQ(slot_->state(), 5);
    ASSERT_EQ(htmlLoads(), 1u);
    EXPECT_EQ(bed_.engine().loadCalls().back().content, "<p>ad</p>");
    EXPECT_EQ(owner_->views, 1);
    bed_.engine().finishLoad();
    bed_.runUntilIdle();
    EXPECT_EQ(slot_->state(), 6);
    EXPECT_EQ(owner_->finished, 1);
    // Impressions go once however often one is counted; every click pings again.
    slot_->didMakeAdImpression();
    slot_->pingClickURLs();
    slot_->pingClickURLs();
    EXPECT_EQ(slot_->impressionPingCount(), 1);
    EXPECT_EQ(slot_->clickPingCount(), 2);
    EXPECT_EQ(owner_->clicks, 2);

    // A response no format takes ends the load; a mediated one for an owner that takes no
    // mediation fails with code 7.
    const nlohmann::json mediated{{"x-zazo-mediation", "1"}, {"Content-Type", "application/json"}};
    DZAdFormatRegistry::shared().registerResponseType(kDZAdResponseTypeMediation, nullptr);
    load({{"ad_html", "{}"}}, mediated);
    EXPECT_EQ(slot_->state(), 7);
    DZMAdManager::registerFormat();
    load({{"ad_html", "{}"}}, mediated);
    EXPECT_EQ(slot_->state(), 7);

    // A custom-rendered ad nobody takes ends the load and leaves the refresh as it was.
    const auto committed = slot_->ad();
    load({{"ad_html", "<p>custom</p>"}},
         {{"x-zazo-custom-rendering-allowed", "1"}, {"x-zazo-refresh-rate", "30"}});
    EXPECT_EQ(slot_->state(), 7);
    EXPECT_EQ(slot_->ad(), committed);
    EXPECT_TRUE(slot_->reloadable());
    EXPECT_TRUE(slot_->isReloadTimerArmed());
    owner_->takesCustomAd = true;
    load({{"ad_html", "<p>custom</p>"}}, {{"x-zazo-custom-rendering-allowed", "1"}});
    EXPECT_EQ(slot_->state(), 4);
    ASSERT_TRUE(slot_->ad());
    EXPECT_EQ(slot_->ad()->adHTML(), "<p>custom</p>");
    EXPECT_FALSE(slot_->reloadable());
    EXPECT_EQ(htmlLoads(), 1u);
    EXPECT_THAT(owner_->errors, ElementsAre(13, 7, 12));
}

TEST_F(SlotResponse, EmptyAdsFailAndKeepTheRefreshInBounds) {
    load({{"ad_html", " \n\t "}}, {{"x-zazo-refresh-rate", "30"}});
    EXPECT_EQ(slot_->state(), 7);
    EXPECT_EQ(htmlLoads(), 0u);
    EXPECT_DOUBLE_EQ(slot_->reloadInterval(), 30);
    EXPECT_TRUE(slot_->isReloadTimerArmed());

    // A failed fetch's interval obeys the same floor as any other.
    load({{"ad_html", ""}}, {{"x-zazo-refresh-rate", "0.01"}});
    EXPECT_DOUBLE_EQ(slot_->reloadInterval(), 0);
    EXPECT_THAT(owner_->errors, ElementsAre(1, 1));
}

TEST_F(SlotResponse, TheAdSizeResizesOnlyToAValidSize) {
    const auto ad = [](const char* size) {
        return nlohmann::json{{"ad_html", "<p>a</p>"}, {"ad_size", size}};
    };
    load(ad("320x100"));  // no valid sizes given: no resize
    bed_.engine().finishLoad();
    owner_->sizes = std::vector<DZAdSize>{kDZAdSizeInvalid, kDZAdSizeBanner, kDZAdSizeLargeBanner};
    owner_->boundsRect = platform::Rect{0, 0, 320, 100};
    for (const char* odd : {"junk", "0x0", "99999999x99999999", "300x250"}) {
        load(ad(odd));
        bed_.engine().finishLoad();
    }
    EXPECT_TRUE(owner_->resizedTo.empty());
    load(ad("320x100"));
    EXPECT_THAT(owner_->resizedTo, ElementsAre(platform::Size{320, 100}));
    EXPECT_EQ(owner_->willResize, 1);
    EXPECT_EQ(owner_->reloads, 0);
    EXPECT_EQ(slot_->adView()->frame().size.height, 100);
    EXPECT_EQ(slot_->newAdSize(), platform::Size{});
}

TEST_F(SlotResponse, ClickURLsOnAdServerHostsCarryTheSignal) {
    auto collector = DZSignalCollector::create();
    slot_->setSignalCollector(collector.get());
    const std::string click = "https://Rerive-Ads.INVALID/aclk?ai=x1&adurl=http://127.0.0.1/";
    EXPECT_EQ(slot_->gestureClickURLWithURL(click), click);  // no signal yet
    collector->initialiseWithSDKVersion("test");
    std::string signal;
    collector->requestSignal(signal);
    EXPECT_EQ(slot_->gestureClickURLWithURL(click),
              "https://Rerive-Ads.INVALID/aclk?ai=x1&" + signal + "&adurl=http://127.0.0.1/");
    for (const std::string other :
         {"https://notrerive-ads.invalid/aclk?ai=x1", "https://rerive-ads.invalid/aclk",
          "https://rerive-ads.invalid/aclk?ai=", "about:blank", "not a url"})
        EXPECT_EQ(slot_->gestureClickURLWithURL(other), other);

    platform::UserDefaults::standard()->setString(DZSlot::kAdServerDomainsKey, " Example.com ,,");
    EXPECT_TRUE(DZSlot::isReriveAdURL("http://ads.example.COM/x"));
    EXPECT_FALSE(DZSlot::isReriveAdURL("http://notexample.com/x"));
    EXPECT_FALSE(DZSlot::isReriveAdURL("http://rerive-ads.invalid/x"));
    platform::UserDefaults::standard()->setString(DZSlot::kAdServerDomainsKey, R"(["127.0.0.1", 7])");
    EXPECT_TRUE(DZSlot::isReriveAdURL("http://127.0.0.1:8080/x"));
    EXPECT_FALSE(DZSlot::isReriveAdURL("http://ads.example.com/x"));
}

TEST_F(SlotResponse, ScriptAdsCountOnlyOnceTheyDraw) {
    const nlohmann::json script = {{"ad_html", "<script>network()</script>"},
                                   {"ad_is_javascript", true},
                                   {"ad_passback_url", "http://127.0.0.1:9/pass/"}};
    load(script);
    ASSERT_TRUE(std::dynamic_pointer_cast<DZAdNetworkJavaScriptAdViewDelegate>(slot_->adViewDelegate()));
    EXPECT_EQ(slot_->state(), 4);
    bed_.engine().finishLoad();
    EXPECT_EQ(slot_->state(), 5);
    advance(0.2 * 100 + 0.1);
    EXPECT_EQ(slot_->state(), 5);
    advance(0.2);
    EXPECT_EQ(slot_->state(), 7);
    EXPECT_THAT(owner_->errors, ElementsAre(2));

    // A passback, by scheme or by the ad's own passback URL, is the network's "no ad".
    for (const char* passback : {"PASSBACK://none", "http://127.0.0.1:9/pass"}) {
        load(script);
        bed_.engine().finishLoad();
        EXPECT_FALSE(bed_.engine().navigate(passback));
        EXPECT_EQ(slot_->state(), 7);
        EXPECT_TRUE(slot_->isReloadTimerArmed());
    }
    EXPECT_THAT(owner_->errors, ElementsAre(2, 1, 1));

    load(script);
    bed_.engine().finishLoad();
    bed_.engine().setSnapshot(tikoleap::test::paintedImage(320, 50));
    advance(0.25);
    bed_.runUntilIdle();
    EXPECT_EQ(slot_->state(), 6);
    EXPECT_EQ(owner_->finished, 1);

    // The next ordinary ad completes through the ad view's own delegate again.
    load({{"ad_html", "<p>plain</p>"}});
    bed_.engine().finishLoad();
    bed_.runUntilIdle();
    EXPECT_EQ(slot_->state(), 6);
    EXPECT_EQ(owner_->finished, 2);
}
