// The in-app browser opened by a page's "open" message on the scripted engine, over a screen on
// the virtual clock: its toolbar through a load, the referrer it sends, the desktop hand-off
// that records "pcbo", and Done.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>

#include "AdViewTestBed.h"
#include "ads/core/DZAd.h"
#include "ads/core/slot/DZSDKCoreController.h"
#include "ads/core/slot/DZSlot.h"
#include "ads/foundation/DZStatisticDictionary.h"
#include "ads/render/view/DZBannerAdViewDelegate.h"
#include "ads/render/view/DZBrowserAdView.h"
#include "ads/render/view/DZBrowserViewController.h"
#include "ads/render/view/DZOpener.h"
#include "platform/foundation/ScopedLogSink.h"
#include "platform/ui/ActivityIndicatorView.h"
#include "platform/ui/AlertView.h"
#include "platform/ui/Label.h"
#include "platform/ui/Toolbar.h"
#include "platform/ui/UiDriver.h"
#include "platform/ui/Window.h"

using platform::ui::BarButtonItem;
using testing::ElementsAre;
using testing::HasSubstr;
using testing::IsEmpty;

namespace {

class Browser : public ::testing::Test {
  protected:
    Browser() {
        window_->setRunLoop(&bed_.home().loop());
        window_->makeKeyAndVisible();
        window_->setRootViewController(root_);
        slot_->setAdType(DZAdType::bannerAdTypeForSize(kDZAdSizeBanner));
        slot_->finishedLoadingAdResponse(std::make_shared<DZAd>());
        opener_ = &slot_->adViewDelegate()->opener();
        // The browser's own behaviour: the opens that reach it are taken as explained.
        opener_->setAutoClickProtected(false);
        // As the page's navigation to the message would.
        opener_->setNavigationContext("amsg://page/open", root_, slot_->adView());
        opener_->setReferringURL("https://ads.example:8443/unit/7?creative=9#top");
    }
    bool page(const std::string& message) {
        return slot_->adViewDelegate()->amsgHandlers().front()->handleRequest("amsg://page/" + message,
                                                                              slot_->adView());
    }
    void advance(double seconds) {
        driver_.advance(seconds);
        bed_.runUntilIdle();
    }
    std::shared_ptr<DZBrowserViewController> shown() {
        return std::dynamic_pointer_cast<DZBrowserViewController>(root_->presentedViewController());
    }
    bool tap(const DZBrowserViewController& browser, const std::shared_ptr<BarButtonItem>& item) {
        const bool tapped = driver_.tap(browser.toolbar()->viewForItem(*item));
        bed_.runUntilIdle();
        return tapped;
    }
    // The words said over a page that could not be loaded, while they are on screen.
    static std::shared_ptr<platform::ui::Label> loadFailure(DZBrowserViewController& browser) {
        for (const auto& label : browser.view()->descendantsOfClass<platform::ui::Label>()) {
            if (label->text() == "The page could not be loaded." && label->isShownUpToWindow()) return label;
        }
        return nullptr;
    }
    nlohmann::json statistic(const std::string& key) {
        return slot_->ad()->statistics()->objectForKey(key).value_or(nullptr);
    }

    tikoleap::test::AdViewTestBed bed_;
    std::shared_ptr<platform::ui::Window> window_ = std::make_shared<platform::ui::Window>();
    platform::ui::UiDriver driver_{window_, &bed_.home().loop()};
    std::shared_ptr<platform::ui::ViewController> root_ = std::make_shared<platform::ui::ViewController>();
    std::shared_ptr<DZSlot> slot_ = DZSlot::create({0, 0, 320, 50});
    DZOpener* opener_ = nullptr;
};

}  // namespace

