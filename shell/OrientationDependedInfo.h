#pragma once
// What the app keeps per interface orientation: the neutral tilt vector (the device's reading
// when the player holds it "level" in that orientation). The orientation's screens join this
// record when the screens are built: add their slots below the neutral vector.

class OrientationDependedInfo {
  public:
    // Starts at the flat neutral vector, as after a reset.
    OrientationDependedInfo() = default;

    double neutralAccelerometerX() const { return _neutralAccelerometerX; }
    double neutralAccelerometerY() const { return _neutralAccelerometerY; }
    double neutralAccelerometerZ() const { return _neutralAccelerometerZ; }
    void setNeutralAccelerometerX(double x) { _neutralAccelerometerX = x; }
    void setNeutralAccelerometerY(double y) { _neutralAccelerometerY = y; }
    void setNeutralAccelerometerZ(double z) { _neutralAccelerometerZ = z; }
    void setNeutralAccelerometer(double x, double y, double z);

    // (0, 0, -1): the device lying flat on its back.
    void resetNeutralAccelerometer() { setNeutralAccelerometer(0.0, 0.0, -1.0); }

  private:
    double _neutralAccelerometerX = 0.0;
    double _neutralAccelerometerY = 0.0;
    double _neutralAccelerometerZ = -1.0;
};
