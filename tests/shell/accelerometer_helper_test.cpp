// The tilt helper: the per-reading weight from the observed rate, the watchdog's restart, the
// smoothing, orientation mapping and angles, and the hand-over of the shared accelerometer.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <memory>
#include <numbers>
#include <optional>
#include <string>

#include "appbase/LogMessage.h"
#include "platform/motion/Accelerometer.h"
#include "platform/motion/ScriptedTiltSource.h"
#include "platform/runloop/ManualRunLoop.h"
#include "shell/AccelerometerHelper.h"
#include "shell/OrientationDependedInfo.h"

using platform::Acceleration;
using platform::Accelerometer;
using platform::ManualRunLoop;

namespace {

constexpr double kPi = std::numbers::pi;
constexpr double kGameFactor = 7e-05;

struct FakeOwner : AccelerometerHelper::Owner {
    const OrientationDependedInfo* currentOrientationDependedInfo() const override { return &info; }
    int statusBarOrientation() const override { return orientation; }
    OrientationDependedInfo info;
    int orientation = 1;
};

// A scripted device whose readings can be withheld tick by tick.
struct GatedSource : platform::TiltSource {
    std::optional<Acceleration> read(double) override {
        ++ticks;
        if (gate && !gate(ticks)) return std::nullopt;
        return value;
    }
    void activate() override { ++activations; }
    std::function<bool(int)> gate;
    Acceleration value;
    int ticks = 0;
    int activations = 0;
};

double startFactor(double frequency, double perSec) {
    return 1.0 - std::pow(perSec, 0.5 / static_cast<int>(frequency * 0.5));
}

class AccelerometerHelperTest : public ::testing::Test {
  protected:
    void SetUp() override {
        loop_ = std::make_shared<ManualRunLoop>(100.0);
        previousLoop_ = platform::RunLoop::setMain(loop_);
        auto owned = std::make_unique<GatedSource>();
        source_ = owned.get();
        accel_ = std::make_unique<Accelerometer>(std::move(owned), loop_.get());
    }
    void TearDown() override {
        helper_.reset();
        accel_.reset();
        platform::RunLoop::setMain(previousLoop_);
    }
    AccelerometerHelper& make() {
        helper_ = std::make_unique<AccelerometerHelper>(&owner_, accel_.get());
        return *helper_;
    }

    std::shared_ptr<ManualRunLoop> loop_;
    std::shared_ptr<platform::RunLoop> previousLoop_;
    GatedSource* source_ = nullptr;
    std::unique_ptr<Accelerometer> accel_;
    FakeOwner owner_;
    std::unique_ptr<AccelerometerHelper> helper_;
};

}  // namespace

TEST_F(AccelerometerHelperTest, StartSetsUpFromTheAppCoreAndTheRequestedRate) {
    owner_.orientation = 3;
    owner_.info.setNeutralAccelerometer(-0.5, 0.0, -0.8);
    AccelerometerHelper& h = make();
    EXPECT_FALSE(h.isStarted());
    EXPECT_EQ(h.accelerometerX(), 0.0);

    h.startWithFrequency(50.0, kGameFactor);
    EXPECT_TRUE(h.isStarted());
    EXPECT_EQ(h.interfaceOrientation(), 3);
    EXPECT_NEAR(h.accelerometerFilteringFactorEachTick(), 0.1741, 5e-5);
    EXPECT_DOUBLE_EQ(h.accelerometerFilteringFactorEachTick(), startFactor(50.0, kGameFactor));
    EXPECT_EQ(accel_->delegate(), &h);
    EXPECT_DOUBLE_EQ(accel_->updateInterval(), 0.02);
    // The filtered vector starts at the neutral one, so there is no tilt yet.
    EXPECT_EQ(h.accelerometerX(), -0.5);
    EXPECT_EQ(h.accelerometerZ(), -0.8);
    EXPECT_EQ(h.accelerationFromNeutralH(), 0.0);
    double rotH = 1;
    double rotV = 1;
    h.getAnglesFromNeutral(0, &rotH, &rotV);
    EXPECT_EQ(rotH, 0.0);
    EXPECT_EQ(rotV, 0.0);
    double nh = 0;
    double nv = 0;
    AccelerometerHelper::getAnglesWithOrientation(3, -0.5, 0.0, -0.8, &nh, &nv);
    EXPECT_EQ(h.neutralRotH(), nh);
    EXPECT_EQ(h.neutralRotV(), nv);

    // The calibration page's rate and strength.
    h.startWithFrequency(100.0, 1e-10);
    EXPECT_DOUBLE_EQ(h.accelerometerFilteringFactorEachTick(), startFactor(100.0, 1e-10));
    EXPECT_DOUBLE_EQ(accel_->updateInterval(), 0.01);
}

