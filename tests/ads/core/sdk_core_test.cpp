// The SDK core controller, its hidden core view and the core page's messages, on the scripted
// web engine and the virtual clock.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "ads/core/DZAd.h"
#include "ads/core/slot/DZSDKCoreConstants.h"
#include "ads/core/slot/DZSDKCoreController.h"
#include "ads/core/slot/DZSDKCoreHooks.h"
#include "ads/core/slot/DZSDKCoreRectangle.h"
#include "ads/foundation/DZLogger.h"
#include "ads/render/AdViewTestBed.h"
#include "platform/defaults/UserDefaults.h"
#include "platform/foundation/ScopedLogSink.h"
#include "platform/plist/PlistDict.h"

using platform::web::WebError;
using testing::AllOf;
using testing::ElementsAre;
using testing::HasSubstr;

namespace {

struct Requester : DZSDKCoreControllerDelegate {
    std::optional<nlohmann::json> requestParameters() override {
        return nlohmann::json{{"slotname", "unit"}};
    }
    int requestedAdType() override { return 1; }
    void setRequestID(const std::string& id) override { requestID = id; }
    void loadAdURLWithParameters(const DZNotification::Parameters& parameters) override {
        answers.push_back("url:" + parameters.at("url"));
    }
    void loadAd(const std::shared_ptr<DZAd>& loaded, const std::map<std::string, std::string>&) override {
        ad = loaded;
        answers.push_back("ad");
    }
    void invalidJavaScriptRequest() override { answers.push_back("invalid"); }
    void failedJavaScriptFile() override { answers.push_back("failed"); }
    void requestTimedOut() override { answers.push_back("timedOut"); }
    long CSIIdentifier() override { return 7; }

    std::string requestID;
    std::vector<std::string> answers;
    std::shared_ptr<DZAd> ad;
};

struct Observer : DZSDKCoreWebViewObserver {
    void didFinishLoadingSDKCoreInSDKCoreWebView(const std::shared_ptr<DZSDKCoreWebView>&) override {
        ++told;
    }
    int told = 0;
};

struct Measured : DZZadavaDuruObserver {
    void adViewDidStopZadavaDuruMonitoring() override { ++stopped; }
    void adViewDidChangeZadavaDuruVisibility(bool) override {}
    int stopped = 0;
};

class SDKCore : public ::testing::Test {
  protected:
    platform::web::FakeWebEngine& engine() { return bed_.engine(); }
    // The host's load of the page, asked of the view, and the page's end.
    void loadPage() {
        bed_.runUntilIdle();
        ASSERT_EQ(engine().url(), DZSDKCoreWebView::pageURL());
        engine().finishLoad();
        bed_.runUntilIdle();
    }
    std::vector<std::string> scripts() {
        std::vector<std::string> all;
        for (const auto& pending : engine().pendingScripts()) {
            // The page's orientation, given after each load, is not the controller's.
            if (pending.script.find("'orientation'") == std::string::npos) all.push_back(pending.script);
        }
        return all;
    }
    bool waitForScripts(std::size_t count) {
        return bed_.home().pump().until([&] { return scripts().size() >= count; });
    }
    // A message of the page, and the main-loop work it causes.
    void pageSends(const std::string& url) {
        engine().navigate(url);
        bed_.runUntilIdle();
    }
    // The page runs every script it was given (one left waiting past its limit stops the page).
    void runScripts() {
        while (engine().completeScript({true, "", ""})) {
        }
    }
    int requestLoads() {
        int loads = 0;
        for (const auto& call : engine().loadCalls()) {
            loads += call.kind == platform::web::FakeWebEngine::LoadCall::Kind::Request;
        }
        return loads;
    }

    tikoleap::test::AdViewTestBed bed_;
    std::shared_ptr<DZSDKCoreController> controller_ = DZSDKCoreController::create();
};

}  // namespace

