// A rich-media banner on a window on the virtual clock: expanding it (and what shows as it
// collapses), resizing it in place and the states its page hears on the way, the close control's
// place, which resized frames the screen takes, and a rotation that leaves no room.
#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "AdViewTestBed.h"
#include "PageMessages.h"
#include "ads/core/DZAd.h"
#include "ads/core/slot/DZSDKCoreController.h"
#include "ads/core/slot/DZSlot.h"
#include "ads/render/host/DZMRAIDEventHandling.h"
#include "ads/render/mraid/DZMRAIDResizeProperties.h"
#include "ads/render/view/DZAdView.h"
#include "ads/render/view/DZDefaultAMSGHandler.h"
#include "ads/render/view/DZExpandedAdAppViewController.h"
#include "ads/render/view/DZMRAIDAMSGHandler.h"
#include "ads/render/view/DZMRAIDResizeOverlayPresenter.h"
#include "ads/render/view/DZOpener.h"
#include "ads/render/view/DZOpenerAMSGHandler.h"
#include "ads/render/view/DZSupplementalAdAppViewController.h"
#include "platform/ui/Application.h"
#include "platform/ui/ImageView.h"
#include "platform/ui/UiDriver.h"
#include "platform/ui/Window.h"

using platform::Rect;
using platform::ui::Application;

namespace {

struct RecordingEventHandler : DZMRAIDEventHandling {
    std::vector<std::pair<std::string, std::string>> errors;
    std::string visibility;  // '1' and '0' as told
    void MRAIDAdDidLoad() override {}
    void MRAIDAdDidUnload() override {}
    void updateVisibility(bool visible) override { visibility += visible ? '1' : '0'; }
    void updatePositionFromView(platform::ui::View&) override {}
    void handleError(const std::string& message, const std::string& action) override {
        errors.emplace_back(message, action);
    }
};

DZNotification::Parameters resizeParameters(const std::string& width, const std::string& height,
                                            const std::string& offsetX, const std::string& offsetY,
                                            const std::string& close = "top-right",
                                            const std::string& offscreen = "false") {
    return {{"width", width},
            {"height", height},
            {"offsetX", offsetX},
            {"offsetY", offsetY},
            {"customClosePosition", close},
            {"allowOffscreen", offscreen}};
}

std::shared_ptr<DZMRAIDResizeProperties> resize(const std::string& width, const std::string& height,
                                                const std::string& offsetX, const std::string& offsetY,
                                                const std::string& close = "top-right",
                                                const std::string& offscreen = "false") {
    return DZMRAIDResizeProperties::withDictionary(
        resizeParameters(width, height, offsetX, offsetY, close, offscreen));
}

// A 320 x 50 banner at the bottom of the 320 x 480 screen, its page loaded.
class RichMedia : public ::testing::Test {
  protected:
    RichMedia() {
        window_->setRunLoop(&bed_.home().loop());
        window_->makeKeyAndVisible();
        window_->setRootViewController(root_);
        root_->view()->addSubview(banner_);
        banner_->addSubview(adView_);
        adView_->setFrame({0, 0, 320, 50});
        adView_->setViewController(root_);
        adView_->loadHTMLString("<p/>", "https://ad.example/");
        bed_.runUntilIdle();
        static_cast<platform::web::FakeWebEngine&>(*adView_->engine()).finishLoad();
        bed_.runUntilIdle();
        // A core of its own: the shared one may keep a page made on an earlier test's loop.
        slot_->setSDKCoreController(core_);
        slot_->finishedLoadingAdResponse(std::make_shared<DZAd>());
        slot_->ad()->setMRAIDEventHandler(handler_);
        // The states themselves: the opens that reach them are taken as explained.
        slot_->setAutoClickProtected(false);
        opener_->setHost(slot_);
        said();
    }
    ~RichMedia() override {
        Application::shared().setStatusBarOrientation(1);
        // What the page hears on the way out is sent on this test's loop, not the next one's.
        if (auto shown = screen()) shown->relinquishScreenWithCompletion({});
        advance(1);
    }

