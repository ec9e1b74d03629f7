// Gesture recognizers on the window: which touches they see, how a recognised pan takes its
// touches from the views, enabling and removing, and the pan's numbers on the virtual clock; the
// tap, which takes no touch unless it cancels them, beside the other recognizers of a route.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "platform/runloop/ManualRunLoop.h"
#include "platform/ui/Button.h"
#include "platform/ui/PanGestureRecognizer.h"
#include "platform/ui/TapGestureRecognizer.h"
#include "platform/ui/Window.h"

using namespace platform::ui;
using platform::Point;
using platform::Rect;
using State = GestureRecognizerState;

namespace {

struct Stage {
    platform::ManualRunLoop loop;
    std::shared_ptr<Window> window = std::make_shared<Window>();
    Stage() {
        window->setRunLoop(&loop);
        window->makeKeyAndVisible();
    }
    void down(Point p, std::uint64_t finger = 1) { window->handleTouch(finger, TouchPhase::Began, p); }
    void move(Point p, std::uint64_t finger = 1) { window->handleTouch(finger, TouchPhase::Moved, p); }
    void up(Point p, std::uint64_t finger = 1) { window->handleTouch(finger, TouchPhase::Ended, p); }
};

// Writes down the phases it is handed.
class PhaseLog : public View {
  public:
    using View::View;
    std::vector<TouchPhase> phases;
    void touchesBegan(const TouchList&, const TouchEvent&) override { phases.push_back(TouchPhase::Began); }
    void touchesMoved(const TouchList&, const TouchEvent&) override { phases.push_back(TouchPhase::Moved); }
    void touchesEnded(const TouchList&, const TouchEvent&) override { phases.push_back(TouchPhase::Ended); }
    void touchesCancelled(const TouchList&, const TouchEvent&) override {
        phases.push_back(TouchPhase::Cancelled);
    }
};

std::shared_ptr<PanGestureRecognizer> panLogging(std::vector<State>& states) {
    auto pan = std::make_shared<PanGestureRecognizer>();
    pan->addTarget(&states, [&states](GestureRecognizer& r) { states.push_back(r.state()); });
    return pan;
}

// A panel over the window with a button on it that counts its presses.
struct Board {
    std::shared_ptr<View> panel = std::make_shared<View>(Rect{0, 0, 320, 480});
    std::shared_ptr<Button> button =
        std::make_shared<Button>(ButtonType::RoundedRect, Rect{100, 100, 100, 60});
    int pressed = 0;
    explicit Board(Stage& s) {
        panel->addSubview(button);
        s.window->addSubview(panel);
        button->addTarget(ControlEventTouchUpInside, [this](Control&) { ++pressed; });
    }
};

struct Taps {
    std::vector<State> states;
    std::vector<Point> where;  // in the recognizer's view
    template <class R>
    std::shared_ptr<R> make() {
        auto r = std::make_shared<R>();
        r->addTarget(this, [this](GestureRecognizer& g) {
            states.push_back(g.state());
            where.push_back(g.locationInView(g.view()));
        });
        return r;
    }
};

}  // namespace

TEST(PanGesture, TakesTheTouchOfAButtonBelowItsViewOnceItBegins) {
    Stage s;
    auto panel = std::make_shared<View>(Rect{0, 0, 320, 480});
    auto button = std::make_shared<Button>(ButtonType::RoundedRect, Rect{100, 100, 100, 60});
    panel->addSubview(button);
    s.window->addSubview(panel);
    int fired = 0;
    button->addTarget(ControlEventTouchUpInside, [&](Control&) { ++fired; });
    std::vector<State> states;
    auto pan = panLogging(states);
    panel->addGestureRecognizer(pan);
    EXPECT_EQ(pan->view(), panel.get());

    s.down({150, 130});
    s.move({150, 135});  // under the hysteresis: the button still tracks it
    EXPECT_TRUE(button->isHighlighted());
    EXPECT_TRUE(states.empty());
    s.move({150, 141});
    EXPECT_EQ(states, (std::vector<State>{State::Began}));
    EXPECT_FALSE(button->isTracking());
    EXPECT_FALSE(button->isHighlighted());
    s.move({150, 145});
    s.up({150, 145});  // still over the button
    EXPECT_EQ(fired, 0);
    EXPECT_EQ(states, (std::vector<State>{State::Began, State::Changed, State::Ended}));
    EXPECT_EQ(pan->state(), State::Possible);
    EXPECT_EQ(s.window->activeTouchCount(), 0u);

    // A view that is not under the touch lends its recognizer nothing.
    auto aside = std::make_shared<View>(Rect{0, 400, 50, 50});
    s.window->addSubview(aside);
    std::vector<State> asideStates;
    aside->addGestureRecognizer(panLogging(asideStates));
    s.down({150, 130});
    s.move({150, 200});
    s.up({150, 200});
    EXPECT_TRUE(asideStates.empty());
    EXPECT_EQ(states.size(), 5u);
}

