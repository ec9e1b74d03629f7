#include "platform/ui/Touch.h"

#include "platform/ui/View.h"

namespace platform::ui {

Touch::Touch(std::uint64_t identity, Point windowLocation, double timestamp, int tapCount)
    : identity_(identity),
      location_(windowLocation),
      previous_(windowLocation),
      timestamp_(timestamp),
      tapCount_(tapCount) {}

Point Touch::locationInView(const View* view) const {
    return view ? view->convertPointFromWindow(location_) : location_;
}

Point Touch::previousLocationInView(const View* view) const {
    return view ? view->convertPointFromWindow(previous_) : previous_;
}

void Touch::update(TouchPhase phase, Point windowLocation, double timestamp) {
    previous_ = location_;
    location_ = windowLocation;
    phase_ = phase;
    timestamp_ = timestamp;
}

}  // namespace platform::ui
