// Store sheets, purchases, composers and calendar events opened from an ad page over a screen on
// the virtual clock, on fake store, compose and calendar back ends; and the desktop's own back
// ends, which answer that they have none.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>
#include <thread>

#include "AdViewTestBed.h"
#include "ads/core/DZAd.h"
#include "ads/core/DZInAppPurchase.h"
#include "ads/core/slot/DZSDKCoreController.h"
#include "ads/core/slot/DZSlot.h"
#include "ads/foundation/DZStringAdditions.h"
#include "ads/render/overlay/DZViewController.h"
#include "ads/render/view/DZBannerAdViewDelegate.h"
#include "ads/render/view/DZMailComposeDelegateProxy.h"
#include "ads/render/view/DZOpener.h"
#include "ads/render/view/DZOpenerAMSGHandler.h"
#include "ads/render/view/DZOverlayProxy.h"
#include "platform/calendar/EventEditViewController.h"
#include "platform/calendar/FakeEventStore.h"
#include "platform/compose/FakeComposeService.h"
#include "platform/foundation/ScopedLogSink.h"
#include "platform/store/FakeStoreBackend.h"
#include "platform/store/StoreProductViewController.h"
#include "platform/ui/UiDriver.h"
#include "platform/ui/View.h"
#include "platform/ui/Window.h"
#include "support/LoopbackServer.h"

using platform::calendar::AuthorizationStatus;
using platform::calendar::EventEditViewController;
using platform::calendar::EventStore;
using platform::calendar::FakeEventStore;
using platform::compose::ComposeResult;
using platform::compose::ComposeService;
using platform::compose::FakeComposeService;
using platform::compose::MailComposeViewController;
using platform::compose::MessageComposeViewController;
using platform::store::FakeStoreBackend;
using platform::store::StoreBackend;
using platform::store::StoreProductViewController;
using testing::ElementsAre;
using testing::HasSubstr;
using testing::IsEmpty;

namespace {

class PurchaseRecorder : public DZSlotDelegate, public DZInAppPurchaseDelegate {
  public:
    std::shared_ptr<DZInAppPurchaseDelegate> inAppPurchaseDelegate() override { return self.lock(); }
    void didReceiveInAppPurchase(const std::shared_ptr<DZInAppPurchase>& purchase) override {
        purchases.push_back(purchase);
    }
    std::weak_ptr<PurchaseRecorder> self;
    std::vector<std::shared_ptr<DZInAppPurchase>> purchases;
};

class ErrorRecorder : public DZMRAIDEventHandling {
  public:
    void MRAIDAdDidLoad() override {}
    void MRAIDAdDidUnload() override {}
    void updateVisibility(bool) override {}
    void updatePositionFromView(platform::ui::View&) override {}
    void handleError(const std::string& message, const std::string&) override { messages.push_back(message); }
    std::vector<std::string> messages;
};

class DeviceActions : public ::testing::Test {
  protected:
    DeviceActions() {
        window_->setRunLoop(&bed_.home().loop());
        window_->makeKeyAndVisible();
        window_->setRootViewController(root_);
        slot_->setAdType(DZAdType::bannerAdTypeForSize(kDZAdSizeBanner));
        slot_->finishedLoadingAdResponse(std::make_shared<DZAd>());
        opener_ = &slot_->adViewDelegate()->opener();
        // The actions themselves: the opens that reach them are taken as explained.
        opener_->setAutoClickProtected(false);
        opener_->setNavigationContext("amsg://page/open", root_, slot_->adView());
        previousStore_ = StoreBackend::setShared(store_);
    }
    ~DeviceActions() override {
        StoreBackend::setShared(previousStore_);
        ComposeService::setShared(nullptr);
        EventStore::setShared(nullptr);
    }
    bool page(const std::string& message) {
        return slot_->adViewDelegate()->amsgHandlers().front()->handleRequest("amsg://page/" + message,
                                                                              slot_->adView());
    }
    void advance(double seconds) {
        driver_.advance(seconds);
        bed_.runUntilIdle();
    }
    std::shared_ptr<platform::ui::ViewController> shown() const { return root_->presentedViewController(); }
    std::vector<std::string> opened() {
        bed_.runUntilIdle();
        return bed_.opener().opened();
    }

