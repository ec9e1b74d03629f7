#include "platform/motion/KeyTiltRamp.h"

#include <algorithm>
#include <cmath>

namespace platform {

namespace {

constexpr double kRate = KeyTiltRamp::kFullTilt / KeyTiltRamp::kRampSeconds;
constexpr double kSnap = 1e-9;

}  // namespace

double KeyTiltRamp::targetAt(double t) const {
    const double right = heldAt(keys_[1], t) ? 1.0 : 0.0;
    const double left = heldAt(keys_[0], t) ? 1.0 : 0.0;
    return kFullTilt * (right - left);
}

void KeyTiltRamp::advanceTo(double t) {
    if (!std::isfinite(t)) return;
    if (!started_) {
        started_ = true;
        last_ = t;
        return;
    }
    if (t <= last_) return;
    // The target changes only where a held-over key finally lets go; walk those points in order.
    while (last_ < t) {
        double segmentEnd = t;
        for (Key& key : keys_) {
            if (key.pendingRelease && key.releaseAt > last_ && key.releaseAt < segmentEnd) {
                segmentEnd = key.releaseAt;
            }
        }
        const double target = targetAt(last_);
        const double step = kRate * (segmentEnd - last_);
        value_ = value_ < target ? std::min(target, value_ + step) : std::max(target, value_ - step);
        // Rounding in the time differences must not leave the tilt a hair off its rest or peak.
        if (std::abs(value_ - target) < kSnap) value_ = target;
        last_ = segmentEnd;
        for (Key& key : keys_) {
            if (key.pendingRelease && key.releaseAt <= last_) key.pendingRelease = false;
        }
    }
}

void KeyTiltRamp::press(Side side, double now) {
    advanceTo(now);
    Key& key = keys_[side == Side::Left ? 0 : 1];
    if (key.down) return;  // auto-repeat
    key.down = true;
    key.pendingRelease = false;
    key.pressedAt = std::max(now, last_);
}

void KeyTiltRamp::release(Side side, double now) {
    advanceTo(now);
    Key& key = keys_[side == Side::Left ? 0 : 1];
    if (!key.down) return;
    key.down = false;
    key.releaseAt = key.pressedAt + kMinHoldSeconds;
    key.pendingRelease = key.releaseAt > last_;
}

void KeyTiltRamp::releaseAll(double now) {
    release(Side::Left, now);
    release(Side::Right, now);
}

double KeyTiltRamp::valueAt(double now) {
    advanceTo(now);
    return value_;
}

bool KeyTiltRamp::activeAt(double now) {
    advanceTo(now);
    return value_ != 0.0 || heldAt(keys_[0], last_) || heldAt(keys_[1], last_);
}

}  // namespace platform
