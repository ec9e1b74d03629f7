// A swipe that presents a full-screen page through a window on the virtual clock: a finger drags
// the banner, the page follows it, and the lift finishes or undoes the presentation.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <optional>

#include "ads/render/swipe/DZPercentDrivenUserInteractionAnimationController.h"
#include "ads/render/swipe/DZViewControllerFullScreenSwipeAnimation.h"
#include "platform/runloop/ManualRunLoop.h"
#include "platform/ui/PanGestureRecognizer.h"
#include "platform/ui/ViewController.h"
#include "platform/ui/Window.h"

using platform::Point;
using platform::Rect;
using namespace platform::ui;

namespace {

struct Heard : DZPercentDrivenUserInteractionAnimationControllerDelegate {
    int finished = 0, cancelled = 0;
    void animationControllerDidFinishAnimationTransition(
        DZPercentDrivenUserInteractionAnimationController&) override {
        ++finished;
    }
    void animationControllerDidCancelAnimationTransition(
        DZPercentDrivenUserInteractionAnimationController&) override {
        ++cancelled;
    }
};

// A banner over the top 50 points of the screen, with a pan on it that presents the page when it
// begins (when there is a page to show), as the slot does.
class SwipeInteractionTest : public ::testing::Test {
  protected:
    void SetUp() override {
        previous_ = platform::RunLoop::setMain(loop_);
        window_->setRunLoop(loop_.get());
        window_->makeKeyAndVisible();
        window_->setRootViewController(root_);
        root_->view()->addSubview(banner_);
        banner_->addGestureRecognizer(pan_);
        controller_->setDelegate(heard_);
        animation_->setTransitionDuration(0.5);
        pan_->addTarget(this, [this](GestureRecognizer& r) {
            auto& pan = static_cast<PanGestureRecognizer&>(r);
            if (pan.state() == GestureRecognizerState::Began) {
                animation_->setStartY(pan.locationInView(nullptr).y);
                if (withPage_) {
                    page_->setTransitioningDelegate(controller_);
                    root_->presentViewController(page_, true);
                }
            }
            controller_->handlePanGesture(pan);
        });
    }
    void TearDown() override {
        loop_->advance(5);
        pan_->removeTarget(this);
        platform::RunLoop::setMain(previous_);
    }
    // Down at `from`, 20 moves a frame apart to `to`, then (with `rest`) still for a while, or
    // (with `back`) 5 moves on to `back`, up.
    void drag(Point from, Point to, bool rest, std::optional<Point> back = std::nullopt) {
        window_->handleTouch(1, TouchPhase::Began, from);
        for (int i = 1; i <= 20; ++i) {
            loop_->advance(1.0 / 60);
            const float t = i / 20.0f;
            window_->handleTouch(1, TouchPhase::Moved,
                                 {from.x + (to.x - from.x) * t, from.y + (to.y - from.y) * t});
            if (i != 10) continue;
            halfWay_ = page_->isViewLoaded() ? page_->view()->frame().origin.y : 0;
            if (midway_) midway_();
        }
        if (rest) loop_->advance(0.3);
        for (int i = 1; back && i <= 5; ++i) {
            loop_->advance(1.0 / 60);
            to = {to.x + (back->x - to.x) / (6 - i), to.y + (back->y - to.y) / (6 - i)};
            window_->handleTouch(1, TouchPhase::Moved, to);
        }
        window_->handleTouch(1, TouchPhase::Ended, to);
        loop_->advance(2);
    }

