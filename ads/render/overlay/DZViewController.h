#pragma once
// The base of every screen the ad component puts over the app. It is shown through a presenter
// (a modal slide by default), takes part in its host's intermission while shown, tells the hosts
// that a full screen comes and goes, keeps itself alive from presentation to the start of its
// dismissal, and records in the ad's statistics when it went. A controller is presented at most
// once at a time: a second presentation while it is on screen is ignored, and a second
// relinquish while it leaves only adds its completion. Main thread only.
#include <functional>
#include <memory>
#include <vector>

#include "ads/render/overlay/DZIntermitting.h"
#include "platform/ui/InterfaceOrientation.h"
#include "platform/ui/ViewController.h"

class DZOverlayPresenting;
class DZAdHost;

class DZViewController : public platform::ui::ViewController, public DZIntermitting {
  public:
    // Posted on the default centre with the controller as object.
    static constexpr const char* kWillPresentFullScreenNotification =
        "kAdModalViewControllerWillPresentFullScreen";
    static constexpr const char* kDidDismissFullScreenNotification =
        "kAdModalViewControllerDidDismissFullScreen";

    DZViewController();
    ~DZViewController() override;

    // A mask of 0 is ignored here; setSupportedInterfaceOrientations takes any.
    void setSupportedOrientations(unsigned mask) {
        if (mask) mask_ = mask;
    }
    void setSupportedInterfaceOrientations(unsigned mask) { mask_ = mask; }
    unsigned supportedInterfaceOrientations() override { return mask_; }
    bool shouldAutorotate() override { return true; }
    bool prefersStatusBarHidden() const { return true; }

    std::shared_ptr<DZAdHost> host() const { return host_.lock(); }
    virtual void setHost(std::weak_ptr<DZAdHost> host) { host_ = std::move(host); }
    const std::shared_ptr<DZOverlayPresenting>& presenter() const { return presenter_; }
    // Makes this controller the presenter's presented controller.
    void setPresenter(std::shared_ptr<DZOverlayPresenting> presenter);
    // Run once when the controller has gone (or is destroyed without going).
    void setDismissalCompletion(std::function<void()> completion) {
        dismissalCompletion_ = std::move(completion);
    }
    bool viewDidAppearFlag() const { return viewDidAppear_; }

    virtual void presentFromViewController(const std::shared_ptr<platform::ui::ViewController>& from,
                                           std::function<void()> completion);
    // Between the start of a presentation and the start of its dismissal.
    bool isOnScreen() const { return phase_ == Phase::Presenting || phase_ == Phase::Shown; }
    // Between the start of a dismissal and its end (finishDismissal may be reached twice: by the
    // presenter's completion and by the view's disappearance; only the first is inside).
    bool isLeaving() const { return phase_ == Phase::Leaving; }

    // DZIntermitting
    std::shared_ptr<DZIntermission> intermission() const override { return intermission_; }
    bool shouldDismissOnApplicationEnteringForeground() override { return true; }
    void relinquishScreenWithCompletion(std::function<void()> completion) override;

    // A sheet over this screen is presented from where the presenter says.
    bool presentViewController(std::shared_ptr<platform::ui::ViewController> controller, bool animated,
                               std::function<void()> completion = {}) override;
    void dismissViewController(bool animated, std::function<void()> completion = {}) override;

    virtual void viewChangedToOrientation(int orientation) {}
    virtual void finishAppearing();
    virtual void finishDismissal();
    void addToCurrentIntermission();

    void viewDidLoad() override;
    void viewWillAppear(bool animated) override;
    void viewDidAppear(bool animated) override;
    void viewWillDisappear(bool animated) override;
    void viewDidDisappear(bool animated) override;

  protected:
    std::shared_ptr<DZViewController> sharedSelf() {
        return std::static_pointer_cast<DZViewController>(shared_from_this());
    }

  private:
    enum class Phase { Idle, Presenting, Shown, Leaving };
    void recordDismissal();

    Phase phase_ = Phase::Idle;
    unsigned mask_ = platform::ui::kInterfaceOrientationMaskAll;
    bool viewDidAppear_ = false;
    std::shared_ptr<DZIntermission> intermission_;
    std::weak_ptr<DZAdHost> host_;
    std::shared_ptr<DZViewController> retainCycle_;
    std::shared_ptr<DZOverlayPresenting> presenter_;
    std::function<void()> dismissalCompletion_;
    std::vector<std::function<void()>> leaveCompletions_;
};
