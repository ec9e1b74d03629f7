// The public banner on the scripted web engine and the virtual clock: its sizes and alpha, the
// root view controller it needs, when it lets its slot refresh, the view hierarchy it reports,
// and how its slot measures the ad once it has made its impression.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "ads/core/DZAd.h"
#include "ads/core/DZInAppPurchase.h"
#include "ads/core/slot/DZSDKCoreController.h"
#include "ads/core/slot/DZSDKCoreWebView.h"
#include "ads/public/DZBannerView.h"
#include "ads/public/RUVBannerView.h"
#include "ads/render/AdViewTestBed.h"
#include "ads/render/view/DZAdView.h"
#include "platform/defaults/UserDefaults.h"
#include "platform/foundation/ScopedLogSink.h"
#include "platform/ui/Application.h"
#include "platform/ui/NotificationCenter.h"
#include "platform/ui/ViewController.h"
#include "platform/ui/Window.h"

using platform::Rect;
using namespace platform::ui;

namespace {

struct AppDelegate : DZBannerViewDelegate {
    void adViewDidReceiveAd(DZBannerView&) override { heard.push_back("received"); }
    void adViewDidFailToReceiveAd(DZBannerView&, const DZRequestError::Ref& error) override {
        heard.push_back("failed " + std::to_string(error ? error->code() : -1));
        if (onFailure) onFailure();
    }
    std::vector<std::string> heard;
    std::function<void()> onFailure;
};

class Banner : public ::testing::Test {
  protected:
    void TearDown() override { bed_.runUntilIdle(); }
    std::shared_ptr<DZBannerView> bannerInWindow() {
        auto banner = DZBannerView::create(kDZAdSizeBanner);
        parent_->addSubview(banner);
        window_->addSubview(parent_);
        return banner;
    }
    // States the slot entered, from now on.
    std::shared_ptr<std::vector<int>> watch(DZSlot& slot) {
        auto states = std::make_shared<std::vector<int>>();
        slot.setStateChangeHandler([states](int, int to) { states->push_back(to); });
        return states;
    }

    tikoleap::test::AdViewTestBed bed_;
    Application app_{NotificationCenter::defaultCenter()};
    std::shared_ptr<Window> window_ = std::make_shared<Window>(Rect{0, 0, 320, 480}, &app_);
    std::shared_ptr<View> parent_ = std::make_shared<View>(Rect{0, 0, 320, 480});
};

struct Purchases : DZInAppPurchaseDelegate {
    void didReceiveInAppPurchase(const std::shared_ptr<DZInAppPurchase>&) override {}
};

}  // namespace

TEST_F(Banner, SizesFrameAndAlpha) {
    {
        platform::ScopedLogSink sink;
        EXPECT_EQ(DZBannerView::create(DZAdSize{{300, 50}, 0}), nullptr);
        EXPECT_EQ(RUVBannerView::create(DZAdSize{{300, 50}, 0}), nullptr);
        bed_.runUntilIdle();
        ASSERT_EQ(sink.lines().size(), 2u);
        for (const auto& line : sink.lines()) {
            EXPECT_EQ(line.find("<Rerive> Unable to set adSize property. "), 0u) << line;
            EXPECT_GT(line.size(), std::string("<Rerive> Unable to set adSize property. ").size() + 10);
        }
    }
    auto custom = DZBannerView::create();
    EXPECT_EQ(custom->adSize().size, (platform::Size{0, 0}));
    EXPECT_EQ(custom->adSize().flags, static_cast<uint32_t>(kDZAdSizeFlagCustom));

    auto banner = DZBannerView::create(kDZAdSizeBanner, {10, 20});
    EXPECT_EQ(banner->View::frame(), (Rect{10, 20, 320, 50}));
    EXPECT_EQ(banner->intrinsicContentSize(), (platform::Size{320, 50}));
    // An outside frame change becomes the ad size; the origin stays where the app put it.
    banner->setFrame({5, 5, 300, 250});
    EXPECT_TRUE(DZAdSizesAreEqual(banner->adSize(), kDZAdSizeMediumRectangle));
    EXPECT_EQ(banner->View::frame(), (Rect{5, 5, 300, 250}));
    EXPECT_EQ(banner->adView()->frame(), (Rect{0, 0, 300, 250}));  // the ad fills the banner

    banner->setAlpha(0.4f);
    EXPECT_EQ(banner->alpha(), 1.0f);
    banner->setAlpha(0);
    EXPECT_EQ(banner->alpha(), 0.0f);
}

