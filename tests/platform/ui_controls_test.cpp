// Controls and containers: targets and tracking, switch, picker, scroll and text views,
// navigation and tab bar controllers, toolbars.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "platform/runloop/ManualRunLoop.h"
#include "platform/ui/ActivityIndicatorView.h"
#include "platform/ui/Button.h"
#include "platform/ui/Label.h"
#include "platform/ui/NavigationBar.h"
#include "platform/ui/NavigationController.h"
#include "platform/ui/PickerView.h"
#include "platform/ui/ScrollView.h"
#include "platform/ui/Switch.h"
#include "platform/ui/TabBar.h"
#include "platform/ui/TabBarController.h"
#include "platform/ui/TextView.h"
#include "platform/ui/Toolbar.h"
#include "platform/ui/UiDriver.h"
#include "platform/ui/Window.h"

using namespace platform::ui;
using platform::Point;
using platform::Rect;

namespace {

struct Stage {
    platform::ManualRunLoop loop;
    std::shared_ptr<Window> window = std::make_shared<Window>();
    UiDriver driver{window, &loop};
    Stage() { window->setRunLoop(&loop); }
};

class Rows : public PickerViewDataSource, public PickerViewDelegate {
  public:
    int rows = 5;
    std::vector<int> selections;
    int pickerViewNumberOfRowsInComponent(PickerView&, int) override { return rows; }
    std::string pickerViewTitleForRow(PickerView&, int row, int) override {
        return "Row " + std::to_string(row);
    }
    float pickerViewWidthForComponent(PickerView&, int) override { return 300; }
    float pickerViewRowHeightForComponent(PickerView&, int) override { return 40; }
    void pickerViewDidSelectRow(PickerView&, int row, int) override { selections.push_back(row); }
};

}  // namespace

TEST(ControlTargets, TouchUpInsideOutsideDisabledAndRemoval) {
    Stage s;
    auto button = std::make_shared<Button>(ButtonType::RoundedRect, Rect{100, 100, 100, 40});
    s.window->addSubview(button);
    std::vector<std::string> log;
    button->addTarget(ControlEventTouchDown, [&](Control&) { log.push_back("down"); });
    const int up = button->addTarget(ControlEventTouchUpInside, [&](Control&) { log.push_back("up"); });
    button->addTarget(ControlEventTouchUpOutside, [&](Control&) { log.push_back("outside"); });

    EXPECT_TRUE(s.driver.tap(button));
    EXPECT_EQ(log, (std::vector<std::string>{"down", "up"}));

    // Dragging far away before lifting is no tap.
    log.clear();
    s.driver.drag({150, 120}, {150, 400});
    EXPECT_EQ(log, (std::vector<std::string>{"down", "outside"}));
    EXPECT_FALSE(button->isHighlighted());

    // A little drift past the edge still counts as inside.
    log.clear();
    s.driver.drag({150, 120}, {150, 150});
    EXPECT_EQ(log, (std::vector<std::string>{"down", "up"}));

    log.clear();
    button->setEnabled(false);
    EXPECT_FALSE(s.driver.tap(button));
    EXPECT_TRUE(log.empty());
    button->setEnabled(true);

    button->removeTarget(up);
    button->removeTargetsForEvents(ControlEventTouchDown);
    EXPECT_EQ(button->targetCount(ControlEventTouchUpInside | ControlEventTouchDown), 0u);
    EXPECT_EQ(button->targetCount(ControlEventTouchUpOutside), 1u);
}

TEST(ControlTargets, AnActionMayRemoveItsOwnControl) {
    Stage s;
    auto button = std::make_shared<Button>(ButtonType::Custom, Rect{0, 0, 50, 50});
    s.window->addSubview(button);
    int runs = 0;
    std::weak_ptr<Button> weak = button;
    button->addTarget(ControlEventTouchUpInside, [&](Control& c) {
        ++runs;
        c.removeFromSuperview();
    });
    button.reset();
    EXPECT_TRUE(s.driver.tap(weak.lock()));
    EXPECT_EQ(runs, 1);
    EXPECT_TRUE(weak.expired());
}

