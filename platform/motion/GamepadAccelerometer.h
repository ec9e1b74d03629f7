#pragma once
// A connected gamepad's own accelerometer, where the pad has one (SDL's sensor API). Pads come and
// go: the first pad with an accelerometer is opened when it appears and dropped when unplugged.
// Loop thread only.
#include <optional>

#include "platform/motion/TiltSource.h"

namespace platform {

class GamepadAccelerometer {
  public:
    // Starts SDL's game-controller and sensor subsystems; without them no pad is ever found.
    GamepadAccelerometer();
    ~GamepadAccelerometer();
    GamepadAccelerometer(const GamepadAccelerometer&) = delete;
    GamepadAccelerometer& operator=(const GamepadAccelerometer&) = delete;

    // The pad's reading in the device frame; nothing while no pad with an accelerometer is there.
    // Looks for a newly plugged pad at most once a second.
    std::optional<Acceleration> read(double now);
    // Powers the pad's sensor up or down (it costs the pad battery while on).
    void setEnabled(bool on);
    bool connected() const { return controller_ != nullptr; }

    // A pad reading (m/s^2; held in front of you: +x right, +y up out of its face, +z toward the
    // player; at rest it reads +g upward) as the device frame reads it (g units, lying flat reads
    // (0, 0, -1)): the pad's face stands for the screen and its far edge for the top of the screen.
    static Acceleration fromPadReading(float x, float y, float z);

  private:
    void scan();
    void close();

    bool ready_ = false;
    bool enabled_ = false;
    void* controller_ = nullptr;
    double nextScan_ = 0.0;
};

}  // namespace platform
