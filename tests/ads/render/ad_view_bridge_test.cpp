// The ad view on the scripted engine, the page-message model, the navigation policy with its
// dispatch, and the default handlers.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "AdViewTestBed.h"
#include "ads/core/slot/DZSlot.h"
#include "ads/foundation/DZClickTrackerCollection.h"
#include "ads/foundation/DZStringAdditions.h"
#include "ads/render/bridge/DZNotification.h"
#include "ads/render/bridge/DZPageCounter.h"
#include "ads/render/bridge/DZPageLogBudget.h"
#include "ads/render/overlay/DZViewController.h"
#include "ads/render/view/DZAdViewDelegate.h"
#include "ads/render/view/DZDefaultAMSGHandler.h"
#include "ads/render/view/DZOverlayView.h"
#include "platform/defaults/UserDefaults.h"
#include "platform/foundation/ScopedLogSink.h"
#include "platform/ui/NotificationCenter.h"
#include "support/LoopbackServer.h"

using platform::web::NavigationType;
using platform::web::WebError;
using testing::ElementsAre;
using testing::HasSubstr;

namespace {

// Records the names it is offered, taking those of its table.
class RecordingHandler : public DZAMSGHandler {
  public:
    const ActionTable& actionBlockDictionary() const override {
        static const ActionTable table{
            {"tikoleapTest", [](DZAMSGHandler& handler, const DZAMSGArguments& args) {
                 static_cast<RecordingHandler&>(handler).seen.push_back(
                     args.note->parameter("n").value_or(""));
             }}};
        return table;
    }
    std::vector<std::string> seen;
};

struct RecordingDelegate : DZAdViewDelegateProtocol {
    void adViewDidFinishLoad(DZAdView&) override { ++finished; }
    void adViewDidFailLoad(DZAdView&, const WebError& error) override { failures.push_back(error); }
    int finished = 0;
    std::vector<WebError> failures;
};

platform::web::NavigationAction action(const std::string& url, NavigationType type) {
    platform::web::NavigationAction action;
    action.url = url;
    action.type = type;
    return action;
}

class AdViewBridge : public ::testing::Test {
  protected:
    void SetUp() override {
        view_ = DZAdView::create({0, 0, 320, 50});
        delegate_ = DZAdViewDelegate::create();
        view_->setDelegate(delegate_);
    }
    // The page at `url` loaded in the view.
    void loadPage(const std::string& url) {
        view_->loadRequest({url, {}});
        bed_.runUntilIdle();
        bed_.engine().finishLoad();
        bed_.runUntilIdle();
    }
    std::vector<std::string> scriptsRun() {
        std::vector<std::string> scripts;
        for (const auto& pending : bed_.engine().pendingScripts()) scripts.push_back(pending.script);
        return scripts;
    }

    tikoleap::test::AdViewTestBed bed_;
    std::shared_ptr<DZAdView> view_;
    std::shared_ptr<DZAdViewDelegate> delegate_;
};

}  // namespace

TEST(AMSGMessage, ParsesOnlyWellFormedMessagesOfThePage) {
    auto note = DZNotification::fromURL("AMSG://anyhost/log?string=a%20b&Key=1&key=2&key=3");
    ASSERT_TRUE(note);
    EXPECT_EQ(note->name(), "log");
    EXPECT_EQ(note->parameter("string"), "a b");
    EXPECT_EQ(note->parameter("Key"), "1");  // case kept
    EXPECT_EQ(note->parameter("key"), "3");  // a later repeat wins

    EXPECT_TRUE(DZNotification::fromURL("amsg:///log"));
    for (const std::string& bad :
         std::vector<std::string>{"amsg://host/", "amsg://host", "http://host/log", "amsg://host/%ZZ",
                                  "amsg://host/a%0Ab", "amsg://host/%FF%FE", "amsg://host/a%C2%85b",
                                  "amsg://host/a%E2%80%AEb", "amsg://host/" + std::string(300, 'n')}) {
        EXPECT_FALSE(DZNotification::fromURL(bad)) << bad;
    }
    EXPECT_FALSE(DZNotification::fromURL("amsg://host/log?string=" + std::string(3 * 1024 * 1024, 'x')));
    EXPECT_FALSE(DZNotification::create("", {}));
}

