// The public interstitial on the scripted web engine and the virtual clock: its one load, when it
// is ready, its one presentation over the app, its refusals and what the app hears of each.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "ads/core/DZAd.h"
#include "ads/core/DZExtras.h"
#include "ads/core/DZInAppPurchase.h"
#include "ads/core/DZRequest.h"
#include "ads/core/slot/DZSDKCoreController.h"
#include "ads/public/DZInterstitial.h"
#include "ads/public/RUVInterstitial.h"
#include "ads/render/AdViewTestBed.h"
#include "ads/render/view/DZAdView.h"
#include "ads/render/view/DZInterstitialViewController.h"
#include "platform/foundation/ScopedLogSink.h"
#include "platform/ui/Application.h"
#include "platform/ui/NotificationCenter.h"
#include "platform/ui/UiDriver.h"
#include "platform/ui/ViewController.h"
#include "platform/ui/Window.h"

using platform::Rect;
using namespace platform::ui;

namespace {

struct AppDelegate : DZInterstitialDelegate {
    void interstitialDidReceiveAd(DZInterstitial&) override { heard.push_back("received"); }
    void interstitialDidFailToReceiveAd(DZInterstitial&, const DZRequestError::Ref& error) override {
        heard.push_back("failed " + std::to_string(error ? error->code() : -1));
    }
    void interstitialWillPresentScreen(DZInterstitial&) override { heard.push_back("will present"); }
    void interstitialWillDismissScreen(DZInterstitial&) override { heard.push_back("will dismiss"); }
    void interstitialDidDismissScreen(DZInterstitial&) override { heard.push_back("did dismiss"); }
    std::vector<std::string> heard;
};

bool logged(const platform::ScopedLogSink& sink, const std::string& text) {
    for (const auto& line : sink.lines())
        if (line.find(text) != std::string::npos) return true;
    return false;
}

class Interstitial : public ::testing::Test {
  protected:
    void SetUp() override {
        window_->setRunLoop(&bed_.home().loop());
        window_->makeKeyAndVisible();
        window_->setRootViewController(root_);
        interstitial_->slot()->setSDKCoreController(controller_);
        interstitial_->setDelegate(delegate_);
    }
    void TearDown() override {
        // A screen left up keeps itself, its ad view and that view's engine alive past the test.
        if (auto shown = std::dynamic_pointer_cast<DZAdAppViewController>(root_->presentedViewController()))
            shown->closeButtonPressed();
        advance(0.5);
        Application::shared().setIdleTimerDisabled(false);
        Application::shared().setStatusBarHidden(false);
    }
    void advance(double seconds) {
        driver_.advance(seconds);
        bed_.runUntilIdle();
    }

    // Loads an ad given whole (no core, no server) and lets its page finish.
    void load(nlohmann::json ad = {{"ad_html", "<p>ad</p>"}}) {
        ad["ad_base_url"] = "http://127.0.0.1/";
        ad["impression_urls"] = {"http://127.0.0.1:9/imp"};
        auto request = DZRequest::request();
        auto extras = std::make_shared<DZExtras>();
        extras->setAdditionalParameters({{"_ad", std::move(ad)}});
        request->registerAdNetworkExtras(extras);
        interstitial_->loadRequest(request);
        bed_.runUntilIdle();
        if (interstitial_->slot()->state() == 5) bed_.engine().finishLoad();
        bed_.runUntilIdle();
    }

    tikoleap::test::AdViewTestBed bed_;
    std::shared_ptr<Window> window_ = std::make_shared<Window>();
    UiDriver driver_{window_, &bed_.home().loop()};
    std::shared_ptr<ViewController> root_ = std::make_shared<ViewController>();
    std::shared_ptr<DZSDKCoreController> controller_ = DZSDKCoreController::create();
    std::shared_ptr<DZInterstitial> interstitial_ = DZInterstitial::create("unit");
    std::shared_ptr<AppDelegate> delegate_ = std::make_shared<AppDelegate>();
};

struct Purchases : DZInAppPurchaseDelegate {
    void didReceiveInAppPurchase(const std::shared_ptr<DZInAppPurchase>&) override {}
};

}  // namespace

TEST_F(Interstitial, PresentingBeforeReadyOnlyLogsAndAFailedLoadNeverReloads) {
    EXPECT_EQ(interstitial_->adUnitID(), "unit");
    platform::ScopedLogSink sink;
    interstitial_->presentFromRootViewController(root_);
    bed_.runUntilIdle();
    EXPECT_TRUE(logged(sink, "Cannot present interstitial. It is not ready."));
    EXPECT_FALSE(interstitial_->hasBeenUsed());
    EXPECT_TRUE(delegate_->heard.empty());

    // An ad only for landscape, in an app that shows portrait: refused before it renders.
    load({{"ad_html", "<p>ad</p>"}, {"orientation", "landscape"}});
    EXPECT_EQ(delegate_->heard, (std::vector<std::string>{"failed 13"}));
    EXPECT_EQ(interstitial_->slot()->state(), 7);
    EXPECT_FALSE(interstitial_->isReady());
    EXPECT_FALSE(interstitial_->slot()->isReloadTimerArmed());
    bed_.home().loop().advance(120);
    EXPECT_EQ(delegate_->heard.size(), 1u);

    // The same object may load again after a failure.
    load();
    EXPECT_EQ(delegate_->heard.back(), "received");
    EXPECT_TRUE(interstitial_->isReady());
}

