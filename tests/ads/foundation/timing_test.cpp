// The millisecond clock, timing records, the timing manager's store and the slot statistics'
// adapter timings.
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <optional>
#include <string>
#include <thread>

#include "ads/foundation/AdsTestHome.h"
#include "ads/foundation/DZAbsoluteTime.h"
#include "ads/foundation/DZPropertyListJSON.h"
#include "ads/foundation/DZSlotStatistics.h"
#include "ads/foundation/DZTiming.h"
#include "ads/foundation/DZTimingManager.h"
#include "platform/runloop/ManualRunLoop.h"
#include "platform/ui/NotificationCenter.h"

using platform::ManualRunLoop;
using tikoleap::test::AdsTestHome;

namespace {

class TimingTest : public ::testing::Test {
  protected:
    AdsTestHome env;
    ManualRunLoop& loop = env.loop();
};

}  // namespace

TEST(DZMillisecondClock, StartsAtOneCountsMillisecondsAndNeverGoesBack) {
    double seconds = 100.0;
    auto scaleA = std::make_shared<int>(1);
    auto scaleB = std::make_shared<int>(2);
    std::shared_ptr<int> scale = scaleA;
    DZMillisecondClock clock([&] { return DZMillisecondClock::Sample{seconds, scale}; });
    EXPECT_EQ(clock.reading(), 1u);
    seconds += 0.2505;
    EXPECT_EQ(clock.reading(), 251u);  // truncated
    // Another loop whose clock starts at 0 again: counting goes on from where it was.
    scale = scaleB;
    seconds = 0.0;
    EXPECT_EQ(clock.reading(), 251u);
    seconds = 1.0;
    EXPECT_EQ(clock.reading(), 1251u);
    // A clock that steps back on the same scale never makes a reading fall.
    seconds = 0.5;
    EXPECT_EQ(clock.reading(), 1251u);
}

TEST_F(TimingTest, TheComponentClockFollowsTheVirtualMainLoop) {
    const uint64_t before = DZAbsoluteTime::absoluteTimeInMilliseconds();
    EXPECT_GE(before, 1u);
    loop.advance(2.5);
    EXPECT_EQ(DZAbsoluteTime::absoluteTimeInMilliseconds(), before + 2500);
}

TEST_F(TimingTest, ATimingMeasuresFromStartToEnd) {
    auto timing = DZTiming::initWithCategory("load");
    EXPECT_EQ(timing->elapsedMilliseconds(), 0u);  // idle
    timing->end();                                 // ending an idle timing changes nothing
    EXPECT_EQ(timing->endTimestamp(), 0u);
    EXPECT_FALSE(timing->isActive());

    timing->start();
    EXPECT_TRUE(timing->isActive());
    loop.advance(0.3);
    EXPECT_EQ(timing->elapsedMilliseconds(), 300u);  // running: time since start
    timing->setExplicitEnd(true);
    EXPECT_EQ(timing->elapsedMilliseconds(), 0u);  // ... unless only an explicit end counts
    loop.advance(0.2);
    timing->end();
    loop.advance(5);
    EXPECT_EQ(timing->elapsedMilliseconds(), 500u);
    EXPECT_EQ(timing->elapsedMillisecondsString(), "500");
    EXPECT_FALSE(timing->isActive());

    timing->start();  // back to running, end cleared
    EXPECT_EQ(timing->endTimestamp(), 0u);
    timing->reset();
    EXPECT_EQ(timing->startTimestamp(), 0u);
}

