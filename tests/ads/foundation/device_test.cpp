// Device facts and the device part of the request parameters on this machine, the network type
// as the monitor reports changes, and publisher locations.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/utsname.h>

#include <cmath>
#include <thread>

#include "ads/foundation/AdsTestHome.h"
#include "ads/foundation/DZApplication.h"
#include "ads/foundation/DZDevice.h"
#include "ads/foundation/DZLocation.h"
#include "ads/foundation/DZNetwork.h"
#include "platform/defaults/MainBundle.h"
#include "platform/network/NetworkMonitor.h"
#include "platform/ui/Application.h"

using platform::ManualNetworkMonitor;
using platform::NetworkStatus;
using tikoleap::test::AdsTestHome;

namespace {

class DeviceTest : public ::testing::Test {
  protected:
    void SetUp() override {
        platform::PlistDict info;
        info.setString("CFBundleIdentifier", "org.example.game");
        info.setString("CFBundleVersion", "2.1");
        info.setString("TikoLeapWebSecretKey", "s3cret");
        platform::MainBundle::setInfoDictionary(info);
        device = DZDevice::create(DZNetwork::init([this] { return monitor; }));
    }
    void TearDown() override {
        platform::MainBundle::setInfoDictionary({});
        platform::ui::Application::shared().setStatusBarOrientation(1);
    }

    AdsTestHome env;
    std::shared_ptr<ManualNetworkMonitor> monitor = std::make_shared<ManualNetworkMonitor>();
    std::shared_ptr<DZDevice> device;
};

}  // namespace

TEST_F(DeviceTest, StaticFactsAreReadOnceOnTheMainThread) {
    std::thread([&] { device->cacheStaticParameters(); }).join();
    EXPECT_FALSE(device->hasCachedStaticParameters());
    EXPECT_FALSE(device->isOSAtLeastMajor(0, 0, 1));  // compares against 0.0.0 until then

    device->cacheStaticParameters();
    EXPECT_TRUE(device->hasCachedStaticParameters());
    EXPECT_EQ(device->systemVersion(), "8.0");
    EXPECT_EQ(device->operatingSystemVersion(), (std::array<int, 3>{8, 0, 0}));
    EXPECT_TRUE(device->OSIsSupported());
    EXPECT_TRUE(device->isOSAtLeastMajor(8, 0, 0));
    EXPECT_FALSE(device->isOSAtLeastMajor(8, 0, 1));
    EXPECT_FALSE(device->isOSAtLeastMajor(9, 0, 0));
    EXPECT_TRUE(device->isOSAtLeastMajor(7, 1, 2));

    utsname name{};
    ASSERT_EQ(::uname(&name), 0);
    EXPECT_EQ(device->deviceModel(), name.sysname);
    EXPECT_EQ(DZDevice::deviceSubmodel(), name.machine);
    EXPECT_FLOAT_EQ(device->mainScreenDensity(), 1.0f);
    EXPECT_EQ(device->standardizedPortraitScreenBounds(), platform::Rect(0, 0, 320, 480));
    EXPECT_FALSE(DZDevice::isSimulator());
}

TEST_F(DeviceTest, NoAdvertisingIdentifierAndNoRadio) {
    EXPECT_TRUE(device->limitAdTracking());
    EXPECT_EQ(device->limitAdTrackingString(), "1");
    EXPECT_EQ(device->deviceIdentifier(), "");
    device->cacheStaticParameters();
    EXPECT_FALSE(device->radioAccessTechnology());
    // The last known technology outlives a nil one.
    device->setRadioAccessTechnology("LTE");
    device->setRadioAccessTechnology(std::nullopt);
    EXPECT_FALSE(device->radioAccessTechnology());
    EXPECT_EQ(device->lastKnownRadioAccessTechnology(), "LTE");
}

