#pragma once
// Turns the shared accelerometer's readings into a smoothed acceleration vector and into tilt
// relative to a neutral (calibrated) vector, in the frame of the interface orientation fixed at
// start. The smoothing strength is given per second and turned into a per-reading weight from
// the reading rate actually seen; a 0.5 s watchdog restarts the accelerometer when readings stop.
// Main thread only.
#include <memory>

#include "appbase/ShellLinks.h"
#include "platform/motion/Accelerometer.h"

class OrientationDependedInfo;

namespace platform {
class Timer;
}

class AccelerometerHelper : public JTAppBase::AccelerometerLink, public platform::AccelerometerDelegate {
  public:
    // What the helper needs of the app core.
    class Owner {
      public:
        virtual ~Owner() = default;
        // The record of the current interface orientation (null counts as a flat neutral vector).
        virtual const OrientationDependedInfo* currentOrientationDependedInfo() const = 0;
        // The status bar's interface orientation: 1 portrait, 2 upside down, 3 landscape right,
        // 4 landscape left.
        virtual int statusBarOrientation() const = 0;
    };

    static constexpr double kCheckInterval = 0.5;
    // Requested rates are kept within these bounds, so every rate-derived count stays meaningful and
    // within what the accelerometer delivers.
    static constexpr double kMinFrequency = 4.0;
    static constexpr double kMaxFrequency = 200.0;

    // Neither is owned; both must outlive the helper. A null accelerometer means the shared one as
    // it is at each start and stop.
    explicit AccelerometerHelper(Owner* appCore, platform::Accelerometer* accelerometer = nullptr);
    ~AccelerometerHelper() override;
    AccelerometerHelper(const AccelerometerHelper&) = delete;
    AccelerometerHelper& operator=(const AccelerometerHelper&) = delete;

    // `filteringFactorPerSec` is the weight of the old value left after one second, in [0, 1].
    void startWithFrequency(double frequency, double filteringFactorPerSec);
    void stop();

    void startAccelerometer();
    // Lets go of the accelerometer, unless another helper has taken it over meanwhile.
    void stopAccelerometer();
    void startLockCheckTimer();
    void stopLockCheckTimer();
    void onAcceleromterCheck();
    void updateAccelerometerFilteringFactorEachTick(double interval, int tickCount, double ffForFf);

    void accelerometerDidAccelerate(platform::Accelerometer& accelerometer,
                                    const platform::Acceleration& sample) override;

    // Stores the neutral vector (flat when an axis is not finite), puts the filtered vector there
    // and computes its angles.
    void setNeutalAccelerometer(double x, double y, double z);

    double accelerationFromNeutralX() const { return _accelerometerX - _neutralAccelerometerX; }
    double accelerationFromNeutralY() const { return _accelerometerY - _neutralAccelerometerY; }
    // Sideways and up-the-screen tilt as the player sees the screen.
    double accelerationFromNeutralH() const override;
    double accelerationFromNeutralV() const;

    // Horizontal and vertical angle (radians) of the device vector seen in `orientation`.
    static void getAnglesWithOrientation(int orientation, double x, double y, double z, double* outRotH,
                                         double* outRotV);
    // Angles of the filtered vector minus those of the neutral vector, each within [-pi, pi].
    void getAnglesFromNeutral(int unused, double* outRotH, double* outRotV) const;
    void getAnglesFromNeutral(float* outRotH, float* outRotV) const override;

    // The device vector (x, y) as screen-horizontal h and screen-vertical v in `orientation`.
    static void screenAxes(int orientation, double x, double y, double* outH, double* outV);

    Owner* appCore() const { return _appCore; }
    double accelerometerX() const { return _accelerometerX; }
    double accelerometerY() const { return _accelerometerY; }
    double accelerometerZ() const { return _accelerometerZ; }
    void setAccelerometerX(double x) { _accelerometerX = x; }
    void setAccelerometerY(double y) { _accelerometerY = y; }
    void setAccelerometerZ(double z) { _accelerometerZ = z; }

    int interfaceOrientation() const { return _interfaceOrientation; }
    double neutralAccelerometerX() const { return _neutralAccelerometerX; }
    double neutralAccelerometerY() const { return _neutralAccelerometerY; }
    double neutralAccelerometerZ() const { return _neutralAccelerometerZ; }
    double neutralRotH() const { return _neutralRotH; }
    double neutralRotV() const { return _neutralRotV; }
    double accelerometerFrequency() const { return _accelerometerFrequency; }
    double accelerometerFilteringFactorPerSec() const { return _accelerometerFilteringFactorPerSec; }
    double accelerometerFilteringFactorEachTick() const { return _accelerometerFilteringFactorEachTick; }
    int accelerometerCallCount() const { return _accelerometerCallCount; }
    bool isStarted() const { return _accelerometerCheckTimer != nullptr; }

  private:
    platform::Accelerometer& accelerometer() const;

    Owner* _appCore;
    platform::Accelerometer* _accelerometer;
    std::shared_ptr<platform::Timer> _accelerometerCheckTimer;
    double _accelerometerFrequency = 0.0;
    double _accelerometerFilteringFactorPerSec = 0.0;
    double _accelerometerFilteringFactorEachTick = 0.0;
    double _accelerometerX = 0.0;
    double _accelerometerY = 0.0;
    double _accelerometerZ = 0.0;
    int _accelerometerCallCount = 0;
    int _interfaceOrientation = 1;
    double _neutralAccelerometerX = 0.0;
    double _neutralAccelerometerY = 0.0;
    double _neutralAccelerometerZ = -1.0;
    double _neutralRotH = 0.0;
    double _neutralRotV = 0.0;
    // Held weakly by the watchdog timer, so it never fires into a destroyed helper.
    std::shared_ptr<char> _lifeToken;
};
