#pragma once
// Tilt in the desktop window: a gamepad's accelerometer while one is connected, else the left and
// right arrow keys, else the mouse's horizontal position while its right button is held, else the
// device lies flat. The left button is a finger, so reaching for a button or clicking to fire
// never throws the hero aside.
#include <functional>
#include <memory>
#include <optional>

#include "platform/geometry/Geometry.h"
#include "platform/motion/KeyTiltRamp.h"
#include "platform/motion/TiltSource.h"
#include "platform/window/WindowEvent.h"

namespace platform {

class GamepadAccelerometer;

class WindowTiltSource : public TiltSource {
  public:
    // Loop seconds; by default RunLoop::main()'s clock.
    using Clock = std::function<double()>;

    // The mouse tilts by at most kMouseTilt g at the window's left and right edges.
    static constexpr double kMouseTilt = 0.6;

    // `gamepad` may be null (no pad support).
    WindowTiltSource(Size windowPoints, std::unique_ptr<GamepadAccelerometer> gamepad, Clock clock = {});
    ~WindowTiltSource() override;

    // Feed every window event here, as the window reports it.
    void onWindowEvent(const WindowEvent& event);
    void setWindowSize(Size windowPoints) { window_ = windowPoints; }

    std::optional<Acceleration> read(double now) override;
    void activate() override;
    void deactivate() override;

  private:
    double now() const;

    Size window_;
    std::unique_ptr<GamepadAccelerometer> gamepad_;
    Clock clock_;
    KeyTiltRamp keys_;
    bool steering_ = false;
    double mouseX_ = 0.0;
};

}  // namespace platform
