// The view tree: geometry under transforms and scrolling, hit testing, tree edits, and touch
// delivery with identities that persist from began to ended.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "platform/runloop/ManualRunLoop.h"
#include "platform/ui/Label.h"
#include "platform/ui/TouchEvent.h"
#include "platform/ui/View.h"
#include "platform/ui/ViewController.h"
#include "platform/ui/Window.h"

using namespace platform::ui;
using platform::Point;
using platform::Rect;

namespace {

// Records every touch it is handed, with the phase it arrived in.
class TouchProbe : public View {
  public:
    using View::View;
    struct Seen {
        std::uint64_t id;
        TouchPhase phase;
        Point where;
        int taps;
        std::size_t all;
    };
    std::vector<Seen> seen;
    std::vector<std::shared_ptr<Touch>> objects;

    void record(const TouchList& ts, const TouchEvent& e) {
        for (const auto& t : ts) {
            seen.push_back(
                {t->identity(), t->phase(), t->locationInView(this), t->tapCount(), e.allTouches().size()});
            objects.push_back(t);
        }
    }
    void touchesBegan(const TouchList& t, const TouchEvent& e) override { record(t, e); }
    void touchesMoved(const TouchList& t, const TouchEvent& e) override { record(t, e); }
    void touchesEnded(const TouchList& t, const TouchEvent& e) override { record(t, e); }
    void touchesCancelled(const TouchList& t, const TouchEvent& e) override { record(t, e); }
};

void expectNear(Point a, Point b) {
    EXPECT_NEAR(a.x, b.x, 1e-4);
    EXPECT_NEAR(a.y, b.y, 1e-4);
}

}  // namespace

TEST(ViewGeometry, FrameFollowsCentreBoundsAndQuarterTurns) {
    auto v = std::make_shared<View>(Rect{10, 20, 100, 50});
    EXPECT_EQ(v->center(), (Point{60, 45}));
    EXPECT_EQ(v->bounds(), (Rect{0, 0, 100, 50}));

    // The landscape set-up: bounds (0, 0, h, w) turned by a quarter, centred on the screen.
    v->setBounds({0, 0, 480, 320});
    v->setTransform(AffineTransform::rotation(static_cast<float>(M_PI / 2)));
    v->setCenter({160, 240});
    EXPECT_EQ(v->frame(), (Rect{0, 0, 320, 480}));  // exact, no rounding residue
    v->setTransform(AffineTransform::rotation(static_cast<float>(-M_PI / 2)));
    EXPECT_EQ(v->frame(), (Rect{0, 0, 320, 480}));
    v->setTransform(AffineTransform::rotation(static_cast<float>(M_PI)));
    EXPECT_EQ(v->frame(), (Rect{-80, 80, 480, 320}));

    // Under a transform a new frame moves the view but leaves its bounds alone.
    v->setFrame({0, 0, 10, 10});
    EXPECT_EQ(v->bounds().size, (platform::Size{480, 320}));
}

// A view that keeps a fixed height and shows only whole alpha steps, through overridden setters.
class Steady : public View {
  public:
    using View::View;
    std::vector<std::string> calls;
    void setFrame(const Rect& f) override {
        calls.push_back("frame");
        View::setFrame({f.origin, {f.size.width, 50}});
    }
    void setBounds(const Rect& b) override {
        calls.push_back("bounds");
        View::setBounds({b.origin, {b.size.width, 50}});
    }
    void setAlpha(float a) override { View::setAlpha(a == 0 ? 0 : 1); }
};

