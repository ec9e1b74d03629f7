// Every full-screen view that shows an ad's page, on a window on the virtual clock: whatever its
// page tries (opens, the in-app browser, a web app, an expand, a store sheet, a purchase, a link
// followed), nothing happens and no click is pinged until a tap on the view; one tap explains
// one of them.
#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>

#include "AdViewTestBed.h"
#include "ads/core/DZAd.h"
#include "ads/core/DZInAppPurchase.h"
#include "ads/core/slot/DZSDKCoreController.h"
#include "ads/core/slot/DZSlot.h"
#include "ads/foundation/DZDevice.h"
#include "ads/render/view/DZAdViewDelegate.h"
#include "ads/render/view/DZBrowserAdView.h"
#include "ads/render/view/DZBrowserViewController.h"
#include "ads/render/view/DZInterstitialViewController.h"
#include "platform/ui/UiDriver.h"
#include "platform/ui/ViewController.h"
#include "platform/ui/Window.h"

using platform::web::FakeWebEngine;
using platform::web::NavigationType;

namespace {

// What reached the slot's owner: click pings and purchase offers.
struct Owner : DZSlotDelegate, DZInAppPurchaseDelegate {
    std::weak_ptr<Owner> self;
    int pings = 0, purchases = 0;
    std::shared_ptr<DZInAppPurchaseDelegate> inAppPurchaseDelegate() override { return self.lock(); }
    void didReceiveInAppPurchase(const std::shared_ptr<DZInAppPurchase>&) override { ++purchases; }
    void slotDidReceiveAdClick(DZSlot&) override { ++pings; }
};

enum class Screen { Interstitial, Expanded, Resized, TwoPartExpand, InAppBrowser };

struct Tally {
    int clicks, pings, purchases, opened;
    bool operator==(const Tally&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Tally& t) {
    return out << "clicks " << t.clicks << ", pings " << t.pings << ", purchases " << t.purchases
               << ", desktop opens " << t.opened;
}

class FullScreenClicks : public ::testing::TestWithParam<Screen> {
  protected:
    FullScreenClicks() {
        window_->setRunLoop(&bed_.home().loop());
        window_->makeKeyAndVisible();
        window_->setRootViewController(root_);
        DZDevice::sharedInstance()->cacheStaticParameters();  // the 320 x 480 screen, as the game starts it
        owner_->self = owner_;
        slot_->setSlotDelegate(owner_);
        slot_->setSDKCoreController(core_);
        markToken_ = DZAdViewDelegate::pageMessageCenter().addObserver(
            "tikoleapMark", [this](const platform::ui::Notification& notice) {
                lastMark_ = static_cast<const DZUnhandledAMSGMessage*>(notice.object)
                                ->note->parameter("n")
                                .value_or("");
            });
    }
    ~FullScreenClicks() override {
        DZAdViewDelegate::pageMessageCenter().removeObserver(markToken_);
        for (auto shown = root_->presentedViewController(); shown; shown = root_->presentedViewController()) {
            auto screen = std::dynamic_pointer_cast<DZViewController>(shown);
            if (!screen) break;
            screen->relinquishScreenWithCompletion({});
            advance(1);
        }
        advance(1);
    }
    void advance(double seconds) {
        driver_.advance(seconds);
        bed_.runUntilIdle();
    }
    static FakeWebEngine& engineOf(const DZAdView& page) {
        return static_cast<FakeWebEngine&>(*page.engine());
    }
    // The page sends a message through its own navigation; it has been handled, with the work it
    // left for the main loop, by the time this returns (a mark sent after it has come back).
    void send(const DZAdView& page, const std::string& message) {
        engineOf(page).navigate("amsg://page/" + message);
        const std::string mark = std::to_string(++sentMarks_);
        engineOf(page).navigate("amsg://page/tikoleapMark?n=" + mark);
        ASSERT_TRUE(bed_.home().pump().until([&] { return lastMark_ == mark; }, std::chrono::seconds(5)));
        bed_.runUntilIdle();
    }
    // The slot's page, loaded.
    void loadPage() {
        slot_->finishedLoadingAdResponse(std::make_shared<DZAd>());
        slot_->adView()->loadHTMLString("<p/>", "https://ad.example/");
        bed_.runUntilIdle();
        engineOf(*slot_->adView()).finishLoad();
        bed_.runUntilIdle();
    }
    // The page of the screen asked for, on screen, reached the way a player reaches it.
    std::shared_ptr<DZAdView> show(Screen screen) {
        const auto page = slot_->adView();
        if (screen == Screen::Interstitial) {
            slot_->setAdType(DZAdType::interstitialAdType());
            loadPage();
            interstitial_ = DZInterstitialViewController::create(slot_);
            interstitial_->presentFromViewController(root_, {});
            advance(0.5);
            return page;
        }
        // The others come from a banner the player tapped.
        slot_->setAdType(DZAdType::bannerAdTypeForSize(kDZAdSizeBanner));
        root_->view()->addSubview(page);
        page->setFrame({0, 430, 320, 50});
        page->setViewController(root_);
        loadPage();
        advance(0.5);
        EXPECT_TRUE(driver_.tap(page));
        switch (screen) {
            case Screen::Expanded:
                send(*page, "open?a=expand");
                break;
            case Screen::Resized:
                send(*page,
                     "mraid?a=resize&width=320&height=250&offsetX=0&offsetY=-200&customClosePosition=top-"
                     "right&allowOffscreen=false");
                break;
            case Screen::TwoPartExpand:
                send(*page, "open?a=webapp&u=https%3A%2F%2Fad.example%2Fpart2");
                break;
            default:
                send(*page, "open?a=browser&u=https%3A%2F%2Fshop.example%2Flanding");
                break;
        }
        advance(0.5);
        EXPECT_EQ(slot_->adClickCount(), 1) << "the banner's tap opened no screen";
        if (slot_->adClickCount() != 1) return nullptr;
        if (screen == Screen::Expanded || screen == Screen::Resized) return page;
        auto shown = root_->presentedViewController();
        if (auto browser = std::dynamic_pointer_cast<DZBrowserViewController>(shown))
            return browser->adView();
        auto app = std::dynamic_pointer_cast<DZAdAppViewController>(shown);
        return app ? app->adView() : nullptr;
    }
    // Everything a page can try for a click.
    void attack(const DZAdView& page) {
        for (const char* message : {"open?u=https%3A%2F%2Fshop.example%2Fapp",
                                    "open?a=browser&u=https%3A%2F%2Fshop.example%2Fbrowser",
                                    "open?a=webapp&u=https%3A%2F%2Fad.example%2Fapp", "open?a=expand",
                                    "open?a=in_app_purchase&product_id=coins&quantity=1",
                                    "open?a=in_app_store&product_id=7&u=https%3A%2F%2Fshop.example%2Fstore",
                                    "mraid?a=resize&width=300&height=200&offsetX=0&offsetY=0&"
                                    "customClosePosition=top-right&allowOffscreen=false"})
            send(page, message);
        engineOf(page).navigate("https://shop.example/link", NavigationType::LinkClicked);
        advance(0.5);
    }
    Tally tally() {
        bed_.runUntilIdle();
        return {slot_->adClickCount(), owner_->pings, owner_->purchases,
                static_cast<int>(bed_.opener().opened().size())};
    }