TEST(AMSGMessage, ACommandToThePageQuotesTheNameAsAString) {
    EXPECT_EQ(DZAdView::JSCommandForNotificationName("openableURLs", std::nullopt),
              "ZAZO_ReceiveMessage(\"openableURLs\");");
    EXPECT_EQ(DZAdView::JSCommandForNotificationName("a');alert(1);//\"", nlohmann::json::object()),
              "ZAZO_ReceiveMessage(\"a');alert(1);//\\\"\", {});");
}

TEST_F(AdViewBridge, ThePolicyDecidesByScheme) {
    loadPage("https://ads.example/page");
    struct Row {
        std::string url;
        NavigationType type;
        bool allowed;
    };
    const std::vector<Row> rows{
        {"https://ads.example/page#top", NavigationType::LinkClicked, false},  // anchor on the page
        {"https://ads.example/page#top", NavigationType::Other, true},         // the same by script
        {"about:blank", NavigationType::Other, true},
        {"file:///etc/hostname", NavigationType::LinkClicked, false},
        {"mailto:someone@example.com", NavigationType::LinkClicked, false},
        {"sms:123", NavigationType::LinkClicked, false},
        {"javascript:alert(1)", NavigationType::Other, false},
        {"data:text/html,hi", NavigationType::Other, false},
        {"tikoleapnosuchscheme://x", NavigationType::LinkClicked, false},
        {"amsg://host/tikoleapUnheard", NavigationType::Other, false},
        {"http://ads.example/next", NavigationType::Other, true},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(delegate_->adViewShouldStartLoad(*view_, action(row.url, row.type)), row.allowed)
            << row.url;
    }
    // Nothing but web pages is ever handed on, and an allowed page is recorded for the stash.
    EXPECT_TRUE(bed_.opener().opened().empty());
    ASSERT_TRUE(view_->URL());
    EXPECT_EQ(view_->URL()->text(), "http://ads.example/next");
    EXPECT_EQ(delegate_->opener().navigationURL(), "http://ads.example/next");
}

TEST_F(AdViewBridge, DeeplinkPlusOpensTheFallbackUnlessSwitchedOff) {
    const std::string link =
        "deeplink+://"
        "navigate?primaryUrl=tikoleapnosuchapp%3A%2F%2Fitem&fallbackUrl=https%3A%2F%2Fshop.example%2F"
        "&fallbackTrackingUrl=http%3A%2F%2F127.0.0.1%3A9%2Ft";
    view_->setTouched(true);  // the link the user tapped
    EXPECT_FALSE(delegate_->adViewShouldStartLoad(*view_, action(link, NavigationType::LinkClicked)));
    bed_.runUntilIdle();  // the opener hands a URL on after the current turn
    EXPECT_THAT(bed_.opener().opened(), ElementsAre("https://shop.example/"));

    // A fallback of another scheme, or another host, opens nothing.
    delegate_->handleDeeplinkPlusURL(
        "deeplink+://navigate?primaryUrl=x%3A%2F%2Fy&fallbackUrl=file%3A%2F%2F%2Fetc");
    delegate_->handleDeeplinkPlusURL("deeplink+://elsewhere?primaryUrl=https%3A%2F%2Fa.example%2F");
    EXPECT_EQ(bed_.opener().opened().size(), 1u);
    bed_.runUntilIdle();

    platform::UserDefaults::standard()->setBool(DZAdViewDelegate::kDeeplinkPlusEnabledKey, false);
    platform::ScopedLogSink sink;
    EXPECT_FALSE(delegate_->adViewShouldStartLoad(*view_, action(link, NavigationType::LinkClicked)));
    bed_.runUntilIdle();
    EXPECT_EQ(bed_.opener().opened().size(), 1u);  // handed to the opener as an app link: refused
    EXPECT_THAT(sink.lines(), ElementsAre(HasSubstr("\"deeplink+\" not opened")));
}