TEST(ViewGeometry, OverriddenSettersSeeEveryOutsideChangeAndTheBaseNeverCallsThemItself) {
    auto v = std::make_shared<Steady>(Rect{0, 0, 320, 80});
    EXPECT_TRUE(v->calls.empty());  // made with its frame as given, not through the override
    EXPECT_EQ(v->bounds().size.height, 80);
    v->setFrame({0, 10, 300, 90});
    EXPECT_EQ(v->frame(), (Rect{0, 10, 300, 50}));
    v->setBounds({0, 0, 200, 70});
    EXPECT_EQ(v->bounds(), (Rect{0, 0, 200, 50}));
    EXPECT_EQ(v->calls, (std::vector<std::string>{"frame", "bounds"}));
    v->setAlpha(0.3f);
    EXPECT_EQ(v->alpha(), 1);
    v->setAlpha(0);
    EXPECT_EQ(v->alpha(), 0);

    // Layout and sizing move it through the override as any caller would.
    auto holder = std::make_shared<View>(Rect{0, 0, 320, 480});
    holder->addSubview(v);
    v->calls.clear();
    v->setFillsSuperview(true);
    holder->setFrame({0, 0, 160, 240});
    holder->layoutIfNeeded();
    EXPECT_EQ(v->frame(), (Rect{0, 0, 160, 50}));
    EXPECT_EQ(v->calls.front(), "frame");
}

TEST(ViewTree, ShownUpToWindowAsksEveryViewAboveUpToTheWindow) {
    auto window = std::make_shared<Window>();
    auto middle = std::make_shared<View>(Rect{0, 0, 320, 100});
    auto leaf = std::make_shared<View>(Rect{0, 0, 320, 50});
    middle->addSubview(leaf);
    EXPECT_FALSE(leaf->isShownUpToWindow());  // no window at the top
    window->addSubview(middle);
    EXPECT_TRUE(leaf->isShownUpToWindow());
    middle->setAlpha(0);
    EXPECT_TRUE(leaf->isShownUpToWindow());
    for (View* hidden : {static_cast<View*>(leaf.get()), static_cast<View*>(middle.get()),
                         static_cast<View*>(window.get())}) {
        hidden->setHidden(true);
        EXPECT_FALSE(leaf->isShownUpToWindow()) << hidden->description();
        hidden->setHidden(false);
    }
    EXPECT_TRUE(leaf->isShownUpToWindow());
    middle->removeFromSuperview();
    EXPECT_FALSE(leaf->isShownUpToWindow());
}

TEST(ViewGeometry, PointsConvertThroughTransformsAndScrollOffsets) {
    auto root = std::make_shared<View>(Rect{0, 0, 320, 480});
    auto turned = std::make_shared<View>();
    turned->setBounds({0, 0, 480, 320});
    turned->setCenter({160, 240});
    turned->setTransform(AffineTransform::rotation(static_cast<float>(M_PI / 2)));
    root->addSubview(turned);
    // Landscape point (0, 0) is the window's top-right corner after a quarter turn clockwise.
    expectNear(turned->convertPointToWindow({0, 0}), {320, 0});
    expectNear(turned->convertPointFromWindow({320, 0}), {0, 0});
    expectNear(turned->convertPointFromWindow(turned->convertPointToWindow({123, 45})), {123, 45});

    auto scroller = std::make_shared<View>(Rect{0, 100, 320, 200});
    auto content = std::make_shared<View>(Rect{0, 0, 320, 1000});
    root->addSubview(scroller);
    scroller->addSubview(content);
    scroller->setBounds({0, 300, 320, 200});  // scrolled down by 300
    expectNear(content->convertPointToWindow({10, 310}), {10, 110});
    expectNear(content->convertPoint({10, 310}, scroller.get()), {10, 310});

    auto scaled = std::make_shared<View>(Rect{100, 100, 20, 20});
    scaled->setTransform(AffineTransform::scale(2, 2));
    root->addSubview(scaled);
    EXPECT_EQ(scaled->frame(), (Rect{90, 90, 40, 40}));
    expectNear(scaled->convertPointToWindow({0, 0}), {90, 90});
}

