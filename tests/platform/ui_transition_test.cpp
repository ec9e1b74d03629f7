// Presentations and dismissals run by a transitioning delegate's animator, by themselves and
// scrubbed by a percent-driven interaction, on the virtual clock.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "platform/runloop/ManualRunLoop.h"
#include "platform/ui/PercentDrivenInteractiveTransition.h"
#include "platform/ui/UiDriver.h"
#include "platform/ui/ViewAnimation.h"
#include "platform/ui/ViewController.h"
#include "platform/ui/ViewControllerTransitioning.h"
#include "platform/ui/Window.h"

using namespace platform::ui;
using platform::Rect;

namespace {

// Appearance calls as letters: w(ill appear) d(id appear) x (will disappear) g(one).
class Screen : public ViewController {
  public:
    std::string calls;
    void viewWillAppear(bool) override { calls += 'w'; }
    void viewDidAppear(bool) override { calls += 'd'; }
    void viewWillDisappear(bool) override { calls += 'x'; }
    void viewDidDisappear(bool) override { calls += 'g'; }
};

// Slides the arriving view in from the left over kSeconds and, in half that time, pushes the
// presenting view (taken into the container) 100 points right; a dismissal slides the leaving
// view out to the right.
class SideSlide : public ViewControllerAnimatedTransitioning {
  public:
    static constexpr double kSeconds = 0.4;
    std::vector<bool> finishedFlags;

    double transitionDuration(ViewControllerContextTransitioning&) override { return kSeconds; }
    void animateTransition(const std::shared_ptr<ViewControllerContextTransitioning>& context) override {
        auto container = context->containerView();
        const Rect full = container->bounds();
        auto done = [this, context](bool finished) {
            finishedFlags.push_back(finished);
            context->completeTransition(!context->transitionWasCancelled());
        };
        if (context->isPresenting()) {
            auto below = context->fromViewController()->view();
            container->addSubview(below);
            ViewAnimation::start(
                below, kSeconds / 2,
                {.frame = Rect{100, 0, full.size.width, full.size.height}, .alpha = {}, .transform = {}});
            auto arriving = context->toViewController()->view();
            container->addSubview(arriving);
            arriving->setFrame({-full.size.width, 0, full.size.width, full.size.height});
            ViewAnimation::start(arriving, kSeconds, {.frame = full, .alpha = {}, .transform = {}}, done);
        } else {
            Rect gone = full;
            gone.origin.x = full.size.width;
            ViewAnimation::start(context->fromViewController()->view(), kSeconds,
                                 {.frame = gone, .alpha = {}, .transform = {}}, done);
        }
    }
};

class Delegate : public ViewControllerTransitioningDelegate {
  public:
    std::shared_ptr<SideSlide> animator = std::make_shared<SideSlide>();
    std::shared_ptr<PercentDrivenInteractiveTransition> interaction;
    bool giveAnimator = true;

    std::shared_ptr<ViewControllerAnimatedTransitioning> animationControllerForPresentedController(
        ViewController&, ViewController&, ViewController&) override {
        return giveAnimator ? animator : nullptr;
    }
    std::shared_ptr<ViewControllerAnimatedTransitioning> animationControllerForDismissedController(
        ViewController&) override {
        return giveAnimator ? animator : nullptr;
    }
    std::shared_ptr<ViewControllerInteractiveTransitioning> interactionControllerForPresentation(
        ViewControllerAnimatedTransitioning&) override {
        return interaction;
    }
};

struct Stage {
    platform::ManualRunLoop loop;
    std::shared_ptr<Window> window = std::make_shared<Window>();
    UiDriver driver{window, &loop};
    std::shared_ptr<Screen> root = std::make_shared<Screen>();
    std::shared_ptr<Screen> page = std::make_shared<Screen>();
    std::shared_ptr<Delegate> delegate = std::make_shared<Delegate>();
    Stage() {
        window->setRunLoop(&loop);
        window->makeKeyAndVisible();
        window->setRootViewController(root);
        page->setTransitioningDelegate(delegate);
    }
    // The presenting view is where it was before any transition.
    void expectRootInPlace() const {
        EXPECT_EQ(window->subviews().front(), root->view());
        EXPECT_EQ(root->view()->frame(), window->bounds());
    }
};

}  // namespace