TEST_F(Browser, ToolbarFollowsTheLoadRefererIsTheHostAndTheDesktopHandOffRecordsPcbo) {
    // Nothing for a screen of orientations the app has none of, nor for a page of another scheme.
    {
        platform::ScopedLogSink sink;
        EXPECT_TRUE(page("open?a=browser&o=l&u=https%3A%2F%2Fshop.example%2Flanding"));
        EXPECT_TRUE(page("open?a=browser&u=file%3A%2F%2F%2Fetc%2Fpasswd"));
        bed_.runUntilIdle();
        EXPECT_THAT(sink.lines(), ElementsAre(HasSubstr("\"file\" not opened")));
    }
    EXPECT_EQ(root_->presentedViewController(), nullptr);
    EXPECT_EQ(slot_->adClickCount(), 0);

    EXPECT_TRUE(page("open?a=browser&o=p&u=https%3A%2F%2Fshop.example%2Flanding"));
    auto browser = shown();
    ASSERT_NE(browser, nullptr);
    EXPECT_EQ(browser->supportedInterfaceOrientations(), 6u);
    EXPECT_EQ(browser->host(), slot_);
    EXPECT_EQ(slot_->adClickCount(), 1);
    advance(0.4);
    auto& engine = static_cast<platform::web::FakeWebEngine&>(*browser->adView()->engine());
    ASSERT_FALSE(engine.loadCalls().empty());
    const auto& request = engine.loadCalls().front();
    EXPECT_EQ(request.content, "https://shop.example/landing");
    EXPECT_THAT(request.headers, ElementsAre(std::pair<std::string, std::string>("Referer", "ads.example")));
    EXPECT_THAT(DZBrowserViewController::requestFor("https://shop.example/", "about:blank").headers,
                IsEmpty());

    // While the page loads the spinner stands in the middle and the desktop is not offered.
    const auto& bar = *browser->toolbar();
    const auto middle = [&] { return bar.items().at(4); };
    ASSERT_EQ(bar.items().size(), 9u);
    EXPECT_EQ(middle(), browser->spinnerContainingButton());
    EXPECT_TRUE(browser->spinner()->isAnimating());
    EXPECT_FALSE(browser->safariButton()->isEnabled());
    EXPECT_FALSE(browser->backButton()->isEnabled());
    tap(*browser, browser->safariButton());
    EXPECT_THAT(bed_.opener().opened(), IsEmpty());
    engine.finishLoad();
    bed_.runUntilIdle();
    EXPECT_EQ(middle(), browser->reloadButton());
    EXPECT_FALSE(browser->spinner()->isAnimating());
    EXPECT_TRUE(browser->safariButton()->isEnabled());

    // A followed link can be gone back from, and then forward to.
    EXPECT_TRUE(engine.navigate("https://shop.example/deals", platform::web::NavigationType::LinkClicked));
    bed_.runUntilIdle();
    engine.finishLoad();
    bed_.runUntilIdle();
    EXPECT_TRUE(browser->backButton()->isEnabled());
    EXPECT_FALSE(browser->forwardButton()->isEnabled());
    EXPECT_TRUE(tap(*browser, browser->backButton()));
    engine.finishLoad();
    bed_.runUntilIdle();
    EXPECT_EQ(browser->adView()->currentURL(), "https://shop.example/landing");
    EXPECT_FALSE(browser->backButton()->isEnabled());
    EXPECT_TRUE(browser->forwardButton()->isEnabled());

    // The desktop gets the page on view, and the ad records it.
    EXPECT_TRUE(statistic("pcbo").is_null());
    EXPECT_TRUE(tap(*browser, browser->safariButton()));
    EXPECT_THAT(bed_.opener().opened(), ElementsAre("https://shop.example/landing"));
    EXPECT_EQ(statistic("pcbo"), 1);

    // Done slides it away and lets it go.
    std::weak_ptr<DZBrowserViewController> gone = browser;
    EXPECT_TRUE(tap(*browser, browser->doneButton()));
    browser.reset();
    advance(0.4);
    EXPECT_EQ(root_->presentedViewController(), nullptr);
    EXPECT_TRUE(gone.expired());
}

