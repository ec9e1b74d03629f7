#pragma once
// A modal alert: title, message, a cancel button (index 0 when given) and other buttons
// (numbered on from there). A tap tells the delegate (held weakly) the index and dismisses the
// alert; dismissing by code tells only the did-dismiss callback.
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/ui/ModalPanel.h"

namespace platform::ui {

class AlertView;

class AlertViewDelegate {
  public:
    virtual ~AlertViewDelegate() = default;
    virtual void alertViewClickedButtonAtIndex(AlertView& alert, int buttonIndex) {}
    virtual void alertViewDidDismissWithButtonIndex(AlertView& alert, int buttonIndex) {}
};

class AlertView : public ModalPanel {
  public:
    AlertView(std::string title, std::string message, std::weak_ptr<AlertViewDelegate> delegate,
              std::string cancelButtonTitle, std::vector<std::string> otherButtonTitles = {});
    const char* className() const override { return "AlertView"; }

    const std::string& message() const { return message_; }
    void setMessage(std::string message) {
        message_ = std::move(message);
        setNeedsLayout();
    }
    void setDelegate(std::weak_ptr<AlertViewDelegate> delegate) { delegate_ = std::move(delegate); }
    // Called after the delegate on a tap; for callers that need no delegate object.
    void setClickHandler(std::function<void(AlertView&, int)> handler) { clickHandler_ = std::move(handler); }

    int addButtonWithTitle(std::string title);
    int numberOfButtons() const { return static_cast<int>(titles_.size()); }
    // "" for an index without a button.
    std::string buttonTitleAtIndex(int index) const;
    // -1 when there is no cancel button.
    int cancelButtonIndex() const { return hasCancel_ ? 0 : -1; }

    // Shows the alert on the key window (queued behind a panel already showing).
    void show();
    void dismissWithClickedButtonIndex(int buttonIndex, bool animated);

    bool indexOfButtonTitle(const std::string& title, int& index) const override;
    void clickButtonAtIndex(int index) override;
    void layoutSubviews() override;
    void draw(DrawContext& ctx) override;

    static constexpr float kWidth = 284;

  private:
    std::string message_;
    std::weak_ptr<AlertViewDelegate> delegate_;
    std::function<void(AlertView&, int)> clickHandler_;
    std::vector<std::string> titles_;
    bool hasCancel_ = false;
    float titleHeight_ = 0;
    float messageHeight_ = 0;
};

}  // namespace platform::ui
