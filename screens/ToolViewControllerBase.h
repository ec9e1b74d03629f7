#pragma once
// The base of the tools area's tabs: a Done button back to the title, the one-orientation rule,
// and a scroll view whose content is the tab's laid-out content view, back at the top on appear.
#include <memory>
#include <string>

#include "platform/ui/ViewController.h"
#include "screens/ChosenOrientation.h"

namespace platform::ui {
class ScrollView;
class View;
}  // namespace platform::ui

class ToolViewControllerBase : public screens::KeepsChosenOrientation<platform::ui::ViewController> {
  public:
    explicit ToolViewControllerBase(std::string interfaceName);

    // Runs once after construction (the creator calls it).
    virtual void setup();

    void viewWillAppear(bool animated) override;
    // Leaves the tools area for the title.
    virtual void stop();

  protected:
    void loadView() override;

    std::shared_ptr<platform::ui::ScrollView> scrollView_;
    std::shared_ptr<platform::ui::View> contentView_;
};
