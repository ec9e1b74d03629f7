// The ad slot's state machine, refresh timer and request path, on the scripted web engine and
// the virtual clock.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <string>
#include <vector>

#include "ads/core/DZAd.h"
#include "ads/core/DZAdCoreHooks.h"
#include "ads/core/DZBannerAd.h"
#include "ads/core/DZCorrelator.h"
#include "ads/core/DZExtras.h"
#include "ads/core/DZInAppPurchase.h"
#include "ads/core/DZRequest.h"
#include "ads/core/slot/DZSDKCoreController.h"
#include "ads/core/slot/DZSlot.h"
#include "ads/core/slot/DZSlotInAppPurchaseHooks.h"
#include "ads/core/slot/DZSlotLoads.h"
#include "ads/foundation/DZStatisticDictionary.h"
#include "ads/render/AdViewTestBed.h"
#include "ads/render/sampling/DZContentSampler.h"
#include "ads/render/view/DZAdView.h"
#include "ads/render/view/DZBannerAdViewDelegate.h"
#include "ads/render/view/DZMRAIDInterceptor.h"
#include "platform/defaults/UserDefaults.h"
#include "platform/foundation/ScopedLogSink.h"
#include "platform/ui/NotificationCenter.h"
#include "platform/ui/ViewController.h"
#include "platform/ui/Window.h"
#include "platform/web/FakeWebEngine.h"
#include "tools/adserver/AdServer.h"

using testing::ElementsAre;
using testing::HasSubstr;

namespace {

const float kNaN = std::numeric_limits<float>::quiet_NaN();

struct Owner : DZSlotDelegate, DZSlotAdLoadDelegate {
    std::optional<bool> slotShouldLoadRequest(DZSlot&, const DZRequest&) override { return allowLoad; }
    std::optional<bool> slotShouldReloadCurrentRequest(DZSlot&) override {
        ++reloadAsks;
        return allowReload;
    }
    std::optional<bool> slotShouldPreemptInProgressRequest(DZSlot&) override { return preempt; }
    std::optional<platform::Rect> frame() override { return frameRect; }
    std::optional<std::vector<DZAdSize>> validAdSizes() override { return sizes; }
    std::shared_ptr<DZInAppPurchaseDelegate> inAppPurchaseDelegate() override { return purchases; }
    void slotWillLoadAdWithRequest(DZSlot&, const DZRequest&) override { ++loads; }
    int ownerAdType() override { return 1; }
    void slotFinishedLoadingAdContent(DZSlot&) override {}
    void slotDidFailToLoadAdContent(DZSlot&, const DZRequestError::Ref& error) override {
        errors.push_back(error ? static_cast<int>(error->code()) : -1);
        lastError = error;
    }

    std::optional<bool> allowLoad, allowReload, preempt;
    std::optional<platform::Rect> frameRect;
    std::optional<std::vector<DZAdSize>> sizes;
    std::shared_ptr<DZInAppPurchaseDelegate> purchases;
    int reloadAsks = 0;
    int loads = 0;
    std::vector<int> errors;
    DZRequestError::Ref lastError;
};

struct Purchases : DZInAppPurchaseDelegate {
    void didReceiveInAppPurchase(const std::shared_ptr<DZInAppPurchase>&) override { ++received; }
    int received = 0;
};

class Slot : public ::testing::Test {
  protected:
    void SetUp() override {
        DZMRAIDInterceptor::resetCanInitWithRequestCounter();
        slot_->setSDKCoreController(controller_);
        slot_->setSlotDelegate(owner_);
        slot_->setAdLoadDelegate(owner_);
        slot_->setStateChangeHandler([this](int, int to) { states_.push_back(to); });
    }
    void TearDown() override {
        slot_->setStateChangeHandler(nullptr);
        bed_.runUntilIdle();
    }
    void advance(double seconds) { bed_.home().loop().advance(seconds); }
    void banner() {
        slot_->setAdType(DZAdType::bannerAdTypeForSize(kDZAdSizeBanner));
        slot_->setAdUnitID("unit");
    }
    static std::shared_ptr<DZRequest> requestWithExtras(const nlohmann::json& extras) {
        auto request = DZRequest::request();
        auto e = std::make_shared<DZExtras>();
        e->setAdditionalParameters(extras);
        request->registerAdNetworkExtras(e);
        return request;
    }

