// Modal panels, window transitions on the virtual clock, and the application's life-cycle
// notifications from window events.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "platform/runloop/ManualRunLoop.h"
#include "platform/ui/ActionSheet.h"
#include "platform/ui/AlertView.h"
#include "platform/ui/Application.h"
#include "platform/ui/Button.h"
#include "platform/ui/Label.h"
#include "platform/ui/NotificationCenter.h"
#include "platform/ui/PickerView.h"
#include "platform/ui/ScrollView.h"
#include "platform/ui/UiDriver.h"
#include "platform/ui/Window.h"
#include "platform/window/WindowEvent.h"

using namespace platform::ui;
using platform::Rect;

namespace {

struct Stage {
    platform::ManualRunLoop loop;
    std::shared_ptr<Window> window = std::make_shared<Window>();
    UiDriver driver{window, &loop};
    Stage() {
        window->setRunLoop(&loop);
        window->makeKeyAndVisible();
    }
};

struct AlertLog : AlertViewDelegate {
    std::vector<std::pair<int, int>> clicked;  // tag, index
    std::vector<int> dismissed;
    void alertViewClickedButtonAtIndex(AlertView& a, int i) override { clicked.emplace_back(a.tag(), i); }
    void alertViewDidDismissWithButtonIndex(AlertView&, int i) override { dismissed.push_back(i); }
};

struct SheetLog : ActionSheetDelegate {
    std::vector<int> clicked;
    int cancels = 0;
    void actionSheetClickedButtonAtIndex(ActionSheet&, int i) override { clicked.push_back(i); }
    void actionSheetCancel(ActionSheet&) override { ++cancels; }
};

}  // namespace

TEST(Alerts, ReportTheChosenIndexToTheDelegateAndGo) {
    Stage s;
    auto log = std::make_shared<AlertLog>();
    auto alert = std::make_shared<AlertView>("Warning", "Are you sure?", log, "Cancel",
                                             std::vector<std::string>{"DELETE"});
    alert->setTag(1);
    EXPECT_EQ(alert->cancelButtonIndex(), 0);
    EXPECT_EQ(alert->buttonTitleAtIndex(1), "DELETE");
    alert->show();
    EXPECT_TRUE(alert->isVisible());
    EXPECT_EQ(s.driver.frontModal(), alert);

    EXPECT_TRUE(s.driver.answerFront("DELETE"));
    EXPECT_EQ(log->clicked, (std::vector<std::pair<int, int>>{{1, 1}}));
    EXPECT_EQ(log->dismissed, (std::vector<int>{1}));
    EXPECT_FALSE(alert->isVisible());
    EXPECT_EQ(s.window->modalCount(), 0u);

    // Dismissing by code reports the dismissal only, never a click.
    auto second = std::make_shared<AlertView>("Done", "Deleted.", log, "OK");
    second->show();
    second->dismissWithClickedButtonIndex(0, false);
    EXPECT_EQ(log->clicked.size(), 1u);
    EXPECT_EQ(log->dismissed, (std::vector<int>{1, 0}));
    // A dismissed alert cannot be answered any more.
    second->clickButtonAtIndex(0);
    EXPECT_EQ(log->clicked.size(), 1u);
}

TEST(Alerts, ShownOneAtATimeInOrderAndBlockTheScreenBelow) {
    Stage s;
    int below = 0;
    auto button = std::make_shared<Button>(ButtonType::RoundedRect, Rect{0, 0, 320, 480});
    button->addTarget(ControlEventTouchUpInside, [&](Control&) { ++below; });
    s.window->addSubview(button);

    std::vector<std::string> answered;
    auto first = std::make_shared<AlertView>("Level 2", "Unlocked", std::weak_ptr<AlertViewDelegate>{}, "OK");
    auto second =
        std::make_shared<AlertView>("Level 3", "Unlocked", std::weak_ptr<AlertViewDelegate>{}, "OK");
    for (auto& a : {first, second}) {
        a->setClickHandler([&](AlertView& v, int) { answered.push_back(v.title()); });
        a->show();
    }
    EXPECT_EQ(s.window->modalCount(), 2u);
    EXPECT_TRUE(first->isVisible());
    EXPECT_FALSE(second->isVisible());
    // A view added later (a game view) stays under the panel.
    s.window->addSubview(std::make_shared<View>(Rect{0, 0, 320, 480}));

    EXPECT_FALSE(s.driver.tap(button));
    EXPECT_EQ(below, 0);
    EXPECT_TRUE(s.driver.answerFront(0));
    EXPECT_TRUE(second->isVisible());
    EXPECT_TRUE(s.driver.answerFront("OK"));
    EXPECT_EQ(answered, (std::vector<std::string>{"Level 2", "Level 3"}));
    EXPECT_FALSE(s.driver.answerFront(0));
}

