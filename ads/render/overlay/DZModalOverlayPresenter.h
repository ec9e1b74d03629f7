#pragma once
// Shows a full-screen ad controller as an ordinary modal presentation (the cover-vertical slide)
// and hides the status bar for it, again after each return to the foreground.
#include "ads/render/overlay/DZOverlayPresenting.h"
#include "platform/ui/NotificationCenter.h"

class DZModalOverlayPresenter : public DZOverlayPresenting,
                                public std::enable_shared_from_this<DZModalOverlayPresenter> {
  public:
    DZModalOverlayPresenter() = default;
    ~DZModalOverlayPresenter() override;
    DZModalOverlayPresenter(const DZModalOverlayPresenter&) = delete;
    DZModalOverlayPresenter& operator=(const DZModalOverlayPresenter&) = delete;

    void setPresentedViewController(const std::shared_ptr<DZViewController>& controller) override {
        presented_ = controller;
    }
    std::shared_ptr<DZViewController> presentedViewController() const override { return presented_.lock(); }
    std::shared_ptr<platform::ui::ViewController> presentationViewController() const override;
    bool isReadyToPresent() const override { return !presented_.expired(); }
    bool presentFromViewController(const std::shared_ptr<platform::ui::ViewController>& from,
                                   std::function<void()> completion) override;
    void dismissWithCompletionHandler(std::function<void()> completion) override;

    void hideStatusBar();

  private:
    void stopObserving();

    std::weak_ptr<DZViewController> presented_;
    bool statusBarWasHidden_ = false;
    platform::ui::NotificationCenter::Token foregroundObserver_ = 0;
};
