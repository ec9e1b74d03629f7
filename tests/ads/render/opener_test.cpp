// A slot's opener with a launcher that takes phone numbers: what leaves the app, the question
// before a call, auto-click protection, and the page's click and open messages.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "AdViewTestBed.h"
#include "ads/core/slot/DZSDKCoreController.h"
#include "ads/core/slot/DZSlot.h"
#include "ads/render/view/DZBannerAdViewDelegate.h"
#include "ads/render/view/DZOpener.h"
#include "ads/render/view/DZOpenerAMSGHandler.h"
#include "platform/foundation/ScopedLogSink.h"
#include "support/LoopbackServer.h"

using testing::ElementsAre;
using testing::HasSubstr;
using testing::IsEmpty;

namespace {

class Opener : public ::testing::Test {
  protected:
    void SetUp() override {
        bed_.opener().setHandledSchemes({"tel"});
        slot_ = DZSlot::create({0, 0, 320, 50});
        slot_->setAdType(DZAdType::bannerAdTypeForSize(kDZAdSizeBanner));
        view_ = slot_->adView();
        opener_ = &slot_->adViewDelegate()->opener();
        // What follows holds with or without protection, which has a test of its own.
        opener_->setAutoClickProtected(false);
        // As the page's navigation to the message would.
        opener_->setNavigationContext("amsg://page/open", {}, view_);
    }
    std::vector<std::string> opened() {
        bed_.runUntilIdle();
        return bed_.opener().opened();
    }
    bool page(const std::string& message) {
        return slot_->adViewDelegate()->amsgHandlers().front()->handleRequest("amsg://page/" + message,
                                                                              view_);
    }

    tikoleap::test::AdViewTestBed bed_;
    std::shared_ptr<DZSlot> slot_;
    std::shared_ptr<DZAdView> view_;
    DZOpener* opener_ = nullptr;
};

}  // namespace

TEST_F(Opener, APhoneNumberIsConfirmedOnceWhateverTheSchemesCase) {
    EXPECT_FALSE(opener_->openApp("TEL:555-0100"));
    auto alert = opener_->confirmationAlert();
    ASSERT_NE(alert, nullptr);
    EXPECT_EQ(alert->title(), "");
    EXPECT_EQ(alert->message(), "555-0100");
    ASSERT_EQ(alert->numberOfButtons(), 2);
    EXPECT_EQ(alert->buttonTitleAtIndex(0), "Cancel");
    EXPECT_EQ(alert->buttonTitleAtIndex(1), "Call");
    // One question at a time: a second call while it is asked is dropped.
    EXPECT_FALSE(opener_->openApp("tel:555-0199"));
    EXPECT_EQ(opener_->confirmationAlert(), alert);

    alert->clickButtonAtIndex(0);
    EXPECT_EQ(opener_->confirmationAlert(), nullptr);
    EXPECT_THAT(opened(), IsEmpty());
    EXPECT_EQ(slot_->adClickCount(), 0);
    EXPECT_FALSE(opener_->didOpenAnotherApplication());

    opener_->openApp("TEL:555-0100");
    alert = opener_->confirmationAlert();
    ASSERT_NE(alert, nullptr);
    alert->clickButtonAtIndex(1);
    EXPECT_THAT(opened(), ElementsAre("tel:555-0100"));
    EXPECT_EQ(slot_->adClickCount(), 1);
    EXPECT_TRUE(opener_->didOpenAnotherApplication());

    // Confirmed once, the number goes straight through afterwards.
    EXPECT_TRUE(opener_->openApp("TEL:555-0100"));
    EXPECT_EQ(opener_->confirmationAlert(), nullptr);
    EXPECT_THAT(opened(), ElementsAre("tel:555-0100", "tel:555-0100"));
    EXPECT_EQ(slot_->adClickCount(), 2);

    // The ad's delegate going takes a question still open with it.
    opener_->openApp("tel:555-0111");
    alert = opener_->confirmationAlert();
    ASSERT_NE(alert, nullptr);
    opener_->clearContext();
    EXPECT_EQ(opener_->confirmationAlert(), nullptr);
    EXPECT_FALSE(alert->isPresented());
}

TEST_F(Opener, OnlyWebPagesAndCallableNumbersLeaveTheApp) {
    bed_.opener().setHandledSchemes({});
    const std::vector<std::string> refused{
        "tel:555-0100",  // no handler for calls
        "facetime:someone",    "sms:555",
        "tikoleapapp://open",  "file:///etc/passwd",
        "javascript:alert(1)", "https://shop.example/" + std::string(70000, 'x')};
    platform::ScopedLogSink sink;
    for (const auto& url : refused) EXPECT_FALSE(opener_->openApp(url)) << url.substr(0, 40);
    EXPECT_EQ(opener_->confirmationAlert(), nullptr);
    EXPECT_THAT(opened(), IsEmpty());
    EXPECT_EQ(slot_->adClickCount(), 0);
    EXPECT_FALSE(opener_->didOpenAnotherApplication());
    EXPECT_EQ(sink.lines().size(), refused.size());

    // With a handler, a number with options or no digits is still no call.
    bed_.opener().setHandledSchemes({"tel"});
    EXPECT_FALSE(opener_->openApp("tel:555;phone-context=x"));
    EXPECT_FALSE(opener_->openApp("tel:-()"));
    EXPECT_EQ(opener_->confirmationAlert(), nullptr);

    // A web page opens after this turn of the main loop, once every callback has run.
    EXPECT_TRUE(opener_->openApp("https://shop.example/item"));
    EXPECT_THAT(bed_.opener().opened(), IsEmpty());
    EXPECT_THAT(opened(), ElementsAre("https://shop.example/item"));
}

