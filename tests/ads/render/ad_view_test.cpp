// The ad view's own life: the SDK event queue, the page's orientation, the place it is lifted
// from, its configuration and the spare web views it comes from and goes back to.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "AdViewTestBed.h"
#include "ads/foundation/DZDevice.h"
#include "ads/render/view/DZBrowserAdView.h"
#include "ads/render/view/DZWebViewCacheSet.h"
#include "platform/defaults/UserDefaults.h"
#include "platform/ui/NotificationCenter.h"

using platform::web::FakeWebEngine;

namespace {

class AdViewLife : public ::testing::Test {
  protected:
    void SetUp() override { previousCache_ = DZAdView::setWebViewCache(cache(3)); }
    void TearDown() override {
        DZAdView::setWebViewCache(previousCache_);
        bed_.runUntilIdle();
    }
    static std::shared_ptr<DZWebViewCacheSet> cache(int64_t capacity) {
        auto defaults = platform::UserDefaults::standard();
        defaults->setInteger(DZWebViewCacheSet::kMaxCapacityKey, capacity);
        return DZWebViewCacheSet::initWithMaxCapacity(DZWebViewCacheSet::capacityFromDefaults(*defaults));
    }
    static FakeWebEngine& fake(const DZAdView& view) { return static_cast<FakeWebEngine&>(*view.engine()); }
    // The scripts the page was asked to run that contain `text`.
    static std::vector<std::string> scripts(const DZAdView& view, const std::string& text) {
        std::vector<std::string> found;
        for (const auto& pending : fake(view).pendingScripts()) {
            if (pending.script.find(text) != std::string::npos) found.push_back(pending.script);
        }
        return found;
    }
    // Drops the view and plays the blank page its web view is given back with, whose body then
    // reads `body`; the engine, which may be gone after this.
    FakeWebEngine* giveBack(std::shared_ptr<DZAdView> view, const std::string& body) {
        auto webView = view->webView();
        FakeWebEngine* engine = &fake(*view);
        view.reset();
        bed_.runUntilIdle();
        if (engine->loadCalls().empty() || engine->loadCalls().back().content != "about:blank") return engine;
        engine->finishLoad();
        bed_.runUntilIdle();
        EXPECT_TRUE(engine->completeScript({true, body, ""}));
        bed_.runUntilIdle();
        return engine;
    }

    int liveEngines_ = 0;  // outlives the engines a test leaves to the cache
    tikoleap::test::AdViewTestBed bed_;
    std::shared_ptr<DZWebViewCacheSet> previousCache_;
};

}  // namespace

TEST_F(AdViewLife, TwentyEventsWaitForTheLoadInOrderAndANewLoadCancelsThem) {
    auto view = DZAdView::create({0, 0, 320, 50});
    view->loadRequest({"https://ads.example/", {}});
    bed_.runUntilIdle();
    for (int i = 0; i < 21; ++i)
        view->dispatchSDKEvent("e" + std::to_string(i), nlohmann::json{{"version", "x"}});
    bed_.runUntilIdle();
    EXPECT_TRUE(scripts(*view, "ZAZO_ReceiveMessage").empty());
    fake(*view).finishLoad();
    bed_.runUntilIdle();
    auto sent = scripts(*view, "ZAZO_ReceiveMessage");
    ASSERT_EQ(sent.size(), 20u);
    EXPECT_NE(sent.front().find("\"e0\""), std::string::npos);
    EXPECT_NE(sent.back().find("\"e19\""), std::string::npos);
    EXPECT_NE(sent.front().find("\"version\":\"x\""), std::string::npos);
    EXPECT_NE(sent.front().find("\"device\":"), std::string::npos);

    view->dispatchSDKEvent("loaded", std::nullopt);
    bed_.runUntilIdle();
    EXPECT_EQ(scripts(*view, "ZAZO_ReceiveMessage").size(), 21u);

    view->loadHTMLString("<p/>", "https://ads.example/");
    view->dispatchSDKEvent("stale", std::nullopt);
    view->loadRequest({"https://ads.example/2", {}});
    EXPECT_EQ(view->queuedEventCount(), 0u);
}

TEST_F(AdViewLife, AnOrientationIsSentOnceAndOnlyForTheFourInterfaceOrientations) {
    auto view = DZAdView::create({0, 0, 320, 50});
    view->forceRotateToOrientation(3);
    view->forceRotateToOrientation(3);
    view->setHTMLWindowOrientation(0, true);
    view->setHTMLWindowOrientation(5, true);
    auto sent = scripts(*view, "__defineGetter__");
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_NE(sent[0].find("return 90;"), std::string::npos);
    EXPECT_NE(sent[0].find("orientationchange"), std::string::npos);
    EXPECT_EQ(view->orientation(), 3);
    view->didRotateToOrientation(4);
    sent = scripts(*view, "__defineGetter__");
    ASSERT_EQ(sent.size(), 2u);
    EXPECT_NE(sent[1].find("return -90;"), std::string::npos);
    EXPECT_EQ(sent[1].find("orientationchange"), std::string::npos);
}