TEST_F(TimingTest, ARecordTravelsAsItsDictionaryAndCopiesAreIndependent) {
    auto unnamed = DZTiming::init();
    EXPECT_EQ(unnamed->category().rfind("DZTiming (0x", 0), 0u) << unnamed->category();

    auto timing = DZTiming::initWithCategory("fetch");
    timing->setValueForKey("a", "k");
    timing->setValueForKey(nullptr, "ignored");
    timing->setExplicitEnd(true);
    timing->setStartTimestamp(10);
    timing->setEndTimestamp(25);
    const nlohmann::json representation = timing->dictionaryRepresentation();
    EXPECT_EQ(
        representation,
        (nlohmann::json{{"category", "fetch"}, {"start", 10}, {"end", 25}, {"userData", {{"k", "a"}}}}));

    auto copy = timing->copy();
    EXPECT_FALSE(copy->explicitEnd());
    EXPECT_EQ(copy->elapsedMilliseconds(), 15u);
    copy->removeValueForKey("k");
    EXPECT_EQ(timing->valueForKey("k"), nlohmann::json("a"));
    EXPECT_FALSE(copy->valueForKey("k"));

    // Without "userData" the record starts with an empty one that takes values.
    auto restored = DZTiming::initWithDictionaryRepresentation({{"category", "x"}, {"start", 3}});
    EXPECT_FALSE(restored->dictionaryRepresentation().contains("userData"));
    restored->setValueForKey(1, "n");
    EXPECT_EQ(restored->valueForKey("n"), nlohmann::json(1));
    // An end before the start (a damaged record) is no huge duration.
    restored->setEndTimestamp(2);
    EXPECT_EQ(restored->elapsedMilliseconds(), 0u);
}

TEST_F(TimingTest, TheManagerPersistsItsTimingsPerAdUnit) {
    {
        DZTimingManager manager;
        manager.setIdentifier("unit-1");
        EXPECT_EQ(manager.userDefaultsKey(), "rerive_timing_unit-1");
        auto first = manager.addTimingWithCategory("fetch");
        first->start();
        loop.advance(0.04);
        first->end();
        auto replaced = manager.addTimingWithCategory("fetch");  // same category: replaces
        EXPECT_EQ(manager.timingForCategory("fetch"), replaced);
        manager.addTiming(first);
        manager.addTimingWithCategory("running")->start();
        manager.applicationWillTerminate();
    }
    platform::UserDefaults::resetStandard();  // read back from the file
    DZTimingManager next;
    next.setIdentifier("unit-1");
    ASSERT_TRUE(next.timingForCategory("fetch"));
    EXPECT_EQ(next.timingForCategory("fetch")->elapsedMilliseconds(), 40u);
    // A timing still running when saved cannot be finished on a later clock: it is dropped.
    EXPECT_FALSE(next.timingForCategory("running"));
    next.removeTimingForCategory("fetch");
    EXPECT_TRUE(next.categories().empty());
}

TEST_F(TimingTest, TimingsFromAnEarlierRunNeverGiveWrappedDurations) {
    // What a run whose clock had got much further left behind.
    const nlohmann::json stored = {
        {"ended", {{"category", "ended"}, {"start", 900000}, {"end", 900250}}},
        {"running", {{"category", "running"}, {"start", 5000000000ull}, {"end", 0}}},
    };
    platform::UserDefaults::standard()->setDictionary("rerive_timing_u", DZPlistDictFromJSON(stored));
    DZTimingManager manager;
    manager.setIdentifier("u");
    EXPECT_EQ(manager.timingForCategory("ended")->elapsedMilliseconds(), 250u);
    EXPECT_FALSE(manager.timingForCategory("running"));
    // A running timing whose start lies ahead of the clock counts 0.
    auto ahead = DZTiming::initWithDictionaryRepresentation({{"category", "a"}, {"start", 5000000000ull}});
    EXPECT_EQ(ahead->elapsedMilliseconds(), 0u);
}