TEST_F(Opener, AProtectedAdOpensOnlyAfterATouch) {
    auto core = DZSDKCoreController::create();
    slot_->setSDKCoreController(core);
    auto& corePage = bed_.engine();  // made last, for the core's page
    opener_->setAutoClickProtected(true);
    EXPECT_FALSE(opener_->openApp("https://shop.example/"));
    EXPECT_THAT(opened(), IsEmpty());
    EXPECT_EQ(slot_->adClickCount(), 0);
    // The core's page hears of the blocked navigation; without a debug text there is no such key.
    ASSERT_FALSE(corePage.pendingScripts().empty());
    const std::string told = corePage.pendingScripts().back().script;
    EXPECT_THAT(told, HasSubstr("navigationBlocked"));
    EXPECT_THAT(told, HasSubstr("amsg://page/open"));
    EXPECT_THAT(told, testing::Not(HasSubstr("debugDialog")));
    view_->setTouched(true);
    EXPECT_TRUE(opener_->openApp("https://shop.example/"));
    EXPECT_THAT(opened(), ElementsAre("https://shop.example/"));
}

TEST_F(Opener, AProtectedPageReportsOneClickForEachTap) {
    // The click carries the click signal and is billed: only a tap explains it, the page's own
    // touch messages never do.
    tikoleap::test::LoopbackServer server;
    server.reply("/c", 204);
    opener_->setAutoClickProtected(true);
    const std::string click = "click?u=" + server.url("/c");
    platform::ScopedLogSink sink;
    EXPECT_TRUE(
        slot_->adViewDelegate()->amsgHandlers()[1]->handleRequest("amsg://page/touch?tx=1&td=80", view_));
    EXPECT_TRUE(page(click));
    EXPECT_TRUE(page(click));
    bed_.runUntilIdle();
    EXPECT_THAT(sink.lines(), ElementsAre(HasSubstr("click not reported")));
    view_->setTouched(true);
    EXPECT_TRUE(page(click));
    EXPECT_TRUE(page(click));
    // The tap's one open is its own.
    EXPECT_TRUE(opener_->openApp("https://shop.example/"));
    EXPECT_TRUE(bed_.home().pump().until([&] { return server.count("/c") == 1; }, std::chrono::seconds(5)));
    bed_.home().pump().runFor(std::chrono::milliseconds(100));
    EXPECT_EQ(server.count("/c"), 1u);
    EXPECT_THAT(opened(), ElementsAre("https://shop.example/"));
}

TEST_F(Opener, PageMessagesClickAndOpen) {
    ASSERT_NE(std::dynamic_pointer_cast<DZOpenerAMSGHandler>(slot_->adViewDelegate()->amsgHandlers().front()),
              nullptr);
    // "click" follows a web URL in the background and opens nothing; any other scheme not at all.
    tikoleap::test::LoopbackServer server;
    server.reply("/c", 204);
    EXPECT_TRUE(page("click?u=" + server.url("/c")));
    EXPECT_TRUE(bed_.home().pump().until([&] { return server.count("/c") == 1; }, std::chrono::seconds(5)));
    {
        platform::ScopedLogSink sink;
        EXPECT_TRUE(page("click?u=file%3A%2F%2F%2Fetc%2Fpasswd"));
        EXPECT_TRUE(page("click?u=tel%3A5550100"));
        bed_.runUntilIdle();
        EXPECT_THAT(sink.lines(),
                    ElementsAre(HasSubstr("\"file\" not followed"), HasSubstr("\"tel\" not followed")));
    }
    EXPECT_THAT(opened(), IsEmpty());
    EXPECT_EQ(slot_->adClickCount(), 0);

    // "open" without "a" opens outside the app; an unknown "a" or "o" opens nothing, nor does
    // the in-app browser without a screen to show it from; "call" asks.
    EXPECT_TRUE(page("open?u=https%3A%2F%2Fshop.example%2Fa"));
    EXPECT_TRUE(page("open?a=nonsense&u=https%3A%2F%2Fshop.example%2Fb"));
    EXPECT_TRUE(page("open?a=browser&o=sideways&u=https%3A%2F%2Fshop.example%2Fc"));
    EXPECT_TRUE(page("open?a=browser&o=l&u=https%3A%2F%2Fshop.example%2Fd"));
    EXPECT_TRUE(page("open?a=app"));  // no URL: taken, nothing opens
    // A page in the in-app browser, not the player, and not the desktop's browser either.
    EXPECT_TRUE(page("open?a=video&o=p&u=https%3A%2F%2Fshop.example%2Fe"));
    EXPECT_THAT(opened(), ElementsAre("https://shop.example/a"));
    EXPECT_TRUE(page("open?a=call&u=tel%3A5550100"));
    ASSERT_NE(opener_->confirmationAlert(), nullptr);
    EXPECT_EQ(opener_->confirmationAlert()->message(), "5550100");

    EXPECT_EQ(DZOpenerAMSGHandler::orientationMaskFromParameters({{"o", "l"}}), 24);
    EXPECT_EQ(DZOpenerAMSGHandler::orientationMaskFromParameters({{"o", "x"}}), 30);
    EXPECT_FALSE(DZOpenerAMSGHandler::customCloseFromParameters({{"custom_close", "true"}}));
}