TEST_F(Browser, ALandingPageThatFailsToLoadSaysSoUntilTheNextLoad) {
    EXPECT_TRUE(page("open?a=browser&u=https%3A%2F%2Fshop.example%2Flanding"));
    auto browser = shown();
    ASSERT_NE(browser, nullptr);
    advance(0.4);
    auto& engine = static_cast<platform::web::FakeWebEngine&>(*browser->adView()->engine());
    // A load stopped or replaced is no failure.
    platform::web::WebError error;
    error.code = platform::web::WebError::kCancelled;
    engine.failLoad(error);
    bed_.runUntilIdle();
    EXPECT_EQ(loadFailure(*browser), nullptr);

    ASSERT_TRUE(tap(*browser, browser->reloadButton()));
    error.code = platform::web::WebError::kTimedOut;
    engine.failLoad(error);
    bed_.runUntilIdle();
    auto label = loadFailure(*browser);
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(label->frame(), browser->adView()->frame());
    // Over the page, under the toolbar, whose buttons still work.
    const auto& views = browser->view()->subviews();
    EXPECT_LT(std::find(views.begin(), views.end(), browser->adView()),
              std::find(views.begin(), views.end(), label));
    EXPECT_LT(std::find(views.begin(), views.end(), label),
              std::find(views.begin(), views.end(), browser->toolbar()));
    EXPECT_EQ(browser->toolbar()->items().at(4), browser->reloadButton());

    ASSERT_TRUE(tap(*browser, browser->reloadButton()));
    EXPECT_EQ(loadFailure(*browser), nullptr);
    engine.finishLoad();
    bed_.runUntilIdle();
    EXPECT_EQ(loadFailure(*browser), nullptr);
    EXPECT_TRUE(tap(*browser, browser->doneButton()));
    advance(0.4);
}

// With no browser on the desktop, an ad's page that never opened is told to the player and is
// no click, whether the ad opened it or the in-app browser handed it on.
TEST_F(Browser, APageTheDesktopCannotOpenIsToldAndCountsNoClick) {
    struct NoBrowser : platform::UrlOpener {
        bool launch(const std::string&, std::string* error) override {
            *error = "no browser";
            return false;
        }
    };
    const auto toldAndAnswered = [&] {
        auto alert = std::dynamic_pointer_cast<platform::ui::AlertView>(driver_.frontModal());
        if (!alert || alert->message() != "The page could not be opened.") return false;
        return driver_.answerFront("OK");
    };
    auto recorder = platform::UrlOpener::setShared(std::make_shared<NoBrowser>());
    EXPECT_TRUE(opener_->openApp("https://shop.example/item"));
    bed_.runUntilIdle();
    EXPECT_EQ(slot_->adClickCount(), 0);
    EXPECT_FALSE(opener_->didOpenAnotherApplication());
    EXPECT_TRUE(toldAndAnswered());

    EXPECT_TRUE(page("open?a=browser&u=https%3A%2F%2Fshop.example%2Flanding"));
    auto browser = shown();
    ASSERT_NE(browser, nullptr);
    EXPECT_EQ(slot_->adClickCount(), 1);
    advance(0.4);
    static_cast<platform::web::FakeWebEngine&>(*browser->adView()->engine()).finishLoad();
    bed_.runUntilIdle();
    EXPECT_TRUE(tap(*browser, browser->safariButton()));
    EXPECT_TRUE(toldAndAnswered());
    EXPECT_TRUE(statistic("pcbo").is_null());
    EXPECT_EQ(slot_->adClickCount(), 1);
    platform::UrlOpener::setShared(recorder);

    EXPECT_TRUE(tap(*browser, browser->doneButton()));
    advance(0.4);
}

// A page that asks for the browser again and again (after every Done) gets it once per tap on the
// ad, and not for a tap older than two seconds.
TEST_F(Browser, AProtectedAdOpensTheBrowserOncePerRecentTap) {
    auto core = DZSDKCoreController::create();
    slot_->setSDKCoreController(core);
    opener_->setAutoClickProtected(true);
    const auto open = [&] {
        EXPECT_TRUE(page("open?a=browser&u=https%3A%2F%2Fshop.example%2Flanding"));
        auto browser = shown();
        if (!browser) return false;
        advance(0.4);
        EXPECT_TRUE(tap(*browser, browser->doneButton()));
        advance(0.4);
        return true;
    };
    EXPECT_FALSE(open());
    slot_->adView()->setTouched(true);
    EXPECT_TRUE(open());
    EXPECT_FALSE(open());
    EXPECT_FALSE(open());
    EXPECT_EQ(slot_->adClickCount(), 1);

    slot_->adView()->setTouched(true);
    advance(2.5);
    EXPECT_FALSE(open());
    EXPECT_EQ(slot_->adClickCount(), 1);
}