TEST_F(TimingTest, SlotStatisticsRecordAdapterDurationsAndExitCodes) {
    DZSlotStatistics stats;
    stats.setIdentifier("slot-a");
    EXPECT_FALSE(stats.adapterExitCodesParameter());

    stats.startTimingAdapter();
    loop.advance(0.12);
    EXPECT_EQ(stats.timingNamed("adapter")->elapsedMilliseconds(), 0u);  // explicit end: 0 while running
    stats.endTimingAdapterWithExitCode(3);
    stats.startTimingAdapter();
    loop.advance(0.03);
    stats.endTimingAdapterWithExitCode(-1);
    EXPECT_EQ(stats.adapterDurationsParameter(), "120,30");
    EXPECT_EQ(stats.adapterExitCodesParameter(), "3,-1");

    // Kept for the ad unit across instances.
    stats.statistics().applicationWillTerminate();
    DZSlotStatistics again;
    again.setIdentifier("slot-a");
    EXPECT_EQ(again.adapterExitCodesParameter(), "3,-1");

    again.resetTimingAdapters();
    EXPECT_FALSE(again.adapterDurationsParameter());
    // Without an adapter timing only the exit code is appended.
    again.timingManager().removeAllTimings();
    again.endTimingAdapterWithExitCode(7);
    EXPECT_EQ(again.adapterExitCodesParameter(), "7");
    EXPECT_FALSE(again.adapterDurationsParameter());
}

TEST_F(TimingTest, SlotStatisticsThatGoAreOnDiskAlready) {
    std::string codes;
    {
        DZSlotStatistics stats;
        stats.setIdentifier("slot-a");
        for (int code = 0; code < 10; ++code) {
            stats.endTimingAdapterWithExitCode(code);
            codes += (code ? "," : "") + std::to_string(code);
        }
    }
    // What the next run reads: the store as the file holds it.
    platform::UserDefaults::resetStandard();
    DZSlotStatistics again;
    again.setIdentifier("slot-a");
    EXPECT_EQ(again.adapterExitCodesParameter(), codes);
}

TEST_F(TimingTest, StoresWithoutAnAdUnitNeverWrite) {
    auto core = DZStatisticsCore::init();
    core->setIdentifier("");
    core->appendStringToArrayForKey("1", "adapter_exit");
    EXPECT_EQ(core->arrayForKey("adapter_exit"), (std::vector<std::string>{"1"}));
    platform::ui::NotificationCenter::defaultCenter().post(
        platform::ui::kApplicationWillTerminateNotification);
    EXPECT_TRUE(platform::UserDefaults::standard()->dictionaryRepresentation().empty());
}

// A later run has a clock of its own: the first run lives in a child process.
TEST(DZTimingManagerRestart, EndedTimingsSurviveANewProcessAndRunningOnesAreDropped) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    // The child runs this test again up to the statement: only the parent makes the folder.
    std::optional<tikoleap::test::TempDir> home;
    if (!std::getenv("TIKOLEAP_TIMING_HOME")) {
        home.emplace("tikoleap-timing");
        ::setenv("TIKOLEAP_TIMING_HOME", home->path().c_str(), 1);
    }
    EXPECT_EXIT(
        {
            platform::AppPaths::setHome(std::getenv("TIKOLEAP_TIMING_HOME"));
            platform::UserDefaults::resetStandard();
            tikoleap::test::MainLoopPump pump;
            DZTimingManager manager;
            manager.setIdentifier("unit");
            pump.loop().advance(3600);  // this run's clock gets far ahead of the next one's
            auto fetch = manager.addTimingWithCategory("fetch");
            fetch->start();
            pump.loop().advance(0.08);
            fetch->end();
            manager.addTimingWithCategory("running")->start();
            manager.savePersistentTimings();
            platform::ui::NotificationCenter::defaultCenter().post(
                platform::ui::kApplicationWillTerminateNotification);
            std::_Exit(0);
        },
        ::testing::ExitedWithCode(0), "");
    ::unsetenv("TIKOLEAP_TIMING_HOME");

    platform::AppPaths::setHome(home->path());
    platform::UserDefaults::resetStandard();
    {
        tikoleap::test::MainLoopPump pump;
        DZTimingManager manager;
        manager.setIdentifier("unit");
        ASSERT_TRUE(manager.timingForCategory("fetch"));
        EXPECT_EQ(manager.timingForCategory("fetch")->elapsedMilliseconds(), 80u);
        EXPECT_FALSE(manager.timingForCategory("running"));
        pump.loop().advance(10);
        EXPECT_EQ(manager.timingForCategory("fetch")->elapsedMilliseconds(), 80u);
    }
    platform::UserDefaults::resetStandard();
    platform::AppPaths::setHome({});
}