TEST(PanGesture, LeavesTapsAndPansThatDoNotCancelToTheView) {
    Stage s;
    auto view = std::make_shared<PhaseLog>(Rect{0, 0, 320, 480});
    s.window->addSubview(view);
    std::vector<State> states;
    auto pan = panLogging(states);
    view->addGestureRecognizer(pan);

    s.down({100, 100});
    s.move({106, 106});  // 8.5 points: not yet a pan
    s.up({106, 106});
    EXPECT_EQ(view->phases,
              (std::vector<TouchPhase>{TouchPhase::Began, TouchPhase::Moved, TouchPhase::Ended}));
    EXPECT_TRUE(states.empty());
    EXPECT_EQ(pan->state(), State::Possible);

    view->phases.clear();
    pan->setCancelsTouchesInView(false);
    s.down({100, 100});
    s.move({100, 130});
    s.up({100, 130});
    EXPECT_EQ(states, (std::vector<State>{State::Began, State::Ended}));
    EXPECT_EQ(view->phases,
              (std::vector<TouchPhase>{TouchPhase::Began, TouchPhase::Moved, TouchPhase::Ended}));
}

TEST(PanGesture, DisablingOrRemovingStopsItAndEnablingBringsItBack) {
    Stage s;
    auto view = std::make_shared<PhaseLog>(Rect{0, 0, 320, 480});
    s.window->addSubview(view);
    std::vector<State> states;
    auto pan = panLogging(states);
    view->addGestureRecognizer(pan);

    s.down({100, 100});
    s.move({100, 120});
    pan->setEnabled(false);
    EXPECT_EQ(states, (std::vector<State>{State::Began, State::Cancelled}));
    EXPECT_EQ(pan->state(), State::Possible);
    s.move({100, 140});
    s.up({100, 140});
    // The view lost the touch to the pan and does not get it back.
    EXPECT_EQ(view->phases, (std::vector<TouchPhase>{TouchPhase::Began, TouchPhase::Cancelled}));
    EXPECT_EQ(states.size(), 2u);

    s.down({100, 100});  // disabled: the view has the touch to itself
    s.move({100, 140});
    s.up({100, 140});
    EXPECT_EQ(states.size(), 2u);
    EXPECT_EQ(view->phases.back(), TouchPhase::Ended);

    pan->setEnabled(true);
    s.down({100, 100});
    s.move({100, 140});
    EXPECT_EQ(pan->state(), State::Began);
    // A second finger joins the pan and never reaches the view.
    view->setMultipleTouchEnabled(true);
    const auto seen = view->phases.size();
    s.down({200, 100}, 2);
    s.move({200, 150}, 2);
    EXPECT_EQ(view->phases.size(), seen);
    EXPECT_EQ(pan->numberOfTouches(), 2u);
    // Taken off its view mid-gesture: back to the start, and the rest of the touch is not its.
    view->removeGestureRecognizer(pan.get());
    EXPECT_EQ(pan->view(), nullptr);
    EXPECT_EQ(pan->state(), State::Possible);
    s.move({100, 160});
    s.up({100, 160});
    s.up({200, 150}, 2);
    EXPECT_EQ(states, (std::vector<State>{State::Began, State::Cancelled, State::Began, State::Changed}));
}