TEST(CustomTransition, AnimatorPresentsAndDismissesAndViewsEndWhereTheyBelong) {
    Stage s;
    int presented = 0, dismissed = 0;
    ASSERT_TRUE(s.root->presentViewController(s.page, true, [&] { ++presented; }));
    EXPECT_TRUE(s.page->isBeingPresented());
    EXPECT_EQ(s.page->calls, "w");
    ASSERT_EQ(s.window->presentedViews().size(), 1u);
    auto container = s.window->presentedViews().front();
    EXPECT_EQ(container->frame(), s.window->bounds());
    EXPECT_EQ(s.page->view()->superview(), container);
    EXPECT_EQ(s.root->view()->superview(), container);

    s.driver.advance(0.2);
    EXPECT_EQ(presented, 0);
    EXPECT_GT(s.page->view()->frame().origin.x, -320);
    EXPECT_LT(s.page->view()->frame().origin.x, 0);
    s.driver.advance(0.22);
    EXPECT_EQ(presented, 1);
    EXPECT_FALSE(s.page->isBeingPresented());
    EXPECT_EQ(s.page->calls, "wd");
    EXPECT_EQ(s.root->calls, "wd");
    EXPECT_EQ(s.window->presentedViews(), std::vector<std::shared_ptr<View>>{s.page->view()});
    EXPECT_EQ(s.page->view()->superview(), s.window);
    EXPECT_EQ(s.page->view()->frame(), s.window->bounds());
    EXPECT_EQ(container->superview(), nullptr);
    s.expectRootInPlace();

    s.page->dismissViewController(true, [&] { ++dismissed; });
    EXPECT_TRUE(s.page->isBeingDismissed());
    EXPECT_EQ(s.page->calls, "wdx");
    EXPECT_NE(s.page->view()->superview(), s.window);
    EXPECT_TRUE(s.page->view()->window());
    s.driver.advance(0.42);
    EXPECT_EQ(dismissed, 1);
    EXPECT_EQ(s.page->calls, "wdxg");
    EXPECT_EQ(s.page->view()->window(), nullptr);
    EXPECT_EQ(s.root->presentedViewController(), nullptr);
    EXPECT_TRUE(s.window->presentedViews().empty());
    EXPECT_EQ(s.delegate->animator->finishedFlags, (std::vector<bool>{true, true}));
    s.expectRootInPlace();

    // No animator from the delegate: the toolkit's own slide up from the bottom. Unanimated: at
    // once, the animator not asked.
    s.delegate->giveAnimator = false;
    ASSERT_TRUE(s.root->presentViewController(s.page, true, [&] { ++presented; }));
    EXPECT_FLOAT_EQ(s.page->view()->frame().origin.y, 480);
    s.driver.advance(0.31);
    EXPECT_EQ(presented, 2);
    EXPECT_EQ(s.page->view()->frame(), s.window->bounds());
    s.root->dismissViewController(false);
    s.delegate->giveAnimator = true;
    ASSERT_TRUE(s.root->presentViewController(s.page, false, [&] { ++presented; }));
    EXPECT_EQ(presented, 3);
    EXPECT_EQ(s.window->presentedViews(), std::vector<std::shared_ptr<View>>{s.page->view()});
    EXPECT_EQ(s.delegate->animator->finishedFlags.size(), 2u);
}

