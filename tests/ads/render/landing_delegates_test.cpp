// The pages shown after a click: the ad-app controller's page and the in-app browser's, with
// doubles of their controllers, on the scripted engine.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "AdViewTestBed.h"
#include "ads/core/DZAd.h"
#include "ads/core/slot/DZSlot.h"
#include "ads/foundation/DZStatisticDictionary.h"
#include "ads/render/bridge/DZAppEventAMSGHandler.h"
#include "ads/render/view/DZAdAppAMSGHandler.h"
#include "ads/render/view/DZAdAppAdViewDelegate.h"
#include "ads/render/view/DZAdAppViewController.h"
#include "ads/render/view/DZBrowserAdView.h"
#include "ads/render/view/DZBrowserAdViewDelegate.h"
#include "ads/render/view/DZBrowserViewController.h"
#include "ads/render/view/DZMRAIDInterceptor.h"

using platform::web::NavigationType;

namespace {

// The controller holds its slot weakly; the test keeps it.
struct AdAppController : DZAdAppViewController {
    AdAppController() : DZAdAppViewController(nullptr) {}
    void hold(std::shared_ptr<DZSlot> slot) {
        slot_ = std::move(slot);
        setHost(slot_);
    }
    std::shared_ptr<DZSlot> slot_;
};

// The controller holds its slot weakly; the test keeps it.
struct BrowserController : DZBrowserViewController {
    void hold(std::shared_ptr<DZSlot> slot) {
        slot_ = std::move(slot);
        setHost(slot_);
    }
    void refreshToolbar() override { ++refreshes; }
    std::shared_ptr<DZSlot> slot_;
    int refreshes = 0;
};

// A slot showing an ad, whose statistics the landing pages write.
std::shared_ptr<DZSlot> slotWithAd(const DZAdType& type) {
    auto slot = DZSlot::create({0, 0, 320, 50});
    slot->setAdType(type);
    slot->finishedLoadingAdResponse(std::make_shared<DZAd>());
    return slot;
}

nlohmann::json statistic(const std::shared_ptr<DZSlot>& slot, const std::string& key) {
    return slot->ad()->statistics()->objectForKey(key).value_or(nullptr);
}

class LandingPages : public ::testing::Test {
  protected:
    void SetUp() override { DZMRAIDInterceptor::resetCanInitWithRequestCounter(); }
    void TearDown() override { DZMRAIDInterceptor::resetCanInitWithRequestCounter(); }
    void start(const std::string& url) {
        view_->loadRequest({url, {}});
        bed_.runUntilIdle();
    }
    void finish() {
        bed_.engine().finishLoad();
        bed_.runUntilIdle();
    }
    void later(double seconds) { bed_.home().loop().advance(seconds); }

    tikoleap::test::AdViewTestBed bed_;
    std::shared_ptr<DZAdView> view_;
};

}  // namespace

