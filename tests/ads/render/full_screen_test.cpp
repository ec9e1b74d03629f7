// Full-screen ad screens on a window on the virtual clock: the intermission's bookkeeping for
// several screens, the application's idle timer and status bar, returns to the foreground, the
// transparent layer's touches, and presentations that collide.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "AdViewTestBed.h"
#include "PageMessages.h"
#include "ads/core/DZAd.h"
#include "ads/core/slot/DZSDKCoreController.h"
#include "ads/core/slot/DZSlot.h"
#include "ads/foundation/DZDevice.h"
#include "ads/foundation/DZStatisticDictionary.h"
#include "ads/render/overlay/DZIntermission.h"
#include "ads/render/overlay/DZTransparentOverlayPresenter.h"
#include "ads/render/overlay/DZUnclickableView.h"
#include "ads/render/view/DZAdAppAdViewDelegate.h"
#include "ads/render/view/DZAdAppViewController.h"
#include "ads/render/view/DZAdView.h"
#include "ads/render/view/DZAdViewDelegate.h"
#include "ads/render/view/DZDefaultAMSGHandler.h"
#include "ads/render/view/DZInterstitialViewController.h"
#include "ads/render/view/DZOpener.h"
#include "ads/render/view/DZOverlayProxy.h"
#include "ads/render/viewability/DZZadavaDuruMonitor.h"
#include "platform/ui/Application.h"
#include "platform/ui/Button.h"
#include "platform/ui/NotificationCenter.h"
#include "platform/ui/UiDriver.h"
#include "platform/ui/Window.h"

using platform::Rect;
using platform::ui::Application;
using platform::ui::NotificationCenter;

namespace {

// The screen callbacks as letters: p(resent) w(ill dismiss) d(id dismiss).
struct ScreenEvents : DZSlotAdEventDelegate {
    std::string calls;
    void slotWillPresentScreen(DZSlot&) override { calls += 'p'; }
    void slotWillDismissScreen(DZSlot&) override { calls += 'w'; }
    void slotDidDismissScreen(DZSlot&) override { calls += 'd'; }
};

// A screen that is empty but for a button in its top left corner.
struct SparseScreen : DZViewController {
    std::shared_ptr<platform::ui::Button> button =
        std::make_shared<platform::ui::Button>(platform::ui::ButtonType::Custom, Rect{0, 0, 40, 40});
    int taps = 0;
    void loadView() override {
        setView(std::make_shared<DZUnclickableView>(Rect{0, 0, 320, 480}));
        button->addTarget(platform::ui::ControlEventTouchUpInside,
                          [this](platform::ui::Control&) { ++taps; });
        view()->addSubview(button);
    }
};

struct AppScreen : platform::ui::ViewController {
    int taps = 0;
    void viewDidLoad() override {
        auto button =
            std::make_shared<platform::ui::Button>(platform::ui::ButtonType::Custom, Rect{0, 0, 320, 480});
        button->addTarget(platform::ui::ControlEventTouchUpInside,
                          [this](platform::ui::Control&) { ++taps; });
        view()->addSubview(button);
    }
};

class FullScreen : public ::testing::Test {
  protected:
    FullScreen() {
        window_->setRunLoop(&bed_.home().loop());
        window_->makeKeyAndVisible();
        window_->setRootViewController(root_);
        slot_->setAdType(DZAdType::interstitialAdType());
        slot_->setAdEventDelegate(events_);
        willPresent_ = center().addObserver(DZViewController::kWillPresentFullScreenNotification,
                                            [this](const platform::ui::Notification&) { ++fullScreens_; });
        didDismiss_ = center().addObserver(DZViewController::kDidDismissFullScreenNotification,
                                           [this](const platform::ui::Notification&) { --fullScreens_; });
    }
    ~FullScreen() override {
        center().removeObserver(willPresent_);
        center().removeObserver(didDismiss_);
        app().enterForeground();
        app().setIdleTimerDisabled(false);
        app().setStatusBarHidden(false);
    }
    static NotificationCenter& center() { return NotificationCenter::defaultCenter(); }
    static Application& app() { return Application::shared(); }
    void advance(double seconds) {
        driver_.advance(seconds);
        bed_.runUntilIdle();
    }
    // A focus round trip; the foreground dismissals then run on the main loop.
    void returnToForeground() {
        app().enterBackground();
        app().enterForeground();
        bed_.runUntilIdle();
    }
    std::shared_ptr<DZInterstitialViewController> interstitial() {
        return DZInterstitialViewController::create(slot_);
    }
    // The slot's page loaded with a plain ad, as an interstitial is before it is shown.
    void loadPage() {
        slot_->setSDKCoreController(core_);
        slot_->finishedLoadingAdResponse(std::make_shared<DZAd>());
        slot_->adView()->loadHTMLString("<p/>", "https://ad.example/");
        bed_.runUntilIdle();
        static_cast<platform::web::FakeWebEngine&>(*slot_->adView()->engine()).finishLoad();
        bed_.runUntilIdle();
    }
    // The page's message, through the handlers of the ad view's delegate.
    void pageSends(const std::string& message) {
        auto view = slot_->adView();
        auto delegate = std::dynamic_pointer_cast<DZAdViewDelegate>(view->delegate());
        ASSERT_TRUE(delegate);
        bool taken = false;
        for (const auto& handler : delegate->amsgHandlers())
            if ((taken = handler->handleRequest("amsg://page/" + message, view))) break;
        EXPECT_TRUE(taken) << message;
        bed_.runUntilIdle();
    }
    // What the slot's page heard since the last call: names, and "<name>:<visible>" for
    // visibility, "<name>:<w>x<h>@<x>,<y>" for places.
    std::string heard() {
        bed_.runUntilIdle();
        const auto messages = tikoleap::test::pageMessages(*slot_->adView());
        std::string out;
        for (std::size_t i = heard_; i < messages.size(); ++i) {
            const auto& [name, info] = messages[i];
            std::string word = name;
            if (name == "onAdVisibilityChanged") word += ":" + info["visible"].dump();
            if (name == "onSizeChanged" || name == "onDefaultPositionReceived")
                word += ":" + std::to_string(info["width"].get<int>()) + "x" +
                        std::to_string(info["height"].get<int>()) + "@" +
                        std::to_string(info["x"].get<int>()) + "," + std::to_string(info["y"].get<int>());
            out += (out.empty() ? "" : " ") + word;
        }
        heard_ = messages.size();
        return out;
    }