    tikoleap::test::AdViewTestBed bed_;
    std::shared_ptr<Owner> owner_ = std::make_shared<Owner>();
    std::shared_ptr<DZSlot> slot_ = DZSlot::create({0, 0, 320, 50});
    // Made after the slot: the bed's engine is the core page's.
    std::shared_ptr<DZSDKCoreController> controller_ = DZSDKCoreController::create();
    std::vector<int> states_;
};

}  // namespace

TEST_F(Slot, StatesMoveTheInterceptorAndEightIsFinal) {
    EXPECT_EQ(slot_->state(), 0);
    EXPECT_TRUE(slot_->adType().isInterstitial());
    EXPECT_FALSE(slot_->reloadable());
    EXPECT_DOUBLE_EQ(slot_->reloadInterval(), 60);
    for (auto [given, kept] :
         {std::pair{0.5, 0.0}, {1.0, 1.0}, {std::nan(""), 0.0}, {1e300, kDZMaxReloadInterval}}) {
        slot_->setReloadInterval(given);
        EXPECT_DOUBLE_EQ(slot_->reloadInterval(), kept) << given;
    }

    const auto counter = [] { return DZMRAIDInterceptor::canInitWithRequestCounter(); };
    slot_->setState(kDZSlotStateFailed);  // a failure before any request: the count stays at 0
    EXPECT_EQ(counter(), 0);
    slot_->setState(kDZSlotStateIdle);
    slot_->setState(kDZSlotStateAdURLRequested);
    slot_->setState(kDZSlotStateAdURLRequested);
    EXPECT_EQ(counter(), 1);
    slot_->setState(kDZSlotStateAdURLReceived);
    slot_->setState(kDZSlotStateRendering);
    EXPECT_EQ(counter(), 1);
    slot_->setState(kDZSlotStateValidAd);
    slot_->setState(kDZSlotStateValidAd);
    EXPECT_EQ(counter(), 0);
    slot_->setState(kDZSlotStateIdle);
    slot_->setState(kDZSlotStateAdURLRequested);
    slot_->setState(kDZSlotStateCorePageFailed);
    EXPECT_EQ(counter(), 0);
    slot_->setState(static_cast<DZSlotState>(42));
    EXPECT_EQ(slot_->state(), 1);

    slot_->setReloadable(true);
    slot_->cancelPendingAndFutureActions();
    EXPECT_EQ(slot_->state(), 8);
    EXPECT_FALSE(slot_->slotDelegate());
    EXPECT_FALSE(slot_->reloadable());
    slot_->setState(kDZSlotStateIdle);
    slot_->loadRequest(nullptr);
    EXPECT_EQ(slot_->state(), 8);
    EXPECT_EQ(owner_->loads, 0);
    EXPECT_THAT(states_, ElementsAre(7, 0, 2, 3, 5, 6, 0, 2, 1, 0, 8));
}