    void advance(double seconds) {
        driver_.advance(seconds);
        bed_.runUntilIdle();
    }
    // The opener as the ad's next message finds it: the ad's controller is where it is shown.
    DZOpener& opener() {
        opener_->setNavigationContext("amsg://mraid", adView_->viewController(), adView_);
        return *opener_;
    }
    std::shared_ptr<DZViewController> screen() const {
        return std::dynamic_pointer_cast<DZViewController>(adView_->viewController());
    }
    // The screen has gone: the banner's picture stays over its strip until the page draws anew.
    void expectThePictureGoesOnceThePageRedraws(const platform::ui::View& picture) {
        EXPECT_EQ(picture.superview(), banner_) << "the page has not drawn its default state yet";
        auto& page = static_cast<platform::web::FakeWebEngine&>(*adView_->engine());
        page.setSnapshot(page.snapshot());
        advance(0.05);
        EXPECT_EQ(picture.superview(), nullptr);
    }
    Rect adInWindow() const { return adView_->convertRectToWindow(adView_->bounds()); }
    // What the page heard since the last call: names, "state:<state>" and "size:<w>x<h>".
    std::string said() {
        bed_.runUntilIdle();
        const auto messages = tikoleap::test::pageMessages(*adView_);
        std::string out;
        for (std::size_t i = heard_; i < messages.size(); ++i) {
            const auto& [name, info] = messages[i];
            std::string word = name;
            if (name == "onStateChanged") word = "state:" + info.value("state", "?");
            if (name == "onSizeChanged")
                word = "size:" + std::to_string(info["width"].get<int>()) + "x" +
                       std::to_string(info["height"].get<int>());
            out += (out.empty() ? "" : " ") + word;
        }
        heard_ = messages.size();
        return out;
    }

    tikoleap::test::AdViewTestBed bed_;
    std::shared_ptr<platform::ui::Window> window_ = std::make_shared<platform::ui::Window>();
    platform::ui::UiDriver driver_{window_, &bed_.home().loop()};
    std::shared_ptr<platform::ui::ViewController> root_ = std::make_shared<platform::ui::ViewController>();
    std::shared_ptr<platform::ui::View> banner_ = std::make_shared<platform::ui::View>(Rect{0, 430, 320, 50});
    std::shared_ptr<DZSDKCoreController> core_ = DZSDKCoreController::create();
    std::shared_ptr<DZSlot> slot_ = DZSlot::create({0, 0, 320, 50});
    std::shared_ptr<DZAdView> adView_ = slot_->adView();
    std::shared_ptr<RecordingEventHandler> handler_ = std::make_shared<RecordingEventHandler>();
    std::shared_ptr<DZOpener> opener_ = std::make_shared<DZOpener>();
    std::size_t heard_ = 0;
};

}  // namespace

TEST(ResizeProperties, CloseTableNamesAndUnusableNumbers) {
    const Rect f{10, 20, 300, 200};
    const std::vector<std::pair<Rect, unsigned>> table{
        {{260, 20, 50, 50}, 33u}, {{135, 20, 50, 50}, 37u}, {{10, 20, 50, 50}, 36u},
        {{135, 95, 50, 50}, 45u}, {{260, 170, 50, 50}, 9u}, {{135, 170, 50, 50}, 13u},
        {{10, 170, 50, 50}, 12u}, {{10, 20, 50, 50}, 0u},
    };
    const char* names[] = {"top-right",    "top-center",    "top-left",    "center",
                           "bottom-right", "bottom-center", "bottom-left", "middle"};
    for (int position = 0; position < 8; ++position) {
        SCOPED_TRACE(position);
        EXPECT_EQ(DZMRAIDResizeProperties::closeButtonRectForPosition(position, f), table[position].first);
        EXPECT_EQ(DZMRAIDResizeProperties::autoresizingMaskForClosePosition(position),
                  table[position].second);
        auto properties = resize("300", "200", "0", "0", names[position]);
        ASSERT_TRUE(properties);
        EXPECT_EQ(properties->customClosePosition(), position < 7 ? position : 0);
    }

    auto parsed = resize("320.5", "250", "-10", "4", "center", "true");
    ASSERT_TRUE(parsed);
    EXPECT_EQ(parsed->size(), (platform::Size{320.5f, 250}));
    EXPECT_EQ(parsed->offset(), (platform::Point{-10, 4}));
    EXPECT_TRUE(parsed->allowOffscreen());
    EXPECT_FALSE(resize("320", "250", "0", "0", "center", "false")->allowOffscreen());

    for (const char* key :
         {"width", "height", "offsetX", "offsetY", "customClosePosition", "allowOffscreen"}) {
        auto parameters = resizeParameters("320", "250", "0", "0");
        parameters.erase(key);
        EXPECT_FALSE(DZMRAIDResizeProperties::withDictionary(parameters)) << key;
    }
    for (const char* bad : {"nan", "inf", "-1", "1e39", "12px", ""}) {
        EXPECT_FALSE(resize(bad, "250", "0", "0")) << bad;
        EXPECT_FALSE(resize("320", bad, "0", "0")) << bad;
    }
    EXPECT_FALSE(resize("320", "250", "nan", "0"));
    EXPECT_FALSE(resize("320", "250", "0", "-inf"));
}