TEST_F(AccelerometerHelperTest, EachReadingIsBlendedInWithTheCurrentWeight) {
    source_->value = {0.5, 0.25, -0.75};
    AccelerometerHelper& h = make();
    h.startWithFrequency(50.0, kGameFactor);
    const double k = h.accelerometerFilteringFactorEachTick();
    loop_->advance(0.02);
    EXPECT_DOUBLE_EQ(h.accelerometerX(), k * 0.5);
    EXPECT_DOUBLE_EQ(h.accelerometerY(), k * 0.25);
    EXPECT_DOUBLE_EQ(h.accelerometerZ(), k * -0.75 + (1 - k) * -1.0);
    loop_->advance(0.02);
    EXPECT_DOUBLE_EQ(h.accelerometerX(), k * 0.5 + (1 - k) * k * 0.5);
    EXPECT_EQ(h.accelerometerCallCount(), 2);
    // The per-second factor is what is left of the old value after one second of readings.
    loop_->advance(0.96);
    EXPECT_EQ(h.accelerometerCallCount(), 0);
    EXPECT_NEAR(h.accelerationFromNeutralH(), 0.5 * (1.0 - kGameFactor), 1e-12);
}

TEST_F(AccelerometerHelperTest, WatchdogKeepsTheWeightAtTheRequestedRate) {
    AccelerometerHelper& h = make();
    h.startWithFrequency(50.0, kGameFactor);
    const double k0 = h.accelerometerFilteringFactorEachTick();
    loop_->advance(0.5);
    EXPECT_EQ(h.accelerometerCallCount(), 0);  // the watchdog ran after 25 readings
    EXPECT_DOUBLE_EQ(h.accelerometerFilteringFactorEachTick(), k0);
    EXPECT_EQ(source_->activations, 1);
}

TEST_F(AccelerometerHelperTest, WatchdogMovesTheWeightHalfwayToTheObservedRate) {
    AccelerometerHelper& h = make();
    // 20 readings per half second where 25 were asked for.
    source_->gate = [](int tick) { return tick % 5 != 0; };
    h.startWithFrequency(50.0, kGameFactor);
    const double k0 = h.accelerometerFilteringFactorEachTick();
    loop_->advance(0.5);
    const double k1 = 0.5 * (1.0 - std::pow(kGameFactor, 0.5 / 20)) + 0.5 * k0;
    EXPECT_DOUBLE_EQ(h.accelerometerFilteringFactorEachTick(), k1);
    EXPECT_GT(k1, k0);  // fewer readings: each one weighs more

    // Half the asked rate lies below a third of the requested count per check, so the lower
    // bound (int)(50 / 3) = 16 stands in for the count.
    source_->gate = [](int tick) { return tick % 2 == 0; };
    loop_->advance(0.5);
    const double k2 = 0.5 * (1.0 - std::pow(kGameFactor, 0.5 / 16)) + 0.5 * k1;
    EXPECT_DOUBLE_EQ(h.accelerometerFilteringFactorEachTick(), k2);

    // Far too many readings count as at most twice the rate.
    h.updateAccelerometerFilteringFactorEachTick(0.5, 100000, 1.0);
    EXPECT_DOUBLE_EQ(h.accelerometerFilteringFactorEachTick(), 1.0 - std::pow(kGameFactor, 0.5 / 100));
}

