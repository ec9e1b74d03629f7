#include "shell/AccelerometerHelper.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "appbase/LogMessage.h"
#include "platform/runloop/RunLoop.h"
#include "platform/runloop/Timer.h"
#include "shell/OrientationDependedInfo.h"

namespace {

double sanitizedFrequency(double frequency) {
    if (std::isnan(frequency)) return AccelerometerHelper::kMinFrequency;
    return std::clamp(frequency, AccelerometerHelper::kMinFrequency, AccelerometerHelper::kMaxFrequency);
}

double sanitizedFactor(double factor) {
    // 0 means no smoothing at all, which is also the safe reading of a meaningless factor.
    if (std::isnan(factor)) return 0.0;
    return std::clamp(factor, 0.0, 1.0);
}

double wrapped(double angle) {
    constexpr double pi = std::numbers::pi;
    if (angle > pi) return angle - 2.0 * pi;
    if (angle < -pi) return angle + 2.0 * pi;
    return angle;
}

}  // namespace

AccelerometerHelper::AccelerometerHelper(Owner* appCore, platform::Accelerometer* accelerometer)
    : _appCore(appCore), _accelerometer(accelerometer), _lifeToken(std::make_shared<char>(0)) {}

AccelerometerHelper::~AccelerometerHelper() {
    stopLockCheckTimer();
    stopAccelerometer();
}

platform::Accelerometer& AccelerometerHelper::accelerometer() const {
    return _accelerometer != nullptr ? *_accelerometer : platform::Accelerometer::shared();
}

void AccelerometerHelper::startWithFrequency(double frequency, double filteringFactorPerSec) {
    _accelerometerCallCount = 0;
    _accelerometerFrequency = sanitizedFrequency(frequency);
    _accelerometerFilteringFactorPerSec = sanitizedFactor(filteringFactorPerSec);
    _interfaceOrientation = _appCore != nullptr ? _appCore->statusBarOrientation() : 1;
    const OrientationDependedInfo* info =
        _appCore != nullptr ? _appCore->currentOrientationDependedInfo() : nullptr;
    if (info != nullptr) {
        setNeutalAccelerometer(info->neutralAccelerometerX(), info->neutralAccelerometerY(),
                               info->neutralAccelerometerZ());
    } else {
        setNeutalAccelerometer(0.0, 0.0, -1.0);
    }
    updateAccelerometerFilteringFactorEachTick(kCheckInterval,
                                               static_cast<int>(_accelerometerFrequency * 0.5), 1.0);
    startAccelerometer();
    startLockCheckTimer();
}

void AccelerometerHelper::stop() {
    stopLockCheckTimer();
    stopAccelerometer();
}

void AccelerometerHelper::startAccelerometer() {
    platform::Accelerometer& shared = accelerometer();
    shared.setUpdateInterval(1.0 / _accelerometerFrequency);
    shared.setDelegate(this);
}

void AccelerometerHelper::stopAccelerometer() {
    platform::Accelerometer& shared = accelerometer();
    if (shared.delegate() == this) shared.setDelegate(nullptr);
}

void AccelerometerHelper::startLockCheckTimer() {
    stopLockCheckTimer();
    _accelerometerCheckTimer = platform::RunLoop::main().scheduleRepeating(
        kCheckInterval, _lifeToken, [this](platform::Timer&) { onAcceleromterCheck(); });
}

void AccelerometerHelper::stopLockCheckTimer() {
    if (_accelerometerCheckTimer) {
        _accelerometerCheckTimer->invalidate();
        _accelerometerCheckTimer.reset();
    }
}

void AccelerometerHelper::onAcceleromterCheck() {
    if (_accelerometerCallCount > 0) {
        updateAccelerometerFilteringFactorEachTick(kCheckInterval, _accelerometerCallCount, 0.5);
    } else if (_accelerometerCheckTimer) {
        LogMessage("onAcceleromterCheck", 3, "reset accelerometer");
        stopAccelerometer();
        startAccelerometer();
    }
    _accelerometerCallCount = 0;
}