TEST_F(DeviceTest, OrientationAndUserAgent) {
    device->cacheStaticParameters();
    EXPECT_FALSE(device->orientationLandscape());
    platform::ui::Application::shared().setStatusBarOrientation(3);
    EXPECT_TRUE(device->orientationLandscape());
    EXPECT_EQ(device->standardizedOrientedScreenBounds(), platform::Rect(0, 0, 480, 320));
    EXPECT_EQ(device->standardizedOrientedApplicationFrame(), platform::Rect(0, 0, 480, 320));
    EXPECT_EQ(device->standardizedPortraitScreenBounds(), platform::Rect(0, 0, 320, 480));

    EXPECT_EQ(device->userAgentString(), DZDefaultWebViewUserAgent());
    EXPECT_EQ(DZDefaultWebViewUserAgent().rfind("Mozilla/5.0 (X11; Linux ", 0), 0u);
    device->setUserAgentString("Engine/1.0");
    device->setUserAgentString("");  // ignored
    EXPECT_EQ(device->userAgentString(), "Engine/1.0");
}

TEST_F(DeviceTest, TheTemporaryFolderIsPrivateAndSweptAtCreation) {
    const auto dir = DZDevice::temporaryPathWithCreation(true);
    struct stat st {};
    ASSERT_EQ(::lstat(dir.c_str(), &st), 0);
    EXPECT_TRUE(S_ISDIR(st.st_mode));
    EXPECT_EQ(st.st_mode & 0777, 0700u);
    EXPECT_EQ(dir.parent_path(), platform::AppPaths::temporaryDirectory());
    env.home().write("tmp/DiDazTemp/left-over", "x");
    auto fresh = DZDevice::create(DZNetwork::init([this] { return monitor; }));
    env.loop().runUntilIdle();
    EXPECT_FALSE(std::filesystem::exists(dir));
}

TEST_F(DeviceTest, RequestParametersOfADesktopWithoutRadioOrAdvertisingId) {
    device->cacheStaticParameters();
    const nlohmann::json p = device->parameters();
    utsname name{};
    ASSERT_EQ(::uname(&name), 0);
    EXPECT_EQ(p["platform"], name.sysname);
    EXPECT_EQ(p["submodel"], name.machine);
    EXPECT_EQ(p["u_audio"], "5");
    EXPECT_EQ(p["u_so"], "p");
    EXPECT_EQ(p["u_sd"], "1");
    EXPECT_EQ(p["u_w"], "320");
    EXPECT_EQ(p["u_h"], "480");
    EXPECT_EQ(p["cap_noiap"], "1");
    EXPECT_TRUE(p["ios_metadata"].is_object());
    EXPECT_EQ(p["ios_info_plist"]["CFBundleIdentifier"], "org.example.game");
    EXPECT_FALSE(p["ios_info_plist"].contains("TikoLeapWebSecretKey"));  // the app's own keys stay home
    // The app's own identity comes from the shared application state, made at its first use.
    const std::string version = DZApplication::sharedInstance()->version();
    const std::string id = DZApplication::sharedInstance()->mainBundleIdentifier().value_or("");
    EXPECT_EQ(p["app_name"], (version.empty() ? "" : version + ".") + "iphone." + id);
    // No radio, no phone-on-a-tablet, no SDK name, no store this desktop opens.
    for (const char* absent : {"ios_radio", "ios_radio_last", "ios_ipadc", "ios_base_sdk", "cap_bs"})
        EXPECT_FALSE(p.contains(absent)) << absent;
    if (DZDevice::locale()) {
        EXPECT_EQ(p["hl"], *DZDevice::locale());
    } else {
        EXPECT_FALSE(p.contains("hl"));
    }
}

