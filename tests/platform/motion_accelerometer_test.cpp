// The shared accelerometer: delivery on the loop at the update interval, delegate hand-over,
// sources powered only while delivering, finite clamped readings, and the scripted source.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>
#include <optional>
#include <vector>

#include "platform/motion/Accelerometer.h"
#include "platform/motion/ScriptedTiltSource.h"
#include "platform/runloop/ManualRunLoop.h"

using platform::Acceleration;
using platform::Accelerometer;
using platform::AccelerometerDelegate;
using platform::ManualRunLoop;
using platform::ScriptedTiltSource;

namespace {

struct Recorder : AccelerometerDelegate {
    void accelerometerDidAccelerate(Accelerometer&, const Acceleration& a) override {
        samples.push_back(a);
        times.push_back(loop->now());
    }
    ManualRunLoop* loop = nullptr;
    std::vector<Acceleration> samples;
    std::vector<double> times;
};

// Plays back a list of readings (nothing past the end) and counts power-ups.
struct ListSource : platform::TiltSource {
    std::optional<Acceleration> read(double) override {
        if (next >= readings.size()) return std::nullopt;
        return readings[next++];
    }
    void activate() override { ++power->activations; }
    void deactivate() override { ++power->deactivations; }
    struct Power {
        int activations = 0;
        int deactivations = 0;
    };
    std::vector<Acceleration> readings;
    std::size_t next = 0;
    // Kept outside, so it can be read after the accelerometer has destroyed the source.
    std::shared_ptr<Power> power = std::make_shared<Power>();
};

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

}  // namespace

TEST(Accelerometer, DeliversOnTheLoopAtTheIntervalOnlyWhileADelegateIsSet) {
    ManualRunLoop loop;
    Accelerometer accel(std::make_unique<ScriptedTiltSource>(), &loop);
    Recorder rec;
    rec.loop = &loop;

    accel.setUpdateInterval(0.02);
    loop.advance(1.0);
    EXPECT_TRUE(rec.samples.empty());

    accel.setDelegate(&rec);
    loop.advance(0.1);
    ASSERT_EQ(rec.samples.size(), 5u);
    for (std::size_t i = 0; i < rec.times.size(); ++i) EXPECT_NEAR(rec.times[i], 1.0 + 0.02 * (i + 1), 1e-9);
    EXPECT_EQ(rec.samples[0], Acceleration{});  // scripted source starts flat

    accel.setDelegate(nullptr);
    loop.advance(1.0);
    EXPECT_EQ(rec.samples.size(), 5u);
    EXPECT_EQ(loop.pendingCount(), 0u);
}

TEST(Accelerometer, UpdateIntervalIsBoundedAndAChangeMovesDeliveryToTheNewGrid) {
    ManualRunLoop loop;
    Accelerometer accel(nullptr, &loop);
    accel.setUpdateInterval(0.0);
    EXPECT_DOUBLE_EQ(accel.updateInterval(), Accelerometer::kMinInterval);
    accel.setUpdateInterval(1.0 / 0.0);
    EXPECT_DOUBLE_EQ(accel.updateInterval(), Accelerometer::kMaxInterval);
    accel.setUpdateInterval(kNaN);
    EXPECT_DOUBLE_EQ(accel.updateInterval(), Accelerometer::kDefaultInterval);
    accel.setUpdateInterval(-5);
    EXPECT_DOUBLE_EQ(accel.updateInterval(), Accelerometer::kMinInterval);

    Recorder rec;
    rec.loop = &loop;
    accel.setUpdateInterval(0.1);
    accel.setDelegate(&rec);
    loop.advance(0.25);
    accel.setUpdateInterval(0.01);
    loop.advance(0.05);
    ASSERT_EQ(rec.times.size(), 7u);
    EXPECT_NEAR(rec.times[2], 0.26, 1e-9);
    EXPECT_NEAR(rec.times[6], 0.30, 1e-9);
}

TEST(Accelerometer, SourceIsPoweredOnlyWhileDeliveringAndSkippedReadingsDeliverNothing) {
    ManualRunLoop loop;
    auto owned = std::make_unique<ListSource>();
    ListSource* source = owned.get();
    const auto power = source->power;
    source->readings = {{0.1, 0, -1}, {0.2, 0, -1}};
    Recorder rec;
    rec.loop = &loop;
    {
        Accelerometer accel(std::move(owned), &loop);
        accel.setUpdateInterval(0.1);
        EXPECT_EQ(power->activations, 0);
        accel.setDelegate(&rec);
        accel.setDelegate(&rec);  // same delegate again: no second power-up
        EXPECT_EQ(power->activations, 1);
        loop.advance(0.5);
        ASSERT_EQ(rec.samples.size(), 2u);
        EXPECT_DOUBLE_EQ(rec.samples[1].x, 0.2);
        EXPECT_EQ(accel.lastSample(), (Acceleration{0.2, 0, -1}));

        // Handing over to another delegate keeps delivering without a power cycle.
        Recorder other;
        other.loop = &loop;
        source->readings.push_back({0.3, 0, -1});
        accel.setDelegate(&other);
        loop.advance(0.1);
        EXPECT_EQ(other.samples.size(), 1u);
        EXPECT_EQ(power->activations, 1);
        EXPECT_EQ(power->deactivations, 0);
    }
    // Destroying the accelerometer powers the source down and leaves no timer behind.
    EXPECT_EQ(power->deactivations, 1);
    loop.advance(1.0);
    EXPECT_EQ(loop.pendingCount(), 0u);
}