TEST(ButtonTitles, StatesFallBackToNormal) {
    Button b;
    b.setTitle("Play");
    b.setTitle("Wait", ControlStateDisabled);
    EXPECT_EQ(b.titleForState(ControlStateHighlighted), "Play");
    EXPECT_EQ(b.titleForState(ControlStateDisabled), "Wait");
    b.setEnabled(false);
    EXPECT_EQ(b.currentTitle(), "Wait");
    EXPECT_EQ(b.titleColorForState(ControlStateHighlighted), Color::white());
}

TEST(SwitchControl, TapFlipsAndReportsSetterDoesNot) {
    Stage s;
    auto sw = std::make_shared<Switch>();
    s.window->addSubview(sw);
    int changes = 0;
    sw->addTarget(ControlEventValueChanged, [&](Control&) { ++changes; });
    sw->setOn(true, false);
    EXPECT_EQ(changes, 0);
    EXPECT_TRUE(s.driver.tap(sw));
    EXPECT_FALSE(sw->isOn());
    EXPECT_EQ(changes, 1);
}

TEST(Picker, SelectsARowByTapOrDragAndTellsTheDelegateOnlyForTheUser) {
    Stage s;
    auto rows = std::make_shared<Rows>();
    auto picker = std::make_shared<PickerView>(Rect{0, 100, 320, 216});
    picker->setDataSource(rows);
    picker->setDelegate(rows);
    s.window->addSubview(picker);

    picker->selectRow(2, 0, false);
    EXPECT_EQ(picker->selectedRowInComponent(0), 2);
    EXPECT_TRUE(rows->selections.empty());

    // The middle band (window y = 100 + 108) holds row 2; one row below it is row 3.
    s.driver.tapAt({160, 208 + 40});
    EXPECT_EQ(picker->selectedRowInComponent(0), 3);
    EXPECT_EQ(rows->selections, (std::vector<int>{3}));

    // Dragging up by two rows settles two rows further on.
    s.driver.drag({160, 208}, {160, 208 - 81});
    EXPECT_EQ(picker->selectedRowInComponent(0), 4);  // row 5 does not exist: the last row
    EXPECT_EQ(rows->selections.back(), 4);

    // Tapping outside the 300-point column selects nothing.
    s.driver.tapAt({3, 208});
    EXPECT_EQ(rows->selections.size(), 2u);

    rows->rows = 2;
    picker->reloadAllComponents();
    EXPECT_EQ(picker->selectedRowInComponent(0), 1);
    rows->rows = 0;
    picker->reloadAllComponents();
    EXPECT_EQ(picker->selectedRowInComponent(0), -1);
    EXPECT_EQ(picker->rowAtPoint({160, 108}), -1);

    // A delegate that is gone is not called.
    rows.reset();
    EXPECT_EQ(picker->numberOfRowsInComponent(0), 0);
    s.driver.tapAt({160, 248});
}

TEST(Scrolling, OffsetStaysInsideContentTopAndFlash) {
    Stage s;
    auto scroll = std::make_shared<ScrollView>(Rect{0, 0, 320, 200});
    scroll->setContentSize({320, 500});
    s.window->addSubview(scroll);
    s.driver.drag({100, 150}, {100, 50});
    EXPECT_EQ(scroll->contentOffset(), (Point{0, 100}));
    s.driver.drag({100, 10}, {100, 190});
    EXPECT_EQ(scroll->contentOffset(), (Point{0, 0}));
    s.driver.drag({100, 190}, {100, 0});
    s.driver.drag({100, 190}, {100, 0});
    EXPECT_EQ(scroll->contentOffset(), (Point{0, 300}));  // the bottom of the content
    s.window->handleScroll({10, 10}, -50);
    EXPECT_EQ(scroll->contentOffset(), (Point{0, 250}));
    EXPECT_EQ(scroll->flashCount(), 1);  // the wheel shows where it is

    scroll->scrollToTop();
    EXPECT_EQ(scroll->contentOffset(), (Point{0, 0}));
    s.loop.advance(5);
    EXPECT_FALSE(scroll->indicatorsVisible());
    scroll->flashScrollIndicators();
    EXPECT_EQ(scroll->flashCount(), 2);
    EXPECT_TRUE(scroll->indicatorsVisible());
    s.loop.advance(ScrollView::kFlashSeconds + 0.01);
    EXPECT_FALSE(scroll->indicatorsVisible());
}

