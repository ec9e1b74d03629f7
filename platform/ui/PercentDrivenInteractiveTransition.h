#pragma once
// Drives a custom transition by a fraction: starting it asks the animator to animate with its
// animations held at their start; update moves them all to a fraction of the way (clamped to
// 0..1, a non-finite fraction ignored); finish lets them run on to their end, and cancel back to
// their start, in real time on the window's clock (the rest of the duration at the animator's
// pace). The animations' completions get finished = true after a finish, and false after a
// cancel, which leaves them on the values they started from; the animator's completion then
// completes the transition (cancelled: undone). Updates before the start are kept and applied
// when it starts; calls after a finish or cancel are ignored until the next start, and so are
// updates once the transition was ended some other way. It drives the toolkit's own transitions
// (the context a presentation hands it), one at a time. Main thread only.
#include <memory>

#include "platform/ui/ViewControllerTransitioning.h"

namespace platform::ui {

class ViewAnimationGroup;

class PercentDrivenInteractiveTransition : public ViewControllerInteractiveTransitioning {
  public:
    PercentDrivenInteractiveTransition();
    ~PercentDrivenInteractiveTransition() override;

    void startInteractiveTransition(
        const std::shared_ptr<ViewControllerContextTransitioning>& context) override;
    // The animator's duration for the running transition (0 before the start).
    double duration() const;
    double percentComplete() const { return percent_; }
    virtual void updateInteractiveTransition(double percentComplete);
    virtual void finishInteractiveTransition();
    virtual void cancelInteractiveTransition();
    // Between the start and the end of the animations it drives.
    bool isRunning() const;

  private:
    void end(bool forward);

    std::shared_ptr<ViewControllerContextTransitioning> context_;
    std::shared_ptr<ViewAnimationGroup> group_;
    double percent_ = 0;
    double duration_ = 0;
    bool ending_ = false;
    // Lets the group's end, which may come after this object is gone, know whether it still is.
    std::shared_ptr<char> alive_;
};

}  // namespace platform::ui
