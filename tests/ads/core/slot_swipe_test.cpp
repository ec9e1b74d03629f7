// A banner whose ad lets the user pull a store page out of it, on the scripted engine and the
// virtual clock: what the creative may switch, the geometry it hears, pans that present nothing,
// and a whole swipe from the first touch to the page's Done.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "ads/core/DZAd.h"
#include "ads/core/DZRequest.h"
#include "ads/core/DZSwipeToViewControllerConfigurations.h"
#include "ads/core/slot/DZSDKCoreController.h"
#include "ads/foundation/DZScheduler.h"
#include "ads/public/DZBannerView.h"
#include "ads/render/AdViewTestBed.h"
#include "ads/render/PageMessages.h"
#include "ads/render/bridge/DZAMSGHandler.h"
#include "ads/render/view/DZAdView.h"
#include "ads/render/view/DZBannerAdViewDelegate.h"
#include "ads/render/view/DZSKStoreProductViewControllerDelegate.h"
#include "platform/store/StoreBackend.h"
#include "platform/ui/PanGestureRecognizer.h"
#include "platform/ui/UiDriver.h"
#include "platform/ui/Window.h"

using nlohmann::json;
using platform::Point;
using platform::Rect;
using platform::ui::TouchPhase;

namespace {

struct Mark : DZAMSGHandler {
    const ActionTable& actionBlockDictionary() const override {
        static const ActionTable table{{"tikoleapMark", [](DZAMSGHandler& handler, const DZAMSGArguments&) {
                                            ++static_cast<Mark&>(handler).seen;
                                        }}};
        return table;
    }
    int seen = 0;
};

// A 320 x 50 banner at y 100 on a 320 x 480 window; its ad's page loaded.
class SlotSwipe : public ::testing::Test {
  protected:
    SlotSwipe() {
        DZRequest::request();  // the ad component's start-up joins the swipe layer to the core
        window_->setRunLoop(&bed_.home().loop());
        window_->makeKeyAndVisible();
        window_->setRootViewController(root_);
        banner_->setRootViewController(root_);
        root_->view()->addSubview(banner_);
        core_->setSwipeToViewSamplingInterval(0.5);
        slot_->setSDKCoreController(core_);
        slot_->adViewDelegate()->addAMSGHandler(mark_);
        adView_->loadHTMLString("<p/>", "https://ad.example/");
        bed_.runUntilIdle();
        engine().finishLoad();
        bed_.runUntilIdle();
    }
    ~SlotSwipe() override {
        if (auto shown = root_->presentedViewController()) root_->dismissViewController(false);
        bed_.runUntilIdle();
    }

    platform::web::FakeWebEngine& engine() {
        return static_cast<platform::web::FakeWebEngine&>(*adView_->engine());
    }
    // A new ad with these swipe settings, finished loading.
    void show(const json& swipe) {
        slot_->willProcessAd();
        slot_->finishedLoadingAdResponse(std::make_shared<DZAd>(json{{"swipe_to_viewcontroller", swipe}}));
        slot_->adFinishedLoadingContent();
    }
    json swipeSettings(bool withProduct = true) {
        json settings{{"swipeable_rectangles", {{{"x", 0}, {"y", 0}, {"width", 100}, {"height", 50}}}},
                      {"swipe_event_creative_metadata", {{"c", 7}}},
                      {"swipe_animation_transition_duration", 0.5}};
        if (withProduct) settings["app_store_product_id"] = 1;
        return settings;
    }
    // Page messages reach native code through a queue of their own: a mark sent after the
    // message tells when it has been handled.
    void creativeSays(const std::string& message) {
        engine().navigate("amsg://swipe/" + message);
        engine().navigate("amsg://swipe/tikoleapMark");
        const int expected = ++marksSent_;
        ASSERT_TRUE(bed_.home().pump().until([&] { return mark_->seen == expected; }));
        bed_.runUntilIdle();
    }
    void advance(double seconds) {
        driver_.advance(seconds);
        bed_.runUntilIdle();
    }
    // The names the creative heard since the last call.
    std::vector<std::string> heard() {
        bed_.runUntilIdle();
        const auto messages = tikoleap::test::pageMessages(*adView_);
        std::vector<std::string> names;
        for (std::size_t i = heard_; i < messages.size(); ++i) {
            names.push_back(messages[i].first);
            if (messages[i].first != "onAdVisible") {
                EXPECT_EQ(messages[i].second, (json{{"c", 7}}));
            }
        }
        heard_ = messages.size();
        return names;
    }
    std::shared_ptr<DZSwipeToViewControllerConfigurations> configurations() {
        return slot_->ad()->swipeConfigurations();
    }
    // A finger down at `from` that moves to `to` in steps of 1/60 s, lifted when `lift`.
    void pan(Point from, Point to, bool lift = true, int steps = 12) {
        const std::uint64_t finger = ++finger_;
        window_->handleTouch(finger, TouchPhase::Began, from);
        for (int i = 1; i <= steps; ++i) {
            advance(1.0 / 60);
            const float f = static_cast<float>(i) / static_cast<float>(steps);
            window_->handleTouch(finger, TouchPhase::Moved,
                                 {from.x + (to.x - from.x) * f, from.y + (to.y - from.y) * f});
        }
        if (lift) window_->handleTouch(finger, TouchPhase::Ended, to);
    }

