#pragma once
// A view whose picture comes from elsewhere (a web page's engine) and may not be there yet: a
// slide that brings the view in waits until it is, rather than showing an empty sheet meanwhile.
#include <functional>
#include <memory>

namespace platform::ui {

class ShowReadiness {
  public:
    virtual ~ShowReadiness() = default;
    // Whether the picture shown is the view's own at its size and scale.
    virtual bool readyToShow() const = 0;
    // Calls `changed`, on the main loop, each time the view may have become ready, for as long
    // as the handle returned is held (nothing when the view can tell nothing more).
    virtual std::shared_ptr<void> listenForReadiness(std::function<void()> changed) = 0;
};

}  // namespace platform::ui