TEST_F(AdViewBridge, DeeplinkPlusTrackersArePingedOnlyWhenTheLinkOpens) {
    tikoleap::test::LoopbackServer server;
    server.reply("/t", 204);
    const std::string link =
        "deeplink+://"
        "navigate?primaryUrl=tikoleapnosuchapp%3A%2F%2Fitem&fallbackUrl=https%3A%2F%2Fshop.example%2F"
        "&fallbackTrackingUrl=" +
        dz_stringByEscapingAsURLParameter(server.url("/t"));
    platform::ScopedLogSink sink;
    // No tap: the open is refused and its trackers with it, logged once for the page.
    for (int i = 0; i < 3; ++i)
        EXPECT_FALSE(delegate_->adViewShouldStartLoad(*view_, action(link, NavigationType::LinkClicked)));
    bed_.runUntilIdle();
    EXPECT_THAT(sink.lines(), ElementsAre(HasSubstr("trackers not pinged")));
    view_->setTouched(true);
    EXPECT_FALSE(delegate_->adViewShouldStartLoad(*view_, action(link, NavigationType::LinkClicked)));
    EXPECT_TRUE(bed_.home().pump().until([&] { return server.count("/t") == 1; }, std::chrono::seconds(5)));
    bed_.home().pump().runFor(std::chrono::milliseconds(100));
    EXPECT_EQ(server.count("/t"), 1u);
    EXPECT_THAT(bed_.opener().opened(), ElementsAre("https://shop.example/"));
}

TEST_F(AdViewBridge, APageIsOnePingAskerAndEachPageTheHostLoadsIsANewOne) {
    view_->loadHTMLString("<p>ad</p>", "http://127.0.0.1/");
    const DZPingAsker page = view_->pingAsker();
    tikoleap::test::LoopbackServer gone;
    const std::string nowhere = gone.url("/p");
    gone.stop();
    // Each ping is in flight until the main loop hears it failed.
    auto pings = DZClickTrackerCollection::sharedInstance();
    const auto& pageMessages = delegate_->amsgHandlers()[1];
    for (std::size_t i = 0; i < DZClickTrackerCollection::kMaxInFlightPerAsker; ++i)
        pageMessages->handleRequest("amsg://page/httpTrack?u=" + dz_stringByEscapingAsURLParameter(nowhere),
                                    view_);
    EXPECT_EQ(pings->inFlightFor(page), DZClickTrackerCollection::kMaxInFlightPerAsker);
    // The link's tracker is the same page's, asked through its delegate: it waits its turn.
    view_->setTouched(true);
    delegate_->adViewShouldStartLoad(
        *view_,
        action(
            "deeplink+://navigate?primaryUrl=tikoleapnosuchapp%3A%2F%2Fitem&fallbackUrl=https%3A%2F%2Fshop."
            "example%2F&fallbackTrackingUrl=" +
                dz_stringByEscapingAsURLParameter(nowhere),
            NavigationType::LinkClicked));
    EXPECT_EQ(pings->waitingFor(page), 1u);
    view_->loadHTMLString("<p>next ad</p>", "http://127.0.0.1/");
    EXPECT_NE(view_->pingAsker(), page);
    EXPECT_EQ(pings->inFlightFor(view_->pingAsker()), 0u);
    bed_.runUntilIdle();
}

TEST_F(AdViewBridge, MessagesKeepTheirOrderAndAFloodIsCut) {
    auto handler = std::make_shared<RecordingHandler>();
    delegate_->addAMSGHandler(handler);
    platform::ScopedLogSink sink;
    const int sent = DZAdViewDelegate::kMaxWaitingMessages + 44;
    for (int i = 0; i < sent; ++i) {
        // Within the page's rate: the main thread, busy, takes none meanwhile.
        if (i > 0 && i % DZPageAllowance::kMessageBurst == 0)
            bed_.home().loop().stall(DZPageAllowance::kMessageBurst / DZPageAllowance::kMessagesPerSecond);
        bed_.engine().navigate("amsg://x/tikoleapTest?n=" + std::to_string(i));
    }
    ASSERT_TRUE(bed_.home().pump().until(
        [&] { return handler->seen.size() == static_cast<size_t>(DZAdViewDelegate::kMaxWaitingMessages); }));
    for (int i = 0; i < DZAdViewDelegate::kMaxWaitingMessages; ++i)
        ASSERT_EQ(handler->seen[i], std::to_string(i));
    bed_.runUntilIdle();
    EXPECT_THAT(sink.lines(), ElementsAre(HasSubstr("messages dropped")));

    // Once the queue has drained, messages are taken again.
    bed_.home().loop().stall(1);
    bed_.engine().navigate("amsg://x/tikoleapTest?n=again");
    ASSERT_TRUE(bed_.home().pump().until([&] { return handler->seen.back() == "again"; }));
}