TEST_F(LandingPages, AnAdAppPageHoldsTheInterceptionWhileItLoadsAndTimesTheLandingPage) {
    auto controller = std::make_shared<AdAppController>();
    controller->hold(slotWithAd(DZAdType::interstitialAdType()));
    auto delegate = DZAdAppAdViewDelegate::create(controller);
    // An interstitial's page may send app events; a banner's may not.
    EXPECT_TRUE(std::dynamic_pointer_cast<DZAppEventAMSGHandler>(delegate->amsgHandlers().back()));
    auto bannerController = std::make_shared<AdAppController>();
    bannerController->hold(slotWithAd(DZAdType::bannerAdTypeForSize(kDZAdSizeBanner)));
    EXPECT_TRUE(std::dynamic_pointer_cast<DZAdAppAMSGHandler>(
        DZAdAppAdViewDelegate::create(bannerController)->amsgHandlers().back()));

    view_ = DZAdView::create({0, 0, 320, 480});  // the engine the test drives
    view_->setDelegate(delegate);
    start("https://shop.example/a");
    const auto firstStart = statistic(controller->slot_, "tlanding_page_load_start");
    ASSERT_TRUE(firstStart.is_number());
    EXPECT_EQ(DZMRAIDInterceptor::canInitWithRequestCounter(), 1);
    // A redirect starts again: one hold, and the first start is kept.
    later(0.5);
    bed_.engine().navigate("https://shop.example/b");
    bed_.runUntilIdle();
    EXPECT_EQ(DZMRAIDInterceptor::canInitWithRequestCounter(), 1);
    later(0.5);
    finish();
    EXPECT_EQ(DZMRAIDInterceptor::canInitWithRequestCounter(), 0);
    EXPECT_EQ(statistic(controller->slot_, "tlanding_page_load_start"), firstStart);
    const auto end = statistic(controller->slot_, "tlanding_page_load_end");
    ASSERT_TRUE(end.is_number());
    EXPECT_NEAR(end.get<double>() - firstStart.get<double>(), 1000, 1);

    // A failed page gives its hold back, and so does a page that is left while it loads.
    start("https://shop.example/c");
    bed_.engine().failLoad({"web", -1, "gone", ""});
    bed_.runUntilIdle();
    EXPECT_EQ(DZMRAIDInterceptor::canInitWithRequestCounter(), 0);
    start("https://shop.example/d");
    EXPECT_EQ(DZMRAIDInterceptor::canInitWithRequestCounter(), 1);
    view_->setDelegate({});
    delegate.reset();
    EXPECT_EQ(DZMRAIDInterceptor::canInitWithRequestCounter(), 0);
}

TEST_F(LandingPages, TheBrowserCountsFollowedPagesAndKeepsItsToolbarInStep) {
    auto browser = std::make_shared<BrowserController>();
    browser->hold(slotWithAd(DZAdType::interstitialAdType()));
    auto browserView = DZBrowserAdView::create({0, 0, 320, 480});  // the engine the test drives
    view_ = browserView;
    browserView->setViewController(std::make_shared<platform::ui::ViewController>());
    EXPECT_FALSE(browserView->viewController());  // no browser: ignored
    browserView->setViewController(browser);
    EXPECT_EQ(browserView->browserViewController(), browser);
    auto delegate = DZBrowserAdViewDelegate::create();
    browserView->setDelegate(delegate);

    // Each start, end and failure of a load refreshes the toolbar.
    start("https://shop.example/");
    const auto firstStart = statistic(browser->slot_, "tlanding_page_load_start");
    finish();
    EXPECT_EQ(browser->refreshes, 2);
    EXPECT_TRUE(statistic(browser->slot_, "tlanding_page_load_end").is_number());
    later(1.0);
    EXPECT_TRUE(bed_.engine().navigate("https://shop.example/x", NavigationType::LinkClicked));
    bed_.runUntilIdle();
    bed_.engine().failLoad({"web", -1, "gone", ""});
    bed_.runUntilIdle();
    EXPECT_EQ(browser->refreshes, 4);
    // Pages the user follows count by scheme; a page's own navigations do not.
    for (const auto& [url, type] : std::vector<std::pair<std::string, NavigationType>>{
             {"https://shop.example/x", NavigationType::LinkClicked},
             {"http://shop.example/form", NavigationType::FormSubmitted},
             {"http://shop.example/by-script", NavigationType::Other}}) {
        EXPECT_TRUE(bed_.engine().navigate(url, type)) << url;
        bed_.runUntilIdle();
        finish();
    }
    EXPECT_EQ(statistic(browser->slot_, "plpsnc"), 2);
    EXPECT_EQ(statistic(browser->slot_, "plpnc"), 1);
    EXPECT_EQ(statistic(browser->slot_, "tlanding_page_load_start"), firstStart);

    // An ad view of no browser gets only the base policy.
    auto plain = DZAdView::create({0, 0, 320, 50});
    EXPECT_FALSE(DZBrowserAdViewDelegate::browserControllerForAdView(*plain));
    plain->setDelegate(delegate);
    view_ = plain;
    start("https://shop.example/plain");
    EXPECT_TRUE(bed_.engine().navigate("https://shop.example/y", NavigationType::LinkClicked));
    bed_.runUntilIdle();
    EXPECT_EQ(statistic(browser->slot_, "plpsnc"), 2);
    EXPECT_EQ(browser->refreshes, 10);
}