    tikoleap::test::AdViewTestBed bed_;
    std::shared_ptr<platform::ui::Window> window_ = std::make_shared<platform::ui::Window>();
    platform::ui::UiDriver driver_{window_, &bed_.home().loop()};
    std::shared_ptr<platform::ui::ViewController> root_ = std::make_shared<platform::ui::ViewController>();
    std::shared_ptr<DZSlot> slot_ = DZSlot::create({0, 0, 320, 50});
    DZOpener* opener_ = nullptr;
    std::shared_ptr<FakeStoreBackend> store_ = std::make_shared<FakeStoreBackend>();
    std::shared_ptr<StoreBackend> previousStore_;
};

}  // namespace

TEST_F(DeviceActions, StoreSheetsPreloadedShownAndClosedWithTheirFallbacks) {
    // Preloaded sheets show at once and leave the cache; a second show loads a new sheet.
    EXPECT_TRUE(page("fetchAppStore?product_id=42"));
    EXPECT_EQ(opener_->cachedStoreProductViewControllerCount(), 0u);
    bed_.runUntilIdle();
    auto preloaded = opener_->cachedStoreProductViewController("42");
    ASSERT_NE(preloaded, nullptr);
    page("fetchAppStore?product_id=42");
    EXPECT_EQ(store_->requested(), std::vector<std::string>{"42"});
    page("open?a=in_app_store&product_id=42&wait_for_fetch=true");
    EXPECT_EQ(shown(), preloaded);
    EXPECT_EQ(opener_->cachedStoreProductViewControllerCount(), 0u);
    EXPECT_NE(slot_->intermission(), nullptr);
    advance(0.5);
    EXPECT_EQ(slot_->adClickCount(), 1);

    // Done closes it through its overlay proxy, ending the slot's intermission.
    preloaded->done();
    advance(0.5);
    EXPECT_EQ(shown(), nullptr);
    EXPECT_EQ(DZOverlayProxy::overlayProxyForViewController(preloaded.get())->intermission(), nullptr);
    preloaded.reset();
    page("open?a=in_app_store&product_id=42&wait_for_fetch=true");
    EXPECT_EQ(store_->requested().size(), 2u);
    EXPECT_EQ(shown(), nullptr);
    bed_.runUntilIdle();
    ASSERT_NE(shown(), nullptr);
    std::dynamic_pointer_cast<StoreProductViewController>(shown())->done();
    advance(0.5);

    // Not waiting: shown before its content; loaded, it stays.
    page("open?a=in_app_store&product_id=7&u=https%3A%2F%2Fshop.example%2Ffallback");
    auto sheet = std::dynamic_pointer_cast<StoreProductViewController>(shown());
    ASSERT_NE(sheet, nullptr);
    EXPECT_EQ(sheet->message(), "Loading...");
    advance(0.5);
    EXPECT_EQ(shown(), sheet);
    EXPECT_EQ(sheet->message(), "");
    sheet->done();
    advance(0.5);

    // A failed load closes the sheet on screen and opens the fallback page; waiting, nothing at all.
    store_->setSucceeds(false);
    page("open?a=in_app_store&product_id=7&u=https%3A%2F%2Fshop.example%2Ffallback");
    EXPECT_NE(shown(), nullptr);
    advance(0.5);
    EXPECT_EQ(shown(), nullptr);
    EXPECT_THAT(opened(), ElementsAre("https://shop.example/fallback"));
    page("open?a=in_app_store&product_id=7&wait_for_fetch=true&u=https%3A%2F%2Fshop.example%2Fother");
    advance(0.5);
    EXPECT_EQ(shown(), nullptr);
    EXPECT_THAT(opened(), ElementsAre("https://shop.example/fallback"));
}

