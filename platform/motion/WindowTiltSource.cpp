#include "platform/motion/WindowTiltSource.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "platform/motion/GamepadAccelerometer.h"
#include "platform/motion/ScriptedTiltSource.h"
#include "platform/runloop/RunLoop.h"

namespace platform {

WindowTiltSource::WindowTiltSource(Size windowPoints, std::unique_ptr<GamepadAccelerometer> gamepad,
                                   Clock clock)
    : window_(windowPoints), gamepad_(std::move(gamepad)), clock_(std::move(clock)) {}

WindowTiltSource::~WindowTiltSource() = default;

double WindowTiltSource::now() const {
    return clock_ ? clock_() : RunLoop::main().now();
}

void WindowTiltSource::onWindowEvent(const WindowEvent& event) {
    switch (event.type) {
        case WindowEvent::Type::KeyDown:
            if (event.key == KeyCode::Left) keys_.press(KeyTiltRamp::Side::Left, now());
            if (event.key == KeyCode::Right) keys_.press(KeyTiltRamp::Side::Right, now());
            break;
        case WindowEvent::Type::KeyUp:
            if (event.key == KeyCode::Left) keys_.release(KeyTiltRamp::Side::Left, now());
            if (event.key == KeyCode::Right) keys_.release(KeyTiltRamp::Side::Right, now());
            break;
        case WindowEvent::Type::MouseDown:
        case WindowEvent::Type::MouseUp:
            if (event.button != 3) break;
            steering_ = event.type == WindowEvent::Type::MouseDown;
            if (std::isfinite(event.point.x)) mouseX_ = event.point.x;
            break;
        case WindowEvent::Type::MouseMove:
            // The button's state rides on every move, so a release outside the window is noticed.
            steering_ = event.steerHeld;
            if (std::isfinite(event.point.x)) mouseX_ = event.point.x;
            break;
        case WindowEvent::Type::FocusLost:
        case WindowEvent::Type::Minimized:
            // Key-up events go to whichever window has the focus then, so let go of everything.
            keys_.releaseAll(now());
            steering_ = false;
            break;
        default:
            break;
    }
}

std::optional<Acceleration> WindowTiltSource::read(double now) {
    if (gamepad_) {
        if (auto reading = gamepad_->read(now)) return reading;
    }
    if (keys_.activeAt(now)) return ScriptedTiltSource::rolled(keys_.valueAt(now));
    const double centre = window_.width / 2.0;
    if (steering_ && centre > 0.0) {
        const double offset = std::clamp((mouseX_ - centre) / centre, -1.0, 1.0);
        return ScriptedTiltSource::rolled(offset * kMouseTilt);
    }
    return Acceleration{};
}

void WindowTiltSource::activate() {
    if (gamepad_) gamepad_->setEnabled(true);
}

void WindowTiltSource::deactivate() {
    if (gamepad_) gamepad_->setEnabled(false);
}

}  // namespace platform
