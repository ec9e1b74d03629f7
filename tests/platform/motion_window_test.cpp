// Tilt in the window: the arrow keys' ramp (taps, holds, both keys, focus loss), the mouse's
// position while its right button is held, the order of the sources, and the pad's axes.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "platform/motion/Accelerometer.h"
#include "platform/motion/GamepadAccelerometer.h"
#include "platform/motion/KeyTiltRamp.h"
#include "platform/motion/WindowTiltSource.h"
#include "platform/runloop/ManualRunLoop.h"

using platform::Acceleration;
using platform::KeyCode;
using platform::KeyTiltRamp;
using platform::WindowEvent;
using platform::WindowTiltSource;

namespace {

using Side = KeyTiltRamp::Side;

WindowEvent key(WindowEvent::Type type, KeyCode code) {
    WindowEvent e;
    e.type = type;
    e.key = code;
    return e;
}

WindowEvent mouseAt(float x, bool rightHeld = true, bool leftHeld = false) {
    WindowEvent e;
    e.type = WindowEvent::Type::MouseMove;
    e.point = {x, 100};
    e.steerHeld = rightHeld;
    e.buttonHeld = leftHeld;
    return e;
}

WindowEvent button(WindowEvent::Type type, int which, float x) {
    WindowEvent e;
    e.type = type;
    e.button = which;
    e.point = {x, 100};
    e.steerHeld = type == WindowEvent::Type::MouseDown && which == 3;
    return e;
}

struct WindowSourceTest : ::testing::Test {
    double now = 10.0;
    WindowTiltSource source{platform::Size{320, 480}, nullptr, [this] { return now; }};

    Acceleration at(double t) {
        now = t;
        return *source.read(t);
    }
};

}  // namespace

TEST(KeyTiltRamp, AHeldKeyTiltsGentlyFirstThenFullyAndReleaseReturnsQuickly) {
    KeyTiltRamp ramp;
    EXPECT_EQ(ramp.valueAt(0.0), 0.0);
    EXPECT_FALSE(ramp.activeAt(0.0));
    ramp.press(Side::Right, 0.0);
    EXPECT_TRUE(ramp.activeAt(0.0));
    EXPECT_NEAR(ramp.valueAt(0.0), 0.1, 1e-12);  // a little at once
    // Slowly at first: a quarter of the ramp adds a sixteenth of the way to full tilt.
    EXPECT_NEAR(ramp.valueAt(0.125), 0.1 + 0.4 / 16, 1e-12);
    EXPECT_NEAR(ramp.valueAt(0.25), 0.2, 1e-12);
    EXPECT_NEAR(ramp.valueAt(0.5), 0.5, 1e-12);
    EXPECT_EQ(ramp.valueAt(2.0), 0.5);  // never past full tilt
    ramp.release(Side::Right, 2.0);
    EXPECT_NEAR(ramp.valueAt(2.04), 0.25, 1e-12);
    EXPECT_EQ(ramp.valueAt(2.08), 0.0);
    EXPECT_FALSE(ramp.activeAt(3.0));

    // Let go early, the tilt falls from where it had got to, in the same short time.
    ramp.press(Side::Left, 4.0);
    ramp.release(Side::Left, 4.25);
    EXPECT_NEAR(ramp.valueAt(4.29), -0.1, 1e-12);
    EXPECT_EQ(ramp.valueAt(4.33), 0.0);
}