TEST_F(DeviceActions, OneTapExplainsAStoreSheetWithItsFallbackAndACallWithItsQuestion) {
    // A core of its own hears of the blocked opens: the shared one may keep a page made on an
    // earlier test's loop.
    auto core = DZSDKCoreController::create();
    slot_->setSDKCoreController(core);
    opener_->setAutoClickProtected(true);
    bed_.opener().setHandledSchemes({"tel"});
    store_->setSucceeds(false);
    const std::string fallback = "https://shop.example/fallback";
    const auto store = [&] {
        page("open?a=in_app_store&product_id=7&u=https%3A%2F%2Fshop.example%2Ffallback");
        return shown() != nullptr;
    };
    EXPECT_FALSE(store());
    advance(0.5);
    EXPECT_THAT(opened(), IsEmpty());

    // The sheet comes up, and its product cannot load: the fallback page takes its place, for
    // the one click of the tap.
    slot_->adView()->setTouched(true);
    EXPECT_TRUE(store());
    advance(0.5);
    EXPECT_EQ(shown(), nullptr);
    EXPECT_THAT(opened(), ElementsAre(fallback));
    EXPECT_EQ(slot_->adClickCount(), 1);

    // The question before a call uses the tap up; the user's answer is what explains the call.
    slot_->adView()->setTouched(true);
    page("open?a=call&u=tel%3A555-0100");
    auto alert = opener_->confirmationAlert();
    ASSERT_NE(alert, nullptr);
    alert->clickButtonAtIndex(1);
    EXPECT_THAT(opened(), ElementsAre(fallback, "tel:555-0100"));
    EXPECT_EQ(slot_->adClickCount(), 2);
}

TEST_F(DeviceActions, StoreProductNumbersAreCheckedAndPreloadsBounded) {
    {
        platform::ScopedLogSink sink;
        for (const char* id : {"abc", "12345678901234567890", "0", "-5", "%20"}) {
            page(std::string("fetchAppStore?product_id=") + id);
            page(std::string("open?a=in_app_store&product_id=") + id + "&u=https%3A%2F%2Fshop.example%2F");
        }
        bed_.runUntilIdle();
        EXPECT_EQ(sink.lines().size(), 10u);
    }
    EXPECT_THAT(store_->requested(), IsEmpty());
    EXPECT_EQ(shown(), nullptr);
    EXPECT_THAT(opened(), IsEmpty());

    // A page preloading many products keeps the latest few.
    for (int id = 1; id <= 6; ++id) page("fetchAppStore?product_id=" + std::to_string(id));
    bed_.runUntilIdle();
    EXPECT_EQ(opener_->cachedStoreProductViewControllerCount(), DZOpener::kMaxCachedStoreSheets);
    EXPECT_EQ(opener_->cachedStoreProductViewController("2"), nullptr);
    EXPECT_NE(opener_->cachedStoreProductViewController("3"), nullptr);
    EXPECT_NE(opener_->cachedStoreProductViewController("6"), nullptr);
    // Failed preloads keep nothing.
    store_->setSucceeds(false);
    page("fetchAppStore?product_id=99");
    bed_.runUntilIdle();
    EXPECT_EQ(opener_->cachedStoreProductViewController("99"), nullptr);
}

TEST_F(DeviceActions, TheDesktopStoreFailsAfterOneTurnSoAShownSheetGivesWayToTheFallback) {
    StoreBackend::setShared(nullptr);
    page("open?a=in_app_store&product_id=7&u=https%3A%2F%2Fshop.example%2Ffallback");
    auto sheet = std::dynamic_pointer_cast<StoreProductViewController>(shown());
    ASSERT_NE(sheet, nullptr);
    EXPECT_THAT(opened(), ElementsAre("https://shop.example/fallback"));
    EXPECT_EQ(sheet->message(), StoreBackend::kUnavailableMessage);
}