TEST_F(AdViewBridge, APagesMessagesPastItsRateAreDroppedWithOneLineForThePage) {
    auto handler = std::make_shared<RecordingHandler>();
    delegate_->addAMSGHandler(handler);
    loadPage("https://ads.example/page");
    platform::ScopedLogSink sink;
    const auto burst = static_cast<std::size_t>(DZPageAllowance::kMessageBurst);
    const auto perSecond = static_cast<std::size_t>(DZPageAllowance::kMessagesPerSecond);
    // Sends `count` messages at once and lets those taken arrive, `taken` in all by then.
    auto flood = [&](const std::string& tag, std::size_t count, std::size_t taken) {
        for (std::size_t i = 0; i < count; ++i) bed_.engine().navigate("amsg://x/tikoleapTest?n=" + tag);
        EXPECT_TRUE(bed_.home().pump().until([&] { return handler->seen.size() >= taken; }));
        bed_.home().pump().runFor(std::chrono::milliseconds(50));
        bed_.runUntilIdle();
    };
    flood("a", 3 * burst, burst);
    EXPECT_EQ(handler->seen.size(), burst);
    EXPECT_THAT(sink.lines(), ElementsAre(HasSubstr("the page sends more than")));

    // A second later, a second's worth more; then 3 s at about 400 a second, each 10 ms letting
    // one through now and then.
    bed_.home().loop().stall(1);
    flood("b", 3 * burst, burst + perSecond);
    EXPECT_EQ(handler->seen.size(), burst + perSecond);
    EXPECT_EQ(handler->seen.back(), "b");
    for (int tick = 0; tick < 300; ++tick) {
        bed_.home().loop().stall(0.01);
        for (int i = 0; i < 4; ++i) bed_.engine().navigate("amsg://x/tikoleapTest?n=s");
    }
    flood("s", 0, burst + 4 * perSecond - 1);
    EXPECT_EQ(sink.lines().size(), 1u);

    // The next page the view loads has a rate of its own.
    const std::size_t before = handler->seen.size();
    loadPage("https://ads.example/next");
    flood("c", 3 * burst, before + burst);
    EXPECT_EQ(handler->seen.size(), before + burst);
    EXPECT_EQ(sink.lines().size(), 2u);
}