TEST(Alerts, WaitForAKeyWindow) {
    Application app(NotificationCenter::defaultCenter());
    auto panel = std::make_shared<View>(Rect{0, 0, 10, 10});
    app.presentModal(panel);
    auto window = std::make_shared<Window>(Rect{0, 0, 320, 480}, &app);
    EXPECT_EQ(window->frontModal(), nullptr);
    window->makeKeyAndVisible();
    EXPECT_EQ(window->frontModal(), panel);
}

TEST(ActionSheets, CancelIsMinusOneDestructiveFirstOthersAfter) {
    Stage s;
    auto log = std::make_shared<SheetLog>();
    auto anchor = std::make_shared<View>(Rect{0, 0, 320, 480});
    s.window->addSubview(anchor);
    auto sheet = std::make_shared<ActionSheet>("Hold the device neutrally, and press OK", log, "Cancel", "OK",
                                               std::vector<std::string>{"Reset to default"});
    EXPECT_EQ(sheet->destructiveButtonIndex(), 0);
    EXPECT_EQ(sheet->buttonTitleAtIndex(1), "Reset to default");
    EXPECT_EQ(sheet->buttonTitleAtIndex(ActionSheet::kCancelIndex), "Cancel");

    sheet->showInView(anchor);
    EXPECT_TRUE(s.driver.answerFront("Reset to default"));
    sheet->showInView(anchor);
    EXPECT_TRUE(s.driver.answerFront("Cancel"));
    sheet->showInView(anchor);
    EXPECT_TRUE(s.driver.answerFront(0));
    EXPECT_EQ(log->clicked, (std::vector<int>{1, -1, 0}));

    // The sheet sits at the bottom of the window.
    sheet->showInView(anchor);
    s.window->layoutIfNeeded();
    EXPECT_FLOAT_EQ(sheet->frame().maxY(), 480);
    sheet->cancel();
    EXPECT_EQ(log->cancels, 1);
    EXPECT_EQ(s.window->modalCount(), 0u);

    // Options added after creation, with a cancel button set afterwards.
    auto choice = std::make_shared<ActionSheet>("Choose", log, "", "");
    choice->addButtonWithTitle("A");
    choice->addButtonWithTitle("B");
    choice->setCancelButtonTitle("Cancel");
    choice->showInView(anchor);
    EXPECT_TRUE(s.driver.answerFront("B"));
    EXPECT_EQ(log->clicked.back(), 1);
}

TEST(Transitions, CompleteAfterHalfASecondOfVirtualTime) {
    Stage s;
    int done = 0;
    s.window->transition(WindowTransition::CurlDown, 0.5, [&] { ++done; });
    EXPECT_EQ(s.window->activeTransition(), WindowTransition::CurlDown);
    EXPECT_FLOAT_EQ(s.window->transitionProgress(), 0);
    s.driver.advance(0.25);
    EXPECT_NEAR(s.window->transitionProgress(), 0.5, 1e-6);
    s.driver.advance(0.2499);
    EXPECT_EQ(done, 0);
    EXPECT_EQ(s.window->activeTransition(), WindowTransition::CurlDown);
    s.driver.advance(0.0002);
    EXPECT_EQ(done, 1);
    EXPECT_EQ(s.window->activeTransition(), WindowTransition::None);
    EXPECT_FLOAT_EQ(s.window->transitionProgress(), 1);

    // A new transition ends the running one first; the old timer never fires for the new one.
    s.window->transition(WindowTransition::FlipFromRight, 0.5, [&] { ++done; });
    s.driver.advance(0.3);
    const auto serial = s.window->transitionSerial();
    s.window->transition(WindowTransition::FlipFromLeft, 0.5, [&] { done += 10; });
    EXPECT_EQ(done, 2);
    EXPECT_NE(s.window->transitionSerial(), serial);
    s.driver.advance(0.3);
    EXPECT_EQ(s.window->activeTransition(), WindowTransition::FlipFromLeft);
    s.driver.advance(0.2);
    EXPECT_EQ(done, 12);

    // A window going away takes its pending transition with it.
    {
        auto w = std::make_shared<Window>();
        w->setRunLoop(&s.loop);
        w->transition(WindowTransition::CurlUp, 0.5, [&] { done += 100; });
    }
    s.driver.advance(1);
    EXPECT_EQ(done, 12);
}

