#pragma once
// Tilt set from outside, tick by tick (headless runs and tests): every reading is exactly the
// value last set, so a replay of the same script gives the same readings.
#include "platform/motion/TiltSource.h"

namespace platform {

class ScriptedTiltSource : public TiltSource {
  public:
    // Starts flat.
    ScriptedTiltSource() = default;

    // A sideways tilt of x g: (x, 0, -sqrt(1 - x^2)), the device rolled about its long axis
    // (z is 0 beyond +-1 g).
    void setScriptedTilt(double x);
    void setScriptedAcceleration(const Acceleration& acceleration) { current_ = acceleration; }
    const Acceleration& scriptedAcceleration() const { return current_; }

    std::optional<Acceleration> read(double now) override { return current_; }

    // The reading of a device rolled sideways by x g.
    static Acceleration rolled(double x);

  private:
    Acceleration current_;
};

}  // namespace platform