TEST_F(Slot, TheRefreshTimerRunsOnTheVirtualClock) {
    slot_->setReloadable(true);
    slot_->setReloadInterval(30);
    slot_->scheduleAdReloadTimer();
    EXPECT_FALSE(slot_->isReloadTimerArmed());  // no load attempted yet

    owner_->allowLoad = false;  // a refused load still counts as an attempt
    slot_->loadRequest(nullptr);
    EXPECT_THAT(owner_->errors, ElementsAre(0));
    slot_->scheduleAdReloadTimer();
    advance(29.9);
    EXPECT_EQ(owner_->reloadAsks, 0);
    advance(0.2);
    EXPECT_EQ(owner_->reloadAsks, 1);
    EXPECT_TRUE(slot_->isReloadTimerArmed());  // declined: armed again
    advance(30);
    EXPECT_EQ(owner_->reloadAsks, 2);

    // Leaving the app stops it; coming back starts a full interval; so does full-screen content.
    auto& center = platform::ui::NotificationCenter::defaultCenter();
    advance(20);
    center.post(platform::ui::kApplicationWillResignActiveNotification);
    advance(60);
    EXPECT_EQ(owner_->reloadAsks, 2);
    center.post(platform::ui::kApplicationDidBecomeActiveNotification);
    center.post("kAdModalViewControllerWillPresentFullScreen");
    EXPECT_FALSE(slot_->isReloadTimerArmed());
    center.post("kAdModalViewControllerDidDismissFullScreen");
    advance(29.9);
    EXPECT_EQ(owner_->reloadAsks, 2);
    advance(0.2);
    EXPECT_EQ(owner_->reloadAsks, 3);

    // A refresh the owner wants while a load still runs is refused, and the timer goes on.
    owner_->allowLoad.reset();
    owner_->allowReload = true;
    slot_->setState(kDZSlotStateRendering);
    advance(30.1);
    EXPECT_EQ(owner_->reloadAsks, 4);
    EXPECT_EQ(slot_->state(), 5);
    EXPECT_TRUE(slot_->isReloadTimerArmed());
    // Once the slot is free, the refresh loads.
    slot_->setState(kDZSlotStateValidAd);
    advance(30.1);
    EXPECT_EQ(slot_->state(), 2);
    EXPECT_TRUE(slot_->hasAutoRefreshed());
}

TEST_F(Slot, ChangingTheAdTypeReloadsOnlyWhenAskedAndNeeded) {
    banner();
    slot_->setAdTypeAndReloadRequest(DZAdType::bannerAdTypeForSize(kDZAdSizeBanner), true);
    slot_->setAdTypeAndReloadRequest(DZAdType::bannerAdTypeForSize(kDZAdSizeMediumRectangle), false);
    EXPECT_EQ(slot_->adType().adSize().size.height, 250.f);
    slot_->setAdTypeAndReloadRequest(DZAdType::bannerAdTypeForSize(kDZAdSizeLargeBanner), true);
    EXPECT_EQ(owner_->loads, 0);  // nothing was ever loaded

    slot_->loadRequest(nullptr);
    EXPECT_EQ(owner_->loads, 1);
    slot_->setAdTypeAndReloadRequest(DZAdType::bannerAdTypeForSize(kDZAdSizeBanner), true);
    EXPECT_EQ(owner_->loads, 2);  // the running load gave way
    EXPECT_TRUE(slot_->adView()->isHidden());
    EXPECT_THAT(states_, ElementsAre(2, 0, 2));
}

TEST_F(Slot, RefusalsComeInOrderAndTheHintOnce) {
    banner();
    platform::ScopedLogSink sink;
    DZSlot::resetTestDeviceHintForTesting();
    owner_->allowLoad = false;
    slot_->loadRequest(nullptr);
    EXPECT_THAT(owner_->errors, ElementsAre(0));
    EXPECT_EQ(slot_->state(), 0);

    owner_->allowLoad = true;
    slot_->loadRequest(nullptr);
    EXPECT_EQ(slot_->state(), 2);
    slot_->loadRequest(nullptr);  // running: dropped without a word, before the owner is asked
    owner_->allowLoad = false;
    slot_->loadRequest(nullptr);
    EXPECT_THAT(owner_->errors, ElementsAre(0));
    owner_->allowLoad = true;
    owner_->preempt = true;
    slot_->loadRequest(nullptr);
    EXPECT_EQ(owner_->loads, 2);

    bed_.runUntilIdle();
    int hints = 0;
    for (const auto& line : sink.lines())
        hints += line.find("To get test ads on this device") != std::string::npos;
    EXPECT_EQ(hints, 1);
}

TEST_F(Slot, ReservedExtrasSkipTheCore) {
    banner();
    slot_->loadRequest(
        requestWithExtras({{"_ad", {{"ad_html", "<p>reserved</p>"}, {"ad_base_url", "http://127.0.0.1/"}}},
                           {"_orientation", "l"}}));
    EXPECT_THAT(states_, ElementsAre(2, 4));
    ASSERT_TRUE(slot_->loadingAd());
    EXPECT_EQ(slot_->loadingAd()->supportedOrientations(), 24u);
    EXPECT_EQ(slot_->loadingAd()->adHTML(), "<p>reserved</p>");
    EXPECT_FALSE(slot_->requestID());  // the core was never asked

    // A request URL that is no web URL is not loaded: the core is asked instead.
    slot_->cancelLoad();
    slot_->loadRequest(requestWithExtras({{"_requestUrl", "file:///etc/passwd"}}));
    EXPECT_EQ(slot_->state(), 2);
    EXPECT_FALSE(slot_->loadingAd());
}