    tikoleap::test::AdViewTestBed bed_;
    std::shared_ptr<platform::ui::Window> window_ = std::make_shared<platform::ui::Window>();
    platform::ui::UiDriver driver_{window_, &bed_.home().loop()};
    std::shared_ptr<AppScreen> root_ = std::make_shared<AppScreen>();
    // A core of its own, outliving the slot that hands its page back: the shared one would keep
    // a page made on this test's loop.
    std::shared_ptr<DZSDKCoreController> core_ = DZSDKCoreController::create();
    std::shared_ptr<DZSlot> slot_ = DZSlot::create({0, 0, 320, 480});
    std::shared_ptr<ScreenEvents> events_ = std::make_shared<ScreenEvents>();
    std::size_t heard_ = 0;
    // Full-screen notices: up for will-present, down for did-dismiss.
    int fullScreens_ = 0;
    NotificationCenter::Token willPresent_ = 0, didDismiss_ = 0;
};

}  // namespace

TEST_F(FullScreen, TwoScreensMakeOneIntermissionThatRestoresTheIdleTimerAndTheStatusBar) {
    for (bool appDisabledIdleTimer : {false, true}) {
        SCOPED_TRACE(appDisabledIdleTimer);
        events_->calls.clear();
        app().setIdleTimerDisabled(appDisabledIdleTimer);
        auto ad = interstitial();
        ad->presentFromViewController(root_, {});
        advance(0.4);
        ASSERT_EQ(root_->presentedViewController(), ad);
        EXPECT_TRUE(app().isIdleTimerDisabled());
        EXPECT_TRUE(app().isStatusBarHidden());

        // A store sheet over the ad joins the same intermission.
        auto sheet = std::make_shared<AppScreen>();
        auto proxy = DZOverlayProxy::create(sheet);
        ASSERT_TRUE(proxy);
        EXPECT_FALSE(DZOverlayProxy::create(sheet));  // one proxy per screen
        proxy->setHost(slot_);
        ASSERT_TRUE(proxy->presentFromViewController(ad, {}));
        advance(0.4);
        EXPECT_EQ(ad->presentedViewController(), sheet);
        EXPECT_EQ(slot_->intermission()->activeParticipantCount(), 2u);

        proxy->relinquishScreenWithCompletion({});
        advance(0.4);
        EXPECT_EQ(events_->calls, "p");
        int closed = 0;
        ad->relinquishScreenWithCompletion([&] { ++closed; });
        EXPECT_EQ(events_->calls, "pw");
        EXPECT_EQ(app().isIdleTimerDisabled(), appDisabledIdleTimer);
        EXPECT_FALSE(app().isStatusBarHidden());
        advance(0.4);
        EXPECT_EQ(events_->calls, "pwd");
        EXPECT_EQ(closed, 1);
        EXPECT_FALSE(root_->presentedViewController());
        EXPECT_EQ(fullScreens_, 0);
    }
}