TEST_F(RichMedia, ExpandAndCloseThenAnExpandRefusedForWantOfATouch) {
    opener().expandToWebAppWithSupportedOrientations(30, false);
    EXPECT_EQ(said(), "expanding");
    advance(0.5);
    EXPECT_EQ(said(), "state:expanded");
    auto expanded = std::dynamic_pointer_cast<DZExpandedAdAppViewController>(screen());
    ASSERT_TRUE(expanded);
    EXPECT_EQ(root_->presentedViewController(), expanded);
    EXPECT_EQ(adInWindow(), (Rect{0, 0, 320, 480}));
    EXPECT_EQ(slot_->adClickCount(), 1);
    // Under the full-screen ad, a picture of the banner holds its place (seen as the ad slides).
    ASSERT_TRUE(expanded->renderedBanner());
    EXPECT_FALSE(expanded->renderedBanner()->isHidden());
    EXPECT_EQ(expanded->renderedBanner()->superview(), banner_);

    // Already full screen: a second expand and a resize do nothing.
    opener().expandToWebAppWithSupportedOrientations(30, false);
    opener().openWebAppWithResizeProperties(resize("320", "250", "0", "-200"));
    advance(0.5);
    EXPECT_EQ(said(), "");
    EXPECT_EQ(slot_->adClickCount(), 1);

    expanded->relinquishScreenWithCompletion({});
    advance(0.5);
    EXPECT_EQ(said(), "collapsed state:default");
    EXPECT_EQ(adView_->superview(), banner_);
    EXPECT_EQ(adInWindow(), (Rect{0, 430, 320, 50}));

    slot_->setAutoClickProtected(true);
    opener().expandToWebAppWithSupportedOrientations(30, false);
    opener().openWebAppWithResizeProperties(resize("320", "250", "0", "-200"));
    opener().openWebAppWithHTML("<p>app</p>", 30, false);
    // The orientation is looked at first: a page asking for one the game does not take hears
    // so, and the tap stays for its next open.
    adView_->setTouched(true);
    opener().openWebAppWithHTML("<p>app</p>", 24, false);
    advance(0.5);
    EXPECT_FALSE(root_->presentedViewController());
    EXPECT_EQ(said(), "");
    using Error = std::pair<std::string, std::string>;
    EXPECT_EQ(handler_->errors,
              (std::vector<Error>{
                  {"Expanding an ad is not allowed until the user interacts with the ad.", "expand"},
                  {"Resizing an ad is not allowed until the user interacts with the ad.", "resize"},
                  {"Expanding an ad is not allowed until the user interacts with the ad.", "expand"},
                  {"The orientation the ad asked for is not supported.", "expand"}}));
    EXPECT_EQ(slot_->adClickCount(), 1);
    opener().openWebAppWithHTML("<p>app</p>", 30, false);
    advance(0.5);
    EXPECT_TRUE(root_->presentedViewController());
    EXPECT_EQ(slot_->adClickCount(), 2);
}

TEST_F(RichMedia, ACollapsingAdSlidesAwayWithItsPageAndItsBannerStaysWholeUntilThePageRedraws) {
    opener().expandToWebAppWithSupportedOrientations(30, false);
    advance(0.5);
    said();
    auto expanded = std::dynamic_pointer_cast<DZExpandedAdAppViewController>(screen());
    ASSERT_TRUE(expanded);
    const auto bannerPicture = expanded->renderedBanner();
    ASSERT_TRUE(bannerPicture);
    const auto sheet = expanded->view();
    expanded->relinquishScreenWithCompletion({});
    advance(0.1);
    // Mid-slide the sheet carries a picture of the page, no black; the page is back in its banner,
    // under the banner's picture.
    ASSERT_FALSE(sheet->subviews().empty());
    const auto onSheet = std::dynamic_pointer_cast<platform::ui::ImageView>(sheet->subviews().front());
    ASSERT_TRUE(onSheet);
    EXPECT_EQ(onSheet->frame(), (Rect{0, 0, 320, 480}));
    EXPECT_EQ(adView_->superview(), banner_);
    EXPECT_EQ(banner_->subviews().back(), bannerPicture);
    EXPECT_FALSE(bannerPicture->isHidden());
    advance(0.4);
    EXPECT_FALSE(root_->presentedViewController());
    EXPECT_EQ(said(), "collapsed state:default");
    expectThePictureGoesOnceThePageRedraws(*bannerPicture);
}

