#pragma once
// What the app keeps per interface orientation: the neutral tilt vector (the device's reading
// when the player holds it "level" in that orientation) and the screens made for it, each
// created on first use and reused afterwards.
#include <memory>

namespace platform::ui {
class ViewController;
}
class GameViewBase;
class TitleView;
class PauseView;
class GameOverView;
class SimpleSelectView;

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

    std::shared_ptr<TitleView> titleView;
    std::shared_ptr<GameViewBase> gameView;
    std::shared_ptr<PauseView> pauseView;
    std::shared_ptr<GameOverView> gameOverView;
    std::shared_ptr<platform::ui::ViewController> toolsView;
    std::shared_ptr<SimpleSelectView> simpleSelectView;

  private:
    double _neutralAccelerometerX = 0.0;
    double _neutralAccelerometerY = 0.0;
    double _neutralAccelerometerZ = -1.0;
};