TEST_F(SDKCore, RequestsWaitForThePageAndAreAnsweredByID) {
    auto first = std::make_shared<Requester>();
    auto second = std::make_shared<Requester>();
    controller_->buildAdURL(first);
    controller_->buildAdURL(second);
    loadPage();
    ASSERT_TRUE(waitForScripts(3));
    EXPECT_EQ(first->requestID, "1");
    EXPECT_EQ(second->requestID, "2");
    const auto sent = scripts();
    EXPECT_THAT(sent[0], HasSubstr("ZAZO_getSdkConstants({\"js\":"));
    EXPECT_THAT(sent[1], HasSubstr("ZAZO_getAd({\"request_id\":\"1\",\"slotname\":\"unit\"});"));
    EXPECT_THAT(sent[2], HasSubstr("\"request_id\":\"2\""));

    pageSends("amsg://core/loadAdURL?request_id=2&url=http%3A%2F%2F127.0.0.1%2Fad");
    pageSends(
        "amsg://core/"
        "loadAd?request_id=1&fetched_ad=%7B%22ad_html%22%3A%22%3Cp%3E%22%2C%22is_mediation%22%3Atrue%7D");
    pageSends("amsg://core/invalidRequest?request_id=1");  // already answered
    pageSends("amsg://core/loadAdURL?request_id=99&url=x");
    EXPECT_THAT(first->answers, ElementsAre("ad"));
    ASSERT_TRUE(first->ad);
    EXPECT_EQ(first->ad->responseType(), kDZAdResponseTypeMediation);
    EXPECT_EQ(first->ad->responseHeaders().at("x-zazo-mediation"), "1");
    EXPECT_THAT(second->answers, ElementsAre("url:http://127.0.0.1/ad"));
    EXPECT_EQ(controller_->pendingRequestCount(), 0u);

    // A page flooding answers within one turn of the loop is cut off with one log line.
    platform::ScopedLogSink sink;
    for (int i = 0; i < DZSDKCoreAMSGHandler::kMaxWaitingAnswers + 10; ++i) {
        engine().navigate("amsg://core/invalidRequest?request_id=x" + std::to_string(i));
    }
    bed_.runUntilIdle();
    EXPECT_THAT(sink.lines(), ElementsAre(HasSubstr("messages dropped")));

    // So is one sending a few answers too large to hold, however few they are.
    auto handler = std::make_shared<DZSDKCoreAMSGHandler>(std::weak_ptr<DZSDKCoreWebView>{});
    const std::string large(DZSDKCoreAMSGHandler::kMaxWaitingAnswerBytes / 3, 'r');
    for (int i = 0; i < 4; ++i)
        handler->handleNotification(DZNotification::create("invalidRequest", {{"request_id", large}}),
                                    nullptr);
    bed_.runUntilIdle();
    EXPECT_THAT(sink.lines(),
                ElementsAre(HasSubstr("messages dropped"), HasSubstr("SDK core page messages dropped")));
}

TEST_F(SDKCore, AnswersAreReadAsAnyPageValueIs) {
    controller_->buildAdURL(std::make_shared<Requester>());
    loadPage();
    // "is_mediation" of any type: what reads as true makes a mediation ad, nothing ends the game.
    const std::vector<std::pair<std::string, bool>> answers{
        {"1", true},       {"%22true%22", true}, {"%22Y%22", true}, {"true", true},
        {"0", false},      {"%22no%22", false},  {"null", false},   {"%5B1%5D", false},
        {"%7B%7D", false}, {"%22-0%22", false}};
    for (const auto& [value, mediation] : answers) {
        auto requester = std::make_shared<Requester>();
        controller_->buildAdURL(requester);
        bed_.runUntilIdle();
        pageSends("amsg://core/loadAd?request_id=" + requester->requestID +
                  "&fetched_ad=%7B%22ad_html%22%3A%22%3Cp%3E%22%2C%22is_mediation%22%3A" + value + "%7D");
        ASSERT_TRUE(requester->ad) << value;
        EXPECT_EQ(requester->ad->responseType() == kDZAdResponseTypeMediation, mediation) << value;
        EXPECT_EQ(requester->ad->responseHeaders().count("x-zazo-mediation"), mediation ? 1u : 0u) << value;
    }

    // A rejected request logs what the page said of it.
    auto rejected = std::make_shared<Requester>();
    controller_->buildAdURL(rejected);
    bed_.runUntilIdle();
    platform::ScopedLogSink sink;
    pageSends("amsg://core/invalidRequest?request_id=" + rejected->requestID + "&errors=bad%20slot");
    EXPECT_THAT(rejected->answers, ElementsAre("invalid"));
    DZLoggingQueue()->sync([] {});
    EXPECT_THAT(sink.lines(), ElementsAre(AllOf(HasSubstr("<Rerive> Invalid Request: "),
                                                HasSubstr("\"errors\":\"bad slot\""))));
}

