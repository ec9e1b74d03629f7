// The swipe transition: the frames of the page and of the ad's picture in both directions, the
// way back after a presentation, and how far a finger has brought the page.
#include <gtest/gtest.h>

#include <limits>
#include <memory>

#include "ads/render/swipe/DZPercentDrivenUserInteractionAnimationController.h"
#include "ads/render/swipe/DZViewControllerFullScreenSwipeAnimation.h"
#include "platform/ui/View.h"
#include "platform/ui/ViewController.h"

using platform::Rect;
using platform::ui::View;
using platform::ui::ViewController;

namespace {

// A transition whose container and controllers the test arranges; nothing animates through it.
class FakeTransitionContext : public platform::ui::ViewControllerContextTransitioning {
  public:
    std::shared_ptr<View> container;
    std::shared_ptr<ViewController> from, to;
    std::shared_ptr<View> containerView() const override { return container; }
    std::shared_ptr<ViewController> fromViewController() const override { return from; }
    std::shared_ptr<ViewController> toViewController() const override { return to; }
    bool isPresenting() const override { return true; }
    bool isAnimated() const override { return true; }
    bool isInteractive() const override { return false; }
    bool transitionWasCancelled() const override { return false; }
    void completeTransition(bool) override {}
    void updateInteractiveTransition(double) override {}
    void finishInteractiveTransition() override {}
    void cancelInteractiveTransition() override {}
};

// A 320 x 480 screen whose content has a bar at y 280 holding the ad at (10, 20) in it, so the ad
// is at (10, 300, 300, 50) on screen; the container covers the screen beside the content.
class SwipeFramesTest : public ::testing::Test {
  protected:
    void SetUp() override {
        root_->addSubview(content_->view());
        auto bar = std::make_shared<View>(Rect(0, 280, 320, 80));
        content_->view()->addSubview(bar);
        bar->addSubview(ad_);
        root_->addSubview(container_);
        presentation_.container = container_;
        presentation_.from = content_;
        presentation_.to = page_;
        dismissal_.container = container_;
        dismissal_.from = page_;
        dismissal_.to = content_;
        animation_.setStartY(120);
    }
    DZAnimationContext present(int direction) {
        animation_.setDirection(direction);
        animation_.willAnimatePresentation();
        return direction == DZViewControllerFullScreenSwipeAnimation::kTopToBottom
                   ? animation_.animationContextForTopToBottomAnimationPresentationWithTransitionContext(
                         presentation_)
                   : animation_.animationContextForBottomToTopAnimationPresentationWithTransitionContext(
                         presentation_);
    }
    DZAnimationContext dismiss() {
        animation_.willAnimateDismissal();
        page_->view()->setFrame(Rect(0, 0, 320, 480));
        return animation_.direction() == DZViewControllerFullScreenSwipeAnimation::kTopToBottom
                   ? animation_.animationContextForTopToBottomAnimationDismissalWithTransitionContext(
                         dismissal_)
                   : animation_.animationContextForBottomToTopAnimationDismissalWithTransitionContext(
                         dismissal_);
    }