TEST_F(FullScreen, AFocusRoundTripClosesTheInterstitialAndTheSheetOverItInOneIntermission) {
    std::weak_ptr<DZInterstitialViewController> weakAd;
    auto sheet = std::make_shared<AppScreen>();  // kept, as a cache of sheets would
    {
        auto ad = interstitial();
        weakAd = ad;
        ad->presentFromViewController(root_, {});
        advance(0.4);
        auto proxy = DZOverlayProxy::create(sheet);
        proxy->setHost(slot_);
        proxy->presentFromViewController(ad, {});
        advance(0.4);
        EXPECT_FALSE(proxy->shouldDismissOnApplicationEnteringForeground());
    }
    returnToForeground();
    advance(0.4);
    // The ad closed, taking the sheet above it along; the intermission saw both go.
    EXPECT_FALSE(root_->presentedViewController());
    EXPECT_FALSE(sheet->presentingViewController());
    EXPECT_EQ(events_->calls, "pwd");
    EXPECT_EQ(fullScreens_, 0);
    EXPECT_TRUE(weakAd.expired());
}

TEST_F(FullScreen, AReturnFromWhereTheAdsClickLedKeepsTheAdOnce) {
    auto ad = DZAdAppViewController::create();
    ad->setHost(slot_);
    ad->load("https://ad.example/page");
    ad->presentFromViewController(root_, {});
    advance(0.4);
    bed_.engine().finishLoad();
    bed_.runUntilIdle();
    ASSERT_TRUE(ad->isLoaded());

    ad->adViewDelegate()->opener().setDidOpenAnotherApplication(true);
    returnToForeground();
    advance(0.4);
    EXPECT_EQ(root_->presentedViewController(), ad);
    EXPECT_FALSE(ad->adViewDelegate()->opener().didOpenAnotherApplication());

    returnToForeground();
    advance(0.4);
    EXPECT_FALSE(root_->presentedViewController());
    EXPECT_EQ(events_->calls, "pwd");

    // A page that draws its own close goes on every return, click or not.
    ad->setUseCustomClose(true);
    ad->presentFromViewController(root_, {});
    advance(0.4);
    ad->adViewDelegate()->opener().setDidOpenAnotherApplication(true);
    returnToForeground();
    advance(0.4);
    EXPECT_FALSE(root_->presentedViewController());

    // Otherwise the close button in the top left corner closes it.
    ad->setUseCustomClose(false);
    ad->presentFromViewController(root_, {});
    advance(0.4);
    EXPECT_EQ(driver_.tapAt({16, 16}), ad->closeButton());
    advance(0.4);
    EXPECT_FALSE(root_->presentedViewController());
}

TEST_F(FullScreen, ThePagesOwnCloseGivesUpTheScreenOfTheControllerShowingIt) {
    DZDefaultAMSGHandler handler;
    auto close = [&](const std::shared_ptr<DZAdView>& view) {
        EXPECT_TRUE(handler.handleRequest("amsg://page/close", view));
        advance(0.5);
    };
    for (bool customClose : {false, true}) {
        SCOPED_TRACE(customClose);
        events_->calls.clear();
        auto ad = interstitial();
        ad->setUseCustomClose(customClose);
        auto page = ad->adView();
        ad->presentFromViewController(root_, {});
        advance(0.5);
        ASSERT_EQ(root_->presentedViewController(), ad);
        close(page);
        EXPECT_FALSE(root_->presentedViewController());
        EXPECT_EQ(events_->calls, "pwd");
        EXPECT_EQ(fullScreens_, 0);
        close(page);  // gone already: nothing more
        EXPECT_EQ(events_->calls, "pwd");
    }

    // A second page shown over the app goes the same way.
    auto app = DZAdAppViewController::create();
    app->setHost(slot_);
    app->presentFromViewController(root_, {});
    advance(0.5);
    ASSERT_EQ(root_->presentedViewController(), app);
    close(app->adView());
    EXPECT_FALSE(root_->presentedViewController());

    // A page in its place in the app has no screen to give up.
    auto banner = DZAdView::create({0, 0, 320, 50});
    banner->setViewController(root_);
    root_->view()->addSubview(banner);
    close(banner);
    EXPECT_EQ(banner->superview(), root_->view());
}