TEST(KeyTiltRamp, TheShortestTapIsASmallBriefTiltEvenWhenPressAndReleaseArriveTogether) {
    KeyTiltRamp ramp;
    ramp.press(Side::Left, 1.0);
    ramp.release(Side::Left, 1.0);
    // Held for the minimum hold, then back to neutral.
    const double peak = -KeyTiltRamp::heldTilt(KeyTiltRamp::kMinHoldSeconds);
    EXPECT_NEAR(ramp.valueAt(1.0), -0.1, 1e-12);
    EXPECT_GT(peak, -0.11);
    EXPECT_NEAR(ramp.valueAt(1.05), peak, 1e-12);
    EXPECT_NEAR(ramp.valueAt(1.09), peak / 2, 1e-12);
    EXPECT_EQ(ramp.valueAt(1.2), 0.0);

    // Read only long after: the hold and the return are both accounted for.
    KeyTiltRamp late;
    late.press(Side::Left, 1.0);
    late.release(Side::Left, 1.0);
    EXPECT_EQ(late.valueAt(5.0), 0.0);
    EXPECT_FALSE(late.activeAt(5.0));
}

TEST(KeyTiltRamp, BothKeysCancelAndRepeatsOrStrayReleasesChangeNothing) {
    KeyTiltRamp ramp;
    ramp.press(Side::Left, 0.0);
    ramp.press(Side::Right, 0.0);
    EXPECT_EQ(ramp.valueAt(1.0), 0.0);
    ramp.release(Side::Left, 1.0);  // the right key alone from here: its ramp starts now
    EXPECT_NEAR(ramp.valueAt(1.0), 0.1, 1e-12);
    EXPECT_NEAR(ramp.valueAt(1.5), 0.5, 1e-12);
    ramp.press(Side::Right, 1.6);   // auto-repeat
    ramp.release(Side::Left, 1.6);  // already up
    EXPECT_EQ(ramp.valueAt(1.7), 0.5);
    ramp.valueAt(0.5);  // time going backwards is ignored
    EXPECT_EQ(ramp.valueAt(1.7), 0.5);
    ramp.releaseAll(2.0);
    EXPECT_EQ(ramp.valueAt(2.2), 0.0);
}

TEST_F(WindowSourceTest, ArrowKeysTiltSidewaysAndReturnToFlat) {
    EXPECT_EQ(at(10.0), Acceleration{});
    source.onWindowEvent(key(WindowEvent::Type::KeyDown, KeyCode::Left));
    const Acceleration half = at(10.25);
    EXPECT_NEAR(half.x, -0.2, 1e-12);
    EXPECT_EQ(half.y, 0.0);
    EXPECT_NEAR(half.z, -std::sqrt(1 - half.x * half.x), 1e-12);  // still a 1 g vector
    EXPECT_NEAR(at(10.5).x, -0.5, 1e-12);
    now = 11.0;
    source.onWindowEvent(key(WindowEvent::Type::KeyUp, KeyCode::Left));
    EXPECT_EQ(at(11.2), Acceleration{});
    // Other keys do nothing.
    source.onWindowEvent(key(WindowEvent::Type::KeyDown, KeyCode::Up));
    EXPECT_EQ(at(11.5), Acceleration{});
}

TEST_F(WindowSourceTest, MouseSteersOnlyWhileTheRightButtonIsHeldAndKeysWinOverIt) {
    // Moving, clicking and dragging with the left button (a finger) never tilt.
    source.onWindowEvent(mouseAt(320, false));
    source.onWindowEvent(button(WindowEvent::Type::MouseDown, 1, 300));
    source.onWindowEvent(mouseAt(10, false, true));
    EXPECT_EQ(at(10.0), Acceleration{});
    source.onWindowEvent(button(WindowEvent::Type::MouseUp, 1, 10));

    // The right button pressed at the right edge tilts at once, and holds without moving.
    source.onWindowEvent(button(WindowEvent::Type::MouseDown, 3, 320));
    EXPECT_NEAR(at(10.1).x, 0.6, 1e-6);
    EXPECT_NEAR(at(15.0).x, 0.6, 1e-6);
    source.onWindowEvent(mouseAt(80));  // halfway to the left edge
    EXPECT_NEAR(at(15.1).x, -0.3, 1e-6);
    source.onWindowEvent(mouseAt(5000));  // outside the window: the edge's tilt
    EXPECT_NEAR(at(15.2).x, 0.6, 1e-6);

    source.onWindowEvent(key(WindowEvent::Type::KeyDown, KeyCode::Left));
    EXPECT_NEAR(at(15.3).x, -0.1 - 0.4 * 0.04, 1e-12);
    source.onWindowEvent(key(WindowEvent::Type::KeyUp, KeyCode::Left));
    EXPECT_NEAR(at(15.6).x, 0.6, 1e-6);  // keys back at rest: the mouse again

    // Let go: flat, whether the release comes as a button event or rides on a move.
    source.onWindowEvent(button(WindowEvent::Type::MouseUp, 3, 5000));
    EXPECT_EQ(at(15.7), Acceleration{});
    source.onWindowEvent(button(WindowEvent::Type::MouseDown, 3, 0));
    EXPECT_NEAR(at(15.8).x, -0.6, 1e-6);
    source.onWindowEvent(mouseAt(0, false));
    EXPECT_EQ(at(15.9), Acceleration{});
}

