#pragma once
// A modal choice sheet rising from the bottom: an optional title, a destructive button (red,
// index 0 when given), other buttons numbered on from there, and a cancel button reported as
// -1. A tap tells the delegate (held weakly) and dismisses the sheet.
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/ui/ModalPanel.h"

namespace platform::ui {

class ActionSheet;

class ActionSheetDelegate {
  public:
    virtual ~ActionSheetDelegate() = default;
    virtual void actionSheetClickedButtonAtIndex(ActionSheet& sheet, int buttonIndex) {}
    // The sheet was cancelled without a tap (the application left the foreground).
    virtual void actionSheetCancel(ActionSheet& sheet) {}
};

class ActionSheet : public ModalPanel {
  public:
    static constexpr int kCancelIndex = -1;

    ActionSheet(std::string title, std::weak_ptr<ActionSheetDelegate> delegate, std::string cancelButtonTitle,
                std::string destructiveButtonTitle, std::vector<std::string> otherButtonTitles = {});
    const char* className() const override { return "ActionSheet"; }

    void setDelegate(std::weak_ptr<ActionSheetDelegate> delegate) { delegate_ = std::move(delegate); }
    void setClickHandler(std::function<void(ActionSheet&, int)> handler) {
        clickHandler_ = std::move(handler);
    }

    int addButtonWithTitle(std::string title);
    void setCancelButtonTitle(std::string title) {
        cancelTitle_ = std::move(title);
        setNeedsLayout();
    }
    // Buttons other than cancel.
    int numberOfButtons() const { return static_cast<int>(titles_.size()); }
    std::string buttonTitleAtIndex(int index) const;
    int cancelButtonIndex() const { return cancelTitle_.empty() ? -2 : kCancelIndex; }
    int destructiveButtonIndex() const { return hasDestructive_ ? 0 : -2; }

    // Shows the sheet over the window of `view` (the key window when `view` is on none).
    void showInView(const std::shared_ptr<View>& view);
    void dismissWithClickedButtonIndex(int buttonIndex, bool animated);
    // Cancels the sheet: the delegate hears actionSheetCancel, and the sheet goes.
    void cancel();

    bool indexOfButtonTitle(const std::string& title, int& index) const override;
    void clickButtonAtIndex(int index) override;
    void layoutSubviews() override;
    void draw(DrawContext& ctx) override;

  private:
    std::weak_ptr<ActionSheetDelegate> delegate_;
    std::function<void(ActionSheet&, int)> clickHandler_;
    std::string cancelTitle_;
    std::vector<std::string> titles_;
    bool hasDestructive_ = false;
    float titleHeight_ = 0;
};

}  // namespace platform::ui