TEST(TextViewLayout, ContentGrowsWithTheTextAtTheViewWidth) {
    auto tv = std::make_shared<TextView>(Rect{0, 0, 300, 100});
    tv->setText("One line");
    const float one = tv->contentSize().height;
    std::string many;
    for (int i = 0; i < 40; ++i) many += "A line of about text that wraps. ";
    tv->setText(many);
    EXPECT_GT(tv->contentSize().height, 4 * one);
    EXPECT_EQ(tv->contentSize().width, 300);
    EXPECT_GT(tv->maxContentOffset().y, 0);
}

TEST(NavigationControllerBar, ShowsTheTopItemAndRunsItsButtons) {
    Stage s;
    auto sheet = std::make_shared<ViewController>();
    auto nav = std::make_shared<NavigationController>(sheet);
    int done = 0, cancelled = 0;
    sheet->navigationItem().setTitle("Select a Level");
    sheet->navigationItem().setLeftBarButtonItem(
        std::make_shared<BarButtonItem>("Done", BarButtonItem::Style::Done, [&](BarButtonItem&) { ++done; }));
    s.window->setRootViewController(nav);
    sheet->navigationItem().setRightBarButtonItem(std::make_shared<BarButtonItem>(
        "Cancel", BarButtonItem::Style::Bordered, [&](BarButtonItem&) { ++cancelled; }));

    EXPECT_EQ(nav->navigationBar()->titleLabel()->text(), "Select a Level");
    EXPECT_EQ(sheet->navigationController(), nav.get());
    EXPECT_EQ(sheet->view()->frame(), (Rect{0, 44, 320, 436}));
    EXPECT_TRUE(s.driver.tapButton("Done"));
    EXPECT_TRUE(s.driver.tapButton("Cancel"));
    EXPECT_EQ(done, 1);
    EXPECT_EQ(cancelled, 1);

    auto next = std::make_shared<ViewController>();
    next->navigationItem().setTitle("Next");
    nav->pushViewController(next, true);
    EXPECT_EQ(nav->navigationBar()->titleLabel()->text(), "Next");
    EXPECT_FALSE(sheet->isAppeared());
    EXPECT_TRUE(next->isAppeared());
    EXPECT_EQ(nav->popViewController(true), next);
    EXPECT_EQ(nav->popViewController(true), nullptr);
    EXPECT_TRUE(sheet->isAppeared());
}

TEST(TabBarControllerTabs, ThreeTabsSelectByTapAndShowTheRootsItems) {
    Stage s;
    std::vector<std::shared_ptr<ViewController>> inner;
    std::vector<std::shared_ptr<ViewController>> wrapped;
    for (const char* title : {"Scores", "Settings", "About"}) {
        auto c = std::make_shared<ViewController>();
        c->tabBarItem().setTitle(title);
        c->tabBarItem().setImageName(std::string("icon_") + title + ".png");
        inner.push_back(c);
        wrapped.push_back(std::make_shared<NavigationController>(c));
    }
    auto tabs = std::make_shared<TabBarController>();
    tabs->setViewControllers(wrapped);
    s.window->setRootViewController(tabs);

    ASSERT_EQ(tabs->tabBar()->itemCount(), 3u);
    EXPECT_EQ(TabBarController::tabItemOf(*wrapped[1]).title(), "Settings");
    EXPECT_TRUE(inner[0]->isAppeared());
    EXPECT_EQ(inner[2]->tabBarController(), tabs.get());

    EXPECT_TRUE(s.driver.tapButton("About"));
    EXPECT_EQ(tabs->selectedIndex(), 2u);
    EXPECT_FALSE(inner[0]->isAppeared());
    EXPECT_TRUE(inner[2]->isAppeared());
    EXPECT_TRUE(s.driver.tap(tabs->tabBar()->buttonAt(1)));
    EXPECT_EQ(tabs->selectedViewController(), wrapped[1]);

    tabs->setSelectedIndex(7);
    EXPECT_EQ(tabs->selectedIndex(), 1u);

    // Taking the tab set off the window makes its shown tab disappear.
    tabs->view()->removeFromSuperview();
    EXPECT_FALSE(inner[1]->isAppeared());
}

