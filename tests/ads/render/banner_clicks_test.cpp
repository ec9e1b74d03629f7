// A slot's own ad view with its banner delegate on the scripted engine: what counts as a click,
// where a click goes, when the slot hears that its page has loaded, and the page's load delays.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "AdViewTestBed.h"
#include "ads/core/DZAd.h"
#include "ads/core/slot/DZSlot.h"
#include "ads/foundation/DZApplication.h"
#include "ads/foundation/DZStatisticDictionary.h"
#include "ads/foundation/DZStringAdditions.h"
#include "ads/render/bridge/DZAppEventAMSGHandler.h"
#include "ads/render/host/DZMRAIDEventHandling.h"
#include "ads/render/overlay/DZTransparentOverlayPresenter.h"
#include "ads/render/view/DZAdAppAMSGHandler.h"
#include "ads/render/view/DZAdAppViewController.h"
#include "ads/render/view/DZAdViewDelegate.h"
#include "ads/render/view/DZBannerAdViewDelegate.h"
#include "ads/render/view/DZBrowserAdView.h"
#include "ads/render/view/DZBrowserViewController.h"
#include "ads/render/view/DZDelayPageLoadAMSGHandler.h"
#include "ads/render/view/DZPageTrackers.h"
#include "platform/foundation/ScopedLogSink.h"
#include "platform/http/HostLookup.h"
#include "platform/ui/NotificationCenter.h"
#include "platform/ui/View.h"
#include "platform/ui/ViewController.h"
#include "platform/ui/Window.h"
#include "support/LoopbackServer.h"

using platform::web::NavigationType;
using testing::ElementsAre;
using testing::IsEmpty;

namespace {

struct LoadRecorder : DZSlotAdLoadDelegate {
    void slotFinishedLoadingAdContent(DZSlot&) override { ++finished; }
    void slotDidFailToLoadAdContent(DZSlot&, const DZRequestError::Ref& error) override {
        failures.push_back(error->code());
    }
    int finished = 0;
    std::vector<long> failures;
};

struct Owner : DZSlotDelegate {
    void slotDidReceiveAppEvent(DZSlot&, const std::string& name,
                                const std::optional<std::string>& info) override {
        events.push_back(name + "=" + info.value_or("(none)"));
    }
    std::vector<std::string> events;
};

int64_t applicationCount(const std::string& key) {
    DZApplication::sharedInstance()->statistics()->dictionary();  // waits for queued changes
    auto value = DZApplication::sharedInstance()->statistics()->objectForKey(key);
    return value && value->is_number_integer() ? value->get<int64_t>() : 0;
}

class BannerClicks : public ::testing::Test {
  protected:
    void SetUp() override {
        slot_ = DZSlot::create({0, 0, 320, 50});
        slot_->setAdType(DZAdType::bannerAdTypeForSize(kDZAdSizeBanner));
        slot_->setAdLoadDelegate(loads_);
        slot_->setSlotDelegate(owner_);
        view_ = slot_->adView();
        markToken_ = DZAdViewDelegate::pageMessageCenter().addObserver(
            "tikoleapMark", [this](const platform::ui::Notification& notice) {
                lastMark_ = static_cast<const DZUnhandledAMSGMessage*>(notice.object)
                                ->note->parameter("n")
                                .value_or("");
            });
    }
    // The page loads while the slot renders (state 5).
    void startPage(const std::string& url = kPage) {
        slot_->setState(kDZSlotStateRendering);
        view_->loadRequest({url, {}});
        bed_.runUntilIdle();
    }
    void render(const std::string& url = kPage) {
        startPage(url);
        bed_.engine().finishLoad();
        bed_.runUntilIdle();
    }
    void TearDown() override { DZAdViewDelegate::pageMessageCenter().removeObserver(markToken_); }
    // The page sends a message; it is handled by the time this returns.
    void send(const std::string& message) {
        bed_.engine().navigate("amsg://page/" + message);
        drain();
    }
    // Every message the page sent so far has been handled, with the work it left for the main
    // loop: a numbered mark sent after them (no handler takes it) comes back after all of it. A
    // mark sent while a flood fills the dispatch or passes the page's message rate is dropped, and
    // sent again (a second later on the component's clock, when the rate has room again).
    void drain() {
        const std::string mark = std::to_string(++sentMarks_);
        for (int attempt = 0; attempt < 20 && lastMark_ != mark; ++attempt) {
            if (attempt > 0) bed_.home().loop().stall(1);
            bed_.engine().navigate("amsg://page/tikoleapMark?n=" + mark);
            bed_.home().pump().until([&] { return lastMark_ == mark; }, std::chrono::milliseconds(500));
        }
        ASSERT_EQ(lastMark_, mark);
        bed_.runUntilIdle();
    }
    void settle(double seconds) {
        bed_.home().loop().advance(seconds);
        bed_.runUntilIdle();
    }
    bool navigate(const std::string& url, NavigationType type = NavigationType::LinkClicked) {
        return bed_.engine().navigate(url, type);
    }
    int clicks() const { return slot_->adClickCount(); }
    // The lines of the page's trackers stopped for leading to one of the ad's billed URLs.
    static std::size_t trackersStopped(const platform::ScopedLogSink& sink) {
        std::size_t stopped = 0;
        for (const auto& line : sink.lines())
            stopped += line.find("the ad's own click or impression URL") != std::string::npos;
        return stopped;
    }

