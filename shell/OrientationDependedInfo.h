#pragma once
// What the app keeps per interface orientation: the neutral tilt vector (the device's reading
// when the player holds it "level" in that orientation) and the game view made for it, created
// on first use and reused afterwards. (The screens keep their own records: ScreenDirector.)
#include <memory>

class GameViewBase;

class OrientationDependedInfo {
  public:
    // Starts at the flat neutral vector, as after a reset.
    OrientationDependedInfo() = default;

    // Orientation index: 0 portrait (1, and any unknown value), 1 landscape right (3), 2 portrait
    // upside down (2), 3 landscape left (4).
    static int indexOfInterfaceOrientation(int orientation);

    double neutralAccelerometerX() const { return _neutralAccelerometerX; }
    double neutralAccelerometerY() const { return _neutralAccelerometerY; }
    double neutralAccelerometerZ() const { return _neutralAccelerometerZ; }
    void setNeutralAccelerometerX(double x) { _neutralAccelerometerX = x; }
    void setNeutralAccelerometerY(double y) { _neutralAccelerometerY = y; }
    void setNeutralAccelerometerZ(double z) { _neutralAccelerometerZ = z; }
    void setNeutralAccelerometer(double x, double y, double z);

    // (0, 0, -1): the device lying flat on its back.
    void resetNeutralAccelerometer() { setNeutralAccelerometer(0.0, 0.0, -1.0); }

    std::shared_ptr<GameViewBase> gameView;

  private:
    double _neutralAccelerometerX = 0.0;
    double _neutralAccelerometerY = 0.0;
    double _neutralAccelerometerZ = -1.0;
};