TEST_F(RichMedia, ResizedResizedExpandedAndClosedTellsThePageOnceEach) {
    opener().openWebAppWithResizeProperties(resize("320", "250", "0", "-200"));
    EXPECT_EQ(said(), "");
    advance(0.5);
    EXPECT_EQ(said(), "state:resized size:320x250");
    auto resized = screen();
    ASSERT_TRUE(resized);
    EXPECT_EQ(adInWindow(), (Rect{0, 230, 320, 250}));
    // The banner grew in place: no picture of it is left beside the resized ad.
    auto grown = std::dynamic_pointer_cast<DZExpandedAdAppViewController>(resized);
    ASSERT_TRUE(grown && grown->renderedBanner());
    EXPECT_TRUE(grown->renderedBanner()->isHidden());
    EXPECT_FALSE(root_->presentedViewController());  // a layer over the app

    opener().openWebAppWithResizeProperties(resize("300", "100", "10", "-100"));
    EXPECT_EQ(said(), "state:resized size:300x100");
    EXPECT_EQ(adInWindow(), (Rect{10, 330, 300, 100}));
    // Refused properties leave the ad as it was, and the page hears only the error.
    opener().openWebAppWithResizeProperties(resize("400", "100", "0", "0"));
    EXPECT_EQ(said(), "");
    ASSERT_EQ(handler_->errors.size(), 1u);
    EXPECT_EQ(handler_->errors[0].second, "setResizeProperties");
    EXPECT_EQ(adInWindow(), (Rect{10, 330, 300, 100}));

    opener().expandToWebAppWithSupportedOrientations(30, true);
    advance(0.5);
    EXPECT_EQ(said(), "expanding state:expanded");
    auto expanded = screen();
    ASSERT_NE(expanded, resized);
    expanded->relinquishScreenWithCompletion({});
    advance(0.5);
    // The resized layer went with it, without a "default" of its own.
    EXPECT_EQ(said(), "collapsed state:default");
    advance(0.3);
    EXPECT_TRUE(window_->presentedViews().empty());
    EXPECT_EQ(adInWindow(), (Rect{0, 430, 320, 50}));

    // Resized again from the banner, then closed: back to default.
    opener().openWebAppWithResizeProperties(resize("320", "250", "0", "-200"));
    advance(0.5);
    screen()->relinquishScreenWithCompletion({});
    advance(0.5);
    EXPECT_EQ(said(), "state:resized size:320x250 state:default");
    EXPECT_EQ(slot_->adClickCount(), 3);
}

TEST_F(RichMedia, ThePagesOwnCloseTakesAnExpandedOrResizedAdBackToItsPlace) {
    DZDefaultAMSGHandler handler;
    auto close = [&] {
        EXPECT_TRUE(handler.handleRequest("amsg://page/close", adView_));
        advance(0.5);
    };
    opener().expandToWebAppWithSupportedOrientations(30, true);
    advance(0.5);
    ASSERT_TRUE(screen());
    said();
    close();
    EXPECT_EQ(said(), "collapsed state:default");
    EXPECT_FALSE(root_->presentedViewController());
    EXPECT_EQ(adInWindow(), (Rect{0, 430, 320, 50}));

    opener().openWebAppWithResizeProperties(resize("320", "250", "0", "-200"));
    advance(0.5);
    ASSERT_TRUE(screen());
    said();
    close();
    EXPECT_EQ(said(), "state:default");
    EXPECT_FALSE(screen());
    EXPECT_EQ(adInWindow(), (Rect{0, 430, 320, 50}));

    // In its place already: the page's close changes nothing.
    close();
    EXPECT_EQ(said(), "");
    EXPECT_EQ(adView_->superview(), banner_);
}