    static constexpr const char* kPage = "https://ads.example/creative";
    tikoleap::test::AdViewTestBed bed_;
    std::shared_ptr<LoadRecorder> loads_ = std::make_shared<LoadRecorder>();
    std::shared_ptr<Owner> owner_ = std::make_shared<Owner>();
    std::shared_ptr<DZSlot> slot_;
    std::shared_ptr<DZAdView> view_;
    int sentMarks_ = 0;
    std::string lastMark_;
    platform::ui::NotificationCenter::Token markToken_{};
};

}  // namespace

TEST_F(BannerClicks, AClickNeedsEachOfItsFourConditions) {
    render();
    ASSERT_EQ(slot_->state(), 6);
    auto& delegate = *slot_->adViewDelegate();
    // Touched, a second after the load, a link, in state 6: a click.
    settle(1.0);
    view_->setTouched(true);
    EXPECT_TRUE(delegate.isClick(NavigationType::LinkClicked));
    EXPECT_TRUE(delegate.isClick(NavigationType::Other));  // a touched page's script counts too

    for (int state : {0, 2, 3, 4, 7}) {
        slot_->setState(static_cast<DZSlotState>(state));
        EXPECT_TRUE(delegate.isClick(NavigationType::LinkClicked)) << state;
    }
    for (int state : {1, 5}) {
        slot_->setState(static_cast<DZSlotState>(state));
        EXPECT_FALSE(delegate.isClick(NavigationType::LinkClicked)) << state;
    }
    slot_->setState(kDZSlotStateValidAd);
    EXPECT_FALSE(delegate.isClick(NavigationType::Reload));
    EXPECT_FALSE(delegate.isClick(NavigationType::BackForward));
    view_->setTouched(false);
    EXPECT_FALSE(delegate.isClick(NavigationType::LinkClicked));

    // A load resets the touch; 0.1 s after it no touch makes a click, 0.15 s after it one does.
    render();
    view_->setTouched(true);
    settle(0.1);
    EXPECT_FALSE(delegate.isClick(NavigationType::LinkClicked));
    settle(0.05);
    EXPECT_TRUE(delegate.isClick(NavigationType::LinkClicked));

    slot_->invalidateState();
    EXPECT_FALSE(delegate.isClick(NavigationType::LinkClicked));
}