TEST_F(AccelerometerHelperTest, WatchdogRestartsASilentAccelerometerAndLogsIt) {
    platform::ScopedLogSink log;
    AccelerometerHelper& h = make();
    source_->gate = [](int) { return false; };
    h.startWithFrequency(50.0, kGameFactor);
    const double k0 = h.accelerometerFilteringFactorEachTick();
    loop_->advance(0.5);
    ASSERT_EQ(log.lines().size(), 1u);
    EXPECT_EQ(log.lines()[0], "[WARN] onAcceleromterCheck\nreset accelerometer");
    EXPECT_EQ(source_->activations, 2);  // stopped and started again
    EXPECT_EQ(accel_->delegate(), &h);
    EXPECT_EQ(h.accelerometerFilteringFactorEachTick(), k0);

    // Readings come back after the restart: no further resets, and they are used.
    source_->gate = {};
    source_->value = {0.3, 0, -1};
    loop_->advance(1.0);
    EXPECT_EQ(log.lines().size(), 1u);
    EXPECT_GT(h.accelerometerX(), 0.29);
}

TEST_F(AccelerometerHelperTest, StopEndsReadingsAndWatchdogAndLeavesOtherHelpersAlone) {
    AccelerometerHelper& game = make();
    game.startWithFrequency(50.0, kGameFactor);
    loop_->advance(0.1);
    game.stop();
    EXPECT_FALSE(game.isStarted());
    EXPECT_EQ(accel_->delegate(), nullptr);
    const int count = game.accelerometerCallCount();
    loop_->advance(2.0);
    EXPECT_EQ(game.accelerometerCallCount(), count);
    EXPECT_EQ(loop_->pendingCount(), 0u);

    // A second helper takes the accelerometer; the first one letting go again must not cut it off.
    FakeOwner otherOwner;
    AccelerometerHelper calibration(&otherOwner, accel_.get());
    calibration.startWithFrequency(100.0, 1e-10);
    game.stop();
    EXPECT_EQ(accel_->delegate(), &calibration);
    { AccelerometerHelper shortLived(&otherOwner, accel_.get()); }
    EXPECT_EQ(accel_->delegate(), &calibration);
    calibration.stop();
}

TEST_F(AccelerometerHelperTest, DestroyingARunningHelperLeavesNothingBehind) {
    make().startWithFrequency(50.0, kGameFactor);
    helper_.reset();
    EXPECT_EQ(accel_->delegate(), nullptr);
    loop_->advance(2.0);
    EXPECT_EQ(loop_->pendingCount(), 0u);
}

TEST_F(AccelerometerHelperTest, ScreenHorizontalFollowsTheInterfaceOrientation) {
    struct Case {
        int orientation;
        double x, y;
        double h, v;
    };
    // Portrait and anything unknown: as is; 2 upside down; 3 landscape right; 4 landscape left.
    const Case cases[] = {{1, 0.2, 0.1, 0.2, 0.1},   {0, 0.2, 0.1, 0.2, 0.1},  {7, 0.2, 0.1, 0.2, 0.1},
                          {2, 0.2, 0.1, -0.2, -0.1}, {3, 0.2, 0.1, -0.1, 0.2}, {4, 0.2, 0.1, 0.1, -0.2}};
    for (const Case& c : cases) {
        owner_.orientation = c.orientation;
        AccelerometerHelper& h = make();
        h.startWithFrequency(50.0, kGameFactor);
        h.setAccelerometerX(c.x);
        h.setAccelerometerY(c.y);
        EXPECT_DOUBLE_EQ(h.accelerationFromNeutralH(), c.h) << "orientation " << c.orientation;
        EXPECT_DOUBLE_EQ(h.accelerationFromNeutralV(), c.v) << "orientation " << c.orientation;
    }
}

TEST_F(AccelerometerHelperTest, LandscapeLeftTiltWithGrowingYMovesTheHeroRight) {
    owner_.orientation = 4;
    AccelerometerHelper& h = make();
    h.startWithFrequency(50.0, kGameFactor);
    source_->value = platform::Acceleration{0.0, 0.4, -std::sqrt(1 - 0.16)};
    loop_->advance(0.5);
    EXPECT_GT(h.accelerationFromNeutralH(), 0.35);
    float rotH = 0;
    float rotV = 0;
    const JTAppBase::AccelerometerLink& link = h;
    link.getAnglesFromNeutral(&rotH, &rotV);
    EXPECT_GT(rotH, 0.35f);
    EXPECT_NEAR(rotV, 0.0f, 1e-6f);
}