TEST_F(DeviceActions, PurchasesReachTheAppsDelegateWithValidQuantities) {
    {
        platform::ScopedLogSink sink;
        page("open?a=in_app_purchase&product_id=coins&quantity=2");
        bed_.runUntilIdle();
        EXPECT_THAT(sink.lines(),
                    ElementsAre(HasSubstr("<Rerive> You must set the in-app purchase delegate")));
    }
    auto recorder = std::make_shared<PurchaseRecorder>();
    recorder->self = recorder;
    slot_->setSlotDelegate(recorder);
    page("open?a=in_app_purchase&product_id=coins&quantity=0");
    page("open?a=in_app_purchase&product_id=coins&quantity=11");
    page("open?a=in_app_purchase&product_id=two%20words&quantity=1");
    page("open?a=in_app_purchase&quantity=1");
    page("open?a=in_app_purchase&product_id=com.game.coins&quantity=10&report_urls=" +
         std::string("https%3A%2F%2Fr.example%2F%40status%40%0A%20%20https%3A%2F%2Fq.example%2F%20"));
    bed_.runUntilIdle();
    ASSERT_EQ(recorder->purchases.size(), 1u);
    const auto& purchase = *recorder->purchases.front();
    EXPECT_EQ(purchase.productID(), "com.game.coins");
    EXPECT_EQ(purchase.quantity(), 10);
    EXPECT_THAT(purchase.reportingURLStringFormats(),
                ElementsAre("https://r.example/@status@", "https://q.example/"));
    // A banner's opener works over the app's controller: none of the ad's to close.
    EXPECT_FALSE(purchase.hasAdScreen());
    EXPECT_EQ(slot_->adClickCount(), 2);
}

// A purchase's reports are the page's trackers: as filled in, and at every redirect on their way,
// none reaches the ad's billed click URL, which the purchase's open alone pings, while an honest
// report still goes out.
TEST_F(DeviceActions, APurchasesReportsNeverReachTheAdsClickURL) {
    tikoleap::test::LoopbackServer server;
    server.reply("/click", 204);
    server.reply("/r", 204);
    const std::string site = "http://127.0.0.1:" + std::to_string(server.port());
    server.redirect("/redirto", site + "/click?id=7");
    auto ad = std::make_shared<DZAd>();
    ad->addClickURLsFromArray({site + "/click?id=7"});
    slot_->finishedLoadingAdResponse(ad);
    auto recorder = std::make_shared<PurchaseRecorder>();
    recorder->self = recorder;
    slot_->setSlotDelegate(recorder);
    // The second spells the click once its unknown placeholder is taken out.
    const std::string reports = site + "/redirto " + site + "/cl@x@ick?id=7 " + site + "/r?s=@status@";
    page("open?a=in_app_purchase&product_id=coins&quantity=1&report_urls=" +
         dz_stringByEscapingAsURLParameter(reports));
    bed_.runUntilIdle();
    ASSERT_EQ(recorder->purchases.size(), 1u);
    recorder->purchases.front()->reportPurchaseStatus(DZInAppPurchase::kStatusSuccess);
    ASSERT_TRUE(bed_.home().pump().until(
        [&] {
            return server.count("/r") == 1 && server.count("/redirto") == 1 && server.count("/click") >= 1;
        },
        std::chrono::seconds(10)));
    bed_.home().pump().runFor(std::chrono::milliseconds(300));
    EXPECT_EQ(server.count("/click"), 1u);
}

