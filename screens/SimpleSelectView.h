#pragma once
// The picker sheet: a titled list of rows in a navigation container with Done and Cancel, the
// chosen row's info text below. Every close (Done accepted, Cancel, the app going to the
// background) hands over to the delegate's next screen.
#include <memory>
#include <optional>
#include <string>

#include "platform/ui/NotificationCenter.h"
#include "platform/ui/PickerView.h"
#include "screens/SimpleSelectViewDelegate.h"
#include "screens/ViewControllerBase.h"

namespace platform::ui {
class TextView;
}
class MyNavigationController;

class SimpleSelectView : public ViewControllerBase,
                         public platform::ui::PickerViewDataSource,
                         public platform::ui::PickerViewDelegate {
  public:
    static constexpr float kComponentWidth = 300;
    static constexpr float kRowHeight = 40;

    explicit SimpleSelectView(std::string interfaceName);
    ~SimpleSelectView() override;

    void startWithDelegate(std::shared_ptr<SimpleSelectViewDelegate> delegate, const std::string& title,
                           int initialIndex);
    void startWithDelegate(std::shared_ptr<SimpleSelectViewDelegate> delegate);
    int selectedIndex() const { return selectedIndex_; }
    void setSelectedIndex(int index);
    void updateView();
    const std::shared_ptr<SimpleSelectViewDelegate>& delegate() const { return delegate_; }
    // The container the sheet is shown in (made on first start).
    const std::shared_ptr<MyNavigationController>& containerVC() const { return containerVC_; }
    // The container holds the sheet and the sheet keeps its container: whoever owns the sheet lets
    // go of both through this.
    void releaseContainer();
    bool closeAnimationEnabled() const { return closeAnimationEnabled_; }
    void setCloseAnimationEnabled(bool on) { closeAnimationEnabled_ = on; }

    void onDoneBtn();
    void closeWithAnimation();
    void close();
    void closeWhenSuspend();

    void viewDidLoad() override;
    void viewWillAppear(bool animated) override;

    // --- picker
    int pickerViewNumberOfRowsInComponent(platform::ui::PickerView& picker, int component) override;
    std::string pickerViewTitleForRow(platform::ui::PickerView& picker, int row, int component) override;
    float pickerViewWidthForComponent(platform::ui::PickerView&, int) override { return kComponentWidth; }
    float pickerViewRowHeightForComponent(platform::ui::PickerView&, int) override { return kRowHeight; }
    void pickerViewDidSelectRow(platform::ui::PickerView& picker, int row, int component) override;

  private:
    std::shared_ptr<platform::ui::PickerView> picker_;
    std::shared_ptr<platform::ui::TextView> itemInfoTextView_;
    int selectedIndex_ = 0;
    std::shared_ptr<SimpleSelectViewDelegate> delegate_;
    std::optional<std::string> prevInfo_;
    bool registeredEnterBackground_ = false;
    platform::ui::NotificationCenter::Token enterBackgroundToken_{};
    std::shared_ptr<MyNavigationController> containerVC_;
    bool closeAnimationEnabled_ = false;
};