TEST_F(WindowSourceTest, LosingFocusLetsGoOfKeysAndMouse) {
    source.onWindowEvent(key(WindowEvent::Type::KeyDown, KeyCode::Right));
    source.onWindowEvent(button(WindowEvent::Type::MouseDown, 3, 0));
    EXPECT_NEAR(at(10.5).x, 0.5, 1e-12);
    WindowEvent lost;
    lost.type = WindowEvent::Type::FocusLost;
    source.onWindowEvent(lost);
    EXPECT_EQ(at(10.7), Acceleration{});
}

TEST(WindowTiltSource, DrivesTheAccelerometerOnTheLoopClock) {
    platform::ManualRunLoop loop;
    auto owned =
        std::make_unique<WindowTiltSource>(platform::Size{200, 100}, nullptr, [&loop] { return loop.now(); });
    WindowTiltSource* source = owned.get();
    platform::Accelerometer accel(std::move(owned), &loop);
    struct Last : platform::AccelerometerDelegate {
        void accelerometerDidAccelerate(platform::Accelerometer&, const Acceleration& a) override { x = a.x; }
        double x = 99;
    } last;
    accel.setUpdateInterval(0.025);
    accel.setDelegate(&last);
    source->onWindowEvent(key(WindowEvent::Type::KeyDown, KeyCode::Right));
    loop.advance(0.25);
    EXPECT_NEAR(last.x, 0.2, 1e-9);
    source->onWindowEvent(key(WindowEvent::Type::KeyUp, KeyCode::Right));
    loop.advance(0.5);
    EXPECT_EQ(last.x, 0.0);
}

TEST(GamepadAccelerometer, PadAxesMapOntoTheDeviceFrameInG) {
    const double g = 9.80665;
    // Held level, face up: the device lying flat.
    Acceleration flat = platform::GamepadAccelerometer::fromPadReading(0.0f, static_cast<float>(g), 0.0f);
    EXPECT_NEAR(flat.x, 0.0, 1e-6);
    EXPECT_NEAR(flat.y, 0.0, 1e-6);
    EXPECT_NEAR(flat.z, -1.0, 1e-6);
    // Right side dipped: gravity pulls toward the right edge, as a device rolled right reads +x.
    const float s = static_cast<float>(g * std::sin(0.3));
    const float c = static_cast<float>(g * std::cos(0.3));
    Acceleration right = platform::GamepadAccelerometer::fromPadReading(-s, c, 0.0f);
    EXPECT_NEAR(right.x, std::sin(0.3), 1e-6);
    EXPECT_NEAR(right.z, -std::cos(0.3), 1e-6);
    // Far edge raised toward the player's face: the top of the screen up, so y reads negative.
    Acceleration tippedBack = platform::GamepadAccelerometer::fromPadReading(0.0f, c, -s);
    EXPECT_NEAR(tippedBack.y, -std::sin(0.3), 1e-6);
}