TEST(PanGesture, MeasuresADragOnTheWindowClock) {
    Stage s;
    auto view = std::make_shared<View>(Rect{0, 0, 320, 480});
    auto half = std::make_shared<View>(Rect{0, 0, 100, 100});
    half->setTransform(AffineTransform::scale(2, 2));
    view->addSubview(half);
    s.window->addSubview(view);
    auto pan = std::make_shared<PanGestureRecognizer>();
    view->addGestureRecognizer(pan);
    Point velocityAtEnd{-1, -1};
    pan->addTarget(nullptr, [&](GestureRecognizer& r) {
        if (r.state() == State::Ended) velocityAtEnd = pan->velocityInView(nullptr);
    });

    // 200 points a second for 0.1 s, then 400 for 0.1 s: only the last 0.1 s counts.
    float y = 100;
    s.down({50, y});
    for (int i = 0; i < 10; ++i) {
        s.loop.advance(0.02);
        y += i < 5 ? 4 : 8;
        s.move({50, y});
    }
    EXPECT_EQ(pan->state(), State::Changed);
    EXPECT_NEAR(pan->velocityInView(nullptr).y, 400, 1);
    EXPECT_NEAR(pan->velocityInView(nullptr).x, 0, 1e-3);
    EXPECT_NEAR(pan->velocityInView(half.get()).y, 200, 1);
    EXPECT_FLOAT_EQ(pan->translationInView(nullptr).y, 60);
    EXPECT_FLOAT_EQ(pan->translationInView(half.get()).y, 30);
    EXPECT_FLOAT_EQ(pan->locationInView(nullptr).y, 160);

    // Zeroing the translation moves its origin, not the finger's speed.
    pan->setTranslation({0, 0}, nullptr);
    s.loop.advance(0.02);
    s.move({50, 168});
    EXPECT_FLOAT_EQ(pan->translationInView(nullptr).y, 8);
    EXPECT_NEAR(pan->velocityInView(nullptr).y, 400, 1);

    // A thrown finger keeps its speed when it lifts...
    s.loop.advance(0.02);
    s.up({50, 176});
    EXPECT_NEAR(velocityAtEnd.y, 400, 1);
    EXPECT_FLOAT_EQ(pan->locationInView(nullptr).y, 176);

    // ...one that rested first throws nothing, even before it lifts.
    s.down({50, 100});
    for (int i = 0; i < 5; ++i) {
        s.loop.advance(0.02);
        s.move({50, 100 + 10.0f * static_cast<float>(i + 1)});
    }
    s.loop.advance(0.15);
    EXPECT_EQ(pan->velocityInView(nullptr).y, 0);
    s.up({50, 150});
    EXPECT_EQ(velocityAtEnd.y, 0);
}

TEST(PanGesture, AnActionMayReleaseTheViewAndTheRecognizer) {
    Stage s;
    std::weak_ptr<PanGestureRecognizer> weakPan;
    int calls = 0;
    {
        auto view = std::make_shared<PhaseLog>(Rect{0, 0, 320, 480});
        s.window->addSubview(view);
        auto pan = std::make_shared<PanGestureRecognizer>();
        std::weak_ptr<View> weakView = view;
        pan->addTarget(&calls, [&calls, weakView](GestureRecognizer& r) {
            ++calls;
            if (auto v = weakView.lock()) v->removeFromSuperview();
            // Still there after its last owner let go; its view is gone and so are its touches.
            EXPECT_EQ(r.numberOfTouches(), 0u);
        });
        view->addGestureRecognizer(pan);
        weakPan = pan;
    }
    s.down({100, 100});
    s.move({100, 130});
    s.move({100, 150});
    s.up({100, 150});
    EXPECT_EQ(calls, 1);
    EXPECT_TRUE(weakPan.expired());
    EXPECT_EQ(s.window->activeTouchCount(), 0u);

    // Disabling it from outside the window's delivery: the view alone holds it.
    GestureRecognizer* pan = nullptr;
    {
        auto view = std::make_shared<View>(Rect{0, 0, 320, 480});
        s.window->addSubview(view);
        auto owned = std::make_shared<PanGestureRecognizer>();
        std::weak_ptr<View> weakView = view;
        owned->addTarget(&calls, [&calls, weakView](GestureRecognizer& r) {
            if (r.state() != State::Cancelled) return;
            ++calls;
            if (auto v = weakView.lock()) v->removeFromSuperview();
        });
        view->addGestureRecognizer(owned);
        weakPan = owned;
        pan = owned.get();
    }
    s.down({100, 100});
    s.move({100, 130});
    pan->setEnabled(false);
    EXPECT_EQ(calls, 2);
    EXPECT_TRUE(weakPan.expired());
    s.up({100, 130});
}

