#pragma once
// The touches of one input step: the ones that changed (passed to the handler) and all the
// touches currently on the screen.
#include "platform/ui/Touch.h"

namespace platform::ui {

class TouchEvent {
  public:
    TouchEvent(TouchList allTouches, double timestamp) : all_(std::move(allTouches)), timestamp_(timestamp) {}

    const TouchList& allTouches() const { return all_; }
    // Any one touch of the event (the first), null for an empty event.
    std::shared_ptr<Touch> anyObject() const { return all_.empty() ? nullptr : all_.front(); }
    TouchList touchesForView(const View* view) const;
    double timestamp() const { return timestamp_; }

  private:
    TouchList all_;
    double timestamp_;
};

}  // namespace platform::ui