TEST(DrawingOnDemand, OnlyAChangeOnTheWindowAsksForAFrame) {
    Stage s;
    auto label = std::make_shared<Label>(Rect{0, 0, 100, 20});
    label->setText("Score");
    auto scroll = std::make_shared<ScrollView>(Rect{0, 40, 100, 100});
    scroll->setContentSize({100, 400});
    s.window->addSubview(label);
    s.window->addSubview(scroll);
    auto drawn = [&] {
        const bool needed = s.window->needsDisplay();
        s.window->didDisplay();
        return needed;
    };
    EXPECT_TRUE(drawn());
    s.driver.advance(5);
    EXPECT_FALSE(drawn()) << "time alone changes nothing";
    // The same values again are no change; a new one is.
    label->setText("Score");
    label->setHidden(false);
    label->setFrame({0, 0, 100, 20});
    EXPECT_FALSE(drawn());
    label->setText("Score: 10");
    EXPECT_TRUE(drawn());
    EXPECT_FALSE(drawn());
    label->setAlpha(0.5f);
    EXPECT_TRUE(drawn());
    // Views put on, moved among and taken off the window.
    s.window->bringSubviewToFront(label);
    EXPECT_TRUE(drawn());
    label->removeFromSuperview();
    EXPECT_TRUE(drawn());
    label->setText("off the window");
    EXPECT_FALSE(drawn());
    // A touch, a wheel, a transition (for as long as it runs, and its end state).
    s.window->handleTouch(0, TouchPhase::Began, {50, 300});
    EXPECT_TRUE(drawn());
    s.window->handleScroll({50, 60}, 30);
    EXPECT_TRUE(drawn());
    EXPECT_EQ(scroll->contentOffset().y, 30);
    s.window->transition(WindowTransition::CurlUp, 0.5);
    EXPECT_TRUE(drawn());
    s.driver.advance(0.25);
    EXPECT_TRUE(drawn());
    s.driver.advance(0.3);
    EXPECT_TRUE(drawn());
    EXPECT_FALSE(drawn());
    // A frame asked for later comes at its time, once.
    scroll->setNeedsDisplayAt(s.loop.now() + 1);
    EXPECT_FALSE(drawn());
    s.driver.advance(1);
    EXPECT_TRUE(drawn());
    EXPECT_FALSE(drawn());
}

TEST(LifeCycle, MinimiseOrFocusLossPostsBackgroundAndReturnPostsForegroundOnce) {
    NotificationCenter center;
    Application app(center);
    std::vector<std::string> posted;
    for (const char* name :
         {kApplicationWillResignActiveNotification, kApplicationDidEnterBackgroundNotification,
          kApplicationWillEnterForegroundNotification, kApplicationDidBecomeActiveNotification}) {
        center.addObserver(name, [&](const Notification& n) { posted.push_back(n.name); });
    }
    auto window = std::make_shared<Window>(Rect{0, 0, 320, 480}, &app);
    platform::WindowEvent e;
    e.type = platform::WindowEvent::Type::Minimized;
    window->handleWindowEvent(e);
    e.type = platform::WindowEvent::Type::FocusLost;
    window->handleWindowEvent(e);
    EXPECT_EQ(app.state(), ApplicationState::Background);
    e.type = platform::WindowEvent::Type::Restored;
    window->handleWindowEvent(e);
    e.type = platform::WindowEvent::Type::FocusGained;
    window->handleWindowEvent(e);
    EXPECT_TRUE(app.isActive());
    EXPECT_EQ(posted,
              (std::vector<std::string>{
                  kApplicationWillResignActiveNotification, kApplicationDidEnterBackgroundNotification,
                  kApplicationWillEnterForegroundNotification, kApplicationDidBecomeActiveNotification}));
}

