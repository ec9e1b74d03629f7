#include "shell/SimpleUIActionSheetDelegate.h"

#include "appbase/LogMessage.h"

void SimpleUIActionSheetDelegate::actionSheetClickedButtonAtIndex(platform::ui::ActionSheet& sheet,
                                                                  int buttonIndex) {
    if (auto* two = std::get_if<TwoArguments>(&call_)) {
        (*two)(sheet, buttonIndex);
    } else if (auto* one = std::get_if<OneArgument>(&call_)) {
        (*one)(buttonIndex);
    } else {
        LogMessage("-[SimpleUIActionSheetDelegate actionSheet:clickedButtonAtIndex:]", 4, "Illegal method");
    }
}

void SimpleUIActionSheetDelegate::actionSheetCancel(platform::ui::ActionSheet& sheet) {
    actionSheetClickedButtonAtIndex(sheet, -1);
}