    tikoleap::test::AdViewTestBed bed_;
    std::shared_ptr<platform::ui::Window> window_ = std::make_shared<platform::ui::Window>();
    platform::ui::UiDriver driver_{window_, &bed_.home().loop()};
    std::shared_ptr<platform::ui::ViewController> root_ = std::make_shared<platform::ui::ViewController>();
    std::shared_ptr<DZBannerView> banner_ = DZBannerView::create(kDZAdSizeBanner, {0, 100});
    std::shared_ptr<DZSlot> slot_ = banner_->slot();
    std::shared_ptr<DZAdView> adView_ = slot_->adView();
    std::shared_ptr<DZSDKCoreController> core_ = DZSDKCoreController::create();
    std::shared_ptr<Mark> mark_ = std::make_shared<Mark>();
    int marksSent_ = 0;
    std::size_t heard_ = 0;
    std::uint64_t finger_ = 100;
};

}  // namespace

TEST_F(SlotSwipe, TheCreativeSwitchesTheSwipeOnlyForAnAdWithSettings) {
    show(json::object());  // no settings: no configurations, no checks
    EXPECT_FALSE(slot_->ad()->swipeConfigurations());
    EXPECT_FALSE(slot_->swipeToViewControllerChecker());
    creativeSays("enableSwipeToViewController?swipe_direction=top_to_bottom&ad_draggable=1");
    EXPECT_FALSE(slot_->swipeToViewControllerEnabled());
    EXPECT_TRUE(banner_->gestureRecognizers().empty());

    show(swipeSettings());
    creativeSays("enableSwipeToViewController?swipe_direction=left&ad_draggable=true");
    EXPECT_EQ(configurations()->swipeDirection(), 0);
    EXPECT_FALSE(configurations()->adDraggable());
    EXPECT_TRUE(slot_->swipeToViewControllerEnabled());
    ASSERT_EQ(banner_->gestureRecognizers().size(), 1u);
    EXPECT_EQ(banner_->gestureRecognizers()[0], slot_->swipeGestureRecognizer());
    EXPECT_DOUBLE_EQ(slot_->animation()->transitionDuration(), 0.5);

    creativeSays("enableSwipeToViewController?swipe_direction=bottom_to_top&ad_draggable=1");
    EXPECT_EQ(configurations()->swipeDirection(), 2);
    EXPECT_TRUE(configurations()->adDraggable());
    EXPECT_EQ(slot_->animation()->direction(), 2);
    EXPECT_EQ(banner_->gestureRecognizers().size(), 1u);

    creativeSays("disableSwipeToViewController");
    EXPECT_EQ(configurations()->swipeDirection(), 0);
    EXPECT_FALSE(configurations()->adDraggable());
    EXPECT_FALSE(slot_->swipeToViewControllerEnabled());
    EXPECT_TRUE(banner_->gestureRecognizers().empty());

    // A new ad ends the old one's swipe.
    creativeSays("enableSwipeToViewController?swipe_direction=top_to_bottom");
    ASSERT_TRUE(slot_->swipeToViewControllerChecker());
    show(json::object());
    EXPECT_FALSE(slot_->swipeToViewControllerChecker());
    EXPECT_FALSE(slot_->swipeToViewControllerEnabled());
    EXPECT_TRUE(banner_->gestureRecognizers().empty());
}

TEST_F(SlotSwipe, TheGeometryIsToldOncePerChangeAndTheCheckerNeverSpins) {
    core_->setSwipeToViewSamplingInterval(0);
    show(swipeSettings());
    ASSERT_TRUE(slot_->swipeToViewControllerChecker());
    EXPECT_DOUBLE_EQ(slot_->swipeToViewControllerChecker()->timer()->interval(),
                     DZSlot::kMinimumSwipeCheckerInterval);
    EXPECT_TRUE(heard().empty());
    advance(0.1);
    EXPECT_EQ(heard(), std::vector<std::string>{"onAdVisible"});
    const auto sent = tikoleap::test::pageMessages(*adView_).back().second;
    EXPECT_EQ(sent, (json{{"creativeFrame", {{"x", 0.0}, {"y", 100.0}, {"width", 320.0}, {"height", 50.0}}},
                          {"deviceFrame", {{"x", 0.0}, {"y", 0.0}, {"width", 320.0}, {"height", 480.0}}},
                          {"deviceOrientation", "portrait"},
                          {"anySuperViewScrollable", "0"}}));
    advance(1);
    EXPECT_TRUE(heard().empty());
    banner_->setFrame({0, 200, 320, 50});
    advance(0.1);
    EXPECT_EQ(heard(), std::vector<std::string>{"onAdVisible"});
}

