#pragma once
// An action-sheet delegate that forwards the chosen button to an owner's method. The owner is
// kept alive as long as the delegate; the method takes (sheet, button index) or (button index).
// A cancel counts as a tap on button -1.
#include <functional>
#include <memory>
#include <variant>

#include "platform/ui/ActionSheet.h"

class SimpleUIActionSheetDelegate : public platform::ui::ActionSheetDelegate {
  public:
    template <class Owner>
    SimpleUIActionSheetDelegate(std::shared_ptr<Owner> owner,
                                void (Owner::*method)(platform::ui::ActionSheet&, int))
        : owner_(owner) {
        if (method != nullptr)
            call_ = TwoArguments(
                [o = owner.get(), method](platform::ui::ActionSheet& s, int i) { (o->*method)(s, i); });
    }
    template <class Owner>
    SimpleUIActionSheetDelegate(std::shared_ptr<Owner> owner, void (Owner::*method)(int)) : owner_(owner) {
        if (method != nullptr) call_ = OneArgument([o = owner.get(), method](int i) { (o->*method)(i); });
    }

    void actionSheetClickedButtonAtIndex(platform::ui::ActionSheet& sheet, int buttonIndex) override;
    void actionSheetCancel(platform::ui::ActionSheet& sheet) override;

  private:
    using TwoArguments = std::function<void(platform::ui::ActionSheet&, int)>;
    using OneArgument = std::function<void(int)>;

    std::shared_ptr<void> owner_;
    std::variant<std::monostate, TwoArguments, OneArgument> call_;
};
