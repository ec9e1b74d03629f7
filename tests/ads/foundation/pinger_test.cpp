// The pinger against a loopback server: what counts as success, the retry store's rules, retry
// passes on the virtual clock, and a store that outlives its process.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "ads/foundation/DZPinger.h"
#include "platform/defaults/UserDefaults.h"
#include "platform/dispatch/DispatchQueue.h"
#include "platform/dispatch/WorkerPool.h"
#include "platform/foundation/AppPaths.h"
#include "platform/foundation/ScopedLogSink.h"
#include "platform/ui/NotificationCenter.h"
#include "support/ChildProcess.h"
#include "support/LoopbackServer.h"
#include "support/MainLoopPump.h"
#include "support/TempDir.h"

namespace {

using namespace std::chrono_literals;
using tikoleap::test::LoopbackServer;
using tikoleap::test::MainLoopPump;
using tikoleap::test::TempDir;

const std::string kGroup = "/rerive/ads/test_group";

class DZPingerTest : public ::testing::Test {
  protected:
    void SetUp() override { platform::AppPaths::setHome(home.path()); }
    void TearDown() override {
        if (pinger) pinger->drain();
        // A save under way keeps the store alive past the fixture: it ends before the folder goes.
        defaults->synchronize();
        platform::AppPaths::setHome({});
    }

    std::shared_ptr<DZPinger> makePinger() {
        pinger = DZPinger::create(defaults);
        return pinger;
    }
    // The group's entries: retry text -> resends left.
    std::map<std::string, std::int64_t> stored(const std::string& group = kGroup) {
        pinger->drain();
        std::map<std::string, std::int64_t> out;
        auto dict = defaults->dictionaryForKey(group);
        if (!dict) return out;
        for (const auto& url : dict->keys()) {
            out[url] = dict->getDict(url)->getNumberAsInt(kDZRetryCountKey).value_or(-99);
        }
        return out;
    }
    void settle() {
        ASSERT_TRUE(pump.until([&] { return pinger->pingsInFlight() == 0; }));
        pinger->drain();
    }
    // One scheduler tick, and the pings it sends answered.
    void pass() {
        pump.loop().advance(pinger->pingInterval());
        pinger->drain();
        settle();
    }