TEST_F(RichMedia, AnExpandedAdHearsItIsSeenOnWhiteAndGoesBackClearAResizedOneStaysClear) {
    opener().expandToWebAppWithSupportedOrientations(30, false);
    advance(0.5);
    ASSERT_TRUE(screen());
    EXPECT_EQ(handler_->visibility, "1");
    EXPECT_EQ(adView_->pageBackgroundColor(), platform::ui::Color::white());
    screen()->relinquishScreenWithCompletion({});
    advance(0.5);
    // Back in its place it is measured as a banner again: the full screen says nothing more.
    EXPECT_EQ(handler_->visibility, "1");
    EXPECT_EQ(adView_->pageBackgroundColor(), platform::ui::Color::clear());

    opener().openWebAppWithResizeProperties(resize("320", "250", "0", "-200"));
    advance(0.5);
    ASSERT_TRUE(screen());
    EXPECT_EQ(adView_->pageBackgroundColor(), platform::ui::Color::clear());
    // Expanded from resized, then closed: clear again in its place.
    opener().expandToWebAppWithSupportedOrientations(30, false);
    advance(0.5);
    EXPECT_EQ(adView_->pageBackgroundColor(), platform::ui::Color::white());
    screen()->relinquishScreenWithCompletion({});
    advance(1);
    EXPECT_FALSE(screen());
    EXPECT_EQ(adView_->pageBackgroundColor(), platform::ui::Color::clear());
}

// Told it is expanded while a second page shows, the banner's page may draw something else in its
// strip: the strip keeps the banner's picture, as the page slides away too, until the page has drawn
// again after hearing "default".
TEST_F(RichMedia, ASecondPageLeavesTheBannersPictureOverItsStripUntilThePageRedraws) {
    opener().openWebAppWithHTML("<p>second</p>", 30, false);
    advance(0.5);
    auto app = std::dynamic_pointer_cast<DZSupplementalAdAppViewController>(root_->presentedViewController());
    ASSERT_TRUE(app);
    EXPECT_EQ(said(), "state:expanded");
    const auto picture = std::dynamic_pointer_cast<platform::ui::ImageView>(banner_->subviews().back());
    ASSERT_TRUE(picture);
    EXPECT_EQ(picture->frame(), adView_->frame());
    app->relinquishScreenWithCompletion({});
    advance(0.1);
    EXPECT_EQ(banner_->subviews().back(), picture);
    advance(0.4);
    EXPECT_FALSE(root_->presentedViewController());
    EXPECT_EQ(said(), "state:default");
    expectThePictureGoesOnceThePageRedraws(*picture);
}

TEST_F(RichMedia, ASecondPageHearsTheScreenAndTheDeviceItselfAndTheFirstPageNothingAgain) {
    opener().openWebAppWithHTML("<p>second</p>", 30, false);
    advance(0.5);
    auto app = std::dynamic_pointer_cast<DZSupplementalAdAppViewController>(root_->presentedViewController());
    ASSERT_TRUE(app);
    static_cast<platform::web::FakeWebEngine&>(*app->adView()->engine()).finishLoad();
    bed_.runUntilIdle();
    said();
    const std::size_t before = tikoleap::test::pageMessages(*app->adView()).size();

    auto handler = std::make_shared<DZMRAIDAMSGHandler>(opener_);
    EXPECT_TRUE(handler->handleRequest("amsg://page/mraidLoaded", app->adView()));
    bed_.runUntilIdle();
    EXPECT_EQ(said(), "");
    const auto messages = tikoleap::test::pageMessages(*app->adView());
    std::map<std::string, nlohmann::json> heard;
    for (std::size_t i = before; i < messages.size(); ++i) heard[messages[i].first] = messages[i].second;
    ASSERT_TRUE(heard.contains("onScreenInfoChanged"));
    for (const char* key : {"width", "height", "maxSizeWidth", "maxSizeHeight"})
        EXPECT_TRUE(heard["onScreenInfoChanged"][key].is_number()) << key;
    ASSERT_TRUE(heard.contains("onDeviceFeaturesReceived"));
    EXPECT_EQ(heard["onDeviceFeaturesReceived"]["inlineVideo"], true);
}

