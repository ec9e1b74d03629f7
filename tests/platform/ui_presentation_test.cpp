// Presenting and dismissing controllers over the window on the virtual clock, view animations,
// and the application's idle-timer and status-bar state.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/runloop/ManualRunLoop.h"
#include "platform/ui/AlertView.h"
#include "platform/ui/Application.h"
#include "platform/ui/Button.h"
#include "platform/ui/NotificationCenter.h"
#include "platform/ui/UiDriver.h"
#include "platform/ui/ViewAnimation.h"
#include "platform/ui/ViewController.h"
#include "platform/ui/Window.h"

using namespace platform::ui;
using platform::Rect;

namespace {

// Records its appearance calls as letters: w(ill appear) d(id appear) x (will disappear)
// g(one: did disappear).
class Screen : public ViewController {
  public:
    std::string calls;
    int taps = 0;
    void viewDidLoad() override {
        auto button = std::make_shared<Button>(ButtonType::Custom, Rect{0, 0, 320, 480});
        button->addTarget(ControlEventTouchUpInside, [this](Control&) { ++taps; });
        view()->addSubview(button);
    }
    void viewWillAppear(bool) override { calls += 'w'; }
    void viewDidAppear(bool) override { calls += 'd'; }
    void viewWillDisappear(bool) override { calls += 'x'; }
    void viewDidDisappear(bool) override { calls += 'g'; }
};

struct Stage {
    platform::ManualRunLoop loop;
    std::shared_ptr<Window> window = std::make_shared<Window>();
    UiDriver driver{window, &loop};
    std::shared_ptr<Screen> root = std::make_shared<Screen>();
    Stage() {
        window->setRunLoop(&loop);
        window->makeKeyAndVisible();
        window->setRootViewController(root);
    }
};

}  // namespace

TEST(Presentation, SlidesInAndOutOnTheWindowClockWithCompletions) {
    Stage s;
    auto ad = std::make_shared<Screen>();
    int presented = 0, dismissed = 0;
    ASSERT_TRUE(s.root->presentViewController(ad, true, [&] {
        ++presented;
        EXPECT_FALSE(ad->isBeingPresented());
    }));
    EXPECT_TRUE(ad->isBeingPresented());
    EXPECT_EQ(s.root->presentedViewController(), ad);
    EXPECT_EQ(ad->presentingViewController(), s.root.get());
    EXPECT_EQ(ad->calls, "w");
    EXPECT_FLOAT_EQ(ad->view()->frame().origin.y, 480);

    s.driver.advance(0.15);
    EXPECT_EQ(presented, 0);
    const float midway = ad->view()->frame().origin.y;
    EXPECT_GT(midway, 0);
    EXPECT_LT(midway, 480);
    s.driver.advance(0.17);
    EXPECT_EQ(presented, 1);
    EXPECT_FALSE(ad->isBeingPresented());
    EXPECT_EQ(ad->view()->frame(), s.window->bounds());
    EXPECT_EQ(ad->calls, "wd");
    // The presenting screen stays on the window below and sees no appearance change.
    EXPECT_EQ(s.root->calls, "wd");
    EXPECT_TRUE(s.root->view()->window());

    // Dismissing from the presented controller itself.
    ad->dismissViewController(true, [&] { ++dismissed; });
    EXPECT_TRUE(ad->isBeingDismissed());
    EXPECT_EQ(ad->calls, "wdx");
    s.driver.advance(0.2);
    EXPECT_EQ(dismissed, 0);
    EXPECT_TRUE(ad->view()->window());
    s.driver.advance(0.12);
    EXPECT_EQ(dismissed, 1);
    EXPECT_EQ(ad->calls, "wdxg");
    EXPECT_FALSE(ad->isBeingDismissed());
    EXPECT_EQ(ad->view()->window(), nullptr);
    EXPECT_EQ(s.root->presentedViewController(), nullptr);
    EXPECT_EQ(ad->presentingViewController(), nullptr);
    EXPECT_TRUE(s.window->presentedViews().empty());

    // Without animation, or with a style that does not slide, everything happens at once.
    ad->setModalTransitionStyle(ModalTransitionStyle::CrossDissolve);
    ASSERT_TRUE(s.root->presentViewController(ad, true, [&] { ++presented; }));
    EXPECT_EQ(presented, 2);
    s.root->dismissViewController(false, [&] { ++dismissed; });
    EXPECT_EQ(dismissed, 2);
    // Nothing to dismiss: the completion still runs.
    s.root->dismissViewController(true, [&] { ++dismissed; });
    EXPECT_EQ(dismissed, 3);
}

