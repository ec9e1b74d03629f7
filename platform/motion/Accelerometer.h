#pragma once
// The device's one shared accelerometer: an update interval and one delegate that gets a reading
// on the run loop every interval while it is set. Readings come from a TiltSource chosen at
// start-up and are always finite. Loop thread only.
#include <memory>

#include "platform/motion/TiltSource.h"

namespace platform {

class Accelerometer;
class RunLoop;
class Timer;

class AccelerometerDelegate {
  public:
    virtual ~AccelerometerDelegate() = default;
    virtual void accelerometerDidAccelerate(Accelerometer& accelerometer, const Acceleration& sample) = 0;
};

class Accelerometer {
  public:
    // Readings stay within +-kMaxG on each axis, as a real sensor's range would keep them.
    static constexpr double kMaxG = 8.0;
    static constexpr double kDefaultInterval = 0.1;
    static constexpr double kMinInterval = 0.005;
    static constexpr double kMaxInterval = 1.0;

    // Delivers on `loop`, or on RunLoop::main() as it is when delivery starts when null.
    explicit Accelerometer(std::unique_ptr<TiltSource> source, RunLoop* loop = nullptr);
    ~Accelerometer();
    Accelerometer(const Accelerometer&) = delete;
    Accelerometer& operator=(const Accelerometer&) = delete;

    // The process's accelerometer. Until one is installed, a flat scripted one is made on first use.
    static Accelerometer& shared();
    // Installs the shared accelerometer (null drops it) and returns the one it replaces.
    static std::shared_ptr<Accelerometer> setShared(std::shared_ptr<Accelerometer> accelerometer);

    // Seconds between readings, kept within [kMinInterval, kMaxInterval]; a NaN means the default.
    void setUpdateInterval(double seconds);
    double updateInterval() const { return interval_; }

    // Not owned. Setting one starts delivery (one interval from now), null stops it.
    void setDelegate(AccelerometerDelegate* delegate);
    AccelerometerDelegate* delegate() const { return delegate_; }

    TiltSource& source() { return *source_; }
    // The last reading delivered; flat before the first.
    const Acceleration& lastSample() const { return last_; }

    // The reading as delivered: a reading with a non-finite axis is replaced by `previous`, and
    // each axis is clamped to +-kMaxG.
    static Acceleration sanitized(const Acceleration& raw, const Acceleration& previous);

  private:
    void startDelivery();
    void stopDelivery();
    void deliver();

    std::unique_ptr<TiltSource> source_;
    RunLoop* loop_;
    double interval_ = kDefaultInterval;
    AccelerometerDelegate* delegate_ = nullptr;
    std::shared_ptr<Timer> timer_;
    bool sourceActive_ = false;
    Acceleration last_;
    // Held weakly by the delivery timer, so a timer outliving this object never calls into it.
    std::shared_ptr<char> lifeToken_;
};

}  // namespace platform