TEST(CustomTransition, InteractivePresentationScrubsThenFinishesOrIsUndone) {
    Stage s;
    s.delegate->interaction = std::make_shared<PercentDrivenInteractiveTransition>();
    auto& interaction = *s.delegate->interaction;
    int presented = 0;
    ASSERT_TRUE(s.root->presentViewController(s.page, true, [&] { ++presented; }));
    // Started inside the call, every animation held at its start.
    ASSERT_TRUE(interaction.isRunning());
    EXPECT_DOUBLE_EQ(interaction.duration(), SideSlide::kSeconds);
    EXPECT_FLOAT_EQ(s.page->view()->frame().origin.x, -320);
    EXPECT_EQ(s.page->calls, "w");

    interaction.updateInteractiveTransition(0.5);
    EXPECT_FLOAT_EQ(s.page->view()->frame().origin.x, -160);
    // The presenting view's move lasts half as long: it is at its end.
    EXPECT_FLOAT_EQ(s.root->view()->frame().origin.x, 100);
    interaction.updateInteractiveTransition(NAN);
    interaction.updateInteractiveTransition(3);
    EXPECT_FLOAT_EQ(s.page->view()->frame().origin.x, 0);
    interaction.updateInteractiveTransition(0.5);
    s.driver.advance(1);
    EXPECT_FLOAT_EQ(s.page->view()->frame().origin.x, -160);
    EXPECT_EQ(presented, 0);
    // A dismissal asked for under the finger waits for the presentation's end.
    int dismissed = 0;
    s.root->dismissViewController(true, [&] { ++dismissed; });
    EXPECT_FALSE(s.page->isBeingDismissed());
    EXPECT_TRUE(s.page->isBeingPresented());

    // The rest of the way at the animator's pace: 0.2 s.
    interaction.finishInteractiveTransition();
    s.driver.advance(0.1);
    EXPECT_GT(s.page->view()->frame().origin.x, -160);
    EXPECT_LT(s.page->view()->frame().origin.x, 0);
    s.driver.advance(0.12);
    EXPECT_EQ(presented, 1);
    EXPECT_FALSE(interaction.isRunning());
    EXPECT_EQ(s.page->calls, "wdx");
    EXPECT_TRUE(s.page->isBeingDismissed());
    s.expectRootInPlace();
    // Too late for the interaction to change anything.
    interaction.cancelInteractiveTransition();
    interaction.updateInteractiveTransition(0.1);
    EXPECT_FALSE(interaction.isRunning());
    s.driver.advance(0.42);
    EXPECT_EQ(dismissed, 1);
    EXPECT_EQ(s.page->calls, "wdxg");
    EXPECT_EQ(s.root->presentedViewController(), nullptr);

    // Cancelled a quarter of the way: back in 0.1 s, nothing presented, its completion not run.
    // A dismissal asked for meanwhile finds nothing left to dismiss.
    s.page->calls.clear();
    ASSERT_TRUE(s.root->presentViewController(s.page, true, [&] { ++presented; }));
    interaction.updateInteractiveTransition(0.25);
    s.root->dismissViewController(true, [&] { ++dismissed; });
    EXPECT_EQ(dismissed, 1);
    EXPECT_TRUE(s.page->isBeingPresented());
    interaction.cancelInteractiveTransition();
    s.driver.advance(0.05);
    EXPECT_LT(s.page->view()->frame().origin.x, -240);
    EXPECT_GT(s.page->view()->frame().origin.x, -320);
    s.driver.advance(0.06);
    EXPECT_EQ(presented, 1);
    EXPECT_EQ(dismissed, 2);
    EXPECT_EQ(s.page->calls, "wxg");
    EXPECT_FALSE(s.page->isBeingPresented());
    EXPECT_EQ(s.root->presentedViewController(), nullptr);
    EXPECT_EQ(s.page->presentingViewController(), nullptr);
    EXPECT_TRUE(s.window->presentedViews().empty());
    EXPECT_EQ(s.page->view()->window(), nullptr);
    s.expectRootInPlace();
    EXPECT_EQ(s.delegate->animator->finishedFlags, (std::vector<bool>{true, true, false}));

    // Taken away unanimated mid-scrub: presented at once and gone, the finger moves nothing any
    // more, and the next presentation starts afresh.
    s.page->calls.clear();
    ASSERT_TRUE(s.root->presentViewController(s.page, true, [&] { ++presented; }));
    interaction.updateInteractiveTransition(0.5);
    s.root->dismissViewController(false, [&] { ++dismissed; });
    EXPECT_EQ(presented, 2);
    EXPECT_EQ(dismissed, 3);
    EXPECT_EQ(s.page->calls, "wdxg");
    EXPECT_TRUE(s.window->presentedViews().empty());
    interaction.updateInteractiveTransition(0.1);
    s.expectRootInPlace();
    ASSERT_TRUE(s.root->presentViewController(s.page, true));
    EXPECT_TRUE(interaction.isRunning());
    interaction.updateInteractiveTransition(0.5);
    EXPECT_FLOAT_EQ(s.page->view()->frame().origin.x, -160);
}
