// The shell's small screen helpers: the one-button alert, the button title for every state and
// the action-sheet delegate that forwards to an owner.
#include <gtest/gtest.h>

#include "platform/foundation/ScopedLogSink.h"
#include "platform/ui/AlertView.h"
#include "platform/ui/Application.h"
#include "platform/ui/Button.h"
#include "platform/ui/UiDriver.h"
#include "platform/ui/Window.h"
#include "shell/SimpleUIActionSheetDelegate.h"
#include "shell/UiUtil.h"

using namespace platform::ui;

namespace {

struct Owner {
    void picked(ActionSheet& sheet, int index) {
        seen.push_back(sheet.title() + ":" + std::to_string(index));
    }
    void pickedIndex(int index) { seen.push_back(std::to_string(index)); }
    std::vector<std::string> seen;
};

}  // namespace

TEST(UiUtil, OkAlertShowsOnTheKeyWindowWithOneButton) {
    auto window = std::make_shared<Window>();
    window->makeKeyAndVisible();
    UiDriver ui(window);
    ShowOkAlert("Done", "All went well.");
    auto alert = std::dynamic_pointer_cast<AlertView>(ui.frontModal());
    ASSERT_TRUE(alert);
    EXPECT_EQ(alert->title(), "Done");
    EXPECT_EQ(alert->message(), "All went well.");
    EXPECT_EQ(alert->numberOfButtons(), 1);
    EXPECT_EQ(alert->buttonTitleAtIndex(0), "OK");
    EXPECT_TRUE(ui.answerFront("OK"));
    EXPECT_EQ(ui.frontModal(), nullptr);
}

TEST(UiUtil, ButtonTitleIsTheSameInEveryStateAndStatusBarFollowsTheApplication) {
    Button button;
    button.setTitle("old", ControlStateHighlighted);
    SetButtonTitle(button, "Play");
    for (std::uint32_t state :
         {ControlStateNormal, ControlStateSelected, ControlStateDisabled, ControlStateHighlighted})
        EXPECT_EQ(button.titleForState(state), "Play") << state;
    Application::shared().setStatusBarOrientation(3);
    EXPECT_EQ(StatusBarOrientation(), 3);
    Application::shared().setStatusBarOrientation(1);
}

TEST(UiUtil, ActionSheetDelegateForwardsToItsOwnersMethod) {
    auto owner = std::make_shared<Owner>();
    ActionSheet sheet("Pick", {}, "Cancel", "", {"One"});
    SimpleUIActionSheetDelegate two(owner, &Owner::picked);
    SimpleUIActionSheetDelegate one(owner, &Owner::pickedIndex);
    two.actionSheetClickedButtonAtIndex(sheet, 0);
    one.actionSheetClickedButtonAtIndex(sheet, 1);
    two.actionSheetCancel(sheet);
    EXPECT_EQ(owner->seen, (std::vector<std::string>{"Pick:0", "1", "Pick:-1"}));

    // The delegate keeps its owner alive.
    std::weak_ptr<Owner> watch = owner;
    owner.reset();
    EXPECT_FALSE(watch.expired());

    platform::ScopedLogSink log;
    SimpleUIActionSheetDelegate none(std::make_shared<Owner>(), static_cast<void (Owner::*)(int)>(nullptr));
    none.actionSheetClickedButtonAtIndex(sheet, 0);
    ASSERT_EQ(log.lines().size(), 1u);
    EXPECT_EQ(log.lines()[0],
              "[ERROR] -[SimpleUIActionSheetDelegate actionSheet:clickedButtonAtIndex:]\nIllegal method");
}
