// Zadava Duru measurement without a slot: the monitor's sampling (its delegate held weakly, its
// interval kept sane), the unit a sample makes, and screen rectangles in interface coordinates.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>

#include "ads/foundation/AdsTestHome.h"
#include "ads/foundation/DZDevice.h"
#include "ads/foundation/DZNetwork.h"
#include "ads/render/geometry/DZInterfaceRect.h"
#include "ads/render/viewability/DZZadavaDuruMonitor.h"
#include "ads/render/viewability/DZZadavaDuruUnit.h"
#include "platform/ui/Application.h"
#include "platform/ui/NotificationCenter.h"
#include "platform/ui/View.h"
#include "platform/ui/Window.h"

using platform::Rect;
using namespace platform::ui;

namespace {

struct Counter : DZZadavaDuruMonitorDelegate {
    void zadavaDuruMonitorDidRefresh(DZZadavaDuruMonitor& monitor) override {
        ++refreshes;
        lastVisible = monitor.monitoredViewVisible();
    }
    int refreshes = 0;
    bool lastVisible = false;
};

// A slot-like owner: it keeps its monitor and is the monitor's delegate.
struct Owner : Counter {
    std::shared_ptr<DZZadavaDuruMonitor> monitor;
};

class ZadavaDuru : public ::testing::Test {
  protected:
    std::shared_ptr<DZZadavaDuruMonitor> monitorWithInterval(double seconds) {
        auto monitor = DZZadavaDuruMonitor::initWithView(ad, [seconds] { return seconds; });
        monitor->setDelegate(counter);
        return monitor;
    }
    int refreshesIn(double seconds) {
        const int before = counter->refreshes;
        home.loop().advance(seconds);
        return counter->refreshes - before;
    }

    tikoleap::test::AdsTestHome home;
    NotificationCenter center;
    Application app{center};
    std::shared_ptr<Window> window = std::make_shared<Window>(Rect{0, 0, 320, 480}, &app);
    std::shared_ptr<View> ad = std::make_shared<View>(Rect{0, 430, 320, 50});
    std::shared_ptr<Counter> counter = std::make_shared<Counter>();
};

}  // namespace

TEST_F(ZadavaDuru, TheMonitorHoldsItsDelegateWeaklySoItsOwnerCanGo) {
    EXPECT_EQ(DZZadavaDuruMonitor::initWithView(nullptr), nullptr);
    auto owner = std::make_shared<Owner>();
    owner->monitor = DZZadavaDuruMonitor::initWithView(ad, [] { return 0.4; });
    owner->monitor->setDelegate(owner);
    owner->monitor->startMonitoring();
    std::weak_ptr<Owner> weakOwner = owner;
    std::weak_ptr<DZZadavaDuruMonitor> weakMonitor = owner->monitor;
    owner.reset();
    EXPECT_TRUE(weakOwner.expired());
    EXPECT_TRUE(weakMonitor.expired());
    home.loop().advance(1);  // its timer went with it
}

TEST_F(ZadavaDuru, SamplingRunsOnceAtItsIntervalNeverFasterThanATenthOfASecond) {
    window->addSubview(ad);
    auto monitor = monitorWithInterval(0.4);
    monitor->startMonitoring();
    monitor->startMonitoring();
    EXPECT_EQ(refreshesIn(1.0), 2);
    EXPECT_TRUE(counter->lastVisible);
    monitor->stopMonitoring();
    monitor->stopMonitoring();
    EXPECT_EQ(refreshesIn(1.0), 0);

    for (double asked : {0.0, 0.001, -5.0, std::nan("")}) {
        auto fast = monitorWithInterval(asked);
        fast->startMonitoring();
        EXPECT_EQ(refreshesIn(1.0), 10) << asked;
    }
    EXPECT_EQ(DZZadavaDuruMonitor::usableSamplingInterval(std::numeric_limits<double>::infinity()),
              DZZadavaDuruMonitor::kMaximumSamplingInterval);
}

TEST_F(ZadavaDuru, AGoneViewOrABackgroundApplicationSamplesNothingVisible) {
    window->addSubview(ad);
    auto monitor = monitorWithInterval(0.4);
    monitor->sample();
    EXPECT_EQ(monitor->monitoredViewVisibleBounds(), (Rect{0, 430, 320, 50}));
    EXPECT_TRUE(monitor->monitoredViewVisible());
    DZZadavaDuruUnit::Slot slot{7, false, false, std::nullopt};

    app.enterBackground();
    monitor->sample();
    EXPECT_FALSE(monitor->monitoredViewVisible());
    auto unit = DZZadavaDuruUnit::parameters(*monitor, false, slot)["units"][0];
    EXPECT_EQ(unit["isSubViewOfVisibleWindow"], "0");
    EXPECT_EQ(unit["isVisible"], "0");
    app.enterForeground();

    ad->removeFromSuperview();
    ad.reset();
    monitor->sample();
    EXPECT_EQ(counter->refreshes, 3);
    EXPECT_EQ(monitor->monitoredView(), nullptr);
    unit = DZZadavaDuruUnit::parameters(*monitor, false, slot)["units"][0];
    EXPECT_EQ(unit["isVisible"], "0");
    EXPECT_EQ(unit["adBox"], DZZadavaDuruUnit::dictionaryForBounds({}));
    EXPECT_EQ(unit["viewBox"], DZZadavaDuruUnit::dictionaryForBounds({}));
}