TEST(ToolbarItems, FlexibleSpacesShareTheRoomAndOnlyEnabledItemsAct) {
    Stage s;
    auto root = std::make_shared<ViewController>();
    s.window->setRootViewController(root);
    auto bar = std::make_shared<Toolbar>(Rect{0, 436, 320, Toolbar::kHeight});
    root->view()->addSubview(bar);
    int backs = 0, dones = 0;
    auto back =
        std::make_shared<BarButtonItem>(BarButtonItem::SystemItem::Refresh, [&](BarButtonItem&) { ++backs; });
    back->setWidth(27);
    back->setEnabled(false);
    auto done =
        std::make_shared<BarButtonItem>(BarButtonItem::SystemItem::Done, [&](BarButtonItem&) { ++dones; });
    auto spinner = std::make_shared<ActivityIndicatorView>();
    auto spinnerItem = std::make_shared<BarButtonItem>(spinner);
    spinnerItem->setWidth(40);
    auto flexible = std::make_shared<BarButtonItem>(BarButtonItem::SystemItem::FlexibleSpace, nullptr);
    bar->setItems({back, flexible, spinnerItem, flexible, done});

    EXPECT_EQ(done->title(), "Done");
    EXPECT_EQ(done->style(), BarButtonItem::Style::Done);
    const Rect backFrame = bar->viewForItem(*back)->frame();
    const Rect doneFrame = bar->viewForItem(*done)->frame();
    EXPECT_EQ(backFrame, (Rect{Toolbar::kMargin, 0, 27, Toolbar::kHeight}));
    EXPECT_FLOAT_EQ(doneFrame.maxX(), 320 - Toolbar::kMargin);
    EXPECT_EQ(bar->viewForItem(*flexible), nullptr);
    // The spinner keeps its own size in the middle of its slot, which stands midway between.
    const Rect spinnerFrame = spinner->frame();
    EXPECT_EQ(spinnerFrame.size, (platform::Size{20, 20}));
    EXPECT_FLOAT_EQ(spinnerFrame.minX() - 10 - backFrame.maxX(),
                    doneFrame.minX() - (spinnerFrame.maxX() + 10));
    EXPECT_FLOAT_EQ(spinnerFrame.midY(), Toolbar::kHeight / 2);
    EXPECT_TRUE(spinner->isHidden());
    spinner->startAnimating();
    EXPECT_FALSE(spinner->isHidden());

    // A disabled item takes no tap; enabling it later reaches its button.
    s.driver.tap(bar->viewForItem(*back));
    EXPECT_EQ(backs, 0);
    back->setEnabled(true);
    EXPECT_TRUE(s.driver.tap(bar->viewForItem(*back)));
    EXPECT_TRUE(s.driver.tap(bar->viewForItem(*done)));
    EXPECT_EQ(backs, 1);
    EXPECT_EQ(dones, 1);
    // Items taken off the bar take their views with them; kept ones keep theirs.
    const auto doneView = bar->viewForItem(*done);
    bar->setItems({flexible, done});
    EXPECT_EQ(bar->viewForItem(*done), doneView);
    EXPECT_EQ(spinner->superview(), nullptr);
    EXPECT_FLOAT_EQ(doneView->frame().maxX(), 320 - Toolbar::kMargin);
}