TEST_F(AdViewBridge, AMessageNoHandlerTakesReachesThePageCentreOnceAndNoOtherNotice) {
    std::vector<std::string> heard;
    const DZAdView* object = nullptr;
    auto& pages = DZAdViewDelegate::pageMessageCenter();
    std::vector<platform::ui::NotificationCenter::Token> tokens;
    auto listen = [&](const std::string& name) {
        tokens.push_back(pages.addObserver(name, [&](const platform::ui::Notification& notice) {
            auto* message = static_cast<const DZUnhandledAMSGMessage*>(notice.object);
            object = message->adView;
            heard.push_back(message->note->name() + "=" + message->note->parameter("p").value_or("?"));
        }));
    };
    listen("tikoleapUnknown");
    listen("mraid");
    listen("mraidLoaded");
    // Names the application and the ad component post their own notices under.
    const std::vector<std::string> taken{platform::ui::kApplicationDidEnterBackgroundNotification,
                                         platform::ui::kApplicationWillTerminateNotification,
                                         platform::ui::kApplicationDidReceiveMemoryWarningNotification,
                                         DZViewController::kWillPresentFullScreenNotification,
                                         DZSlot::kDidLeaveWindowNotification};
    int reachedProcessNotices = 0;
    auto& process = platform::ui::NotificationCenter::defaultCenter();
    for (const auto& name : taken) {
        tokens.push_back(
            process.addObserver(name, [&](const platform::ui::Notification&) { ++reachedProcessNotices; }));
        listen(name);
    }

    bed_.engine().navigate("amsg://x/tikoleapUnknown?p=1");
    // A rich-media creative's messages are taken on every ad view, not passed on.
    bed_.engine().navigate("amsg://x/mraidLoaded");
    bed_.engine().navigate("amsg://x/mraid?a=tikoleapNoSuchAction");
    for (const auto& name : taken) bed_.engine().navigate("amsg://page/" + name + "?p=2");
    bed_.engine().navigate("amsg://x/log?string=after");
    platform::ScopedLogSink sink;
    ASSERT_TRUE(bed_.home().pump().until(
        [&] { return !sink.lines().empty() && sink.lines().back() == "Ad page says: after"; }));
    bed_.runUntilIdle();
    for (auto token : tokens) {
        pages.removeObserver(token);
        process.removeObserver(token);
    }
    std::vector<std::string> expected{"tikoleapUnknown=1"};
    for (const auto& name : taken) expected.push_back(name + "=2");
    EXPECT_EQ(heard, expected);
    EXPECT_EQ(object, view_.get());
    EXPECT_EQ(reachedProcessNotices, 0);
}

TEST_F(AdViewBridge, TheDefaultHandlersCheckWhatThePageSends) {
    loadPage("https://ads.example/page");
    platform::ScopedLogSink sink;
    std::string urls = "a:1";
    for (int i = 2; i <= 40; ++i) urls += ",a:" + std::to_string(i);
    for (const std::string& message : std::vector<std::string>{
             "amsg://x/httpTrack?u=file%3A%2F%2F%2Fetc%2Fpasswd", "amsg://x/vibrate", "amsg://x/close",
             "amsg://x/canOpenURLs?urls=" + urls, "amsg://x/log?string=one%0Atwo%07",
             "amsg://x/log?string=%5BWARN%5D%20HeadlessWaits%3A%20x"}) {
        bed_.engine().navigate(message);
    }
    // A page's lines say whose they are: none passes for a line of the game's own.
    ASSERT_TRUE(bed_.home().pump().until([&] { return sink.lines().size() == 3; }));
    EXPECT_THAT(sink.lines(), ElementsAre(HasSubstr("ping refused"), "Ad page says: one\\ntwo\\x07",
                                          "Ad page says: [WARN] HeadlessWaits: x"));
    ASSERT_TRUE(bed_.home().pump().until([&] { return !scriptsRun().empty(); }));
    const std::string answer = scriptsRun().back();
    EXPECT_THAT(answer, HasSubstr("ZAZO_ReceiveMessage(\"openableURLs\""));
    EXPECT_THAT(answer, HasSubstr("\"a:32\""));
    EXPECT_THAT(answer, testing::Not(HasSubstr("\"a:33\"")));

    EXPECT_EQ(DZDefaultAMSGHandler::integerForKey("td", {{"td", "12x"}}, -1), -1);
    EXPECT_EQ(DZDefaultAMSGHandler::integerForKey("td", {{"td", "-12"}}, -1), -12);
}