TEST_F(Slot, RequestParametersDescribeTheSlot) {
    banner();
    owner_->sizes = std::vector<DZAdSize>{kDZAdSizeBanner, kDZAdSizeInvalid, {{kNaN, 50}, 0},
                                          {{-320, 50}, 0}, {{1e30f, 50}, 0}, kDZAdSizeMediumRectangle};
    owner_->frameRect = platform::Rect{10, kNaN, -320, 50};
    slot_->setCorrelator(std::make_shared<DZCorrelator>(77));
    slot_->setCalledLoadAndDisplayRequest(true);
    slot_->loadRequest(nullptr);
    auto p = *slot_->requestParameters();
    EXPECT_EQ(p["sz"], "320x50|300x250");
    EXPECT_EQ(p["slotname"], "unit");
    EXPECT_EQ(p["correlation_id"], 77u);
    EXPECT_EQ(p["cladr"], "1");
    EXPECT_EQ(p["force_https"], "1");
    EXPECT_EQ(p["ad_frame"], nlohmann::json({{"x", -310.f}, {"w", 320.f}, {"h", 50.f}}));
    EXPECT_EQ(p["ad_bounds"], nlohmann::json({{"x", 0.f}, {"y", 0.f}, {"w", 320.f}, {"h", 50.f}}));
    EXPECT_FALSE(p.contains("format"));

    platform::UserDefaults::standard()->setBool("/rerive/ads/use_https", false);
    platform::UserDefaults::standard()->setString("/rerive/ads/content_url_fingerprint", "fp");
    slot_->setAdType(DZAdType::bannerAdTypeForSize(kDZAdSizeSmartBannerPortrait));
    p = *slot_->requestParameters();
    EXPECT_FALSE(p.contains("cladr"));
    EXPECT_FALSE(p.contains("force_https"));
    EXPECT_EQ(p["content_info"], nlohmann::json({{"fingerprint", "fp"}, {"v", 1}}));
    EXPECT_EQ(p["smart_w"], "full");
    EXPECT_EQ(p["smart_h"], "auto");

    slot_->setAdType(DZAdType::interstitialAdType());
    p = *slot_->requestParameters();
    EXPECT_EQ(p["format"], "interstitial_mb");
    EXPECT_FALSE(p.contains("ad_frame") || p.contains("ad_bounds") || p.contains("sz"));
}

TEST_F(Slot, TheDefaultPurchaseFlowComesBeforeTheOwnersDelegateAndIapSetFollowsTheOneFound) {
    banner();
    const auto before = DZSlotInAppPurchaseHooks::defaultPurchaseFlow;
    std::shared_ptr<DZInAppPurchaseDelegate> enabledFlow;
    DZSlotInAppPurchaseHooks::defaultPurchaseFlow = [&enabledFlow] { return enabledFlow; };
    slot_->loadRequest(nullptr);
    EXPECT_FALSE(slot_->inAppPurchaseDelegate());
    EXPECT_FALSE(slot_->requestParameters()->contains("iap_set"));

    auto owners = std::make_shared<Purchases>();
    owner_->purchases = owners;
    EXPECT_EQ(slot_->inAppPurchaseDelegate(), owners);
    EXPECT_EQ(slot_->requestParameters()->value("iap_set", ""), "1");

    auto flow = std::make_shared<Purchases>();
    enabledFlow = flow;
    EXPECT_EQ(slot_->inAppPurchaseDelegate(), flow);
    slot_->didReceiveInAppPurchase(std::make_shared<DZInAppPurchase>());
    bed_.runUntilIdle();
    EXPECT_EQ(flow->received, 1);
    EXPECT_EQ(owners->received, 0);
    owner_->purchases = nullptr;
    EXPECT_EQ(slot_->requestParameters()->value("iap_set", ""), "1");

    // A flow switched off hands the purchases back to the owner.
    enabledFlow = nullptr;
    owner_->purchases = owners;
    EXPECT_EQ(slot_->inAppPurchaseDelegate(), owners);
    DZSlotInAppPurchaseHooks::defaultPurchaseFlow = before;
}