    tikoleap::test::AdViewTestBed bed_;
    std::shared_ptr<platform::ui::Window> window_ = std::make_shared<platform::ui::Window>();
    platform::ui::UiDriver driver_{window_, &bed_.home().loop()};
    std::shared_ptr<platform::ui::ViewController> root_ = std::make_shared<platform::ui::ViewController>();
    std::shared_ptr<DZSDKCoreController> core_ = DZSDKCoreController::create();
    std::shared_ptr<DZSlot> slot_ = DZSlot::create({0, 0, 320, 50});
    std::shared_ptr<Owner> owner_ = std::make_shared<Owner>();
    std::shared_ptr<DZInterstitialViewController> interstitial_;
    platform::ui::NotificationCenter::Token markToken_{};
    int sentMarks_ = 0;
    std::string lastMark_;
};

}  // namespace

TEST_P(FullScreenClicks, NothingOpensWithoutATapOnTheViewAndOneTapExplainsOneOpen) {
    const auto page = show(GetParam());
    ASSERT_TRUE(page);
    ASSERT_TRUE(page->window()) << "not on screen";
    const Tally shown = tally();

    attack(*page);
    EXPECT_EQ(tally(), shown);

    ASSERT_TRUE(driver_.tap(page));
    attack(*page);
    // The first of them, an open outside the app: one click, counted and pinged once.
    EXPECT_EQ(tally(), (Tally{shown.clicks + 1, shown.pings + 1, shown.purchases, shown.opened + 1}));
}

static std::string screenName(const ::testing::TestParamInfo<Screen>& info) {
    static const char* const kNames[] = {"Interstitial", "Expanded", "Resized", "TwoPartExpand",
                                         "InAppBrowser"};
    return kNames[static_cast<int>(info.param)];
}

INSTANTIATE_TEST_SUITE_P(EveryScreen, FullScreenClicks,
                         ::testing::Values(Screen::Interstitial, Screen::Expanded, Screen::Resized,
                                           Screen::TwoPartExpand, Screen::InAppBrowser),
                         screenName);