    std::shared_ptr<platform::ManualRunLoop> loop_ = std::make_shared<platform::ManualRunLoop>();
    std::shared_ptr<platform::RunLoop> previous_;
    std::shared_ptr<Window> window_ = std::make_shared<Window>();
    std::shared_ptr<ViewController> root_ = std::make_shared<ViewController>();
    std::shared_ptr<ViewController> page_ = std::make_shared<ViewController>();
    std::shared_ptr<View> banner_ = std::make_shared<View>(Rect(0, 0, 320, 50));
    std::shared_ptr<PanGestureRecognizer> pan_ = std::make_shared<PanGestureRecognizer>();
    std::shared_ptr<DZViewControllerFullScreenSwipeAnimation> animation_ =
        std::make_shared<DZViewControllerFullScreenSwipeAnimation>();
    std::shared_ptr<DZPercentDrivenUserInteractionAnimationController> controller_ =
        std::make_shared<DZPercentDrivenUserInteractionAnimationController>(animation_);
    std::shared_ptr<Heard> heard_ = std::make_shared<Heard>();
    bool withPage_ = true;
    float halfWay_ = 0;
    std::function<void()> midway_;
};

TEST_F(SwipeInteractionTest, APageFollowsTheFingerDownAndStaysWhenTheFingerFlicksOn) {
    animation_->setDirection(DZViewControllerFullScreenSwipeAnimation::kTopToBottom);
    animation_->setDraggableView(banner_);
    drag({8, 30}, {8, 420}, false);
    // Half-way the page hung between its start above the screen and the screen.
    EXPECT_GT(halfWay_, -480);
    EXPECT_LT(halfWay_, -100);
    EXPECT_EQ(root_->presentedViewController(), page_);
    EXPECT_EQ(page_->view()->frame(), Rect(0, 0, 320, 480));
    EXPECT_EQ(heard_->finished, 1);
    EXPECT_EQ(heard_->cancelled, 0);
}

// A finger that stops before lifting leaves the page where the finger has brought it: back out
// short of half way, in past it (the pan begins 10 points into the drag, so at y 47 going down
// and y 35 going up).
TEST_F(SwipeInteractionTest, AFingerThatStopsBeforeLiftingDecidesByHowFarThePageCame) {
    struct Case {
        int direction;
        Point from, to;
        bool in;
    };
    for (const Case& c : {Case{1, {8, 30}, {8, 200}, false}, Case{1, {8, 30}, {8, 470}, true},
                          Case{2, {8, 45}, {8, 25}, false}, Case{2, {8, 45}, {8, 5}, true}}) {
        SCOPED_TRACE(testing::Message() << c.direction << " to " << c.to.y);
        animation_->setDirection(c.direction);
        heard_->finished = heard_->cancelled = 0;
        drag(c.from, c.to, true);
        EXPECT_EQ(root_->presentedViewController(), c.in ? page_ : nullptr);
        EXPECT_EQ(heard_->finished, c.in ? 1 : 0);
        EXPECT_EQ(heard_->cancelled, c.in ? 0 : 1);
        if (c.in) {
            root_->dismissViewController(false);
            loop_->advance(1);
        }
    }

    // Past half way but taking the page back when the finger lifts: it goes.
    animation_->setDirection(DZViewControllerFullScreenSwipeAnimation::kTopToBottom);
    heard_->finished = heard_->cancelled = 0;
    drag({8, 30}, {8, 470}, false, Point{8, 400});
    EXPECT_EQ(root_->presentedViewController(), nullptr);
    EXPECT_EQ(heard_->cancelled, 1);
}

TEST_F(SwipeInteractionTest, OnlyAPresentationStillUnderTheFingerIsReported) {
    animation_->setDirection(DZViewControllerFullScreenSwipeAnimation::kTopToBottom);
    withPage_ = false;
    drag({8, 30}, {8, 420}, false);
    drag({8, 30}, {8, 300}, true);
    EXPECT_EQ(heard_->finished + heard_->cancelled, 0);

    // Taken away at once while the finger drags it.
    withPage_ = true;
    midway_ = [this] { root_->dismissViewController(false); };
    drag({8, 30}, {8, 420}, false);
    EXPECT_EQ(root_->presentedViewController(), nullptr);
    EXPECT_EQ(heard_->finished + heard_->cancelled, 0);
}

}  // namespace
