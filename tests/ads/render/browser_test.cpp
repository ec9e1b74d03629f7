// The in-app browser opened by a page's "open" message on the scripted engine, over a screen on
// the virtual clock: its toolbar through a load, the referrer it sends, the desktop hand-off
// that records "pcbo", and Done.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "AdViewTestBed.h"
#include "ads/core/DZAd.h"
#include "ads/core/slot/DZSlot.h"
#include "ads/foundation/DZStatisticDictionary.h"
#include "ads/render/view/DZBannerAdViewDelegate.h"
#include "ads/render/view/DZBrowserAdView.h"
#include "ads/render/view/DZBrowserViewController.h"
#include "ads/render/view/DZOpener.h"
#include "platform/foundation/ScopedLogSink.h"
#include "platform/ui/ActivityIndicatorView.h"
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
    EXPECT_EQ(browser->slot(), slot_);
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