TEST_F(ZadavaDuru, AUnitCarriesEveryKeyAndTheLastOneSaysSo) {
    window->addSubview(ad);
    auto monitor = monitorWithInterval(0.4);
    monitor->sample();
    const nlohmann::json config = {{"v", 2}};
    const auto params = DZZadavaDuruUnit::parameters(*monitor, false, {7, true, true, config});
    ASSERT_EQ(params["units"].size(), 1u);
    const auto& unit = params["units"][0];
    for (const char* key : {"adBox", "globalVisibleBox", "viewBox", "screenDimension", "screenOrientation",
                            "isSubViewOfVisibleWindow", "isVisible", "ad_type_mraid", "zazoVersion",
                            "adFormat", "zadavaDuruJSON", "timestamp", "hashCode"})
        EXPECT_TRUE(unit.contains(key)) << key;
    EXPECT_EQ(unit.size(), 13u);
    EXPECT_EQ(unit["adBox"], (nlohmann::json{{"top", 430}, {"bottom", 480}, {"left", 0}, {"right", 320}}));
    EXPECT_EQ(unit["globalVisibleBox"], unit["adBox"]);
    EXPECT_EQ(unit["viewBox"], (nlohmann::json{{"top", 0}, {"bottom", 480}, {"left", 0}, {"right", 320}}));
    EXPECT_EQ(unit["isSubViewOfVisibleWindow"], "1");
    EXPECT_EQ(unit["isVisible"], "1");
    EXPECT_EQ(unit["ad_type_mraid"], "1");
    EXPECT_EQ(unit["adFormat"], "interstitial_mb");
    EXPECT_EQ(unit["zadavaDuruJSON"], config);
    EXPECT_EQ(unit["hashCode"], 7);
    EXPECT_TRUE(unit["timestamp"].is_number_unsigned());

    const auto last =
        DZZadavaDuruUnit::parameters(*monitor, true, {8, false, false, std::nullopt})["units"][0];
    EXPECT_EQ(last["doneReasonCode"], "u");
    EXPECT_EQ(last["adFormat"], "banner_mb");
    EXPECT_EQ(last["ad_type_mraid"], "0");
    EXPECT_FALSE(last.contains("zadavaDuruJSON"));

    const auto command = DZZadavaDuruUnit::JSCommandWithParams(params);
    ASSERT_TRUE(command);
    EXPECT_EQ(command->rfind("ZAZO_updateZadavaDuru({\"units\":[{", 0), 0u);
    EXPECT_EQ(command->back(), ')');
    EXPECT_EQ(nlohmann::json::parse(command->substr(22, command->size() - 23)), params);
    EXPECT_FALSE(DZZadavaDuruUnit::JSCommandWithParams(std::nullopt));
    EXPECT_FALSE(DZZadavaDuruUnit::JSCommandWithParams(nlohmann::json{{"units", {{{"top", std::nan("")}}}}}));
}

TEST(ZadavaDuruGeometry, BoundsAreStandardisedAndOldSystemsTurnScreenRectangles) {
    EXPECT_EQ(DZZadavaDuruUnit::dictionaryForBounds({10, 20, -30, 40}),
              (nlohmann::json{{"top", 20}, {"bottom", 60}, {"left", -20}, {"right", 10}}));

    tikoleap::test::AdsTestHome home;
    auto device = DZDevice::create(DZNetwork::init());
    const Rect screen{0, 0, 320, 480}, banner{0, 0, 320, 50};
    // Before its facts are read a device compares as system 0: below 8, rectangles turn.
    EXPECT_EQ(DZInterfaceRectFromScreenRectForOrientation(banner, 3, screen, device.get()),
              (Rect{0, 0, 50, 320}));
    EXPECT_EQ(DZInterfaceRectFromScreenRectForOrientation(banner, 4, screen, device.get()),
              (Rect{430, 0, 50, 320}));
    EXPECT_EQ(DZInterfaceRectFromScreenRectForOrientation(banner, 2, screen, device.get()),
              (Rect{0, 430, 320, 50}));
    EXPECT_EQ(DZInterfaceRectFromScreenRectForOrientation(banner, 1, screen, device.get()), banner);
    device->cacheStaticParameters();
    ASSERT_TRUE(device->isOSAtLeastMajor(8, 0, 0));
    EXPECT_EQ(DZInterfaceRectFromScreenRectForOrientation(banner, 3, screen, device.get()), banner);
    EXPECT_EQ(DZInterfaceRectFromScreenRect(banner, device.get()), banner);
}