TEST_F(Slot, ASignedInTokenTravelsOverHttpsOnly) {
    banner();
    platform::UserDefaults::standard()->setBool("/rerive/ads/use_https", false);
    const auto before = DZAdCoreHooks::signedInAdsToken;
    std::optional<std::string> token;
    DZAdCoreHooks::signedInAdsToken = [&token] { return token; };
    slot_->loadRequest(nullptr);
    auto p = *slot_->requestParameters();
    EXPECT_FALSE(p.contains("pan") || p.contains("force_https"));
    token = "tikoleap-token-1";
    p = *slot_->requestParameters();
    DZAdCoreHooks::signedInAdsToken = before;
    EXPECT_EQ(p["pan"], nlohmann::json({{"token", "tikoleap-token-1"}}));
    EXPECT_EQ(p["force_https"], "1");
}

TEST_F(Slot, TheBannersPageSampledOnTheKeyWindowGoesOnceWithTheNextRequestThenTheStoredOne) {
    banner();
    auto window = std::make_shared<platform::ui::Window>();
    window->setRunLoop(&bed_.home().loop());
    window->makeKeyAndVisible();
    auto screen = std::make_shared<platform::ui::ViewController>();
    window->setRootViewController(screen);
    screen->view()->addSubview(slot_->adView());
    auto page = std::dynamic_pointer_cast<platform::web::FakeWebEngine>(slot_->adView()->webView()->engine());
    ASSERT_TRUE(page);
    auto sampler = DZContentSampler::shared();
    sampler->startContentHashing();

    // The pass comes with the traversal interval and asks the banner's page for its text.
    advance(DZContentSampler::kDefaultTraversalInterval);
    bed_.runUntilIdle();
    ASSERT_EQ(page->pendingScripts().size(), 1u);
    EXPECT_NE(page->pendingScripts().front().script.find("document.body.innerText"), std::string::npos);
    page->completeScript({true, "The quick brown fox jumps over the lazy dog", ""});
    bed_.runUntilIdle();
    sampler->serialQueue()->sync([] {});

    slot_->loadRequest(nullptr);
    EXPECT_EQ(slot_->requestParameters()->value("content_info", nlohmann::json()),
              nlohmann::json({{"fingerprint", "CVKL52qMYV_9iRMRHJHZ9w=="}, {"v", 1}}));
    auto defaults = platform::UserDefaults::standard();
    EXPECT_EQ(defaults->stringForKey("/rerive/ads/content_url_fingerprint"), "CVKL52qMYV_9iRMRHJHZ9w==");
    // Served once, the short sample has no score left: the stored fingerprint goes instead.
    defaults->setString("/rerive/ads/content_url_fingerprint", "stored");
    EXPECT_EQ(slot_->requestParameters()->value("content_info", nlohmann::json()),
              nlohmann::json({{"fingerprint", "stored"}, {"v", 1}}));
    sampler->stopContentHashing();
    slot_->adView()->removeFromSuperview();
}

