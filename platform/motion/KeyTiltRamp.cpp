#include "platform/motion/KeyTiltRamp.h"

#include <algorithm>
#include <cmath>

namespace platform {

double KeyTiltRamp::heldTilt(double seconds) {
    if (!(seconds >= 0.0)) return kStartTilt;
    const double f = std::min(1.0, seconds / kRampSeconds);
    return kStartTilt + (kFullTilt - kStartTilt) * f * f;
}

int KeyTiltRamp::directionAt(double t) const {
    return (heldAt(keys_[1], t) ? 1 : 0) - (heldAt(keys_[0], t) ? 1 : 0);
}

double KeyTiltRamp::valueOnceAdvanced(double t) const {
    if (direction_ != 0) return direction_ * heldTilt(t - since_);
    const double left = 1.0 - (t - since_) / kReleaseSeconds;
    return left > 0.0 ? releasedFrom_ * left : 0.0;
}

void KeyTiltRamp::advanceTo(double t) {
    if (!std::isfinite(t)) return;
    if (!started_) {
        started_ = true;
        last_ = t;
        since_ = t;
    }
    if (t < last_) return;
    // The direction changes at presses and releases (handled by the callers at their times) and
    // where a held-over key finally lets go: walk those points in order.
    for (;;) {
        double next = t;
        for (const Key& key : keys_) {
            if (key.pendingRelease && key.releaseAt > last_ && key.releaseAt < next) next = key.releaseAt;
        }
        last_ = next;
        for (Key& key : keys_) {
            if (key.pendingRelease && key.releaseAt <= last_) key.pendingRelease = false;
        }
        const int direction = directionAt(last_);
        if (direction != direction_) {
            releasedFrom_ = valueOnceAdvanced(last_);
            direction_ = direction;
            since_ = last_;
        }
        if (next >= t) return;
    }
}

void KeyTiltRamp::press(Side side, double now) {
    advanceTo(now);
    Key& key = keys_[side == Side::Left ? 0 : 1];
    if (key.down) return;  // auto-repeat
    key.down = true;
    key.pendingRelease = false;
    key.pressedAt = std::max(now, last_);
    advanceTo(now);
}

void KeyTiltRamp::release(Side side, double now) {
    advanceTo(now);
    Key& key = keys_[side == Side::Left ? 0 : 1];
    if (!key.down) return;
    key.down = false;
    key.releaseAt = key.pressedAt + kMinHoldSeconds;
    key.pendingRelease = key.releaseAt > last_;
    advanceTo(now);
}

void KeyTiltRamp::releaseAll(double now) {
    release(Side::Left, now);
    release(Side::Right, now);
}

double KeyTiltRamp::valueAt(double now) {
    advanceTo(now);
    return valueOnceAdvanced(std::max(now, last_));
}

bool KeyTiltRamp::activeAt(double now) {
    return valueAt(now) != 0.0 || heldAt(keys_[0], last_) || heldAt(keys_[1], last_);
}

}  // namespace platform
