#include "platform/motion/ScriptedTiltSource.h"

#include <algorithm>
#include <cmath>

namespace platform {

void ScriptedTiltSource::setScriptedTilt(double x) {
    current_ = rolled(x);
}

Acceleration ScriptedTiltSource::rolled(double x) {
    // A NaN stays NaN here; the accelerometer never passes it on.
    return Acceleration{x, 0.0, -std::sqrt(std::max(0.0, 1.0 - x * x))};
}

}  // namespace platform