TEST(Accelerometer, ReadingsAreAlwaysFiniteAndWithinTheSensorRange) {
    ManualRunLoop loop;
    auto owned = std::make_unique<ListSource>();
    ListSource* source = owned.get();
    source->readings = {
        {kNaN, 0, -1}, {0.25, 0.5, -0.75}, {0.1, kInf, -1}, {100, -100, 1e300}, {0, -kInf, kNaN}};
    Accelerometer accel(std::move(owned), &loop);
    Recorder rec;
    rec.loop = &loop;
    accel.setUpdateInterval(0.1);
    accel.setDelegate(&rec);
    loop.advance(0.5);
    ASSERT_EQ(rec.samples.size(), 5u);
    EXPECT_EQ(rec.samples[0], Acceleration{});                    // nothing good yet: flat
    EXPECT_EQ(rec.samples[2], (Acceleration{0.25, 0.5, -0.75}));  // the last good reading
    EXPECT_EQ(rec.samples[3], (Acceleration{8, -8, 8}));
    EXPECT_EQ(rec.samples[4], (Acceleration{8, -8, 8}));
    for (const auto& s : rec.samples) {
        EXPECT_TRUE(std::isfinite(s.x) && std::isfinite(s.y) && std::isfinite(s.z));
    }
}

TEST(Accelerometer, ADelegateMayLetGoFromInsideItsCallback) {
    ManualRunLoop loop;
    Accelerometer accel(nullptr, &loop);
    struct OneShot : AccelerometerDelegate {
        void accelerometerDidAccelerate(Accelerometer& a, const Acceleration&) override {
            ++calls;
            a.setDelegate(nullptr);
        }
        int calls = 0;
    } once;
    accel.setUpdateInterval(0.05);
    accel.setDelegate(&once);
    loop.advance(1.0);
    EXPECT_EQ(once.calls, 1);
}

TEST(Accelerometer, SharedOneIsFlatScriptedUntilReplaced) {
    auto previous = Accelerometer::setShared(nullptr);
    Accelerometer& lazy = Accelerometer::shared();
    EXPECT_NE(dynamic_cast<ScriptedTiltSource*>(&lazy.source()), nullptr);
    EXPECT_EQ(&Accelerometer::shared(), &lazy);

    auto mine = std::make_shared<Accelerometer>(nullptr);
    auto lazyOwner = Accelerometer::setShared(mine);
    EXPECT_EQ(lazyOwner.get(), &lazy);
    EXPECT_EQ(&Accelerometer::shared(), mine.get());
    Accelerometer::setShared(previous);
}

TEST(ScriptedTiltSource, GivesExactlyTheScriptedValueSoReplaysRepeat) {
    auto run = [](const std::vector<double>& script) {
        ManualRunLoop loop;
        auto owned = std::make_unique<ScriptedTiltSource>();
        ScriptedTiltSource* source = owned.get();
        Accelerometer accel(std::move(owned), &loop);
        Recorder rec;
        rec.loop = &loop;
        accel.setUpdateInterval(0.02);
        accel.setDelegate(&rec);
        for (double x : script) {
            source->setScriptedTilt(x);
            loop.advance(0.02);
        }
        return rec.samples;
    };
    const std::vector<double> script = {0.0, 0.1, -0.3333333333333333, 0.7, 1.5, -1.0, 0.0};
    const auto first = run(script);
    ASSERT_EQ(first.size(), script.size());
    for (std::size_t i = 0; i < script.size(); ++i) {
        EXPECT_EQ(first[i].x, script[i]);
        EXPECT_EQ(first[i].y, 0.0);
    }
    EXPECT_DOUBLE_EQ(first[3].z, -std::sqrt(1 - 0.49));
    EXPECT_EQ(first[4].z, -0.0);  // beyond 1 g the screen stands on edge
    EXPECT_EQ(first, run(script));
}

TEST(ScriptedTiltSource, FullVectorsPassThroughAndNaNNeverReachesTheDelegate) {
    ManualRunLoop loop;
    auto owned = std::make_unique<ScriptedTiltSource>();
    ScriptedTiltSource* source = owned.get();
    Accelerometer accel(std::move(owned), &loop);
    Recorder rec;
    rec.loop = &loop;
    accel.setUpdateInterval(0.1);
    accel.setDelegate(&rec);
    source->setScriptedAcceleration({0.5, -0.25, -0.8});
    loop.advance(0.1);
    source->setScriptedTilt(kNaN);
    loop.advance(0.1);
    ASSERT_EQ(rec.samples.size(), 2u);
    EXPECT_EQ(rec.samples[0], (Acceleration{0.5, -0.25, -0.8}));
    EXPECT_EQ(rec.samples[1], rec.samples[0]);
}