TEST_F(FullScreen, ARichMediaPageThatSaysSoOnlyOnScreenGetsItsCloseAndHearsItIsShown) {
    loadPage();
    auto ad = interstitial();
    ad->presentFromViewController(root_, {});
    advance(0.5);
    // Not yet known as rich media: the plain close, and nothing a plain page could not take.
    EXPECT_EQ(ad->closeButton()->frame(), (Rect{0, 0, 32, 32}));
    EXPECT_EQ(heard(), "");

    pageSends("mraidLoaded");
    EXPECT_TRUE(slot_->isMRAIDEnabled());
    EXPECT_EQ(ad->closeButton()->frame(), (Rect{270, 0, 50, 50}));
    EXPECT_EQ(ad->closeButton()->superview(), ad->view());
    const std::string said = heard();
    EXPECT_NE(said.find("onReadyEventReceived onshow"), std::string::npos) << said;
    pageSends("mraidLoaded");  // said twice: shown is told once
    EXPECT_EQ(heard().find("onshow"), std::string::npos);

    ad->relinquishScreenWithCompletion({});
    advance(0.5);
    const std::string gone = heard();
    EXPECT_NE(gone.find("onhide"), std::string::npos) << gone;

    // A plain page hears neither.
    slot_->finishedLoadingAdResponse(std::make_shared<DZAd>());
    auto plain = interstitial();
    plain->presentFromViewController(root_, {});
    advance(0.5);
    plain->relinquishScreenWithCompletion({});
    advance(0.5);
    const std::string plainSaid = heard();
    EXPECT_EQ(plainSaid.find("onshow"), std::string::npos) << plainSaid;
    EXPECT_EQ(plainSaid.find("onhide"), std::string::npos) << plainSaid;
}

TEST_F(FullScreen, AShownRichMediaInterstitialIsMeasuredAndHearsItsPlaceAndVisibility) {
    DZDevice::sharedInstance()->cacheStaticParameters();  // the 320 x 480 screen, as the game starts it
    loadPage();
    pageSends("mraidLoaded");
    // Its default place is the screen it will take, known to its ready listener.
    const std::string announced = heard();
    const auto place = announced.find("onDefaultPositionReceived:320x480@0,0");
    EXPECT_NE(place, std::string::npos) << announced;
    EXPECT_LT(place, announced.find("onReadyEventReceived")) << announced;
    auto ad = interstitial();
    slot_->didMakeAdImpression();
    ad->presentFromViewController(root_, {});
    advance(1);
    // Its own ad view is measured: no owner named another.
    ASSERT_TRUE(slot_->zadavaDuruMonitor());
    EXPECT_EQ(slot_->zadavaDuruMonitor()->monitoredView(), slot_->adView());
    EXPECT_GT(slot_->zadavaDuruUnitsSent(), 1u);
    const std::string shown = heard();
    for (const char* expected : {"onSizeChanged:320x480@0,0", "onAdVisibilityChanged:true"})
        EXPECT_NE(shown.find(expected), std::string::npos) << expected << " in " << shown;
    // Shown where it was told it would be, it is not told again.
    EXPECT_EQ(shown.find("onDefaultPositionReceived"), std::string::npos) << shown;

    ad->relinquishScreenWithCompletion({});
    advance(0.5);
    const std::string gone = heard();
    EXPECT_NE(gone.find("onAdVisibilityChanged:false"), std::string::npos) << gone;
}

TEST_F(FullScreen, AClosedRichMediaInterstitialIsNotToldItIsVisibleAgain) {
    loadPage();
    pageSends("mraidLoaded");
    auto ad = interstitial();
    slot_->didMakeAdImpression();
    ad->presentFromViewController(root_, {});
    advance(1);
    heard();
    // The page closes itself; the core page's answer to the last sample, taken as the ad began
    // to go, comes after that.
    pageSends("close");
    slot_->adViewDidChangeZadavaDuruVisibility(true);
    advance(1);
    const std::string closed = heard();
    const auto hidden = closed.find("onhide");
    ASSERT_NE(hidden, std::string::npos) << closed;
    EXPECT_EQ(closed.find("onAdVisibilityChanged:true", hidden), std::string::npos) << closed;
}