TEST_F(BannerClicks, AClickIsRefusedAndOpenedWhileAPageNavigatingByItselfIsNot) {
    render();
    settle(1.0);
    // Without a touch the creative's own navigations are the base policy's: a web page loads in
    // the creative, and nothing else is opened or counted.
    EXPECT_TRUE(navigate("https://shop.example/self", NavigationType::LinkClicked));
    bed_.engine().finishLoad();
    bed_.runUntilIdle();
    for (const char* url :
         {"file:///etc/passwd", "tikoleapapp://open", "passback://x", "javascript:alert(1)"}) {
        EXPECT_FALSE(navigate(url, NavigationType::Other)) << url;
    }
    EXPECT_THAT(bed_.opener().opened(), IsEmpty());
    EXPECT_EQ(clicks(), 0);

    // The user taps: the link is a click, refused in the creative and opened outside it.
    render();
    settle(1.0);
    view_->setTouched(true);
    EXPECT_FALSE(navigate("https://shop.example/item?x=1"));
    bed_.runUntilIdle();  // the opener hands a URL on after the current turn
    EXPECT_THAT(bed_.opener().opened(), ElementsAre("https://shop.example/item?x=1"));
    EXPECT_EQ(slot_->adViewDelegate()->opener().referringURL(), kPage);
    ASSERT_TRUE(view_->URL());
    EXPECT_EQ(view_->URL()->text(), kPage);  // the page did not change
    EXPECT_EQ(clicks(), 1);

    // What the base policy refuses is no click: an anchor of the page, an app link, a file; nor
    // is a blank page, nor a frame of the page loading by itself. A link in a frame is one.
    EXPECT_FALSE(navigate(std::string(kPage) + "#more"));
    EXPECT_FALSE(navigate("tikoleapapp://open"));
    EXPECT_FALSE(navigate("file:///etc/passwd"));
    EXPECT_FALSE(navigate("about:blank"));
    platform::web::NavigationAction frame;
    frame.url = "https://tracker.example/frame";
    frame.mainFrame = false;
    EXPECT_TRUE(bed_.engine().navigate(frame));
    EXPECT_EQ(clicks(), 1);
    view_->setTouched(true);  // each tap explains one open
    frame.type = NavigationType::LinkClicked;
    EXPECT_FALSE(bed_.engine().navigate(frame));
    bed_.runUntilIdle();
    EXPECT_EQ(clicks(), 2);
    EXPECT_EQ(bed_.opener().opened().size(), 2u);
    EXPECT_EQ(bed_.engine().url(), kPage);
}

TEST_F(BannerClicks, AFinishedPageIsAValidAdOnlyWhileTheSlotRenders) {
    const int64_t impressions = applicationCount("pimp");
    view_->setHidden(true);
    render();
    EXPECT_EQ(slot_->state(), 6);
    EXPECT_FALSE(view_->isHidden());
    EXPECT_EQ(loads_->finished, 1);
    EXPECT_EQ(applicationCount("pimp"), impressions + 1);
    ASSERT_TRUE(slot_->timeLastLoaded());

    // The creative's own later page in state 6 reports nothing more, and its failure neither.
    EXPECT_TRUE(navigate("https://ads.example/second", NavigationType::Other));
    bed_.engine().failLoad({"web", -1, "gone", ""});
    bed_.runUntilIdle();
    EXPECT_EQ(loads_->finished, 1);
    EXPECT_THAT(loads_->failures, IsEmpty());

    // An interstitial's creative makes no impression when it loads; a failure in 5 is code 2.
    slot_->setAdType(DZAdType::interstitialAdType());
    render();
    EXPECT_EQ(slot_->state(), 6);
    EXPECT_EQ(loads_->finished, 2);
    EXPECT_EQ(applicationCount("pimp"), impressions + 1);
    startPage();
    bed_.engine().failLoad({"web", -1, "gone", ""});
    bed_.runUntilIdle();
    EXPECT_EQ(slot_->state(), 7);
    EXPECT_THAT(loads_->failures, ElementsAre(2));
}