TEST(LifeCycle, MouseDrivesTouchesThroughWindowEvents) {
    Stage s;
    int taps = 0;
    auto button = std::make_shared<Button>(ButtonType::RoundedRect, Rect{10, 10, 100, 40});
    button->addTarget(ControlEventTouchUpInside, [&](Control&) { ++taps; });
    s.window->addSubview(button);
    platform::WindowEvent e;
    e.point = {20, 20};
    e.button = 1;
    e.type = platform::WindowEvent::Type::MouseDown;
    s.window->handleWindowEvent(e);
    e.type = platform::WindowEvent::Type::MouseMove;
    e.buttonHeld = true;
    e.point = {25, 25};
    s.window->handleWindowEvent(e);
    e.type = platform::WindowEvent::Type::MouseUp;
    s.window->handleWindowEvent(e);
    EXPECT_EQ(taps, 1);
    // A right click is no touch.
    e.button = 3;
    e.type = platform::WindowEvent::Type::MouseDown;
    s.window->handleWindowEvent(e);
    e.type = platform::WindowEvent::Type::MouseUp;
    s.window->handleWindowEvent(e);
    EXPECT_EQ(taps, 1);
}

namespace {
struct Rows : PickerViewDataSource, PickerViewDelegate {
    std::vector<int> chosen;
    int pickerViewNumberOfRowsInComponent(PickerView&, int) override { return 4; }
    void pickerViewDidSelectRow(PickerView&, int row, int) override { chosen.push_back(row); }
};
}  // namespace

TEST(LifeCycle, TheWheelScrollsTheViewUnderThePointerAndShowsWhereItIs) {
    Stage s;
    auto text = std::make_shared<ScrollView>(Rect{0, 0, 100, 100});
    text->setContentSize({100, 400});
    text->addSubview(std::make_shared<Label>(Rect{0, 0, 100, 400}));  // the wheel turns over text
    auto picker = std::make_shared<PickerView>(Rect{0, 200, 100, 216});
    auto rows = std::make_shared<Rows>();
    picker->setDataSource(rows);
    picker->setDelegate(rows);
    s.window->addSubview(text);
    s.window->addSubview(picker);
    platform::WindowEvent wheel;
    wheel.type = platform::WindowEvent::Type::Wheel;
    wheel.point = {50, 50};
    wheel.wheel = 1;
    s.window->handleWindowEvent(wheel);
    EXPECT_GT(text->contentOffset().y, 0);
    EXPECT_TRUE(text->indicatorsVisible());
    for (int i = 0; i < 20; ++i) s.window->handleWindowEvent(wheel);
    EXPECT_EQ(text->contentOffset().y, 300) << "kept inside the content";
    wheel.wheel = -100;
    s.window->handleWindowEvent(wheel);
    EXPECT_EQ(text->contentOffset().y, 0);

    // Over the chooser a notch is a row, chosen as a finger would; half notches add up.
    wheel.point = {50, 300};
    wheel.wheel = 1;
    s.window->handleWindowEvent(wheel);
    wheel.wheel = 0.5f;
    s.window->handleWindowEvent(wheel);
    s.window->handleWindowEvent(wheel);
    wheel.wheel = 9;
    s.window->handleWindowEvent(wheel);
    EXPECT_EQ(rows->chosen, (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(picker->selectedRowInComponent(0), 3);
    // Over nothing that scrolls, nothing moves.
    wheel.point = {200, 150};
    s.window->handleWindowEvent(wheel);
    EXPECT_EQ(text->contentOffset().y, 0);
}

TEST(Notifications, ObserversMayRemoveThemselvesAndOthersWhileAPostRuns) {
    NotificationCenter center;
    std::vector<int> calls;
    NotificationCenter::Token second = 0;
    int owner = 0;
    center.addObserver("n", [&](const Notification&) {
        calls.push_back(1);
        center.removeObserver(second);
    });
    second = center.addObserver("n", [&](const Notification&) { calls.push_back(2); });
    center.addObserver(
        "n", [&](const Notification&) { calls.push_back(3); }, &owner);
    center.post("n");
    EXPECT_EQ(calls, (std::vector<int>{1, 3}));
    center.removeObserversOf(&owner);
    EXPECT_EQ(center.observerCount("n"), 1u);
    center.post("other");
    EXPECT_EQ(calls.size(), 2u);
}
