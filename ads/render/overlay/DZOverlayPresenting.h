#pragma once
// How a full-screen ad controller is put on the screen and taken off it again.
#include <functional>
#include <memory>

namespace platform::ui {
class ViewController;
}
class DZViewController;

class DZOverlayPresenting {
  public:
    virtual ~DZOverlayPresenting() = default;
    // Held weakly; the controller holds its presenter.
    virtual void setPresentedViewController(const std::shared_ptr<DZViewController>& controller) = 0;
    virtual std::shared_ptr<DZViewController> presentedViewController() const = 0;
    // The controller further presentations (a sheet over the ad) start from; null when none.
    virtual std::shared_ptr<platform::ui::ViewController> presentationViewController() const = 0;
    virtual bool isReadyToPresent() const = 0;
    // False, with no completion, when the screen refused the presentation.
    virtual bool presentFromViewController(const std::shared_ptr<platform::ui::ViewController>& from,
                                           std::function<void()> completion) = 0;
    virtual void dismissWithCompletionHandler(std::function<void()> completion) = 0;
};
