#pragma once
// Moves a view's frame, alpha and transform to new values over a time on its window's clock,
// so slides and fades run on virtual time in tests. The values change in steps of a frame; the
// last step lands exactly on the targets. A transform moves entry by entry, which suits moves and
// scales (a turn between two angles would shrink on the way). Without a loop to time it, it ends
// at once. Started while a ViewAnimationGroup is current, it is held at its start for the group
// to move instead (ViewAnimationGroup.h).
#include <functional>
#include <memory>
#include <optional>

#include "platform/geometry/Geometry.h"
#include "platform/ui/AffineTransform.h"

namespace platform {
class RunLoop;
class Timer;
}  // namespace platform

namespace platform::ui {

class View;

class ViewAnimation : public std::enable_shared_from_this<ViewAnimation> {
  public:
    struct Targets {
        std::optional<Rect> frame;
        std::optional<float> alpha;
        std::optional<AffineTransform> transform;
    };
    // `finished` is false when the animation was stopped before its end.
    using Completion = std::function<void(bool finished)>;

    // Starts at once from the view's current values. `loop` null means the view's window's loop
    // (or the main loop). The animation keeps itself alive until it ends (a held one is kept by
    // its group); keep the result to stop or finish it early.
    static std::shared_ptr<ViewAnimation> start(const std::shared_ptr<View>& view, double seconds,
                                                Targets targets, Completion completion = {},
                                                RunLoop* loop = nullptr);
    ~ViewAnimation();
    ViewAnimation(const ViewAnimation&) = delete;
    ViewAnimation& operator=(const ViewAnimation&) = delete;

    // Jumps to the targets and runs the completion with true.
    void finish();
    // Leaves the view where it is now and runs the completion with false.
    void stop();
    bool isRunning() const { return running_; }
    // 0 at the start, 1 at the end.
    double progress() const;
    double seconds() const { return seconds_; }

  private:
    friend class ViewAnimationGroup;
    ViewAnimation() = default;
    void step();
    void apply(double t);
    void end(bool finished);
    // The group's side: moves a held animation to `t` of the way, or ends it at its targets
    // (forward) or back on its start values.
    void hold(double t);
    void release(bool forward);

    std::weak_ptr<View> view_;
    RunLoop* loop_ = nullptr;
    double begin_ = 0;
    double seconds_ = 0;
    Rect fromFrame_;
    float fromAlpha_ = 1;
    AffineTransform fromTransform_;
    Targets to_;
    Completion completion_;
    std::shared_ptr<Timer> timer_;
    std::shared_ptr<ViewAnimation> self_;
    bool running_ = false;
    bool held_ = false;
    double heldProgress_ = 0;
};

}  // namespace platform::ui
