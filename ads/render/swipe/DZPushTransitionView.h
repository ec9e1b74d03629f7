#pragma once
// Shows a list of views one at a time and cycles through them for as long as it lives: after each
// presentation the next view enters from the bottom edge and pushes the shown one out at the top,
// easing in and out. Main thread only.
#include <cstdint>
#include <memory>
#include <vector>

#include "platform/ui/View.h"

namespace platform {
class RunLoop;
class Timer;
}  // namespace platform

namespace platform::ui {
class ViewAnimation;
}

class DZPushTransitionView : public platform::ui::View {
  public:
    static constexpr double kDefaultPresentationDuration = 4.0;
    static constexpr double kDefaultAnimationDuration = 1.0;

    static std::shared_ptr<DZPushTransitionView> create(platform::Rect frame);
    explicit DZPushTransitionView(platform::Rect frame);
    ~DZPushTransitionView() override;

    // Shows the first view at once; the cycle goes on from the index it had.
    void setViews(std::vector<std::shared_ptr<platform::ui::View>> views);
    // Each restarts the period from now. Negative or non-finite values are ignored.
    void setPresentationDuration(double seconds);
    void setAnimationDuration(double seconds);

    double presentationDuration() const { return presentationDuration_; }
    double animationDuration() const { return animationDuration_; }
    const std::shared_ptr<platform::ui::View>& currentView() const { return currentView_; }
    uint32_t currentViewIndex() const { return currentViewIndex_; }
    // Moves on whenever the views or a duration change; a pending step of an older generation
    // does nothing.
    int32_t animationGroupIdentifier() const { return animationGroupIdentifier_; }
    const std::shared_ptr<platform::ui::View>& clippingView() const { return clippingView_; }

    void layoutSubviews() override;

  private:
    void commonInit();
    void setCurrentView(std::shared_ptr<platform::ui::View> view);
    void dispatchAnimation();
    void animate();
    void centre(platform::ui::View& view) const;
    void settlePush();
    platform::RunLoop* loop() const;

    std::vector<std::shared_ptr<platform::ui::View>> views_;
    std::shared_ptr<platform::ui::View> clippingView_;
    std::shared_ptr<platform::ui::View> currentView_;
    std::shared_ptr<platform::ui::View> leavingView_;
    std::shared_ptr<platform::ui::ViewAnimation> entering_;
    std::shared_ptr<platform::ui::ViewAnimation> leaving_;
    std::shared_ptr<platform::Timer> pendingStep_;
    uint32_t currentViewIndex_ = 0;
    double presentationDuration_ = kDefaultPresentationDuration;
    double animationDuration_ = kDefaultAnimationDuration;
    int32_t animationGroupIdentifier_ = 0;
};