TEST(Presentation, ChainsGoTogetherAndTheTopMostTakesTouchesUnderAlerts) {
    Stage s;
    auto interstitial = std::make_shared<Screen>();
    auto sheet = std::make_shared<Screen>();
    ASSERT_TRUE(s.root->presentViewController(interstitial, false));
    ASSERT_TRUE(interstitial->presentViewController(sheet, false));
    EXPECT_EQ(sheet->presentingViewController(), interstitial.get());
    // A view the screens add later stays below what is presented.
    auto later = std::make_shared<View>(Rect{0, 0, 320, 480});
    s.window->addSubview(later);
    EXPECT_EQ(s.window->presentedViews(),
              (std::vector<std::shared_ptr<View>>{interstitial->view(), sheet->view()}));

    s.driver.tapAt({160, 240});
    EXPECT_EQ(sheet->taps, 1);
    EXPECT_EQ(interstitial->taps + s.root->taps, 0);
    // An alert is above everything presented.
    auto alert = std::make_shared<AlertView>("Leave?", "", std::weak_ptr<AlertViewDelegate>{}, "OK");
    alert->show();
    EXPECT_EQ(s.window->subviews().back().get(), alert->superview().get());
    s.driver.tapAt({5, 5});
    EXPECT_EQ(sheet->taps, 1);
    EXPECT_TRUE(s.driver.answerFront("OK"));

    // Dismissing the sheet leaves the interstitial.
    sheet->dismissViewController(false);
    EXPECT_EQ(interstitial->presentedViewController(), nullptr);
    EXPECT_EQ(s.root->presentedViewController(), interstitial);
    s.driver.tapAt({160, 240});
    EXPECT_EQ(interstitial->taps, 1);

    // Dismissing from the root takes the whole chain: the sheet at once, then the interstitial.
    ASSERT_TRUE(interstitial->presentViewController(sheet, false));
    int done = 0;
    s.root->dismissViewController(true, [&] { ++done; });
    EXPECT_EQ(sheet->view()->window(), nullptr);
    EXPECT_TRUE(sheet->isAppeared() == false && sheet->calls == "wdxgwdxg");
    EXPECT_TRUE(interstitial->isBeingDismissed());
    s.driver.advance(0.31);
    EXPECT_EQ(done, 1);
    EXPECT_EQ(s.root->presentedViewController(), nullptr);
    EXPECT_TRUE(s.window->presentedViews().empty());
    EXPECT_EQ(s.driver.tapAt({160, 240}), later);
}

