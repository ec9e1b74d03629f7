#pragma once
// What a rich-media creative's container hears from native code: the creative announced itself
// or went away, became visible or not, moved, or had a request refused. The host answers these
// for the ad it shows; presenters and the opener report refusals through it. Main thread only.
#include <string>

namespace platform::ui {
class View;
}

class DZMRAIDEventHandling {
  public:
    virtual ~DZMRAIDEventHandling() = default;
    virtual void MRAIDAdDidLoad() = 0;
    virtual void MRAIDAdDidUnload() = 0;
    virtual void updateVisibility(bool visible) = 0;
    virtual void updatePositionFromView(platform::ui::View& view) = 0;
    // Both texts are always given; the page hears them as an "error" event.
    virtual void handleError(const std::string& message, const std::string& action) = 0;
};
