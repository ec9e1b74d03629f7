#include "shell/OrientationDependedInfo.h"

void OrientationDependedInfo::setNeutralAccelerometer(double x, double y, double z) {
    _neutralAccelerometerX = x;
    _neutralAccelerometerY = y;
    _neutralAccelerometerZ = z;
}