TEST_F(SDKCore, AnUnansweredRequestTimesOutAndAnOldPageIsReloaded) {
    auto requester = std::make_shared<Requester>();
    controller_->buildAdURL(requester);
    loadPage();
    ASSERT_TRUE(waitForScripts(2));
    runScripts();
    bed_.home().loop().advance(DZSDKCoreController::kAnswerTimeoutSeconds - 0.5);
    EXPECT_TRUE(requester->answers.empty());
    bed_.home().loop().advance(1);
    EXPECT_THAT(requester->answers, ElementsAre("timedOut"));
    pageSends("amsg://core/loadAdURL?request_id=1&url=late");
    EXPECT_THAT(requester->answers, ElementsAre("timedOut"));

    // A page that let a request go unanswered (an error page, a script that never ran) is
    // loaded again by the next request.
    auto next = std::make_shared<Requester>();
    controller_->buildAdURL(next);
    loadPage();
    EXPECT_EQ(requestLoads(), 2);
    ASSERT_TRUE(waitForScripts(2));
    runScripts();
    pageSends("amsg://core/loadAdURL?request_id=" + next->requestID + "&url=u");
    EXPECT_THAT(next->answers, ElementsAre("url:u"));

    // Within the hour a page that answers serves on; past it, the next request reloads it and
    // asks the constants again.
    controller_->buildAdURL(std::make_shared<Requester>());
    bed_.runUntilIdle();
    EXPECT_EQ(requestLoads(), 2);
    ASSERT_TRUE(waitForScripts(1));
    runScripts();
    bed_.home().loop().advance(3600);
    auto late = std::make_shared<Requester>();
    controller_->buildAdURL(late);
    loadPage();
    EXPECT_EQ(requestLoads(), 3);
    ASSERT_TRUE(bed_.home().pump().until(
        [&] { return testing::Matches(testing::Contains(HasSubstr("ZAZO_getSdkConstants")))(scripts()); }));
    EXPECT_EQ(late->requestID, "4");
}

// A core page the server answered with an error fails the waiting request at once, and the next
// request loads the page again.
TEST_F(SDKCore, APageAnsweredWithAnErrorStatusFailsAtOnceAndIsLoadedAgain) {
    auto requester = std::make_shared<Requester>();
    controller_->buildAdURL(requester);
    engine().setMainResourceStatus(503);
    loadPage();
    EXPECT_THAT(requester->answers, ElementsAre("failed"));
    engine().setMainResourceStatus(200);
    auto next = std::make_shared<Requester>();
    controller_->buildAdURL(next);
    loadPage();
    EXPECT_EQ(requestLoads(), 2);
    ASSERT_TRUE(waitForScripts(2));
    runScripts();
    pageSends("amsg://core/loadAdURL?request_id=" + next->requestID + "&url=u");
    EXPECT_THAT(next->answers, ElementsAre("url:u"));
}

// A process that runs the game again against another server (a test's headless games, each with
// a server of its own) asks the new one, whose core page builds its ad URLs.
TEST_F(SDKCore, ThePageOfAServerNoLongerNamedIsLoadedFromTheOneNamedNow) {
    struct NamedServer {
        explicit NamedServer(const char* url) { ::setenv("TIKOLEAP_AD_SERVER", url, 1); }
        ~NamedServer() { ::unsetenv("TIKOLEAP_AD_SERVER"); }
    };
    std::optional<NamedServer> named(std::in_place, "http://127.0.0.1:9/");
    controller_->buildAdURL(std::make_shared<Requester>());
    loadPage();
    EXPECT_EQ(engine().url(), "http://127.0.0.1:9/zads/static/sdk/native/sdk-core-v40.html");
    named.reset();
    named.emplace("http://127.0.0.1:10/");
    controller_->buildAdURL(std::make_shared<Requester>());
    loadPage();
    EXPECT_EQ(engine().url(), "http://127.0.0.1:10/zads/static/sdk/native/sdk-core-v40.html");
    EXPECT_EQ(requestLoads(), 2);
    // The same server again: the page serves on.
    controller_->buildAdURL(std::make_shared<Requester>());
    bed_.runUntilIdle();
    EXPECT_EQ(requestLoads(), 2);
}

