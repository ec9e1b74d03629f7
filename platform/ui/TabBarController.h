#pragma once
// Tabs of view controllers: a tab bar along the bottom and the selected controller's view above
// it. A navigation controller's tab shows its root controller's item unless it has its own.
#include <memory>
#include <vector>

#include "platform/ui/ViewController.h"

namespace platform::ui {

class TabBar;

class TabBarController : public ViewController {
  public:
    TabBarController() = default;
    ~TabBarController() override;

    void setViewControllers(std::vector<std::shared_ptr<ViewController>> controllers);
    const std::vector<std::shared_ptr<ViewController>>& viewControllers() const { return controllers_; }
    std::size_t selectedIndex() const { return selected_; }
    // Out-of-range indices are ignored.
    void setSelectedIndex(std::size_t index);
    std::shared_ptr<ViewController> selectedViewController() const;
    std::shared_ptr<TabBar> tabBar();
    // The item a controller's tab shows.
    static TabBarItem& tabItemOf(ViewController& controller);

  protected:
    void loadView() override;

  private:
    void showSelected();
    void layout();

    std::vector<std::shared_ptr<ViewController>> controllers_;
    std::size_t selected_ = 0;
    std::shared_ptr<TabBar> bar_;
    std::shared_ptr<View> shown_;
};

}  // namespace platform::ui