TEST_F(AdViewBridge, APageLogsWithinARateAndATotal) {
    auto marker = std::make_shared<RecordingHandler>();
    delegate_->addAMSGHandler(marker);
    loadPage("https://ads.example/page");
    platform::ScopedLogSink sink;
    int batch = 0;
    // `lines` log messages at once, all handled when this returns; the lines written since.
    auto send = [&](int lines) {
        const std::size_t before = sink.lines().size();
        for (int i = 0; i < lines; ++i) bed_.engine().navigate("amsg://x/log?string=line");
        const std::string mark = std::to_string(++batch);
        bed_.engine().navigate("amsg://x/tikoleapTest?n=" + mark);
        EXPECT_TRUE(
            bed_.home().pump().until([&] { return !marker->seen.empty() && marker->seen.back() == mark; }));
        bed_.runUntilIdle();
        return std::vector<std::string>(sink.lines().begin() + static_cast<std::ptrdiff_t>(before),
                                        sink.lines().end());
    };
    const auto burst = send(60);
    ASSERT_EQ(burst.size(), static_cast<std::size_t>(DZPageLogBudget::kBurstLines + 1));
    EXPECT_THAT(burst.back(), HasSubstr("lines dropped"));
    bed_.home().loop().advance(1);
    EXPECT_EQ(send(60).size(), static_cast<std::size_t>(DZPageLogBudget::kLinesPerSecond + 1));

    // Given time, the page reaches its total, and then writes one line more, however long it goes on.
    std::size_t written = sink.lines().size();
    for (int round = 0; round < 40; ++round) {
        bed_.home().loop().advance(10);
        written += send(DZPageLogBudget::kBurstLines).size();
    }
    EXPECT_EQ(written, static_cast<std::size_t>(DZPageLogBudget::kMaxLines + 1));
    EXPECT_THAT(sink.lines().back(), HasSubstr("the rest of its lines are dropped"));

    // The next page the host loads has a budget of its own; the page navigating itself has not.
    bed_.engine().navigate("https://ads.example/other");
    EXPECT_TRUE(send(1).empty());
    loadPage("https://ads.example/next");
    EXPECT_THAT(send(1), ElementsAre("Ad page says: line"));
}

TEST_F(AdViewBridge, WhatAPageMakesTheComponentLogAndHoldIsItsToPayFor) {
    auto marker = std::make_shared<RecordingHandler>();
    delegate_->addAMSGHandler(marker);
    loadPage("https://ads.example/page");
    platform::ScopedLogSink sink;
    // Refusals of its messages and of its navigations write from the page's one log budget.
    for (int i = 0; i < 40; ++i) {
        bed_.engine().navigate("amsg://x/httpTrack?u=file%3A%2F%2F%2Fetc%2Fpasswd");
        bed_.engine().navigate("tikoleapunknown://x" + std::to_string(i));
    }
    bed_.engine().navigate("amsg://x/tikoleapTest?n=logged");
    ASSERT_TRUE(bed_.home().pump().until([&] { return !marker->seen.empty(); }));
    bed_.runUntilIdle();
    EXPECT_EQ(sink.lines().size(), static_cast<std::size_t>(DZPageLogBudget::kBurstLines + 1));
    EXPECT_THAT(sink.lines().back(), HasSubstr("lines dropped"));

    // Messages waiting for the main thread hold a bounded number of bytes, however few they are.
    marker->seen.clear();
    bed_.home().loop().advance(60);
    const std::string padding(std::size_t{1} << 20, 'p');
    const std::size_t fit = DZAdViewDelegate::kMaxWaitingBytes / padding.size() - 1;  // with their names
    for (std::size_t i = 0; i < fit + 3; ++i)
        bed_.engine().navigate("amsg://x/tikoleapTest?n=" + std::to_string(i) + "&pad=" + padding);
    ASSERT_TRUE(bed_.home().pump().until([&] { return marker->seen.size() >= fit; }));
    bed_.runUntilIdle();
    ASSERT_EQ(marker->seen.size(), fit);
    EXPECT_EQ(marker->seen.back(), std::to_string(fit - 1));
}