TEST_F(SlotSwipe, PansThatPresentNothing) {
    show(swipeSettings(false));
    creativeSays("enableSwipeToViewController?swipe_direction=top_to_bottom&ad_draggable=1");
    const auto recognizer = slot_->swipeGestureRecognizer();

    // Outside every rectangle: refused, and the recognizer is ready for the next pan.
    pan({200, 110}, {200, 300});
    EXPECT_TRUE(recognizer->isEnabled());
    EXPECT_FLOAT_EQ(slot_->animation()->startY(), 0);

    // Inside, but there is no product to show: the start is taken, nothing comes up.
    pan({8, 110}, {8, 300});
    EXPECT_GT(slot_->animation()->startY(), 110);
    EXPECT_LT(slot_->animation()->startY(), 300);
    EXPECT_FALSE(root_->presentedViewController());
    EXPECT_FALSE(slot_->isHoldingItselfForSwipe());
    EXPECT_TRUE(recognizer->isEnabled());
    advance(1);
    EXPECT_EQ(heard(), std::vector<std::string>{"onAdVisible"});
}

TEST_F(SlotSwipe, AWholeSwipeFromTheFirstTouchToDone) {
    show(swipeSettings());
    advance(0.5);
    EXPECT_EQ(heard(), std::vector<std::string>{"onAdVisible"});
    creativeSays("enableSwipeToViewController?swipe_direction=top_to_bottom&ad_draggable=1");

    pan({8, 130}, {8, 420}, false);
    auto page = slot_->swipeableStoreProductViewController();
    ASSERT_TRUE(page);
    EXPECT_EQ(root_->presentedViewController(), page);
    EXPECT_TRUE(slot_->isHoldingItselfForSwipe());
    EXPECT_TRUE(heard().empty());  // neither the start nor the moves end the presentation
    window_->handleTouch(finger_, TouchPhase::Ended, {8, 420});
    EXPECT_EQ(heard(), std::vector<std::string>{"onSwipeableViewControllerPresentationFinished"});
    advance(1);
    EXPECT_EQ(root_->presentedViewController(), page);
    EXPECT_EQ(page->view()->frame(), (Rect{0, 0, 320, 480}));
    // This desktop has no store: the page says so and offers its Done.
    EXPECT_EQ(page->message(), platform::store::StoreBackend::kUnavailableMessage);
    EXPECT_TRUE(heard().empty());  // no geometry while the page is up

    // The slot outlives its banner while the page is up.
    std::weak_ptr<DZSlot> slot = slot_;
    std::weak_ptr<DZBannerView> banner = banner_;
    slot_.reset();
    banner_->removeFromSuperview();
    banner_.reset();
    EXPECT_FALSE(slot.expired());

    page->done();
    page->done();  // a second tap while the page leaves
    advance(1);
    EXPECT_EQ(heard(), std::vector<std::string>{"onSwipeToViewControllerDismissed"});
    EXPECT_FALSE(root_->presentedViewController());
    EXPECT_TRUE(slot.expired());
    EXPECT_TRUE(banner.expired());
}

TEST_F(SlotSwipe, SwitchedOffUnderTheFingerThePageGoesBack) {
    show(swipeSettings());
    creativeSays("enableSwipeToViewController?swipe_direction=top_to_bottom");
    pan({8, 130}, {8, 300}, false);
    ASSERT_TRUE(slot_->isHoldingItselfForSwipe());
    creativeSays("disableSwipeToViewController");
    window_->handleTouch(finger_, TouchPhase::Ended, {8, 300});
    advance(1);
    EXPECT_FALSE(root_->presentedViewController());
    EXPECT_FALSE(slot_->isHoldingItselfForSwipe());
    EXPECT_FALSE(slot_->swipeableStoreProductViewController());
}

TEST_F(SlotSwipe, AFingerThatRestsShortOfHalfWaySendsThePageBack) {
    show(swipeSettings());
    creativeSays("enableSwipeToViewController?swipe_direction=top_to_bottom&ad_draggable=1");
    pan({8, 130}, {8, 300}, false);
    advance(0.5);
    window_->handleTouch(finger_, TouchPhase::Ended, {8, 300});
    EXPECT_EQ(heard(), std::vector<std::string>{"onSwipeableViewControllerPresentationCanceled"});
    advance(1);
    EXPECT_FALSE(root_->presentedViewController());
    EXPECT_FALSE(slot_->isHoldingItselfForSwipe());
    EXPECT_FALSE(slot_->animation()->draggableView());
    EXPECT_TRUE(slot_->swipeGestureRecognizer()->isEnabled());
}
