#pragma once
// One finger (or the mouse button) on the screen, from touch-down to lift. The same Touch object
// is handed out for every phase, so views may track touches by identity.
#include <cstdint>
#include <memory>
#include <vector>

#include "platform/geometry/Geometry.h"

namespace platform::ui {

class View;

enum class TouchPhase { Began = 0, Moved = 1, Stationary = 2, Ended = 3, Cancelled = 4 };

class Touch {
  public:
    Touch(std::uint64_t identity, Point windowLocation, double timestamp, int tapCount);

    std::uint64_t identity() const { return identity_; }
    TouchPhase phase() const { return phase_; }
    int tapCount() const { return tapCount_; }
    double timestamp() const { return timestamp_; }
    // The view the touch began in (the one that receives all its phases); null once it is gone.
    std::shared_ptr<View> view() const { return view_.lock(); }

    Point locationInWindow() const { return location_; }
    Point previousLocationInWindow() const { return previous_; }
    // Location in the coordinates of `view`; window coordinates when `view` is null.
    Point locationInView(const View* view) const;
    Point previousLocationInView(const View* view) const;

    // Used by the window while it delivers events.
    void update(TouchPhase phase, Point windowLocation, double timestamp);
    void setView(const std::shared_ptr<View>& view) { view_ = view; }

  private:
    std::uint64_t identity_;
    TouchPhase phase_ = TouchPhase::Began;
    Point location_;
    Point previous_;
    double timestamp_;
    int tapCount_;
    std::weak_ptr<View> view_;
};

using TouchList = std::vector<std::shared_ptr<Touch>>;

}  // namespace platform::ui