TEST_F(DeviceTest, TheNetworkTypeFollowsTheMonitor) {
    monitor->change({true, false});
    auto network = DZNetwork::init([this] { return monitor; });
    EXPECT_EQ(network->networkType(), kDZNetworkTypeNotChecking);
    network->enableNetworkChecking();  // reads the state it starts in
    EXPECT_EQ(network->networkTypeString(), "wi");
    EXPECT_EQ(network->lastKnownNetworkTypeString(), "wi");

    auto settled = [&](std::optional<std::string> want) {
        for (int i = 0; i < 1000 && network->networkTypeString() != want; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        return network->networkTypeString() == want;
    };
    monitor->change({true, true});
    EXPECT_TRUE(settled("ed"));
    monitor->change({false, false});
    EXPECT_TRUE(settled(std::nullopt));
    EXPECT_EQ(network->networkType(), kDZNetworkTypeNotReachable);
    EXPECT_EQ(network->lastKnownNetworkTypeString(), "ed");

    network->disableNetworkChecking();
    EXPECT_EQ(network->networkType(), kDZNetworkTypeNotChecking);
    EXPECT_EQ(network->lastKnownNetworkTypeString(), "ed");
    monitor->change({true, false});  // no longer heard
    EXPECT_EQ(network->networkType(), kDZNetworkTypeNotChecking);

    // The reachability flags: the cellular bit wins, no reachable bit is "not reachable".
    network->setNetworkTypeFromFlags(kDZReachabilityFlagIsWWAN | kDZReachabilityFlagReachable);
    EXPECT_EQ(network->networkTypeString(), "ed");
    network->setNetworkTypeFromFlags(0x1);
    EXPECT_EQ(network->networkType(), kDZNetworkTypeNotReachable);
}

TEST(DZLocation, PreciseLocationsAndTheirForms) {
    EXPECT_FALSE(DZLocation::initWithLatitude(0.0f, 10.0f, 5.0f));  // on the equator
    EXPECT_FALSE(DZLocation::initWithLatitude(90.5f, 10.0f, 5.0f));
    EXPECT_FALSE(DZLocation::initWithLatitude(10.0f, NAN, 5.0f));
    auto here = DZLocation::initWithLatitude(37.5f, -122.25f, 20.0f);
    ASSERT_TRUE(here);
    here->setTimestamp(1.5);
    const nlohmann::json r = *here->dictionaryRepresentation();
    EXPECT_EQ(r["lat"], 375000000);
    EXPECT_EQ(r["long"], -1222500000);
    EXPECT_EQ(r["radius"], 20000.0);
    EXPECT_EQ(r["time"], 1500000.0);
    EXPECT_EQ(here->locationDescription(), "37.500000,-122.250000");

    EXPECT_FALSE(DZLocation::initWithLocationDescription(""));
    auto text = DZLocation::initWithLocationDescription("Mountain Town");
    EXPECT_FALSE(text->dictionaryRepresentation());
    EXPECT_EQ(text->locationDescription(), "Mountain Town");
}

TEST(DZLocation, EqualityAndHashIgnoreTheTime) {
    auto a = *DZLocation::initWithLatitude(1.5f, 2.5f, 3.0f);
    auto b = *DZLocation::initWithLatitude(1.5f, 2.5f, 3.0f);
    b.setTimestamp(a.timestamp() + 60);
    (void)a.dictionaryRepresentation();  // cached with a's time; must not matter
    EXPECT_TRUE(a == b);
    EXPECT_EQ(a.hash(), b.hash());
    auto c = *DZLocation::initWithLatitude(1.5f, 2.6f, 3.0f);
    EXPECT_FALSE(a == c);
    auto t1 = *DZLocation::initWithLocationDescription("x");
    auto t2 = *DZLocation::initWithLocationDescription("x");
    t2.setTimestamp(0);
    EXPECT_TRUE(t1 == t2);
    EXPECT_EQ(t1.hash(), t2.hash());
    EXPECT_FALSE(t1 == a);
    // A copy keeps the time it was made with.
    DZLocation copy = a;
    EXPECT_EQ(copy.timestamp(), a.timestamp());
}

TEST(DZLocation, ThreadsSharingOneLocationAllReadTheSameRepresentation) {
    const auto here = *DZLocation::initWithLatitude(48.25f, 16.5f, 8.0f);
    std::vector<nlohmann::json> seen(4);
    std::vector<std::thread> threads;
    for (size_t t = 0; t < seen.size(); ++t)
        threads.emplace_back([&, t] { seen[t] = *here.dictionaryRepresentation(); });
    for (auto& th : threads) th.join();
    for (const auto& r : seen) EXPECT_EQ(r, seen[0]);
    EXPECT_EQ(seen[0]["lat"], 482500000);
}