TEST_F(AdViewLife, ConfigurationSavedPlaceAndTheFirstUserAgent) {
    auto view = DZAdView::create({0, 0, 320, 50});
    EXPECT_EQ(fake(*view).backgroundColor().a, 0);
    // An ad's page scrolls without the desktop's bars; a landing page keeps them.
    EXPECT_FALSE(fake(*view).showsScrollBars());
    EXPECT_TRUE(fake(*DZBrowserAdView::create({0, 0, 320, 480})).showsScrollBars());
    view->configureAsBannerAdView();
    EXPECT_TRUE(view->isHidden());
    EXPECT_EQ(fake(*view).mediaPlayback(), platform::web::MediaPlayback::Automatic);
    platform::UserDefaults::standard()->setBool(DZAdView::kBannerPreventAutoplayKey, true);
    view->configureAsBannerAdView();
    EXPECT_EQ(fake(*view).mediaPlayback(), platform::web::MediaPlayback::RequiresUserGesture);

    auto slot = std::make_shared<platform::ui::View>(platform::Rect{0, 0, 320, 480});
    auto expanded = std::make_shared<platform::ui::View>(platform::Rect{0, 0, 320, 480});
    slot->addSubview(view);
    view->saveState();
    view->setFrame({0, 0, 320, 480});
    view->setPageBackgroundColor(platform::ui::Color::white());
    expanded->addSubview(view);
    view->saveState();  // the first place is kept
    view->restoreState();
    EXPECT_EQ(view->superview(), slot);
    EXPECT_EQ(view->pageBackgroundColor(), platform::ui::Color::clear());
    EXPECT_EQ(view->frame().size.height, 50);
    EXPECT_FALSE(view->hasSavedState());

    auto navigate = [&](const std::string& agent) {
        platform::web::NavigationAction action;
        action.url = "https://ads.example/";
        action.headers = {{"user-agent", agent}};
        fake(*view).navigate(action);
    };
    navigate("");
    navigate("TikoTest/1");
    navigate("TikoTest/2");
    EXPECT_EQ(DZDevice::sharedInstance()->userAgentString(), "TikoTest/1");
}

TEST_F(AdViewLife, TheCacheKeepsOnlyBlankSparesUpToItsCapacity) {
    for (auto [value, capacity] : {std::pair<int64_t, uint32_t>{3, 3}, {9, 9}, {10, 0}, {-1, 0}}) {
        EXPECT_EQ(cache(value)->maxCapacity(), capacity) << value;
    }
    platform::UserDefaults::standard()->setString(DZWebViewCacheSet::kMaxCapacityKey, "-1");
    EXPECT_EQ(DZWebViewCacheSet::capacityFromDefaults(*platform::UserDefaults::standard()), 0u);

    auto pool = DZAdView::webViewCache();
    giveBack(DZAdView::create({0, 0, 320, 50}), "<p>left over</p>");
    EXPECT_EQ(pool->count(), 0u);
    std::vector<std::shared_ptr<DZAdView>> views;
    for (int i = 0; i < 4; ++i) views.push_back(DZAdView::create({0, 0, 320, 50}));
    std::vector<FakeWebEngine*> spares;
    for (auto& view : views) spares.push_back(giveBack(std::move(view), ""));
    EXPECT_EQ(pool->count(), 3u);

    auto reused = DZAdView::create({0, 0, 300, 250});
    EXPECT_NE(std::find(spares.begin(), spares.end(), reused->engine()), spares.end());
    EXPECT_EQ(reused->engine()->width(), 300);
    EXPECT_EQ(pool->count(), 2u);
    platform::ui::NotificationCenter::defaultCenter().post(
        platform::ui::kApplicationWillTerminateNotification);
    EXPECT_EQ(pool->count(), 0u);

    DZAdView::setWebViewCache(cache(10));
    auto dropped = DZAdView::create({0, 0, 320, 50});
    auto webView = dropped->webView();
    dropped.reset();
    bed_.runUntilIdle();
    EXPECT_TRUE(static_cast<FakeWebEngine&>(*webView->engine()).loadCalls().empty());
    EXPECT_EQ(DZAdView::webViewCache()->clearingCount(), 0u);
}

TEST_F(AdViewLife, AtTheEngineCapASpareGivesItsPlace) {
    int& live = liveEngines_;
    auto previous = DZAdView::setEngineFactory([&](int width, int height, std::string* error) {
        struct Counted : FakeWebEngine {
            Counted(int w, int h, int& live) : FakeWebEngine(w, h), live_(live) { ++live_; }
            ~Counted() override { --live_; }
            int& live_;
        };
        if (live >= 2) {
            *error = "refused: 2 web views are live";
            return std::unique_ptr<platform::web::WebEngine>();
        }
        return std::unique_ptr<platform::web::WebEngine>(std::make_unique<Counted>(width, height, live));
    });
    auto first = DZAdView::create({0, 0, 320, 50});
    auto second = DZAdView::create({0, 0, 320, 50});
    first.reset();
    bed_.runUntilIdle();
    EXPECT_EQ(DZAdView::webViewCache()->clearingCount(), 1u);
    auto third = DZAdView::create({0, 0, 320, 50});
    EXPECT_NE(third->engine(), nullptr);
    EXPECT_EQ(DZAdView::webViewCache()->clearingCount(), 0u);
    EXPECT_EQ(live, 2);
    auto fourth = DZAdView::create({0, 0, 320, 50});
    EXPECT_EQ(fourth->engine(), nullptr);
    DZAdView::setEngineFactory(previous);
}