TEST(ViewTree, EditsLookupsAndCycles) {
    auto root = std::make_shared<View>(Rect{0, 0, 320, 480});
    auto a = std::make_shared<View>();
    auto b = std::make_shared<Label>();
    auto c = std::make_shared<Label>();
    a->setTag(1);
    b->setTag(2);
    c->setTag(2);
    root->addSubview(a);
    a->addSubview(b);
    root->insertSubviewAt(c, 0);
    ASSERT_EQ(root->subviews().size(), 2u);
    EXPECT_EQ(root->subviews()[0], c);
    EXPECT_EQ(b->superview(), a);
    EXPECT_EQ(root->viewWithTag(2), c);  // depth first, in order: c comes first
    EXPECT_EQ(root->viewWithTag(0), root);
    EXPECT_EQ(root->viewWithTag(99), nullptr);
    EXPECT_EQ(root->descendantsOfClass<Label>().size(), 2u);

    // Moving to another parent leaves the first one.
    c->removeFromSuperview();
    a->addSubview(c);
    EXPECT_EQ(root->subviews().size(), 1u);
    EXPECT_EQ(a->subviews().size(), 2u);

    // A view cannot become a descendant of itself.
    b->addSubview(root);
    EXPECT_EQ(root->superview(), nullptr);
    EXPECT_TRUE(b->subviews().empty());

    a->bringSubviewToFront(b);
    EXPECT_EQ(a->subviews().back(), b);

    // Dropping the parent leaves the children without a dangling link.
    std::weak_ptr<View> weakA = a;
    root.reset();
    a.reset();
    EXPECT_TRUE(weakA.expired());
    EXPECT_EQ(b->superview(), nullptr);
}

TEST(ViewHitTest, SkipsHiddenTransparentNonInteractiveAndOutsideViews) {
    auto root = std::make_shared<View>(Rect{0, 0, 320, 480});
    auto back = std::make_shared<View>(Rect{0, 0, 200, 200});
    auto front = std::make_shared<View>(Rect{50, 50, 100, 100});
    root->addSubview(back);
    root->addSubview(front);
    EXPECT_EQ(root->hitTest({60, 60}), front);
    front->setHidden(true);
    EXPECT_EQ(root->hitTest({60, 60}), back);
    front->setHidden(false);
    front->setAlpha(0.009f);
    EXPECT_EQ(root->hitTest({60, 60}), back);
    front->setAlpha(0.01f);
    EXPECT_EQ(root->hitTest({60, 60}), front);
    front->setUserInteractionEnabled(false);
    EXPECT_EQ(root->hitTest({60, 60}), back);

    // A label takes no touches: the view under it does.
    auto label = std::make_shared<Label>(Rect{0, 0, 50, 50});
    back->addSubview(label);
    EXPECT_EQ(root->hitTest({10, 10}), back);

    // A subview sticking out of its parent is not reached outside the parent.
    auto outside = std::make_shared<View>(Rect{150, 150, 100, 100});
    back->addSubview(outside);
    EXPECT_EQ(root->hitTest({220, 220}), root);
    EXPECT_EQ(root->hitTest({180, 180}), outside);
}

TEST(WindowTouches, OneTouchObjectFromBeganToEndedWithTapCounts) {
    platform::ManualRunLoop loop;
    auto window = std::make_shared<Window>();
    window->setRunLoop(&loop);
    auto probe = std::make_shared<TouchProbe>(Rect{0, 0, 320, 480});
    window->addSubview(probe);

    window->handleTouch(7, TouchPhase::Began, {10, 20});
    window->handleTouch(7, TouchPhase::Moved, {15, 25});
    window->handleTouch(7, TouchPhase::Ended, {15, 25});
    ASSERT_EQ(probe->seen.size(), 3u);
    EXPECT_EQ(probe->objects[0], probe->objects[1]);
    EXPECT_EQ(probe->objects[1], probe->objects[2]);
    EXPECT_EQ(probe->seen[0].phase, TouchPhase::Began);
    EXPECT_EQ(probe->seen[2].phase, TouchPhase::Ended);
    EXPECT_EQ(probe->seen[2].where, (Point{15, 25}));
    EXPECT_EQ(probe->objects[2]->previousLocationInWindow(), (Point{15, 25}));
    EXPECT_EQ(window->activeTouchCount(), 0u);

    // A second tap at once at the same place counts as a double tap; a late one does not.
    loop.advance(0.1);
    window->handleTouch(7, TouchPhase::Began, {16, 24});
    window->handleTouch(7, TouchPhase::Ended, {16, 24});
    EXPECT_EQ(probe->seen.back().taps, 2);
    EXPECT_NE(probe->objects.back()->identity(), probe->objects[0]->identity());
    loop.advance(1.0);
    window->handleTouch(7, TouchPhase::Began, {16, 24});
    window->handleTouch(7, TouchPhase::Ended, {16, 24});
    EXPECT_EQ(probe->seen.back().taps, 1);

    // Phases for a pointer that never went down are ignored.
    const auto before = probe->seen.size();
    window->handleTouch(9, TouchPhase::Moved, {1, 1});
    window->handleTouch(9, TouchPhase::Ended, {1, 1});
    EXPECT_EQ(probe->seen.size(), before);
}