    TempDir home;
    MainLoopPump pump;
    LoopbackServer server;
    std::shared_ptr<platform::UserDefaults> defaults =
        platform::UserDefaults::open(home.path() / "Library/Preferences/tikoleap.plist");
    std::shared_ptr<DZPinger> pinger;
};

TEST_F(DZPingerTest, OnlyA2xxAnswerIsASuccess) {
    makePinger();
    server.reply("/204", 204);
    server.reply("/304", 304);
    server.reply("/500", 500);
    LoopbackServer dead;
    const std::string deadURL = dead.url("/x");
    dead.stop();

    std::mutex m;
    std::map<std::string, bool> results;
    for (const std::string& url : {server.url("/204"), server.url("/304"), server.url("/500"), deadURL,
                                   std::string(""), std::string("not a url")}) {
        pinger->pingURLString(url, [&, url](bool ok) {
            std::lock_guard<std::mutex> lock(m);
            results[url] = ok;
        });
    }
    pinger->pingURLString(server.url("/unsent"), nullptr);
    ASSERT_TRUE(pump.until([&] {
        std::lock_guard<std::mutex> lock(m);
        return results.size() == 6;
    }));
    EXPECT_TRUE(results[server.url("/204")]);
    EXPECT_FALSE(results[server.url("/304")]);
    EXPECT_FALSE(results[server.url("/500")]);
    EXPECT_FALSE(results[deadURL]);
    EXPECT_FALSE(results[""]);
    EXPECT_FALSE(results["not a url"]);
    EXPECT_EQ(server.count("/unsent"), 0u);
}

TEST_F(DZPingerTest, TheStoreTakesAGroupsFirstTenUrlsAndKeepsTheFirstCount) {
    makePinger();
    for (int i = 0; i < 11; ++i) pinger->storeRetryURLString("http://h/" + std::to_string(i), kGroup);
    auto entries = stored();
    EXPECT_EQ(entries.size(), 10u);
    EXPECT_EQ(entries.count("http://h/10"), 0u);
    EXPECT_EQ(entries["http://h/0"], 3);
    EXPECT_EQ(defaults->arrayForKey(kDZRetryGroupKeysKey)->getString(0), kGroup);

    // The same text stored again keeps its count.
    platform::PlistDict group = *defaults->dictionaryForKey(kGroup);
    platform::PlistDict one;
    one.setInt(kDZRetryCountKey, 1);
    group.setDict("http://h/0", one);
    defaults->setDictionary(kGroup, group);
    pinger->storeRetryURLString("http://h/0", "/rerive/ads/other");
    pinger->storeRetryURLString("http://h/0", kGroup);
    EXPECT_EQ(stored()["http://h/0"], 1);
    EXPECT_EQ(defaults->arrayForKey(kDZRetryGroupKeysKey)->size(), 2u);
}

TEST_F(DZPingerTest, AFailedPingIsRetriedAtTheIntervalAndDroppedAfterTheLimit) {
    makePinger();
    server.reply("/ping", 500);
    pinger->start();
    pinger->pingWithRetryGroupKey(kGroup, server.url("/ping?e=1"), server.url("/ping?e=1"));
    settle();
    EXPECT_EQ(server.count("/ping"), 1u);
    EXPECT_EQ(stored()[server.url("/ping?e=1")], 3);

    pump.loop().advance(pinger->pingInterval() - 1);
    pinger->drain();
    EXPECT_EQ(server.count("/ping"), 1u);  // not before the interval
    pump.loop().advance(1);
    pinger->drain();
    settle();
    EXPECT_EQ(server.count("/ping"), 2u);
    EXPECT_EQ(stored()[server.url("/ping?e=1")], 2);
    pass();
    pass();
    EXPECT_EQ(server.count("/ping"), 4u);
    EXPECT_EQ(stored()[server.url("/ping?e=1")], 0);
    pass();
    EXPECT_EQ(server.count("/ping"), 4u);
    EXPECT_TRUE(stored().empty());

    // A retry that gets through leaves the store.
    server.reply("/ok", 204);
    pinger->storeRetryURLString(server.url("/ok"), kGroup);
    pass();
    EXPECT_EQ(server.count("/ok"), 1u);
    EXPECT_TRUE(stored().empty());
}

TEST_F(DZPingerTest, APingInFlightIsNotSentAgainByAPassEvenUnderAnotherRetryText) {
    makePinger();
    server.slow("/slow", 0.5, 500);
    const std::string sent = server.url("/slow?attempt=first");
    const std::string retry = server.url("/slow?attempt=retry");
    pinger->pingWithRetryGroupKey(kGroup, sent, retry);
    ASSERT_TRUE(server.waitForHits("/slow", 1));
    pinger->pingRetryURLs();
    EXPECT_EQ(stored()[retry], 3);  // in flight: left as it was
    settle();
    EXPECT_EQ(server.count("/slow"), 1u);
    pinger->pingRetryURLs();
    pinger->drain();
    settle();
    EXPECT_EQ(server.hits("/slow").at(1).param("attempt"), "retry");
    EXPECT_EQ(stored()[retry], 2);
}

TEST_F(DZPingerTest, UnusableSettingsAndStoresFallBackWithoutLosingAnything) {
    defaults->setDouble(kDZPingIntervalKey, 0);
    defaults->setInteger(kDZMaximumRetryURLCountKey, -3);
    defaults->setInteger(kDZURLTimeToLiveKey, 1000000);
    defaults->setString(kDZRetryGroupKeysKey, "not a list");
    defaults->setString(kGroup, "not a dictionary");
    platform::ScopedLogSink log;
    makePinger();
    EXPECT_EQ(pinger->pingInterval(), DZPinger::kDefaultPingInterval);
    EXPECT_EQ(pinger->maximumRetryURLCount(), DZPinger::kDefaultMaximumRetryURLCount);
    EXPECT_EQ(pinger->URLRetryCount(), 100);
    EXPECT_EQ(defaults->stringForKey(kDZRetryGroupKeysKey + ".corrupt"), "not a list");
    ASSERT_FALSE(log.lines().empty());
    EXPECT_NE(log.lines()[0].find("WARN"), std::string::npos);

    // A pass leaves a group that is no dictionary as it is ...
    platform::PlistArray keys;
    keys.appendString(kGroup);
    defaults->setArray(kDZRetryGroupKeysKey, keys);
    pinger->pingRetryURLs();
    pinger->drain();
    EXPECT_EQ(defaults->stringForKey(kGroup), "not a dictionary");
    // ... and storing into it keeps the old value aside.
    pinger->storeRetryURLString("http://h/1", kGroup);
    EXPECT_EQ(stored().size(), 1u);
    EXPECT_EQ(defaults->stringForKey(kGroup + ".corrupt"), "not a dictionary");
}

// The two runs of a restart, each in a process of its own (they can be run by hand too, see
// docs/ads-foundation.md).
// The first pings URL while its server is down and ends the run as the app does.
TEST_F(DZPingerTest, KeepingAReportNowGivesUpInTimeWhenTheStoresQueueIsStuck) {
    makePinger();
    // Every worker busy: the store's write cannot run until they are let go. The gate outlives
    // the test for the workers that wake late.
    struct Gate {
        std::mutex mutex;
        std::condition_variable letGo;
        bool released = false;
        std::atomic<std::size_t> busy{0};
    };
    auto gate = std::make_shared<Gate>();
    constexpr std::size_t kWorkers = platform::dispatch_detail::WorkerPool::kMaxThreads;
    for (std::size_t i = 0; i < kWorkers; ++i) {
        platform::DispatchQueue::global()->async([gate] {
            ++gate->busy;
            std::unique_lock lock(gate->mutex);
            gate->letGo.wait_for(lock, std::chrono::seconds(5), [&] { return gate->released; });
        });
    }
    const auto ready = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (gate->busy < kWorkers && std::chrono::steady_clock::now() < ready) std::this_thread::yield();
    ASSERT_EQ(gate->busy.load(), kWorkers);

    const auto start = std::chrono::steady_clock::now();
    const bool kept =
        pinger->storeRetryURLStringNow("http://127.0.0.1:9/crash", kGroup, std::chrono::milliseconds(200));
    const auto took = std::chrono::steady_clock::now() - start;
    {
        std::lock_guard lock(gate->mutex);
        gate->released = true;
    }
    gate->letGo.notify_all();
    EXPECT_FALSE(kept);
    EXPECT_LT(took, std::chrono::seconds(2));
    // Kept in memory at once, and written once the queue runs again.
    EXPECT_EQ(stored().count("http://127.0.0.1:9/crash"), 1u);
    EXPECT_TRUE(defaults->synchronize());
}

TEST(DZPingerChild, DISABLED_PingWithTheServerDown) {
    const char* home = std::getenv("TIKOLEAP_CHILD_HOME");
    const char* url = std::getenv("TIKOLEAP_CHILD_URL");
    ASSERT_TRUE(home && url);
    platform::AppPaths::setHome(home);
    MainLoopPump pump;
    auto pinger = DZPinger::create(platform::UserDefaults::standard());
    pinger->pingWithRetryGroupKey(kGroup, url, url);
    pinger->drain();
    ASSERT_TRUE(pump.until([&] { return pinger->pingsInFlight() == 0; }));
    platform::ui::NotificationCenter::defaultCenter().post(
        platform::ui::kApplicationWillTerminateNotification);
}

// The next launch: starts the pinger, lets one interval pass and waits for the answers.
TEST(DZPingerChild, DISABLED_NextLaunch) {
    const char* home = std::getenv("TIKOLEAP_CHILD_HOME");
    ASSERT_TRUE(home);
    platform::AppPaths::setHome(home);
    MainLoopPump pump;
    auto pinger = DZPinger::create(platform::UserDefaults::standard());
    pinger->start();
    pump.loop().advance(pinger->pingInterval());
    pinger->drain();
    ASSERT_TRUE(pump.until([&] { return pinger->pingsInFlight() == 0; }));
    pinger->drain();
    platform::ui::NotificationCenter::defaultCenter().post(
        platform::ui::kApplicationWillTerminateNotification);
}

TEST_F(DZPingerTest, StoredPingsSurviveARestartAndGoOutOnceTheServerIsUp) {
    int port = 0;
    {
        LoopbackServer reserve;
        port = reserve.port();
    }
    const std::string url = "http://127.0.0.1:" + std::to_string(port) + "/event?id=9";
    const std::map<std::string, std::string> env = {{"TIKOLEAP_CHILD_HOME", home.path().string()},
                                                    {"TIKOLEAP_CHILD_URL", url}};
    auto first = tikoleap::test::runTestInChild("DZPingerChild.DISABLED_PingWithTheServerDown", env);
    ASSERT_TRUE(first.exited && first.code == 0);
    auto onDisk = [] { return platform::UserDefaults::open(platform::UserDefaults::standardPath()); };
    auto group = onDisk()->dictionaryForKey(kGroup);
    ASSERT_TRUE(group);
    EXPECT_EQ(group->getDict(url)->getNumberAsInt(kDZRetryCountKey), 3);

    LoopbackServer up(port);
    up.reply("/event", 200);
    auto next = tikoleap::test::runTestInChild("DZPingerChild.DISABLED_NextLaunch", env);
    ASSERT_TRUE(next.exited && next.code == 0);
    EXPECT_EQ(up.count("/event"), 1u);
    EXPECT_EQ(onDisk()->dictionaryForKey(kGroup)->size(), 0u);
}

}  // namespace