TEST_F(DeviceActions, ComposersTakeTheLinksRecipientsSubjectAndBodyAndCloseWhenFinished) {
    // The desktop sends neither: the links do nothing.
    opener_->openEmailComposer("mailto:a@example.com");
    opener_->openSmsComposer("sms:5550100");
    EXPECT_EQ(shown(), nullptr);

    auto service = std::make_shared<FakeComposeService>();
    ComposeService::setShared(service);
    opener_->openEmailComposer(
        "MAILTO:a@example.com,b@example.com?CC=c@example.com,d@example.com&Subject=Hi%20there");
    ASSERT_EQ(service->mail.size(), 1u);
    auto mail = service->mail.front();
    EXPECT_THAT(mail->toRecipients(), ElementsAre("a@example.com,b@example.com"));
    EXPECT_THAT(mail->ccRecipients(), ElementsAre("c@example.com", "d@example.com"));
    EXPECT_THAT(mail->bccRecipients(), IsEmpty());
    EXPECT_EQ(mail->subject(), "Hi there");
    EXPECT_EQ(mail->body(), "");
    EXPECT_EQ(shown(), mail);
    advance(0.5);
    mail->finishWithResult(ComposeResult::Sent);
    advance(0.5);
    EXPECT_EQ(shown(), nullptr);
    EXPECT_EQ(mail->mailComposeDelegate(), nullptr);

    // Without the opener, the delegate proxy closes the composer itself.
    opener_->openEmailComposer("mailto:x@example.com");
    ASSERT_EQ(service->mail.size(), 2u);
    auto proxy =
        std::dynamic_pointer_cast<DZMailComposeDelegateProxy>(service->mail.back()->mailComposeDelegate());
    ASSERT_NE(proxy, nullptr);
    proxy->setMailComposeDelegate({});
    advance(0.5);
    service->mail.back()->finishWithResult(ComposeResult::Cancelled);
    advance(0.5);
    EXPECT_EQ(shown(), nullptr);
    EXPECT_EQ(proxy->mailComposeViewController(), nullptr);

    opener_->openSmsComposer("sms:555-0100,%2B1%20555%200101?Body=Hello%2C%20you");
    ASSERT_EQ(service->messages.size(), 1u);
    auto message = service->messages.front();
    EXPECT_THAT(message->recipients(), ElementsAre("555-0100", "+1 555 0101"));
    EXPECT_EQ(message->body(), "Hello, you");
    advance(0.5);
    message->finishWithResult(ComposeResult::Cancelled);
    advance(0.5);
    EXPECT_EQ(shown(), nullptr);

    // Links no person wrote make nothing.
    std::string crowd = "mailto:a@example.com?cc=";
    for (int i = 0; i < 1000; ++i) crowd += "p" + std::to_string(i) + "@example.com,";
    opener_->openEmailComposer(crowd);
    opener_->openEmailComposer("mailto:%zz@example.com");
    for (const char* sms : {"sms:abc", "sms:%zz", "sms:555;rm", "smsto:5550100", "sms"})
        opener_->openSmsComposer(sms);
    EXPECT_EQ(service->mail.size(), 2u);
    EXPECT_EQ(service->messages.size(), 1u);
    EXPECT_EQ(shown(), nullptr);
}

TEST_F(DeviceActions, AComposerWaitsForTheAppearingAdScreenAndGivesUp) {
    auto service = std::make_shared<FakeComposeService>();
    ComposeService::setShared(service);
    auto adScreen = std::make_shared<DZViewController>();
    root_->presentViewController(adScreen, false);
    opener_->setNavigationContext("amsg://page/open", adScreen, slot_->adView());

    adScreen->view()->setUserInteractionEnabled(false);
    opener_->openEmailComposer("mailto:a@example.com");
    EXPECT_EQ(adScreen->presentedViewController(), nullptr);
    advance(DZOpener::kComposerRetrySeconds * 3);
    EXPECT_EQ(adScreen->presentedViewController(), nullptr);
    adScreen->view()->setUserInteractionEnabled(true);
    advance(DZOpener::kComposerRetrySeconds);
    EXPECT_EQ(adScreen->presentedViewController(), service->mail.front());

    // A screen that never takes touches is not waited for forever; the composer is let go.
    service->mail.front()->finishWithResult(ComposeResult::Sent);
    advance(0.5);
    adScreen->view()->setUserInteractionEnabled(false);
    opener_->openSmsComposer("sms:5550100");
    std::weak_ptr<MessageComposeViewController> message = service->messages.front();
    service->messages.clear();
    advance(DZOpener::kComposerRetrySeconds * (DZOpener::kMaxComposerRetries + 2));
    adScreen->view()->setUserInteractionEnabled(true);
    advance(DZOpener::kComposerRetrySeconds * 2);
    EXPECT_EQ(adScreen->presentedViewController(), nullptr);
    EXPECT_TRUE(message.expired());
}