TEST(WindowTouches, SecondFingerReachesOnlyViewsThatTakeSeveral) {
    platform::ManualRunLoop loop;
    auto window = std::make_shared<Window>();
    window->setRunLoop(&loop);
    auto probe = std::make_shared<TouchProbe>(Rect{0, 0, 320, 480});
    window->addSubview(probe);
    window->handleTouch(1, TouchPhase::Began, {10, 10});
    window->handleTouch(2, TouchPhase::Began, {200, 200});
    EXPECT_EQ(probe->seen.size(), 1u);
    window->cancelAllTouches();
    ASSERT_EQ(probe->seen.size(), 2u);
    EXPECT_EQ(probe->seen.back().phase, TouchPhase::Cancelled);

    probe->setMultipleTouchEnabled(true);
    window->handleTouch(1, TouchPhase::Began, {10, 10});
    window->handleTouch(2, TouchPhase::Began, {200, 200});
    ASSERT_EQ(probe->seen.size(), 4u);
    EXPECT_EQ(probe->seen.back().all, 2u);  // the event carries every touch on the screen
    EXPECT_NE(probe->objects[2]->identity(), probe->objects[3]->identity());
}

TEST(ViewControllerAppearance, FollowsTheViewOntoAndOffTheWindow) {
    struct Recorder : ViewController {
        std::vector<std::string>* log;
        std::string name;
        Recorder(std::vector<std::string>* l, std::string n) : log(l), name(std::move(n)) {}
        void viewDidLoad() override { log->push_back(name + ":load"); }
        void viewWillAppear(bool) override { log->push_back(name + ":willAppear"); }
        void viewDidAppear(bool) override { log->push_back(name + ":didAppear"); }
        void viewWillDisappear(bool) override { log->push_back(name + ":willDisappear"); }
        void viewDidDisappear(bool) override { log->push_back(name + ":didDisappear"); }
    };
    std::vector<std::string> log;
    auto window = std::make_shared<Window>();
    auto a = std::make_shared<Recorder>(&log, "a");
    auto b = std::make_shared<Recorder>(&log, "b");
    window->setRootViewController(a);
    window->setRootViewController(b);
    EXPECT_EQ(log, (std::vector<std::string>{"a:load", "a:willAppear", "a:didAppear", "a:willDisappear",
                                             "a:didDisappear", "b:load", "b:willAppear", "b:didAppear"}));
    EXPECT_TRUE(b->isAppeared());
    EXPECT_EQ(b->view()->frame(), window->bounds());

    // Taking the view off (a screen's stop) is a disappearance; making it root again shows it.
    log.clear();
    b->view()->removeFromSuperview();
    window->setRootViewController(b);
    EXPECT_EQ(log,
              (std::vector<std::string>{"b:willDisappear", "b:didDisappear", "b:willAppear", "b:didAppear"}));

    // Off any window, moving a view between parents is no appearance.
    log.clear();
    auto loose = std::make_shared<View>();
    auto c = std::make_shared<Recorder>(&log, "c");
    loose->addSubview(c->view());
    EXPECT_EQ(log, (std::vector<std::string>{"c:load"}));
}