TEST_F(AdViewBridge, WhatAPagesPingsMakeTheComponentLogIsThePagesToPayFor) {
    tikoleap::test::LoopbackServer server;
    server.slow("/slow", 1, 204);
    auto marker = std::make_shared<RecordingHandler>();
    delegate_->addAMSGHandler(marker);
    loadPage("https://ads.example/page");
    platform::ScopedLogSink sink;
    // The page spends its log budget, then asks for more pings than its share of the collection
    // holds: the collection turning them away writes nothing past the budget.
    for (int i = 0; i < DZPageLogBudget::kBurstLines + 10; ++i)
        bed_.engine().navigate("amsg://x/log?string=l");
    for (int i = 0; i < 60; ++i)
        bed_.engine().navigate("amsg://x/httpTrack?u=" +
                               dz_stringByEscapingAsURLParameter(server.url("/slow?n=" + std::to_string(i))));
    bed_.engine().navigate("amsg://x/tikoleapTest?n=done");
    ASSERT_TRUE(bed_.home().pump().until([&] { return !marker->seen.empty(); }));
    bed_.runUntilIdle();
    EXPECT_EQ(sink.lines().size(), static_cast<std::size_t>(DZPageLogBudget::kBurstLines + 1));
    EXPECT_THAT(sink.lines(), testing::Each(testing::Not(HasSubstr("pings waiting"))));
    EXPECT_EQ(DZClickTrackerCollection::sharedInstance()->waitingFor(view_->pingAsker()),
              DZClickTrackerCollection::kMaxWaitingPerAsker);
}

TEST_F(AdViewBridge, WhatAMessageNoHandlerTakesMakesItsObserversLogIsThePagesToPayFor) {
    // The overlay refuses each of these with a line, after the message's dispatch has returned.
    auto overlay = DZOverlayView::create({0, 0, 320, 480});
    overlay->setAdView(view_);
    auto marker = std::make_shared<RecordingHandler>();
    delegate_->addAMSGHandler(marker);
    loadPage("https://ads.example/page");
    platform::ScopedLogSink sink;
    for (int i = 0; i < 60; ++i)
        bed_.engine().navigate("amsg://x/loadHtml?overlayHtml=p&baseUrl=file%3A%2F%2F%2Fetc%2F");
    bed_.engine().navigate("amsg://x/tikoleapTest?n=logged");
    ASSERT_TRUE(bed_.home().pump().until([&] { return !marker->seen.empty(); }));
    bed_.runUntilIdle();
    EXPECT_EQ(sink.lines().size(), static_cast<std::size_t>(DZPageLogBudget::kBurstLines + 1));
    EXPECT_THAT(sink.lines().back(), HasSubstr("lines dropped"));
}

TEST_F(AdViewBridge, OnlyWebBasesAreRecordedAndAViewWithoutEngineFailsEveryLoad) {
    view_->loadHTMLString("<p>ad</p>", "file:///etc/");
    EXPECT_FALSE(view_->URL());
    EXPECT_EQ(bed_.engine().loadCalls().back().baseUrl, "about:blank");
    view_->loadHTMLString("<p>ad</p>", "https://ads.example/base");
    ASSERT_TRUE(view_->URL());

    auto previous = DZAdView::setEngineFactory([](int, int, std::string* error) {
        *error = "no display";
        return std::unique_ptr<platform::web::WebEngine>();
    });
    auto bare = DZAdView::create({0, 0, 320, 50});
    DZAdView::setEngineFactory(previous);
    auto delegate = std::make_shared<RecordingDelegate>();
    bare->setDelegate(delegate);
    bare->loadRequest({"https://ads.example/", {}});
    bare->loadHTMLString("<p/>", "https://ads.example/");
    EXPECT_TRUE(delegate->failures.empty());  // never inside the call
    bed_.runUntilIdle();
    ASSERT_EQ(delegate->failures.size(), 2u);
    EXPECT_EQ(delegate->failures[0].domain, "web");
    EXPECT_EQ(delegate->failures[0].failingUrl, "https://ads.example/");
    EXPECT_THAT(delegate->failures[0].message, HasSubstr("no display"));
}

TEST(PageCounter, TakesItsLimitThenRefusesTheRestAndSaysSoOnce) {
    platform::ScopedLogSink sink;
    DZPageCounter counter(2);
    EXPECT_TRUE(counter.take("no more"));
    EXPECT_TRUE(counter.take("no more"));
    for (int i = 0; i < 5; ++i) EXPECT_FALSE(counter.take("no more"));
    EXPECT_EQ(counter.taken(), 2);
    DZPageCounter none(0);
    EXPECT_FALSE(none.take("never"));
    EXPECT_FALSE(none.take("never"));
    DZLoggingQueue()->sync([] {});
    EXPECT_THAT(sink.lines(), ElementsAre("no more", "never"));
}
