// The component's start-up: every step once per process, on the main thread, whoever asks first.
#include <gtest/gtest.h>

#include <exception>
#include <thread>

#include "ads/foundation/AdsTestHome.h"
#include "ads/foundation/DZApplication.h"
#include "ads/foundation/DZDevice.h"
#include "ads/foundation/DZPinger.h"
#include "platform/plist/PlistDict.h"
#include "platform/ui/Application.h"
#include "platform/web/WebKitUserAgent.h"
#include "support/ChildProcess.h"
#include "support/LoopbackServer.h"

namespace {

using tikoleap::test::AdsTestHome;
using tikoleap::test::LoopbackServer;

// Runs in a child process: only a new process has not started the component yet.
TEST(DZApplicationStartChild, DISABLED_Start) {
    AdsTestHome env;
    LoopbackServer server;
    server.reply("/retry", 204);
    // A ping an earlier run could not send, and content sampling switched on by the server.
    auto defaults = platform::UserDefaults::standard();
    platform::PlistArray groups;
    groups.appendString("/test/group");
    defaults->setArray(kDZRetryGroupKeysKey, groups);
    platform::PlistDict entry;
    entry.setInt(kDZRetryCountKey, 3);
    platform::PlistDict group;
    group.setDict(server.url("/retry"), entry);
    defaults->setDictionary("/test/group", group);
    defaults->setBool(kDZContentURLEnabledKey, true);

    int mraid = 0, tokens = 0, purchases = 0, hashing = 0;
    DZApplication::setEarlyActivityHooks(
        {[&] { ++mraid; }, [&] { ++tokens; }, [&] { ++purchases; }, [&] { ++hashing; }});
    const std::terminate_handler appHandler = std::get_terminate();
    auto application = DZApplication::sharedInstance();

    std::thread([&] { application->runEarlyActivities(); }).join();
    EXPECT_EQ(mraid, 0);  // a worker's call waits for the main thread
    env.loop().runUntilIdle();
    application->runEarlyActivities();
    platform::ui::Application::shared().finishLaunching();  // the launch notice asks too
    EXPECT_EQ(mraid, 1);
    EXPECT_EQ(tokens, 1);
    EXPECT_EQ(purchases, 1);
    EXPECT_EQ(hashing, 1);

    auto device = DZDevice::sharedInstance();
    EXPECT_TRUE(device->hasCachedStaticParameters());
    // The requests' user agent is the web engine's own wherever there is a display to ask it on.
    EXPECT_EQ(device->userAgentString(),
              platform::web::webKitDefaultUserAgent().value_or(DZDefaultWebViewUserAgent()));
    EXPECT_NE(std::get_terminate(), appHandler);  // crash reports go first
    // The pinger's passes run: the stored ping goes out at the first.
    env.loop().advance(DZPinger::sharedInstance()->pingInterval());
    EXPECT_TRUE(server.waitForHits("/retry", 1));
    std::set_terminate(appHandler);
}

}  // namespace

TEST(DZApplicationStart, RunsEveryStepOncePerProcessOnTheMainThread) {
    const auto exit = tikoleap::test::runTestInChild("DZApplicationStartChild.DISABLED_Start", {});
    EXPECT_TRUE(exit.exited);
    EXPECT_EQ(exit.code, 0);
}