TEST_F(Slot, TheCoresAnswersEndTheLoad) {
    banner();
    auto statistics = DZApplication::sharedInstance()->statistics();
    const auto counter = [&](const char* key) {
        return statistics->objectForKey(key).value_or(0).get<int64_t>();
    };
    const auto basOff = counter("bas_off"), oar = counter("oar");
    slot_->loadRequest(nullptr);
    slot_->loadAdURLWithParameters({{"request_scenario", "offline_buffer"},
                                    {"enable_auto_click_protection", "1"},
                                    {"url", "http://127.0.0.1:9/ad"}});
    EXPECT_TRUE(slot_->adViewDelegate()->opener().autoClickProtected());
    EXPECT_EQ(counter("bas_off"), basOff + 1);
    EXPECT_EQ(counter("oar"), oar + 1);
    ASSERT_TRUE(statistics->objectForKey("seq_num"));
    EXPECT_EQ(statistics->objectForKey("losn"), statistics->objectForKey("seq_num"));
    EXPECT_EQ(slot_->state(), 4);
    ASSERT_TRUE(slot_->loadingAd());
    EXPECT_EQ(slot_->loadingAd()->adURL(), "http://127.0.0.1:9/ad");

    // An answer that comes when the slot no longer waits for one starts nothing.
    slot_->cancelLoad();
    slot_->loadAdURLWithParameters({{"url", "http://127.0.0.1:9/late"}});
    slot_->requestTimedOut();
    EXPECT_EQ(slot_->state(), 0);
    EXPECT_TRUE(owner_->errors.empty());

    slot_->loadRequest(nullptr);
    slot_->loadAdURLWithParameters({{"errors", "none here"}});
    slot_->loadRequest(nullptr);
    slot_->loadAdURLWithParameters({{"url", "javascript:alert(1)"}});
    slot_->loadRequest(nullptr);
    slot_->failedJavaScriptFile();
    EXPECT_EQ(slot_->state(), 1);
    EXPECT_THAT(owner_->errors, ElementsAre(0, 13, 2));
    EXPECT_THAT(states_, ElementsAre(2, 3, 4, 0, 2, 3, 7, 0, 2, 3, 7, 0, 2, 1));
}

TEST_F(Slot, AnAdFromTheCoreIsProtectedFromAutoClicksUnlessTheConstantsSayNot) {
    banner();
    auto& opener = slot_->adViewDelegate()->opener();
    const auto load = [&](DZNotification::Parameters parameters) {
        slot_->setAutoClickProtected(false);
        slot_->loadRequest(nullptr);
        parameters["url"] = "http://127.0.0.1:9/ad";
        slot_->loadAdURLWithParameters(parameters);
        slot_->cancelLoad();
        EXPECT_EQ(opener.autoClickProtected(), slot_->isAutoClickProtected());
        return slot_->isAutoClickProtected();
    };
    EXPECT_TRUE(load({}));
    auto defaults = platform::UserDefaults::standard();
    defaults->setString("/rerive/ads/enable_auto_click_protection", "0");
    EXPECT_FALSE(load({}));
    EXPECT_TRUE(load({{"enable_auto_click_protection", "1"}}));
    defaults->setString("/rerive/ads/enable_auto_click_protection", "1");
    EXPECT_TRUE(load({}));
}

TEST_F(Slot, AnOpenNoTapExplainsIsRefusedWhicheverWayTheAdCame) {
    banner();
    auto purchases = std::make_shared<Purchases>();
    owner_->purchases = purchases;
    const nlohmann::json given = {{"ad_html", "<p>given</p>"}, {"ad_base_url", "http://127.0.0.1/"}};
    const std::vector<std::pair<const char*, std::function<void()>>> ways = {
        {"the core's whole ad",
         [&] {
             slot_->loadRequest(nullptr);
             slot_->loadAd(std::make_shared<DZBannerAd>(given), {});
         }},
        {"the _ad extra",
         [&] {
             slot_->loadRequest(requestWithExtras({{"_ad", given}}));
         }},
        {"the _requestUrl extra",
         [&] {
             slot_->loadRequest(requestWithExtras({{"_requestUrl", "http://127.0.0.1:9/support"}}));
         }},
    };
    const auto pageSends = [&](const std::string& message) {
        auto view = slot_->adView();
        auto delegate = slot_->adViewDelegate();
        delegate->opener().setNavigationContext("amsg://page/open", {}, view);
        delegate->amsgHandlers().front()->handleRequest("amsg://page/" + message, view);
        bed_.runUntilIdle();
    };
    for (const auto& [way, load] : ways) {
        const int clicks = slot_->adClickCount();
        load();
        ASSERT_TRUE(slot_->loadingAd() || slot_->ad()) << way;
        pageSends("open?u=https%3A%2F%2Fshop.example%2F");
        pageSends("open?a=in_app_purchase&product_id=coins&quantity=1");
        EXPECT_THAT(bed_.opener().opened(), testing::IsEmpty()) << way;
        EXPECT_EQ(slot_->adClickCount(), clicks) << way;
        EXPECT_EQ(purchases->received, 0) << way;
        // A tap explains one open.
        slot_->adView()->setTouched(true);
        pageSends("open?a=in_app_purchase&product_id=coins&quantity=1");
        pageSends("open?a=in_app_purchase&product_id=coins&quantity=1");
        EXPECT_EQ(purchases->received, 1) << way;
        EXPECT_EQ(slot_->adClickCount(), clicks + 1) << way;
        purchases->received = 0;
        slot_->cancelLoad();
    }
}