TEST_F(BannerClicks, ADelayedLoadIsReportedWhenTheLastHolderStops) {
    auto handler = slot_->adViewDelegate()->delayHandler();
    ASSERT_TRUE(handler);
    startPage();
    send("delayPageLoaded?stop=1");  // nothing held: nothing changes
    EXPECT_EQ(handler->delayCount(), 0);
    send("delayPageLoaded?start=1");
    send("delayPageLoaded?start=yes");
    bed_.engine().finishLoad();
    bed_.runUntilIdle();
    EXPECT_EQ(slot_->state(), 5);
    EXPECT_TRUE(slot_->adViewDelegate()->isLoadFinished());
    send("delayPageLoaded?stop=1");
    EXPECT_EQ(slot_->state(), 5);
    send("delayPageLoaded?stop=0");  // only the key counts
    EXPECT_EQ(slot_->state(), 6);
    EXPECT_EQ(loads_->finished, 1);
    EXPECT_FALSE(slot_->adViewDelegate()->isDelayCapArmed());

    // A page that failed while it held a delay leaves none to the next, whose own delay holds.
    startPage();
    send("delayPageLoaded?start=1");
    bed_.engine().failLoad({"web", -1, "gone", ""});
    bed_.runUntilIdle();
    startPage();
    send("delayPageLoaded?start=1");
    bed_.engine().finishLoad();
    bed_.runUntilIdle();
    EXPECT_EQ(slot_->state(), 5);
    send("delayPageLoaded?stop=1");
    EXPECT_EQ(slot_->state(), 6);
    EXPECT_EQ(loads_->finished, 2);

    // "cancel" fails the rendering load; after it the page's delays reach no one.
    startPage();
    send("delayPageLoaded?start=1");
    send("delayPageLoaded?cancel=1");
    EXPECT_EQ(slot_->state(), 7);
    EXPECT_THAT(loads_->failures, ElementsAre(2, 2));
    EXPECT_FALSE(handler->delegate());
    send("delayPageLoaded?start=1");
    EXPECT_EQ(handler->delayCount(), 1);
    EXPECT_FALSE(slot_->adViewDelegate()->isLoadDelayed());
}

TEST_F(BannerClicks, ADelayHeldForeverGivesTheLoadUpAfterThirtySeconds) {
    startPage();
    // A flood of messages: the dispatch drops what it cannot hold, and the delay still holds.
    for (int i = 0; i < 600; ++i) {
        bed_.engine().navigate(i % 2 ? "amsg://page/delayPageLoaded?start=1" : "amsg://page/touch?td=1");
    }
    drain();
    EXPECT_TRUE(slot_->adViewDelegate()->isLoadDelayed());
    bed_.engine().finishLoad();
    bed_.runUntilIdle();
    EXPECT_TRUE(slot_->adViewDelegate()->isDelayCapArmed());
    settle(DZBannerAdViewDelegate::kMaxLoadDelaySeconds - 0.5);
    EXPECT_EQ(slot_->state(), 5);
    settle(0.5);
    EXPECT_EQ(slot_->state(), 7);
    EXPECT_THAT(loads_->failures, ElementsAre(2));

    // The next page starts free of the last one's delays.
    render();
    EXPECT_EQ(slot_->state(), 6);
    EXPECT_EQ(loads_->finished, 1);
}

TEST_F(BannerClicks, TheSlotsHandlersTakeAppEventsAndAdAppProperties) {
    render();
    send("appEvent?name=level&info=3");
    send("appEvent?name=bonus");
    send("appEvent?info=nameless");
    // The app may show or keep what it gets: no line breaks nor reordering in a name, no flood.
    send("appEvent?name=line%0Abreak");
    send("appEvent?name=c%C2%85one");
    send("appEvent?name=" + std::string(DZAppEventAMSGHandler::kMaxNameBytes + 1, 'n'));
    send("appEvent?name=big&info=" + std::string(DZAppEventAMSGHandler::kMaxInfoBytes + 1, 'i'));
    EXPECT_THAT(owner_->events, ElementsAre("level=3", "bonus=(none)"));

    // Without an ad-app controller the properties are taken and change nothing.
    send("customClose?custom_close=1");
    auto controller = DZAdAppViewController::create(view_);  // its page is the one the test drives
    view_->setViewController(controller);
    send("customClose?custom_close=true");
    EXPECT_FALSE(controller->useCustomClose());
    send("customClose?custom_close=1");
    EXPECT_TRUE(controller->useCustomClose());
    send("setInterstitialProperties?transparentBackground=1");
    EXPECT_TRUE(std::dynamic_pointer_cast<DZTransparentOverlayPresenter>(controller->presenter()));
    send("setInterstitialProperties?transparentBackground=0");
    EXPECT_FALSE(controller->presenter());
    send("setInterstitialProperties");
    auto screen = std::make_shared<platform::ui::View>();
    screen->addSubview(controller->view());  // presented: its presentation is settled
    send("setInterstitialProperties?transparentBackground=1");
    EXPECT_FALSE(controller->presenter());
}

