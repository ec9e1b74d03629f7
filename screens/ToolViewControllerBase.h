#pragma once
// The base of the tools area's tabs: a Done button back to the title, the one-orientation rule,
// and a scroll view whose content is the tab's laid-out content view, back at the top on appear.
#include <memory>
#include <string>

#include "platform/ui/ViewController.h"

class AppCoreBase;
namespace platform::ui {
class ScrollView;
class View;
}  // namespace platform::ui

class ToolViewControllerBase : public platform::ui::ViewController {
  public:
    explicit ToolViewControllerBase(std::string interfaceName);

    // Runs once after construction (the creator calls it).
    virtual void setup();
    AppCoreBase* appCore() const { return appCore_; }
    void setAppCore(AppCoreBase* appCore) { appCore_ = appCore; }

    bool shouldAutorotateToInterfaceOrientation(platform::ui::InterfaceOrientation o) override;
    bool shouldAutorotate() override { return true; }
    unsigned supportedInterfaceOrientations() override;
    platform::ui::InterfaceOrientation preferredInterfaceOrientationForPresentation() override;

    void viewWillAppear(bool animated) override;
    // Leaves the tools area for the title.
    virtual void stop();

  protected:
    void loadView() override;

    std::shared_ptr<platform::ui::ScrollView> scrollView_;
    std::shared_ptr<platform::ui::View> contentView_;

  private:
    AppCoreBase* appCore_ = nullptr;
};