TEST_F(Slot, ACoreThatNeverAnswersTimesOut) {
    banner();
    slot_->loadRequest(nullptr);
    bed_.runUntilIdle();
    bed_.engine().finishLoad();
    ASSERT_TRUE(bed_.home().pump().until([&] { return slot_->requestID().has_value(); }));
    advance(DZSDKCoreController::kAnswerTimeoutSeconds + 0.1);
    EXPECT_THAT(owner_->errors, ElementsAre(5));
    EXPECT_EQ(slot_->state(), 7);
}

TEST_F(Slot, AnAdServerThatRejectsTheParametersIsToldOfTheRequest) {
    tikoleap::adserver::AdServer server;
    ASSERT_TRUE(server.start(0, ""));
    banner();
    auto request = DZRequest::request();
    request->setKeywords(std::vector<std::string>{"leap"});
    slot_->loadRequest(request);
    slot_->loadAdURLWithParameters({{"url", server.baseURL() + "zads/ad?slotname=tikoleap-http400"}});
    ASSERT_TRUE(bed_.home().pump().until([&] { return !owner_->errors.empty(); }));
    EXPECT_THAT(owner_->errors, ElementsAre(0));
    ASSERT_TRUE(owner_->lastError);
    EXPECT_EQ(owner_->lastError->userInfoString("HttpStatus").value_or("").rfind("HTTP status 400", 0), 0u);
    const auto* keywords = owner_->lastError->userInfoValue("kw");
    ASSERT_NE(keywords, nullptr) << "the error carries no request";
    EXPECT_EQ(std::get<nlohmann::json>(*keywords), nlohmann::json::array({"leap"}));
}

// A load that says it waits only on the component's clock is not counted while it says so; once it
// works in real time again it takes a new number, so that whoever let the clock go on sees a load
// start and waits for it again. A load that says nothing counts until it ends.
TEST(SlotLoads, ALoadWaitingOnlyOnTheClockIsLeftOutAndCountsAnewWhenItWorksAgain) {
    const int silent = 0;
    const int mediated = 0;
    const long long before = DZSlotLoads::started();
    DZSlotLoads::slotEntered(&silent, true);
    DZSlotLoads::slotEntered(&mediated, true);
    DZSlotLoads::slotWorks(&silent);  // no question: nothing changes
    EXPECT_EQ(DZSlotLoads::started(), before + 2);
    bool onClock = false;
    DZSlotLoads::setOnlyOnClock(&mediated, [&onClock] { return onClock; });
    EXPECT_EQ(DZSlotLoads::underWaySince(before), 2u);
    onClock = true;
    EXPECT_EQ(DZSlotLoads::underWaySince(before), 1u);
    const long long seen = DZSlotLoads::started();
    onClock = false;
    DZSlotLoads::slotWorks(&mediated);
    EXPECT_EQ(DZSlotLoads::started(), seen + 1);
    EXPECT_EQ(DZSlotLoads::underWaySince(seen), 1u);
    DZSlotLoads::slotEntered(&silent, false);
    DZSlotLoads::slotEntered(&mediated, false);
    EXPECT_EQ(DZSlotLoads::underWaySince(before), 0u);
    // Forgotten with its load: the next load of the slot counts throughout.
    DZSlotLoads::slotEntered(&mediated, true);
    onClock = true;
    EXPECT_EQ(DZSlotLoads::underWaySince(before), 1u);
    DZSlotLoads::slotEntered(&mediated, false);
}