// In an ad that announced rich media a tapped link comes up in the in-app browser over the game
// (counted once, the desktop left alone); the browser's own page is no ad and keeps its links.
TEST_F(BannerClicks, ALinkTappedInARichMediaAdOpensTheInAppBrowser) {
    struct RichMedia : DZMRAIDEventHandling {
        void MRAIDAdDidLoad() override {}
        void MRAIDAdDidUnload() override {}
        void updateVisibility(bool) override {}
        void updatePositionFromView(platform::ui::View&) override {}
        void handleError(const std::string&, const std::string&) override {}
    };
    auto window = std::make_shared<platform::ui::Window>();
    window->setRunLoop(&bed_.home().loop());
    window->makeKeyAndVisible();
    auto root = std::make_shared<platform::ui::ViewController>();
    window->setRootViewController(root);
    root->view()->addSubview(view_);
    view_->setViewController(root);
    render();
    slot_->finishedLoadingAdResponse(std::make_shared<DZAd>());
    auto mraid = std::make_shared<RichMedia>();
    slot_->ad()->setMRAIDEventHandler(mraid);
    settle(1.0);
    view_->setTouched(true);

    EXPECT_FALSE(navigate("https://shop.example/item"));
    bed_.runUntilIdle();
    auto browser = std::dynamic_pointer_cast<DZBrowserViewController>(root->presentedViewController());
    ASSERT_NE(browser, nullptr);
    EXPECT_EQ(browser->supportedInterfaceOrientations(), 30u);
    EXPECT_EQ(clicks(), 1);
    EXPECT_THAT(bed_.opener().opened(), IsEmpty());
    settle(0.4);
    auto& landing = static_cast<platform::web::FakeWebEngine&>(*browser->adView()->engine());
    EXPECT_EQ(landing.url(), "https://shop.example/item");
    landing.finishLoad();
    bed_.runUntilIdle();

    EXPECT_TRUE(landing.navigate("https://shop.example/deals", NavigationType::LinkClicked));
    bed_.runUntilIdle();
    EXPECT_EQ(root->presentedViewController(), browser);
    EXPECT_EQ(browser->presentedViewController(), nullptr);
    EXPECT_EQ(clicks(), 1);

    browser->doneButtonPressed();
    settle(0.4);
    EXPECT_EQ(root->presentedViewController(), nullptr);
}

