// The push transition view on a virtual clock: when it pushes, what moves and where the cycle
// goes on after its views change.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>
#include <vector>

#include "ads/render/swipe/DZPushTransitionView.h"
#include "platform/runloop/ManualRunLoop.h"

namespace {

using platform::ui::View;

class PushTransitionViewTest : public ::testing::Test {
  protected:
    void SetUp() override { previous_ = platform::RunLoop::setMain(loop_); }
    void TearDown() override {
        // Animations still running hold their views until they end: let them end on this loop.
        if (push_) push_->setViews({});
        loop_->advance(5);
        push_.reset();
        platform::RunLoop::setMain(previous_);
    }
    std::shared_ptr<View> item() {
        auto view = std::make_shared<View>(platform::Rect(0, 0, 80, 20));
        items_.push_back(view);
        return view;
    }
    bool shows(const std::shared_ptr<View>& view) const {
        return push_->currentView() == view && view->superview() == push_->clippingView();
    }

    std::shared_ptr<platform::ManualRunLoop> loop_ = std::make_shared<platform::ManualRunLoop>();
    std::shared_ptr<platform::RunLoop> previous_;
    std::shared_ptr<DZPushTransitionView> push_ = DZPushTransitionView::create(platform::Rect(0, 0, 100, 40));
    std::vector<std::shared_ptr<View>> items_;
};

TEST_F(PushTransitionViewTest, ASingleViewNeverMoves) {
    auto only = item();
    push_->setViews({only});
    const auto frame = only->frame();
    EXPECT_EQ(frame, platform::Rect(10, 10, 80, 20));
    loop_->advance(60);
    EXPECT_TRUE(shows(only));
    EXPECT_EQ(only->frame(), frame);
    EXPECT_EQ(push_->currentViewIndex(), 0u);
}

TEST_F(PushTransitionViewTest, ADurationChangeRestartsThePeriod) {
    auto first = item(), second = item();
    push_->setViews({first, second});
    loop_->advance(4.5);
    const int32_t generation = push_->animationGroupIdentifier();
    push_->setPresentationDuration(-2);
    push_->setAnimationDuration(std::numeric_limits<double>::quiet_NaN());
    push_->setPresentationDuration(std::numeric_limits<double>::infinity());
    EXPECT_EQ(push_->animationGroupIdentifier(), generation);
    EXPECT_EQ(push_->presentationDuration(), 4.0);
    EXPECT_EQ(push_->animationDuration(), 1.0);
    push_->setPresentationDuration(2.0);
    loop_->advance(2.9);
    EXPECT_TRUE(shows(first));
    // The next view comes up from below and the shown one leaves at the top.
    loop_->advance(0.6);
    EXPECT_TRUE(shows(second));
    EXPECT_GT(second->frame().origin.y, 10);
    EXPECT_LT(first->frame().origin.y, 10);
    EXPECT_EQ(first->superview(), push_->clippingView());
    loop_->advance(0.6);
    EXPECT_EQ(second->frame(), platform::Rect(10, 10, 80, 20));
    EXPECT_EQ(first->superview(), nullptr);
    // Later pushes follow at the same period.
    loop_->advance(2.9);
    EXPECT_TRUE(shows(first));
}

TEST_F(PushTransitionViewTest, TheIndexCarriesOverToNewViews) {
    auto a = item(), b = item();
    push_->setViews({a, b});
    loop_->advance(5.1);
    EXPECT_EQ(push_->currentViewIndex(), 1u);
    auto x = item(), y = item(), z = item();
    push_->setViews({x, y, z});
    EXPECT_TRUE(shows(x));
    EXPECT_EQ(a->superview(), nullptr);
    EXPECT_EQ(b->superview(), nullptr);
    loop_->advance(6.1);
    EXPECT_TRUE(shows(z));
    EXPECT_EQ(push_->currentViewIndex(), 2u);
    // Fewer than two views end the cycle.
    push_->setViews({y});
    loop_->advance(30);
    EXPECT_TRUE(shows(y));
    EXPECT_EQ(z->superview(), nullptr);
}

TEST_F(PushTransitionViewTest, APendingStepDoesNotOutliveTheView) {
    auto a = item(), b = item();
    push_->setViews({a, b});
    std::weak_ptr<DZPushTransitionView> weak = push_;
    push_.reset();
    EXPECT_TRUE(weak.expired());
    loop_->advance(10);
    EXPECT_EQ(a->frame(), platform::Rect(10, 10, 80, 20));
}

}  // namespace
