#pragma once
// A stack of view controllers under a navigation bar; the top one's view fills the area below
// the bar and its navigation item is shown on the bar.
#include <memory>
#include <vector>

#include "platform/ui/ViewController.h"

namespace platform::ui {

class NavigationBar;

class NavigationController : public ViewController {
  public:
    NavigationController() = default;
    explicit NavigationController(std::shared_ptr<ViewController> root);
    ~NavigationController() override;

    // `animated` is accepted for the callers' sake; the change is immediate.
    void pushViewController(std::shared_ptr<ViewController> controller, bool animated);
    // Null when only the root is left (the root is never popped).
    std::shared_ptr<ViewController> popViewController(bool animated);
    void setViewControllers(std::vector<std::shared_ptr<ViewController>> controllers);
    const std::vector<std::shared_ptr<ViewController>>& viewControllers() const { return stack_; }
    std::shared_ptr<ViewController> topViewController() const;

    std::shared_ptr<NavigationBar> navigationBar();
    bool isNavigationBarHidden() const { return barHidden_; }
    void setNavigationBarHidden(bool hidden);

  protected:
    void loadView() override;

  private:
    void showTop();
    void layout();

    std::vector<std::shared_ptr<ViewController>> stack_;
    std::shared_ptr<NavigationBar> bar_;
    std::shared_ptr<View> shown_;
    bool barHidden_ = false;
};

}  // namespace platform::ui