// The trackers a page names are the page's: a link's are few and each is pinged once, and none of
// them, whichever way the page hands it over, is one of the ad's own billed click URLs, which only
// the ad's open pings.
TEST_F(BannerClicks, APagesTrackersAreFewEachPingedOnceAndNeverTheAdsOwnClick) {
    tikoleap::test::LoopbackServer server;
    server.reply("/click", 204);
    server.reply("/t", 204);
    render();
    // Named by its host's name, so that a name ending in a dot can stand for it too.
    const std::string site = "http://localhost:" + std::to_string(server.port());
    auto ad = std::make_shared<DZAd>();
    ad->addClickURLsFromArray({site + "/click?id=7&s=a+b"});
    slot_->finishedLoadingAdResponse(ad);
    settle(1.0);
    auto tracker = [&](const std::string& url) {
        return "&fallbackTrackingUrl=" + dz_stringByEscapingAsURLParameter(url);
    };
    std::string link =
        "deeplink+://navigate?primaryUrl=tikoleapnosuchapp%3A%2F%2Fitem"
        "&fallbackUrl=https%3A%2F%2Fshop.example%2F";
    const int repeats = 3;
    for (int i = 0; i < repeats; ++i) link += tracker(site + "/t?n=same");
    // The billed click as given, with its parameters turned round or one added, or with a fragment,
    // or with what still reaches it: slashes doubled, its host's name ending in a dot.
    const std::vector<std::string> billed{
        site + "/click?id=7&s=a+b",
        site + "/click?id=7&s=a+b",
        site + "/click?s=a+b&id=7",
        site + "/click?id=7&s=a+b&n=2",
        site + "/click?id=7&s=a+b#x",
        site + "//click?id=7&s=a+b",
        "http://localhost.:" + std::to_string(server.port()) + "/click?id=7&s=a+b"};
    for (const auto& click : billed) link += tracker(click);
    for (int i = 0; i < 100; ++i) link += tracker(site + "/t?n=" + std::to_string(i));
    view_->setTouched(true);
    EXPECT_FALSE(navigate(link));
    // The link's first trackers only: the same one once, the billed ones not at all.
    const std::size_t kept = DZPageTrackers::kMaxPerLink - repeats - billed.size() + 1;
    ASSERT_TRUE(bed_.home().pump().until(
        [&] { return server.count("/t") >= kept && server.count("/click") >= 1; }, std::chrono::seconds(10)));
    // The page's own messages naming the billed click (a space written either way), the tap's click
    // still unused.
    send("httpTrack?u=" + dz_stringByEscapingAsURLParameter(site + "/click?id=7&s=a+b"));
    send("click?u=" + dz_stringByEscapingAsURLParameter(site + "/click?s=a%20b&id=7"));
    bed_.home().pump().runFor(std::chrono::milliseconds(300));
    std::vector<std::string> clicked;
    for (const auto& hit : server.hits())
        if (hit.path.find("click") != std::string::npos) clicked.push_back(hit.header("Host") + hit.target);
    EXPECT_THAT(clicked, ElementsAre("localhost:" + std::to_string(server.port()) + "/click?id=7&s=a+b"));
    EXPECT_EQ(server.count("/t"), kept);
    std::set<std::string> targets;
    for (const auto& hit : server.hits("/t")) targets.insert(hit.target);
    EXPECT_EQ(targets.size(), kept);
    EXPECT_TRUE(targets.count("/t?n=same"));
    EXPECT_TRUE(targets.count("/t?n=" + std::to_string(kept - 2)));
    EXPECT_THAT(bed_.opener().opened(), ElementsAre("https://shop.example/"));
}

// A page's trackers are followed hop by hop, and a chain ends, with one line each, at the hop that
// stands for the ad's billed click URL, however it is spelt, before that hop is requested; an
// honest chain is followed to its end, and a real tap still bills once.
TEST_F(BannerClicks, APagesTrackerRedirectingToTheAdsClickNeverBillsIt) {
    tikoleap::test::LoopbackServer server;
    server.reply("/click", 204);
    server.reply("/t", 204);
    const std::string port = std::to_string(server.port());
    const std::string site = "http://127.0.0.1:" + port;
    server.redirect("/redirto", site + "/click?id=7");
    server.redirect("/respelt", "http://2130706433:" + port + "/click?id=7");
    server.redirect("/hop", "http://localhost:" + port + "/redirto");
    server.redirect("/honest", site + "/t?n=1");
    // The ad's impression is billed as its click is: only the component's own ping reaches it.
    server.reply("/imp", 204);
    server.redirect("/toimp", site + "/imp?id=7");
    render();
    auto ad = std::make_shared<DZAd>();
    ad->addClickURLsFromArray({site + "/click?id=7"});
    ad->addImpressionURLsFromArray({site + "/imp?id=7"});
    slot_->finishedLoadingAdResponse(ad);
    slot_->didMakeAdImpression();
    ASSERT_TRUE(
        bed_.home().pump().until([&] { return server.count("/imp") == 1; }, std::chrono::seconds(10)));
    settle(1.0);
    auto tracking = [](const std::string& url) { return dz_stringByEscapingAsURLParameter(url); };
    platform::ScopedLogSink sink;
    for (const char* path : {"/redirto", "/respelt", "/hop", "/honest", "/imp?id=7", "/toimp"})
        send("httpTrack?u=" + tracking(site + path));
    ASSERT_TRUE(bed_.home().pump().until(
        [&] {
            return server.count("/t") == 1 && server.count("/redirto") == 2 &&
                   server.count("/respelt") == 1 && server.count("/toimp") == 1;
        },
        std::chrono::seconds(10)));
    bed_.home().pump().runFor(std::chrono::milliseconds(300));
    EXPECT_EQ(server.count("/click"), 0u);
    EXPECT_EQ(server.count("/imp"), 1u);
    EXPECT_EQ(trackersStopped(sink), 5u);

    std::string link =
        "deeplink+://navigate?primaryUrl=tikoleapnosuchapp%3A%2F%2Fitem"
        "&fallbackUrl=https%3A%2F%2Fshop.example%2F";
    for (int i = 0; i < 4; ++i)
        link += "&fallbackTrackingUrl=" + tracking(site + "/redirto?n=" + std::to_string(i));
    view_->setTouched(true);
    EXPECT_FALSE(navigate(link));
    ASSERT_TRUE(
        bed_.home().pump().until([&] { return server.count("/redirto") == 6 && server.count("/click") >= 1; },
                                 std::chrono::seconds(10)));
    bed_.home().pump().runFor(std::chrono::milliseconds(300));
    EXPECT_EQ(server.count("/click"), 1u);
    EXPECT_EQ(clicks(), 1);
}

