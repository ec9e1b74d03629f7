#pragma once
// A finger (or the held mouse button) dragged across a view: begins once the touches have moved
// kHysteresis points from where they went down, then reports Changed at every move and Ended when
// the last finger lifts (Cancelled when the touches are cancelled). Translation and velocity are
// measured on the window's clock, so a scripted drag gives the same numbers every run.
#include "platform/ui/GestureRecognizer.h"

namespace platform::ui {

class PanGestureRecognizer : public GestureRecognizer {
  public:
    static constexpr float kHysteresis = 10;

    std::size_t minimumNumberOfTouches() const { return minimumTouches_; }
    void setMinimumNumberOfTouches(std::size_t n) { minimumTouches_ = n; }
    std::size_t maximumNumberOfTouches() const { return maximumTouches_; }
    void setMaximumNumberOfTouches(std::size_t n) { maximumTouches_ = n; }

    // How far the gesture has moved since it began, in `view`'s coordinate directions (null:
    // window). setTranslation makes the present translation `t` from now on.
    Point translationInView(const View* view) const;
    void setTranslation(Point t, const View* view);
    // Points per second over the last moves (at most 0.1 s of them); zero when the finger has
    // rested for longer than that.
    Point velocityInView(const View* view) const;

  protected:
    void touchesBegan(const TouchList& touches, const TouchEvent& event) override;
    void touchesMoved(const TouchList& touches, const TouchEvent& event) override;
    void touchesEnded(const TouchList& touches, const TouchEvent& event) override;
    void touchesCancelled(const TouchList& touches, const TouchEvent& event) override;
    void reset() override;

  private:
    struct Sample {
        Point location;  // window coordinates
        double time;
    };
    std::size_t minimumTouches_ = 1;
    std::size_t maximumTouches_ = 1000;
    Point start_;        // window coordinates, where the touches went down
    Point translation_;  // window coordinates
    Point offset_;
    std::vector<Sample> samples_;
};

}  // namespace platform::ui