TEST_F(FullScreen, APageWithTheScreenToItselfIsShownOnWhiteUnlessItAskedToBeClear) {
    loadPage();
    EXPECT_EQ(slot_->adView()->pageBackgroundColor(), platform::ui::Color::clear());
    auto ad = interstitial();
    ad->presentFromViewController(root_, {});
    advance(0.5);
    EXPECT_EQ(slot_->adView()->pageBackgroundColor(), platform::ui::Color::white());
    ad->relinquishScreenWithCompletion({});
    advance(0.5);

    auto app = DZAdAppViewController::create();
    app->setHost(slot_);
    app->presentFromViewController(root_, {});
    advance(0.5);
    EXPECT_EQ(app->adView()->pageBackgroundColor(), platform::ui::Color::white());
    app->relinquishScreenWithCompletion({});
    advance(0.5);

    auto clear = DZAdAppViewController::create();
    clear->setHost(slot_);
    clear->setUsesTransparentOverlayPresenter(true);
    clear->presentFromViewController(root_, {});
    advance(0.5);
    EXPECT_EQ(clear->adView()->pageBackgroundColor(), platform::ui::Color::clear());
    clear->relinquishScreenWithCompletion({});
    advance(0.5);
}

TEST_F(FullScreen, TheTransparentLayerPassesTouchesOnItsEmptyAreaToTheApp) {
    auto ad = std::make_shared<SparseScreen>();
    ad->setHost(slot_);
    ad->setPresenter(std::make_shared<DZTransparentOverlayPresenter>());
    ad->presentFromViewController(root_, {});
    advance(0.5);
    ASSERT_TRUE(ad->view()->window());
    EXPECT_FALSE(root_->presentedViewController());  // a layer, not a presentation

    EXPECT_EQ(driver_.tapAt({200, 300}), root_->view()->subviews().front());
    EXPECT_EQ(root_->taps, 1);
    driver_.tapAt({20, 20});
    EXPECT_EQ(ad->taps, 1);
    EXPECT_EQ(root_->taps, 1);

    // Closing fades the layer out and takes it off the window.
    ad->relinquishScreenWithCompletion({});
    advance(0.3);
    EXPECT_FALSE(ad->view()->window());
    EXPECT_TRUE(window_->presentedViews().empty());
    EXPECT_EQ(events_->calls, "pwd");
}

TEST_F(FullScreen, CollidingPresentationsAndDismissalsEndConsistent) {
    auto ad = interstitial();
    ad->presentFromViewController(root_, {});
    ad->presentFromViewController(root_, {});  // twice
    advance(0.1);
    {
        // Another ad while the root already presents: refused, and nothing of it stays behind.
        auto other = DZAdAppViewController::create();
        other->setHost(slot_);
        int shown = 0;
        other->presentFromViewController(root_, [&] { ++shown; });
        EXPECT_EQ(shown, 0);
    }
    EXPECT_EQ(slot_->intermission()->activeParticipantCount(), 1u);
    EXPECT_EQ(fullScreens_, 1);

    // Closed mid-slide: the did-dismiss notice comes at once, the rest when it has gone.
    int closed = 0;
    ad->relinquishScreenWithCompletion([&] { ++closed; });
    ad->relinquishScreenWithCompletion([&] { ++closed; });
    EXPECT_EQ(fullScreens_, 0);
    EXPECT_EQ(events_->calls, "pw");
    advance(0.5);
    EXPECT_EQ(closed, 2);
    EXPECT_FALSE(root_->presentedViewController());
    EXPECT_EQ(events_->calls, "pwd");

    // Sent to the background mid-slide: closed on the way back.
    auto second = interstitial();
    second->presentFromViewController(root_, {});
    advance(0.1);
    returnToForeground();
    advance(0.5);
    EXPECT_FALSE(root_->presentedViewController());
    EXPECT_EQ(events_->calls, "pwdpwd");
    EXPECT_EQ(fullScreens_, 0);
    EXPECT_EQ(slot_->intermission()->activeParticipantCount() +
                  slot_->intermission()->deactivatingParticipantCount(),
              0u);
}

TEST_F(FullScreen, AControllerThatGoesRecordsItsDismissalAndRunsItsCompletionOnce) {
    slot_->finishedLoadingAdResponse(std::make_shared<DZAd>());
    auto statistics = slot_->ad()->statistics();
    statistics->setObjectForKey(1234, "tclickcurr", false);
    int completions = 0;
    {
        auto ad = DZAdAppViewController::create();
        ad->setHost(slot_);
        ad->setDismissalCompletion([&] { ++completions; });
    }
    EXPECT_EQ(completions, 1);
    auto tclick = statistics->objectForKey("tclick").value_or(nullptr);
    ASSERT_TRUE(tclick.is_array());
    ASSERT_EQ(tclick.size(), 1u);
    EXPECT_EQ(tclick[0][0], 1234);
    EXPECT_EQ(tclick[0][1], statistics->objectForKey("tlanding_page_load_dismiss").value_or(nullptr));
}