    std::shared_ptr<View> root_ = std::make_shared<View>(Rect(0, 0, 320, 480));
    std::shared_ptr<View> container_ = std::make_shared<View>(Rect(0, 0, 320, 480));
    std::shared_ptr<View> ad_ = std::make_shared<View>(Rect(10, 20, 300, 50));
    std::shared_ptr<ViewController> content_ = std::make_shared<ViewController>();
    std::shared_ptr<ViewController> page_ = std::make_shared<ViewController>();
    FakeTransitionContext presentation_, dismissal_;
    DZViewControllerFullScreenSwipeAnimation animation_;
};

TEST_F(SwipeFramesTest, WithTheAdThePagesEdgeFollowsItsPictureBothWays) {
    animation_.setDraggableView(ad_);
    const Rect ad(10, 300, 300, 50), screen(0, 0, 320, 480);
    struct Case {
        int direction;
        Rect adGone, pageFrom;
    };
    for (const Case& c : {Case{1, Rect(10, 480, 300, 50), Rect(0, 300 - 480, 320, 480)},
                          Case{2, Rect(10, -50, 300, 50), Rect(0, 350, 320, 480)}}) {
        SCOPED_TRACE(c.direction);
        auto in = present(c.direction);
        EXPECT_EQ(in.animatedViewController, page_);
        EXPECT_EQ(in.animatedViewStartFrame, c.pageFrom);
        EXPECT_EQ(in.animatedViewEndFrame, screen);
        EXPECT_EQ(in.draggableViewStartFrame, ad);
        EXPECT_EQ(in.draggableViewEndFrame, c.adGone);
        ASSERT_NE(in.draggableViewSnapshot, nullptr);
        EXPECT_EQ(in.draggableViewSnapshot->bounds().size, ad.size);
        EXPECT_TRUE(animation_.draggableViewShownOnPresentation());

        auto out = dismiss();
        EXPECT_EQ(out.animatedViewController, page_);
        EXPECT_EQ(out.animatedViewStartFrame, screen);
        EXPECT_EQ(out.animatedViewEndFrame, c.pageFrom);
        EXPECT_EQ(out.draggableViewStartFrame, c.adGone);
        EXPECT_EQ(out.draggableViewEndFrame, ad);
        ASSERT_NE(out.draggableViewSnapshot, nullptr);
        EXPECT_NE(out.draggableViewSnapshot, in.draggableViewSnapshot);
    }
}

TEST_F(SwipeFramesTest, WithoutTheAdThePagesEdgeIsUnderTheFinger) {
    for (int direction : {1, 2}) {
        SCOPED_TRACE(direction);
        auto in = present(direction);
        EXPECT_EQ(in.animatedViewStartFrame, Rect(0, direction == 1 ? 120 - 480 : 120, 320, 480));
        EXPECT_EQ(in.draggableViewSnapshot, nullptr);
        EXPECT_EQ(in.draggableViewStartFrame, Rect());
        EXPECT_FALSE(animation_.draggableViewShownOnPresentation());

        auto out = dismiss();
        EXPECT_EQ(out.animatedViewEndFrame, in.animatedViewStartFrame);
        EXPECT_EQ(out.draggableViewSnapshot, nullptr);
        EXPECT_EQ(out.draggableViewStartFrame, Rect());
        EXPECT_EQ(out.draggableViewEndFrame, Rect());
    }
}

TEST_F(SwipeFramesTest, AnAdResizedSinceThePresentationReturnsWithoutItsPicture) {
    animation_.setDraggableView(ad_);
    auto in = present(1);
    ASSERT_NE(in.draggableViewSnapshot, nullptr);
    ad_->setFrame(Rect(10, 20, 300, 250));
    auto out = dismiss();
    EXPECT_EQ(out.draggableViewSnapshot, nullptr);
    EXPECT_EQ(out.draggableViewStartFrame, Rect());
    EXPECT_EQ(out.draggableViewEndFrame, Rect());
    EXPECT_EQ(animation_.draggableViewEndFrameAfterAnimation(), Rect());
    EXPECT_EQ(out.animatedViewEndFrame, in.animatedViewStartFrame);
}

TEST(SwipeProgress, FollowsTheFingerWithinZeroToOne) {
    auto animation = std::make_shared<DZViewControllerFullScreenSwipeAnimation>();
    auto controller = std::make_shared<DZPercentDrivenUserInteractionAnimationController>(animation);
    const float nan = std::numeric_limits<float>::quiet_NaN();

    animation->setDirection(DZViewControllerFullScreenSwipeAnimation::kBottomToTop);
    animation->setStartY(400);
    EXPECT_DOUBLE_EQ(controller->progressForLocation(100, 480), 0.75);
    EXPECT_EQ(controller->progressForLocation(450, 480), 0);  // against the swipe
    EXPECT_EQ(controller->progressForLocation(-100, 480), 1);
    EXPECT_EQ(controller->progressForLocation(nan, 480), 0);
    animation->setStartY(0);
    EXPECT_EQ(controller->progressForLocation(-10, 480), 0);
    EXPECT_EQ(controller->progressForLocation(0, 480), 0);

    animation->setDirection(DZViewControllerFullScreenSwipeAnimation::kTopToBottom);
    animation->setStartY(80);
    EXPECT_DOUBLE_EQ(controller->progressForLocation(280, 480), 0.5);
    EXPECT_EQ(controller->progressForLocation(40, 480), 0);
    EXPECT_EQ(controller->progressForLocation(600, 480), 1);
    animation->setStartY(480);
    EXPECT_EQ(controller->progressForLocation(490, 480), 0);
    EXPECT_EQ(controller->progressForLocation(480, 480), 0);
}

}  // namespace