TEST(Presentation, TwiceOrDismissedMidSlideEndsWithOneControllerOrNone) {
    Stage s;
    auto first = std::make_shared<Screen>();
    auto second = std::make_shared<Screen>();
    int firstShown = 0, secondShown = 0;
    ASSERT_TRUE(s.root->presentViewController(first, true, [&] { ++firstShown; }));
    EXPECT_FALSE(s.root->presentViewController(second, true, [&] { ++secondShown; }));
    // The same controller cannot be presented a second time from elsewhere either.
    EXPECT_FALSE(second->presentViewController(first, false));
    s.driver.advance(0.31);
    EXPECT_EQ(firstShown, 1);
    EXPECT_EQ(secondShown, 0);
    EXPECT_EQ(s.window->presentedViews().size(), 1u);
    EXPECT_EQ(second->presentingViewController(), nullptr);
    s.root->dismissViewController(false);

    // Dismissed half-way in: the presentation completes, then the view slides back from where it
    // is, in less than a full slide; two dismissals each see their completion once.
    int dismissed = 0;
    ASSERT_TRUE(s.root->presentViewController(first, true, [&] { ++firstShown; }));
    s.driver.advance(0.15);
    s.root->dismissViewController(true, [&] { ++dismissed; });
    EXPECT_EQ(firstShown, 2);
    EXPECT_TRUE(first->isBeingDismissed());
    EXPECT_FALSE(first->isBeingPresented());
    s.root->dismissViewController(true, [&] { dismissed += 10; });
    s.driver.advance(0.2);
    EXPECT_EQ(dismissed, 11);
    EXPECT_EQ(first->calls, "wdxgwdxg");
    EXPECT_TRUE(s.window->presentedViews().empty());
    EXPECT_EQ(s.root->presentedViewController(), nullptr);

    // A presenting controller that goes away takes what it presents off the window.
    auto host = std::make_shared<Screen>();
    ASSERT_TRUE(s.root->presentViewController(host, false));
    ASSERT_TRUE(host->presentViewController(second, true));
    s.root->dismissViewController(false);
    host.reset();
    EXPECT_EQ(second->view()->window(), nullptr);
    EXPECT_EQ(second->presentingViewController(), nullptr);
    s.driver.advance(1);
    EXPECT_TRUE(s.window->presentedViews().empty());
}

TEST(Presentation, ViewAnimationsReachTheirTargetsOrStopWhereTheyAre) {
    Stage s;
    auto view = std::make_shared<View>(Rect{0, 0, 100, 100});
    s.window->addSubview(view);
    std::vector<bool> ends;
    auto fade =
        ViewAnimation::start(view, 0.2, {.frame = Rect{10, 20, 50, 50}, .alpha = 0.0f, .transform = {}},
                             [&](bool finished) { ends.push_back(finished); });
    s.driver.advance(0.1);
    EXPECT_GT(view->alpha(), 0);
    EXPECT_LT(view->alpha(), 1);
    EXPECT_TRUE(ends.empty());
    s.driver.advance(0.11);
    EXPECT_EQ(ends, std::vector<bool>{true});
    EXPECT_EQ(view->frame(), (Rect{10, 20, 50, 50}));
    EXPECT_EQ(view->alpha(), 0);

    auto back = ViewAnimation::start(
        view, 0.2, {.frame = {}, .alpha = 1.0f, .transform = AffineTransform::translation(0, 40)},
        [&](bool finished) { ends.push_back(finished); });
    s.driver.advance(0.1);
    back->stop();
    const float stoppedAt = view->alpha();
    s.driver.advance(0.2);
    EXPECT_EQ(ends, (std::vector<bool>{true, false}));
    EXPECT_EQ(view->alpha(), stoppedAt);
    EXPECT_LT(stoppedAt, 1);
    EXPECT_GT(view->transform().ty, 0);
    EXPECT_LT(view->transform().ty, 40);
}

TEST(ApplicationState, IdleTimerSwitchAndStatusBar) {
    NotificationCenter center;
    Application app(center);
    std::vector<bool> switched;
    app.setIdleTimerDisabled(true);
    app.setIdleTimerSwitch([&](bool disabled) { switched.push_back(disabled); });
    app.setIdleTimerDisabled(true);
    app.setIdleTimerDisabled(false);
    EXPECT_EQ(switched, (std::vector<bool>{true, false}));
    EXPECT_FALSE(app.isIdleTimerDisabled());

    int orientationNotices = 0;
    center.addObserver(kApplicationDidChangeStatusBarOrientationNotification,
                       [&](const Notification&) { ++orientationNotices; });
    app.setStatusBarOrientation(3);
    app.setStatusBarOrientation(3);
    app.setStatusBarOrientation(1);
    EXPECT_EQ(orientationNotices, 2);
    EXPECT_EQ(app.statusBarOrientation(), 1);
}