void AccelerometerHelper::updateAccelerometerFilteringFactorEachTick(double interval, int tickCount,
                                                                     double ffForFf) {
    const int lower = std::max(1, static_cast<int>(_accelerometerFrequency / 3.0));
    const int upper = static_cast<int>(_accelerometerFrequency * 2.0);
    const int m = tickCount < lower ? lower : std::min(tickCount, upper);
    const double f = std::pow(_accelerometerFilteringFactorPerSec, interval / m);
    _accelerometerFilteringFactorEachTick =
        ffForFf * (1.0 - f) + (1.0 - ffForFf) * _accelerometerFilteringFactorEachTick;
}

void AccelerometerHelper::accelerometerDidAccelerate(platform::Accelerometer&,
                                                     const platform::Acceleration& sample) {
    ++_accelerometerCallCount;
    const double k = _accelerometerFilteringFactorEachTick;
    _accelerometerX = k * sample.x + (1.0 - k) * _accelerometerX;
    _accelerometerY = k * sample.y + (1.0 - k) * _accelerometerY;
    _accelerometerZ = k * sample.z + (1.0 - k) * _accelerometerZ;
}

void AccelerometerHelper::setNeutalAccelerometer(double x, double y, double z) {
    // A damaged settings file must not leave every later tilt reading NaN: fall back to flat.
    if (!std::isfinite(x) || !std::isfinite(y) || !std::isfinite(z)) {
        x = 0.0;
        y = 0.0;
        z = -1.0;
    }
    _neutralAccelerometerX = x;
    _neutralAccelerometerY = y;
    _neutralAccelerometerZ = z;
    _accelerometerX = x;
    _accelerometerY = y;
    _accelerometerZ = z;
    getAnglesWithOrientation(_interfaceOrientation, x, y, z, &_neutralRotH, &_neutralRotV);
}

void AccelerometerHelper::screenAxes(int orientation, double x, double y, double* outH, double* outV) {
    double h = x;
    double v = y;
    switch (orientation) {
        case 2:
            h = -x;
            v = -y;
            break;
        case 3:
            h = -y;
            v = x;
            break;
        case 4:
            h = y;
            v = -x;
            break;
        default:
            break;
    }
    *outH = h;
    *outV = v;
}

double AccelerometerHelper::accelerationFromNeutralH() const {
    double h = 0.0;
    double v = 0.0;
    screenAxes(_interfaceOrientation, accelerationFromNeutralX(), accelerationFromNeutralY(), &h, &v);
    return h;
}

double AccelerometerHelper::accelerationFromNeutralV() const {
    double h = 0.0;
    double v = 0.0;
    screenAxes(_interfaceOrientation, accelerationFromNeutralX(), accelerationFromNeutralY(), &h, &v);
    return v;
}

void AccelerometerHelper::getAnglesWithOrientation(int orientation, double x, double y, double z,
                                                   double* outRotH, double* outRotV) {
    double h = 0.0;
    double v = 0.0;
    screenAxes(orientation, x, y, &h, &v);
    if (outRotH != nullptr) *outRotH = std::atan2(h, std::sqrt(z * z + v * v));
    if (outRotV != nullptr) *outRotV = std::atan2(v, -z);
}

void AccelerometerHelper::getAnglesFromNeutral(int, double* outRotH, double* outRotV) const {
    double rotH = 0.0;
    double rotV = 0.0;
    getAnglesWithOrientation(_interfaceOrientation, _accelerometerX, _accelerometerY, _accelerometerZ, &rotH,
                             &rotV);
    if (outRotH != nullptr) *outRotH = wrapped(rotH - _neutralRotH);
    if (outRotV != nullptr) *outRotV = wrapped(rotV - _neutralRotV);
}

void AccelerometerHelper::getAnglesFromNeutral(float* outRotH, float* outRotV) const {
    double rotH = 0.0;
    double rotV = 0.0;
    getAnglesFromNeutral(0, &rotH, &rotV);
    if (outRotH != nullptr) *outRotH = static_cast<float>(rotH);
    if (outRotV != nullptr) *outRotV = static_cast<float>(rotV);
}