TEST(TapGesture, AButtonUnderATapThatCancelsNoTouchesKeepsItsAction) {
    Stage s;
    Board b(s);
    Taps taps;
    auto tap = taps.make<TapGestureRecognizer>();
    tap->setCancelsTouchesInView(false);
    b.panel->addGestureRecognizer(tap);

    s.down({150, 130});
    s.move({154, 133});  // 5 points: still a tap
    s.up({154, 133});
    EXPECT_EQ(taps.states, (std::vector<State>{State::Ended}));
    EXPECT_FLOAT_EQ(taps.where.back().x, 154);
    EXPECT_FLOAT_EQ(taps.where.back().y, 133);
    EXPECT_EQ(b.pressed, 1);
    EXPECT_EQ(tap->state(), State::Possible);

    // Cancelling touches, the recognised tap takes the lift: the button hears a cancel.
    tap->setCancelsTouchesInView(true);
    s.down({150, 130});
    s.up({150, 130});
    EXPECT_EQ(taps.states.size(), 2u);
    EXPECT_EQ(b.pressed, 1);
    EXPECT_FALSE(b.button->isTracking());
    EXPECT_EQ(s.window->activeTouchCount(), 0u);
}

TEST(TapGesture, EveryRecognizerOnTheRouteSeesEachPhase) {
    Stage s;
    Board b(s);
    Taps inner, outer, drags;
    auto buttonTap = inner.make<TapGestureRecognizer>();
    auto panelTap = outer.make<TapGestureRecognizer>();
    auto pan = drags.make<PanGestureRecognizer>();
    for (auto* r :
         {static_cast<GestureRecognizer*>(buttonTap.get()), static_cast<GestureRecognizer*>(panelTap.get()),
          static_cast<GestureRecognizer*>(pan.get())})
        r->setCancelsTouchesInView(false);
    b.button->addGestureRecognizer(buttonTap);
    b.panel->addGestureRecognizer(panelTap);
    b.panel->addGestureRecognizer(pan);

    // Both taps recognise the same tap; the pan never begins.
    s.down({150, 130});
    s.up({150, 130});
    EXPECT_EQ(inner.states, (std::vector<State>{State::Ended}));
    EXPECT_EQ(outer.states, (std::vector<State>{State::Ended}));
    EXPECT_FLOAT_EQ(inner.where.back().x, 50);  // the button's own coordinates
    EXPECT_FLOAT_EQ(outer.where.back().x, 150);
    EXPECT_TRUE(drags.states.empty());
    EXPECT_EQ(b.pressed, 1);

    // A drag is a pan and no tap, even back where it started.
    s.down({150, 130});
    s.move({150, 160});
    s.move({150, 131});
    s.up({150, 131});
    EXPECT_EQ(inner.states.size(), 1u);
    EXPECT_EQ(outer.states.size(), 1u);
    EXPECT_EQ(drags.states.front(), State::Began);
    EXPECT_EQ(drags.states.back(), State::Ended);

    // A second finger in its view ends a tap; the button's tap never saw that finger.
    s.down({150, 130}, 1);
    s.down({20, 20}, 2);
    s.up({20, 20}, 2);
    s.up({150, 130}, 1);
    EXPECT_EQ(outer.states.size(), 1u);
    EXPECT_EQ(inner.states.size(), 2u);
    s.down({10, 10});
    s.up({10, 10});
    EXPECT_EQ(outer.states.size(), 2u);
    EXPECT_EQ(inner.states.size(), 2u);
}