TEST_F(SDKCore, AFailedOrDeadPageAnswersTheWaitingAndIsLoadedAgain) {
    auto requester = std::make_shared<Requester>();
    controller_->buildAdURL(requester);
    bed_.runUntilIdle();
    engine().failLoad({"web", WebError::kTimedOut, "timed out", DZSDKCoreWebView::pageURL()});
    bed_.runUntilIdle();
    EXPECT_THAT(requester->answers, ElementsAre("failed"));
    EXPECT_EQ(controller_->activeSDKCoreWebView()->state(), DZSDKCoreWebView::Failed);

    controller_->buildAdURL(requester);
    loadPage();
    EXPECT_EQ(controller_->activeSDKCoreWebView()->state(), DZSDKCoreWebView::Loaded);
    // The page's process ends while it idles: whatever URL the failure names, the page is gone.
    engine().endWebProcess();
    bed_.runUntilIdle();
    EXPECT_EQ(controller_->activeSDKCoreWebView()->state(), DZSDKCoreWebView::Failed);
    controller_->buildAdURL(std::make_shared<Requester>());
    bed_.runUntilIdle();
    EXPECT_EQ(requestLoads(), 3);
}

TEST_F(SDKCore, TheCoreViewQueuesCommandsAndTellsObserversOnce) {
    auto webView = DZSDKCoreWebView::create();
    auto observer = std::make_shared<Observer>();
    for (int i = 0; i <= 50; ++i) webView->enqueueJavaScriptCommand("c" + std::to_string(i) + "();");
    webView->refreshSDKCoreAndNotifyObserver(observer);
    webView->refreshSDKCoreAndNotifyObserver(observer);  // no second load while loading
    bed_.runUntilIdle();
    // A message during the page's own load is refused unhandled.
    EXPECT_FALSE(engine().navigate("amsg://core/loadSdkConstants?ping_interval=5"));
    engine().finishLoad();
    bed_.runUntilIdle();
    EXPECT_EQ(observer->told, 1);
    EXPECT_EQ(requestLoads(), 1);
    EXPECT_FALSE(platform::UserDefaults::standard()->stringForKey("/rerive/ads/ping_interval"));
    const auto run = scripts();
    ASSERT_EQ(run.size(), 50u);
    // Each as it is: anything around a command has the page compile and keep a program of each.
    EXPECT_EQ(run.front(), "c1();");
    EXPECT_EQ(run.back(), "c50();");

    webView->addObserverForOneTimeNotification(observer);  // loaded: told at once
    bed_.runUntilIdle();
    EXPECT_EQ(observer->told, 2);

    engine().failLoad({"web", WebError::kCancelled, "", DZSDKCoreWebView::pageURL()});
    engine().endWebProcess();
    bed_.runUntilIdle();
    webView->enqueueJavaScriptCommand("lost();");
    webView->refreshSDKCoreAndNotifyObserver(nullptr);
    bed_.runUntilIdle();
    engine().finishLoad();
    webView->enqueueJavaScriptCommand("kept();");
    bed_.runUntilIdle();
    ASSERT_EQ(scripts().size(), 1u);
    EXPECT_THAT(scripts()[0], HasSubstr("kept();"));
}

TEST_F(SDKCore, ConstantsAreCheckedAndStored) {
    controller_->buildAdURL(std::make_shared<Requester>());
    loadPage();
    const std::string huge(DZSDKCoreConstants::kMaxValueBytes + 1, 'x');
    pageSends(
        "amsg://core/"
        "loadSdkConstants?ping_interval=60&bad_ad_report_path=http%3A%2F%2F127.0.0.1%2Fadpage%2Fbadad"
        "&whitelisted_ad_request_domains=%5B1%2C%22127.0.0.1%22%5D&zadava_duru_unload_cache_size=0"
        "&refresh_intervals=%7B%22zadava_duru_sampling_interval%22%3A%221.5%22%2C"
        "%22swipe_to_view_sampling_interval%22%3A%22nan%22%7D&mraid_disable_redirect=1"
        "&enable_auto_click_protection=0&as_domains=" +
        huge);
    auto defaults = platform::UserDefaults::standard();
    EXPECT_EQ(defaults->stringForKey("/rerive/ads/ping_interval"), "60");
    EXPECT_EQ(defaults->stringForKey("/rerive/ads/bad_ad_report_path"), "http://127.0.0.1/adpage/badad");
    EXPECT_FALSE(defaults->stringForKey("/rerive/ads/as_domains"));
    auto domains = defaults->arrayForKey("/rerive/ads/whitelisted_ad_request_domains");
    ASSERT_TRUE(domains);
    ASSERT_EQ(domains->size(), 1u);
    EXPECT_EQ(domains->getString(0), "127.0.0.1");
    EXPECT_EQ(controller_->zadavaDuruUnloadCacheMaxSize(), 3u);
    EXPECT_DOUBLE_EQ(controller_->zadavaDuruSamplingInterval(), 1.5);
    EXPECT_DOUBLE_EQ(controller_->swipeToViewSamplingInterval(), 0);
    EXPECT_TRUE(DZSDKCoreHooks::mraidSettings().redirectDisallowed);
    EXPECT_EQ(defaults->stringForKey("/rerive/ads/enable_auto_click_protection"), "0");
}

