#include "platform/motion/Accelerometer.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "platform/motion/ScriptedTiltSource.h"
#include "platform/runloop/RunLoop.h"
#include "platform/runloop/Timer.h"

namespace platform {

namespace {

std::shared_ptr<Accelerometer>& sharedSlot() {
    static std::shared_ptr<Accelerometer> slot;
    return slot;
}

bool finite(const Acceleration& a) {
    return std::isfinite(a.x) && std::isfinite(a.y) && std::isfinite(a.z);
}

double clampAxis(double v) {
    return std::clamp(v, -Accelerometer::kMaxG, Accelerometer::kMaxG);
}

}  // namespace

Accelerometer::Accelerometer(std::unique_ptr<TiltSource> source, RunLoop* loop)
    : source_(source ? std::move(source) : std::make_unique<ScriptedTiltSource>()),
      loop_(loop),
      lifeToken_(std::make_shared<char>(0)) {}

Accelerometer::~Accelerometer() {
    stopDelivery();
}

Accelerometer& Accelerometer::shared() {
    auto& slot = sharedSlot();
    if (!slot) slot = std::make_shared<Accelerometer>(std::make_unique<ScriptedTiltSource>());
    return *slot;
}

std::shared_ptr<Accelerometer> Accelerometer::setShared(std::shared_ptr<Accelerometer> accelerometer) {
    return std::exchange(sharedSlot(), std::move(accelerometer));
}

void Accelerometer::setUpdateInterval(double seconds) {
    const double interval =
        std::isnan(seconds) ? kDefaultInterval : std::clamp(seconds, kMinInterval, kMaxInterval);
    if (interval == interval_) return;
    interval_ = interval;
    if (timer_) {
        // Restart on the new grid; the source stays powered.
        timer_->invalidate();
        timer_.reset();
        startDelivery();
    }
}

void Accelerometer::setDelegate(AccelerometerDelegate* delegate) {
    if (delegate == delegate_) return;
    delegate_ = delegate;
    if (delegate_ == nullptr) {
        stopDelivery();
    } else if (!timer_) {
        startDelivery();
    }
}

void Accelerometer::startDelivery() {
    if (!sourceActive_) {
        source_->activate();
        sourceActive_ = true;
    }
    RunLoop& loop = loop_ != nullptr ? *loop_ : RunLoop::main();
    timer_ = loop.scheduleRepeating(interval_, lifeToken_, [this](Timer&) { deliver(); });
}

void Accelerometer::stopDelivery() {
    if (timer_) {
        timer_->invalidate();
        timer_.reset();
    }
    if (sourceActive_) {
        sourceActive_ = false;
        source_->deactivate();
    }
}

void Accelerometer::deliver() {
    if (delegate_ == nullptr) return;
    const double now = loop_ != nullptr ? loop_->now() : RunLoop::main().now();
    const std::optional<Acceleration> raw = source_->read(now);
    if (!raw) return;
    last_ = sanitized(*raw, last_);
    delegate_->accelerometerDidAccelerate(*this, last_);
}

Acceleration Accelerometer::sanitized(const Acceleration& raw, const Acceleration& previous) {
    const Acceleration& base = finite(raw) ? raw : previous;
    return Acceleration{clampAxis(base.x), clampAxis(base.y), clampAxis(base.z)};
}

}  // namespace platform
