#include "shell/OrientationDependedInfo.h"

void OrientationDependedInfo::setNeutralAccelerometer(double x, double y, double z) {
    _neutralAccelerometerX = x;
    _neutralAccelerometerY = y;
    _neutralAccelerometerZ = z;
}

int OrientationDependedInfo::indexOfInterfaceOrientation(int orientation) {
    switch (orientation) {
        case 3:
            return 1;
        case 2:
            return 2;
        case 4:
            return 3;
        default:
            return 0;
    }
}