TEST_F(Interstitial, AnAdTheAppCannotShowAnyMoreIsRefusedWithCodeThirteenAtPresentTime) {
    load();
    ASSERT_TRUE(interstitial_->isReady());
    interstitial_->slot()->ad()->setSupportedOrientations(24);
    platform::ScopedLogSink sink;
    interstitial_->presentFromRootViewController(root_);
    bed_.runUntilIdle();
    EXPECT_EQ(delegate_->heard, (std::vector<std::string>{"received", "failed 13"}));
    EXPECT_TRUE(logged(sink, "<Rerive> Request Error: Received invalid response."));
    EXPECT_FALSE(interstitial_->hasBeenUsed());
    EXPECT_EQ(interstitial_->slot()->impressionPingCount(), 0);
}

TEST_F(Interstitial, ACustomRenderedAdIsDeclinedAndLeavesPresentationOpen) {
    auto interstitial = RUVInterstitial::create();
    platform::ErrorRef error;
    EXPECT_EQ(
        interstitial->slotNotifyPublisherToRenderCustomRenderingAd(*interstitial->slot(), nullptr, &error),
        false);
    ASSERT_TRUE(error);
    EXPECT_EQ(error->code(), kDZErrorInvalidArgument);
    EXPECT_FALSE(interstitial->isCustomAdRenderingEnabled());
    platform::ScopedLogSink sink;
    interstitial->presentFromRootViewController(root_);
    bed_.runUntilIdle();
    EXPECT_TRUE(logged(sink, "It is not ready."));
}

TEST_F(Interstitial, OnePresentationThenEveryAttemptIsRefusedOnceWithCodeSix) {
    load();
    ASSERT_TRUE(interstitial_->isReady());
    interstitial_->presentFromRootViewController(root_);
    bed_.runUntilIdle();
    EXPECT_TRUE(interstitial_->hasBeenUsed());
    EXPECT_EQ(interstitial_->slot()->impressionPingCount(), 1);
    delegate_->heard.clear();

    // While the ad is on screen a load is refused once, and the slot asks nothing of the core.
    interstitial_->loadRequest(DZRequest::request());
    bed_.runUntilIdle();
    EXPECT_EQ(delegate_->heard, (std::vector<std::string>{"failed 6"}));
    interstitial_->presentFromRootViewController(root_);
    bed_.runUntilIdle();
    EXPECT_EQ(delegate_->heard, (std::vector<std::string>{"failed 6", "failed 6"}));
    EXPECT_EQ(interstitial_->slot()->impressionPingCount(), 1);
}

TEST_F(Interstitial, ReadyPresentedSeenAndClosedOnceAndThenFinal) {
    load();
    ASSERT_TRUE(interstitial_->isReady());
    auto slot = interstitial_->slot();
    interstitial_->presentFromRootViewController(root_);
    advance(0.4);
    auto shown = std::dynamic_pointer_cast<DZInterstitialViewController>(root_->presentedViewController());
    ASSERT_TRUE(shown);
    EXPECT_EQ(interstitial_->viewController(), nullptr);
    EXPECT_EQ(slot->adView()->window(), window_.get());
    EXPECT_EQ(slot->impressionPingCount(), 1);
    EXPECT_EQ(delegate_->heard, (std::vector<std::string>{"received", "will present"}));

    driver_.tapAt({16, 16});  // the close button
    advance(0.4);
    EXPECT_FALSE(root_->presentedViewController());
    EXPECT_EQ(slot->state(), 8);
    EXPECT_EQ(delegate_->heard,
              (std::vector<std::string>{"received", "will present", "will dismiss", "did dismiss"}));

    // Final: a load goes nowhere without a word; a presentation is refused with code 6.
    delegate_->heard.clear();
    interstitial_->loadRequest(DZRequest::request());
    interstitial_->presentFromRootViewController(root_);
    advance(0.4);
    EXPECT_EQ(delegate_->heard, (std::vector<std::string>{"failed 6"}));
    EXPECT_FALSE(root_->presentedViewController());
    EXPECT_EQ(slot->state(), 8);
}

TEST_F(Interstitial, AnAppThatLetsGoOnceItIsShownStillHearsTheDismissal) {
    load();
    std::weak_ptr<DZInterstitial> weak = interstitial_;
    interstitial_->presentFromRootViewController(root_);
    interstitial_.reset();
    advance(0.4);
    ASSERT_FALSE(weak.expired());
    auto shown = std::dynamic_pointer_cast<DZAdAppViewController>(root_->presentedViewController());
    ASSERT_TRUE(shown);
    shown->closeButtonPressed();
    shown.reset();
    advance(0.4);
    EXPECT_EQ(delegate_->heard.back(), "did dismiss");
    EXPECT_TRUE(weak.expired());
}

TEST_F(Interstitial, APurchaseDelegateTheAppLetGoOfIsNoDelegate) {
    auto purchases = std::make_shared<Purchases>();
    interstitial_->setInAppPurchaseDelegate(purchases);
    EXPECT_EQ(interstitial_->slot()->inAppPurchaseDelegate(), purchases);
    purchases.reset();
    EXPECT_FALSE(interstitial_->slot()->inAppPurchaseDelegate());
}