TEST_F(SDKCore, PageFetchesTakeOnlyWebURLsWithAnID) {
    controller_->buildAdURL(std::make_shared<Requester>());
    loadPage();
    ASSERT_TRUE(waitForScripts(2));
    pageSends("amsg://core/fetchHttpRequest?http_request=%7B%22url%22%3A%22http%3A%2F%2F127.0.0.1%2F%22%7D");
    pageSends(
        "amsg://core/"
        "fetchHttpRequest?http_request=%7B%22http_request_id%22%3A%22f1%22%2C%22url%22%3A%22file%3A%2F%2F%"
        "2Fetc%2Fpasswd%22%7D");
    pageSends("amsg://core/fetchHttpRequest?http_request=%5B%5D");
    ASSERT_TRUE(waitForScripts(5));
    const auto sent = scripts();
    EXPECT_THAT(sent[2], HasSubstr("no http_request_id"));
    EXPECT_THAT(sent[3], HasSubstr("Invalid URL (file:///etc/passwd) requested for fetching"));
    EXPECT_THAT(sent[3], HasSubstr("\"http_request_id\":\"f1\""));
    EXPECT_THAT(sent[4], HasSubstr("\"success\":\"false\""));
}

TEST_F(SDKCore, ThePoolKeepsOnlyViewsStillMeasuring) {
    controller_->buildAdURL(std::make_shared<Requester>());
    loadPage();
    auto& activePage = engine();
    auto shared = controller_->SDKCoreWebViewForZadavaDuruProcessing();
    EXPECT_EQ(controller_->SDKCoreWebViewForZadavaDuruProcessing(), shared);
    activePage.navigate("amsg://core/requestReload");
    bed_.runUntilIdle();
    EXPECT_NE(controller_->SDKCoreWebViewForZadavaDuruProcessing(), shared);

    auto measured = std::make_shared<Measured>();
    std::vector<std::shared_ptr<DZSDKCoreWebView>> views;
    for (unsigned i = 0; i < 5; ++i) {
        views.push_back(DZSDKCoreWebView::create());
        views.back()->setZadavaDuruObserver(measured, i);
    }
    views[1]->setZadavaDuruObserver(std::make_shared<Measured>(), 1);  // the first observer stays
    views[1]->clearAllZadavaDuruInstances();
    EXPECT_EQ(measured->stopped, 1);
    for (const auto& view : views) controller_->cacheRunningZadavaDuruWebView(view);
    // Of the four still measuring, the three added last are kept; the oldest is cleared.
    EXPECT_THAT(controller_->zadavaDuruPool(), ElementsAre(views[2], views[3], views[4]));
    EXPECT_FALSE(views[0]->isZadavaDuruRunning());
    EXPECT_EQ(measured->stopped, 2);
}

TEST(SDKCoreRectangle, ReadsOnlyFourFiniteNumbers) {
    const auto rect = DZCGRectFromSDKCoreRectangle(DZSDKCoreRectangleFromCGRect({1.5f, 2, 320, 50}));
    EXPECT_EQ(rect.origin.x, 1.5f);
    EXPECT_EQ(rect.size.height, 50.f);
    for (const auto& bad : {nlohmann::json{{"x", 1}, {"y", 2}, {"width", "3"}, {"height", 4}},
                            nlohmann::json{{"x", 1}, {"y", 2}, {"width", 1e300}, {"height", 4}},
                            nlohmann::json::array({1, 2, 3, 4})}) {
        platform::ErrorRef error;
        const auto zero = DZCGRectFromSDKCoreRectangle(bad, &error);
        EXPECT_EQ(zero.size.width, 0.f);
        ASSERT_TRUE(error);
        EXPECT_EQ(error->domain(), "cg_rect_conversion");
        EXPECT_EQ(error->code(), 1);
        EXPECT_THAT(error->localizedDescription(), HasSubstr("Invalid SDK Core rectangle"));
    }
}