TEST_F(Banner, ASizeChangeReloadsOnlyWhenTheSizeReallyChangesAfterAnAttempt) {
    auto controller = DZSDKCoreController::create();
    auto banner = bannerInWindow();
    banner->slot()->setSDKCoreController(controller);
    auto root = std::make_shared<ViewController>();
    banner->setRootViewController(root);
    banner->setAdUnitID("unit");
    banner->loadRequest(nullptr);
    auto states = watch(*banner->slot());

    banner->setAdSize(kDZAdSizeBanner);
    EXPECT_TRUE(states->empty());
    banner->setAdSize(kDZAdSizeLargeBanner);
    EXPECT_FALSE(states->empty());
    EXPECT_EQ(banner->View::frame().size, (platform::Size{320, 100}));

    banner->setAdSize(kDZAdSizeSmartBannerPortrait);
    states->clear();
    banner->setAdSize(kDZAdSizeSmartBannerLandscape);  // zero size, other flags
    EXPECT_FALSE(states->empty());
    banner->slot()->setStateChangeHandler(nullptr);
}

TEST_F(Banner, WithoutARootViewControllerTheLoadFailsWithCodeZeroAndTheRefreshIsArmedAgain) {
    auto banner = bannerInWindow();
    auto delegate = std::make_shared<AppDelegate>();
    banner->setDelegate(delegate);
    banner->setAdUnitID("unit");
    platform::ScopedLogSink sink;
    banner->loadRequest(nullptr);
    bed_.runUntilIdle();
    EXPECT_EQ(delegate->heard, (std::vector<std::string>{"failed 0"}));
    EXPECT_TRUE(banner->slot()->isReloadTimerArmed());
    bool logged = false;
    for (const auto& line : sink.lines())
        logged |=
            line.find("Must set the rootViewController property of DZBannerView before loading the ad.") !=
            std::string::npos;
    EXPECT_TRUE(logged);

    // The app may let its banner go while it hears of the failure: nothing runs on it afterwards.
    std::weak_ptr<DZBannerView> gone = banner;
    delegate->onFailure = [&banner] {
        banner->removeFromSuperview();
        banner.reset();
    };
    auto slot = banner->slot();
    slot->reloadCurrentRequest();
    bed_.runUntilIdle();
    EXPECT_TRUE(gone.expired());
    EXPECT_EQ(delegate->heard.size(), 2u);
    bed_.home().loop().advance(120);
    EXPECT_EQ(delegate->heard.size(), 2u);
}

TEST_F(Banner, ABannerReleasedMidLoadIsNeverHeardOfAgain) {
    auto controller = DZSDKCoreController::create();
    auto banner = bannerInWindow();
    banner->slot()->setSDKCoreController(controller);
    auto delegate = std::make_shared<AppDelegate>();
    banner->setDelegate(delegate);
    auto root = std::make_shared<ViewController>();
    banner->setRootViewController(root);
    banner->setAdUnitID("unit");
    banner->loadRequest(nullptr);
    std::weak_ptr<DZSlot> slot = banner->slot();
    ASSERT_EQ(slot.lock()->state(), 2);
    banner->removeFromSuperview();
    banner.reset();
    bed_.runUntilIdle();
    bed_.engine().finishLoad();  // the core page comes, and the request times out, with nobody left
    bed_.home().loop().advance(120);
    bed_.runUntilIdle();
    EXPECT_TRUE(delegate->heard.empty());
    EXPECT_TRUE(slot.expired());  // the core lets go of the slot it was asked for
}