TEST_F(RichMedia, FramesPastTheEdgeAreMovedInUnlessOffscreenIsAllowed) {
    // 20 points past the right edge: moved left, all of it on screen.
    opener().openWebAppWithResizeProperties(resize("300", "250", "40", "-200"));
    advance(0.5);
    EXPECT_EQ(said(), "state:resized size:300x250");
    EXPECT_EQ(adInWindow(), (Rect{20, 230, 300, 250}));
    screen()->relinquishScreenWithCompletion({});
    advance(0.5);
    said();

    // Wider than the screen: refused, nothing shown, no click.
    opener().openWebAppWithResizeProperties(resize("340", "250", "0", "-200"));
    advance(0.5);
    EXPECT_EQ(said(), "");
    EXPECT_TRUE(window_->presentedViews().empty());
    ASSERT_EQ(handler_->errors.size(), 1u);
    EXPECT_NE(handler_->errors[0].first.find("Received invalid resize properties"), std::string::npos);

    // Off screen allowed: the frame stays where the page put it while its close area is on
    // screen; a close area off screen is refused.
    opener().openWebAppWithResizeProperties(resize("320", "250", "100", "-200", "top-right", "true"));
    EXPECT_EQ(handler_->errors.size(), 2u);
    opener().openWebAppWithResizeProperties(resize("320", "250", "100", "-200", "top-left", "true"));
    advance(0.5);
    EXPECT_EQ(said(), "state:resized size:320x250");
    EXPECT_EQ(adInWindow(), (Rect{100, 230, 320, 250}));
    EXPECT_EQ(slot_->adClickCount(), 2);
}

TEST_F(RichMedia, ARotationThatLeavesNoRoomClosesTheResizedAdWithAnError) {
    opener().openWebAppWithResizeProperties(resize("300", "100", "0", "-100"));
    advance(0.5);
    // Landscape still has room for 300 x 100: the ad moves into it and stays.
    Application::shared().setStatusBarOrientation(3);
    advance(0.2);
    ASSERT_TRUE(screen());
    EXPECT_TRUE(handler_->errors.empty());
    Application::shared().setStatusBarOrientation(1);
    advance(0.2);
    opener().openWebAppWithResizeProperties(resize("300", "400", "0", "-350"));
    said();

    Application::shared().setStatusBarOrientation(4);
    advance(0.2);
    ASSERT_EQ(handler_->errors.size(), 1u);
    EXPECT_EQ(handler_->errors[0],
              std::make_pair(std::string("Resize properties became invalid after device rotation."),
                             std::string("resize")));
    advance(0.5);
    EXPECT_EQ(said(), "state:default");
    EXPECT_EQ(adView_->superview(), banner_);
    EXPECT_TRUE(window_->presentedViews().empty());
}

TEST_F(RichMedia, WebAppMessagesOpenTheirPageAndARefusedOneCountsNoClick) {
    DZOpenerAMSGHandler handler(opener_);
    auto open = [&](DZNotification::Parameters parameters) {
        opener();
        auto note = DZNotification::create("open", std::move(parameters));
        handler.didReceiveOpenNotification({note, adView_});
    };
    open({{"a", "webapp"}, {"u", "file:///etc/passwd"}});
    open({{"a", "webapp"}});
    advance(0.5);
    EXPECT_FALSE(root_->presentedViewController());

    open({{"a", "webapp"},
          {"u", "https://ad.example/app"},
          {"html", "<p/>"},
          {"o", "p"},
          {"custom_close", "1"}});
    advance(0.5);
    auto app = std::dynamic_pointer_cast<DZSupplementalAdAppViewController>(root_->presentedViewController());
    ASSERT_TRUE(app);
    EXPECT_TRUE(app->useCustomClose());
    EXPECT_EQ(app->supportedInterfaceOrientations(), 6u);
    EXPECT_EQ(bed_.engine().loadCalls().back().content, "https://ad.example/app");
    EXPECT_EQ(said(), "state:expanded");
    EXPECT_EQ(slot_->adClickCount(), 1);

    // The app's screen already shows one: the second is refused and is no click.
    open({{"a", "webapp"}, {"html", "<p>second</p>"}});
    advance(0.5);
    EXPECT_EQ(root_->presentedViewController(), app);
    EXPECT_EQ(slot_->adClickCount(), 1);

    app->relinquishScreenWithCompletion({});
    advance(0.5);
    EXPECT_EQ(said(), "state:default");
    open({{"a", "expand"}, {"o", "l"}});
    // Portrait is all the app's screen supports.
    EXPECT_EQ(said(), "");
    open({{"a", "expand"}, {"custom_close", "1"}});
    advance(0.5);
    EXPECT_EQ(said(), "expanding state:expanded");
}