TEST_F(AccelerometerHelperTest, AnglesAreMeasuredFromNeutralAndWrapIntoPlusMinusPi) {
    double rotH = 0;
    double rotV = 0;
    AccelerometerHelper::getAnglesWithOrientation(1, 0.0, 0.0, -1.0, &rotH, &rotV);
    EXPECT_EQ(rotH, 0.0);
    EXPECT_EQ(rotV, 0.0);
    AccelerometerHelper::getAnglesWithOrientation(1, 0.5, 0.0, -std::sqrt(0.75), &rotH, &rotV);
    EXPECT_NEAR(rotH, kPi / 6, 1e-12);
    AccelerometerHelper::getAnglesWithOrientation(1, 0.0, -0.5, -std::sqrt(0.75), &rotH, &rotV);
    EXPECT_NEAR(rotV, -kPi / 6, 1e-12);

    AccelerometerHelper& h = make();
    h.startWithFrequency(50.0, kGameFactor);
    // Face down, tipped slightly either way: the vertical angles sit near +pi and -pi.
    h.setNeutalAccelerometer(0.0, 0.1, 1.0);
    h.setAccelerometerY(-0.1);
    h.getAnglesFromNeutral(0, &rotH, &rotV);
    const double across = 2 * std::atan2(0.1, 1.0);
    EXPECT_NEAR(rotV, across, 1e-12);
    h.setNeutalAccelerometer(0.0, -0.1, 1.0);
    h.setAccelerometerY(0.1);
    h.getAnglesFromNeutral(0, &rotH, &rotV);
    EXPECT_NEAR(rotV, -across, 1e-12);
    EXPECT_NEAR(rotH, 0.0, 1e-12);
    for (double y = -1.0; y <= 1.0; y += 0.125) {
        h.setAccelerometerY(y);
        h.setAccelerometerZ(y > 0 ? 0.5 : -0.5);
        h.getAnglesFromNeutral(0, &rotH, &rotV);
        EXPECT_LE(std::abs(rotV), kPi);
        EXPECT_LE(std::abs(rotH), kPi);
    }
}

TEST_F(AccelerometerHelperTest, NonsenseSettingsNeverProduceNaN) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    platform::ScopedLogSink quiet;                        // the slowest rates see silent checks
    owner_.info.setNeutralAccelerometer(nan, 0.0, -1.0);  // a damaged settings file
    source_->value = {0.2, 0.0, -1.0};
    AccelerometerHelper& h = make();
    for (double frequency : {nan, 0.0, -5.0, 1e300}) {
        for (double factor : {nan, -1.0, 2.0, 0.0, 1.0}) {
            h.startWithFrequency(frequency, factor);
            EXPECT_EQ(h.neutralAccelerometerZ(), -1.0);
            loop_->advance(0.6);
            float rotH = 0;
            float rotV = 0;
            h.getAnglesFromNeutral(&rotH, &rotV);
            EXPECT_TRUE(std::isfinite(h.accelerationFromNeutralH())) << frequency << " " << factor;
            EXPECT_TRUE(std::isfinite(rotH) && std::isfinite(rotV));
            EXPECT_GE(h.accelerometerFilteringFactorEachTick(), 0.0);
            EXPECT_LE(h.accelerometerFilteringFactorEachTick(), 1.0);
        }
    }
}

TEST_F(AccelerometerHelperTest, WithoutAnAppCoreItAssumesPortraitAndFlatNeutral) {
    helper_ = std::make_unique<AccelerometerHelper>(nullptr, accel_.get());
    helper_->startWithFrequency(50.0, kGameFactor);
    EXPECT_EQ(helper_->interfaceOrientation(), 1);
    EXPECT_EQ(helper_->neutralAccelerometerZ(), -1.0);
    EXPECT_EQ(helper_->appCore(), nullptr);
}

TEST(OrientationDependedInfo, StartsAndResetsToFlat) {
    OrientationDependedInfo info;
    EXPECT_EQ(info.neutralAccelerometerZ(), -1.0);
    info.setNeutralAccelerometerX(0.1);
    info.setNeutralAccelerometerY(-0.5);
    info.setNeutralAccelerometerZ(-0.8);
    EXPECT_EQ(info.neutralAccelerometerY(), -0.5);
    info.resetNeutralAccelerometer();
    EXPECT_EQ(info.neutralAccelerometerX(), 0.0);
    EXPECT_EQ(info.neutralAccelerometerY(), 0.0);
    EXPECT_EQ(info.neutralAccelerometerZ(), -1.0);
}