TEST_F(DeviceActions, CalendarEventsDeniedGrantedAfterAskingAndJunk) {
    auto calendar = std::make_shared<FakeEventStore>(AuthorizationStatus::Denied);
    EventStore::setShared(calendar);
    auto errors = std::make_shared<ErrorRecorder>();
    slot_->ad()->setMRAIDEventHandler(errors);
    auto view = slot_->adView();
    view->loadHTMLString("<p>ad</p>", "https://ads.example/creative");
    bed_.runUntilIdle();
    bed_.engine().finishLoad();
    bed_.runUntilIdle();
    opener_->setNavigationContext("amsg://page/mraid", root_, view);
    const auto cancellations = [&] {
        bed_.runUntilIdle();
        int count = 0;
        for (const auto& pending : bed_.engine().pendingScripts())
            if (pending.script.find("onCalendarEventCanceled") != std::string::npos) ++count;
        while (bed_.engine().completeScript({true, "", ""})) {
        }
        return count;
    };
    const std::map<std::string, std::string> party{{"start", "2026-12-24T18:00:00+01:00"},
                                                   {"summary", "Bring cake"},
                                                   {"description", "Party"},
                                                   {"location", "Hall"}};

    // Junk is reported, whoever touched the ad.
    opener_->openCalendarWithDictionary({{"start", "tomorrow"}, {"description", "Party"}});
    opener_->openCalendarWithDictionary({{"start", "2026-12-24T18:00:00Z"}, {"end", "2026-12-24T17:00:00Z"}});
    opener_->openCalendarWithDictionary(
        {{"start", "2026-12-24T18:00:00Z"}, {"summary", std::string(5000, 'x')}});
    ASSERT_EQ(errors->messages.size(), 3u);
    EXPECT_THAT(errors->messages.front(), HasSubstr("Could not fully parse event dictionary: {"));
    EXPECT_LT(errors->messages.back().size(), 400u);

    // Denied: the creative hears of a cancelled event and nothing shows.
    opener_->openCalendarWithDictionary(party);
    EXPECT_EQ(cancellations(), 1);
    EXPECT_EQ(shown(), nullptr);

    // Asked and refused, the answer comes on another thread and the notice on this one.
    calendar->setStatus(AuthorizationStatus::NotDetermined);
    opener_->openCalendarWithDictionary(party);
    int heard = 0;
    for (int i = 0; i < 1000 && !heard; ++i) {
        heard = cancellations();
        if (!heard) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_EQ(heard, 1);
    EXPECT_EQ(shown(), nullptr);

    // Asked and granted: the editor shows the event, saves it and closes.
    calendar->setGrantsAccess(true);
    opener_->openCalendarWithDictionary(party);
    for (int i = 0; i < 1000 && !shown(); ++i) {
        bed_.runUntilIdle();
        if (!shown()) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    auto editor = std::dynamic_pointer_cast<EventEditViewController>(shown());
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(calendar->resets, 1);
    EXPECT_EQ(editor->event().title, "Party");
    EXPECT_EQ(editor->event().notes, "Bring cake");
    EXPECT_EQ(editor->event().location, "Hall");
    ASSERT_TRUE(editor->event().startDate && editor->event().endDate);
    EXPECT_EQ(*editor->event().endDate - *editor->event().startDate, std::chrono::hours(1));
    advance(0.5);
    editor->complete(platform::calendar::EventEditAction::Saved);
    advance(0.5);
    EXPECT_EQ(shown(), nullptr);
    ASSERT_EQ(calendar->saved.size(), 1u);
    EXPECT_EQ(calendar->saved.front().title, "Party");
    EXPECT_EQ(cancellations(), 0);

    // Granted already, it shows at once.
    calendar->setStatus(AuthorizationStatus::Authorized);
    opener_->openCalendarWithDictionary(party);
    EXPECT_NE(std::dynamic_pointer_cast<EventEditViewController>(shown()), nullptr);
    EXPECT_EQ(errors->messages.size(), 3u);
}
