#pragma once
// Where the accelerometer's readings come from: the window's keys, mouse and gamepad, or a script.
#include <optional>

namespace platform {

// One reading in g units in the device frame: portrait x to the right, y up the screen, z out of
// the screen. A device lying flat on its back reads (0, 0, -1).
struct Acceleration {
    double x = 0.0;
    double y = 0.0;
    double z = -1.0;

    bool operator==(const Acceleration&) const = default;
};

class TiltSource {
  public:
    virtual ~TiltSource() = default;
    // The reading for a delivery at loop time `now`; nothing when the sensor has no reading to
    // give (the accelerometer then skips that delivery).
    virtual std::optional<Acceleration> read(double now) = 0;
    // Delivery starts and stops; a source may power its sensor up and down here.
    virtual void activate() {}
    virtual void deactivate() {}
};

}  // namespace platform