TEST_F(Banner, OnlyABannerShownUpToAWindowRefreshes) {
    auto banner = bannerInWindow();
    DZSlot& slot = *banner->slot();
    EXPECT_EQ(banner->slotShouldReloadCurrentRequest(slot), true);
    parent_->setHidden(true);
    EXPECT_EQ(banner->slotShouldReloadCurrentRequest(slot), false);
    parent_->setHidden(false);
    window_->setHidden(true);
    EXPECT_EQ(banner->slotShouldReloadCurrentRequest(slot), false);
    window_->setHidden(false);
    parent_->removeFromSuperview();
    EXPECT_EQ(banner->slotShouldReloadCurrentRequest(slot), false);

    // After an ad: the slot's own ad view, hidden while a later load runs or after it failed,
    // does not stop the refresh; a hidden view of another network, or none, does.
    window_->addSubview(parent_);
    banner->slotFinishedLoadingAdContent(slot);
    bed_.runUntilIdle();
    ASSERT_TRUE(banner->hasLoadedAd());
    banner->rootAdView()->setHidden(true);
    EXPECT_EQ(banner->slotShouldReloadCurrentRequest(slot), true);
    parent_->setHidden(true);
    EXPECT_EQ(banner->slotShouldReloadCurrentRequest(slot), false);
    parent_->setHidden(false);
    auto network = std::make_shared<View>();
    banner->slotDidReceiveAdView(slot, network);
    EXPECT_EQ(banner->slotShouldReloadCurrentRequest(slot), true);
    network->setHidden(true);
    EXPECT_EQ(banner->slotShouldReloadCurrentRequest(slot), false);
    banner->slotDidReceiveAdView(slot, nullptr);
    EXPECT_EQ(banner->rootAdView(), nullptr);
    EXPECT_EQ(network->superview(), nullptr);
    EXPECT_EQ(banner->slotShouldReloadCurrentRequest(slot), false);
}

TEST_F(Banner, TheViewHierarchyListsAncestorsUpToTheSetCount) {
    auto lone = DZBannerView::create(kDZAdSizeBanner);
    lone->cacheViewHierarchyInformationForSlot(*lone->slot());
    EXPECT_EQ(lone->viewHierarchyInformationForSlot(*lone->slot()),
              (nlohmann::json{{"creator_class", "DZBannerView"}, {"parents", nlohmann::json::array()}}));

    auto banner = bannerInWindow();
    parent_->insertSubviewAt(std::make_shared<View>(), 0);
    parent_->setClipsToBounds(true);
    banner->cacheViewHierarchyInformationForSlot(*banner->slot());
    const auto parents = banner->viewHierarchyInformationForSlot(*banner->slot())->at("parents");
    ASSERT_GE(parents.size(), 2u);
    EXPECT_EQ(parents[0],
              (nlohmann::json{
                  {"type", "View"}, {"index_of_child", 1}, {"is_hidden", false}, {"clips_to_bounds", true}}));
    EXPECT_EQ(parents[1]["index_of_child"], window_->subviews().size() - 1);

    auto defaults = platform::UserDefaults::standard();
    for (int64_t count : {0, -3, 1}) {
        defaults->setInteger(DZBannerView::kParentViewCountKey, count);
        banner->cacheViewHierarchyInformationForSlot(*banner->slot());
        EXPECT_EQ(banner->viewHierarchyInformationForSlot(*banner->slot())->at("parents").size(),
                  count > 0 ? 1u : 0u)
            << count;
    }
    defaults->removeObjectForKey(DZBannerView::kParentViewCountKey);
}

TEST_F(Banner, ACustomRenderedAdTheAppCannotTakeIsDeclinedWithCodeTwelve) {
    auto banner = RUVBannerView::create(kDZAdSizeBanner);
    platform::ErrorRef error;
    EXPECT_EQ(banner->slotNotifyPublisherToRenderCustomRenderingAd(*banner->slot(), nullptr, &error), false);
    ASSERT_TRUE(error);
    EXPECT_EQ(error->code(), kDZErrorInvalidArgument);
    EXPECT_NE(banner->slot()->state(), 5);
}

TEST_F(Banner, APurchaseDelegateTheAppLetGoOfIsNoDelegate) {
    auto banner = DZBannerView::create(kDZAdSizeBanner);
    auto purchases = std::make_shared<Purchases>();
    banner->setInAppPurchaseDelegate(purchases);
    EXPECT_EQ(banner->slot()->inAppPurchaseDelegate(), purchases);
    purchases.reset();
    EXPECT_FALSE(banner->slot()->inAppPurchaseDelegate());
}