// A page's tracker naming the ad's server by another of its names (as a wildcard name of the
// server's domain does) reaches the server's address all the same: it is stopped once connected,
// before anything is sent on the connection, at its first URL or at a redirect hop, with one line
// each. An honest tracker on the same server with another path still goes out, and a tap bills.
TEST_F(BannerClicks, APagesTrackerNamingTheAdServerByAnotherNameNeverBillsIt) {
    tikoleap::test::LoopbackServer server;
    server.reply("/click", 204);
    server.reply("/imp", 204);
    server.reply("/t", 204);
    // The ad server's name and another name of its, both this machine's without a name server.
    struct Names {
        Names() {
            platform::HostLookup::overrideForTesting("ads.test", "127.0.0.1");
            platform::HostLookup::overrideForTesting("any.ads.test", "127.0.0.1");
        }
        ~Names() { platform::HostLookup::clearOverridesForTesting(); }
    } names;
    const std::string port = std::to_string(server.port());
    const std::string other = "http://any.ads.test:" + port;
    server.redirect("/toclick", other + "/click?id=7");
    render();
    auto ad = std::make_shared<DZAd>();
    ad->addClickURLsFromArray({"http://ads.test:" + port + "/click?id=7"});
    ad->addImpressionURLsFromArray({"http://127.0.0.1:" + port + "/imp?id=7"});
    slot_->finishedLoadingAdResponse(ad);
    slot_->didMakeAdImpression();
    ASSERT_TRUE(
        bed_.home().pump().until([&] { return server.count("/imp") == 1; }, std::chrono::seconds(10)));
    settle(1.0);
    platform::ScopedLogSink sink;
    for (const std::string path : {"/click?id=7", "/imp?id=7", "/toclick", "/t?n=1"})
        send("httpTrack?u=" + dz_stringByEscapingAsURLParameter(other + path));
    ASSERT_TRUE(bed_.home().pump().until(
        [&] { return server.count("/t") == 1 && server.count("/toclick") == 1; }, std::chrono::seconds(10)));
    bed_.home().pump().runFor(std::chrono::milliseconds(300));
    EXPECT_EQ(server.count("/click"), 0u);
    EXPECT_EQ(server.count("/imp"), 1u);
    EXPECT_EQ(trackersStopped(sink), 3u);

    view_->setTouched(true);
    EXPECT_FALSE(navigate("https://shop.example/item"));
    ASSERT_TRUE(
        bed_.home().pump().until([&] { return server.count("/click") == 1; }, std::chrono::seconds(10)));
    EXPECT_EQ(server.hits("/click").front().header("Host"), "ads.test:" + port);
}
