// The user-defaults store: typed reads as the platform answers them, a binary property list that
// plist tools read, saves that happen without being asked, a failed save that is retried, the
// will-terminate flush, and changes from many threads.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "platform/defaults/UserDefaults.h"
#include "platform/foundation/AppPaths.h"
#include "platform/foundation/ScopedLogSink.h"
#include "platform/plist/PlistFile.h"
#include "platform/ui/NotificationCenter.h"
#include "support/TempDir.h"

using platform::PlistType;
using platform::UserDefaults;
using tikoleap::test::TempDir;
namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace {

std::string runCommand(const std::string& command) {
    std::string out;
    if (FILE* pipe = ::popen(command.c_str(), "r")) {
        char buffer[4096];
        size_t n;
        while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) out.append(buffer, n);
        ::pclose(pipe);
    }
    return out;
}

}  // namespace

TEST(UserDefaults, ReadsConvertAsThePlatformsDefaultsDo) {
    TempDir tmp;
    auto defaults = UserDefaults::open(tmp.file("d.plist"));
    defaults->setString("text-number", " 10 ");
    defaults->setString("text-real", "2.5");
    defaults->setString("text", "abc");
    defaults->setString("yes", "YES");
    defaults->setString("no", "no");
    defaults->setInteger("zero", 0);
    defaults->setDouble("real", 7.9);
    defaults->setBool("flag", true);

    EXPECT_EQ(defaults->integerForKey("text-number"), 10);
    EXPECT_EQ(defaults->doubleForKey("text-real"), 2.5);
    EXPECT_EQ(defaults->integerForKey("real"), 7);  // truncated, as a number object would
    EXPECT_EQ(defaults->integerForKey("flag"), 1);
    EXPECT_FALSE(defaults->integerForKey("text"));
    EXPECT_FALSE(defaults->doubleForKey("missing"));
    EXPECT_EQ(defaults->boolForKey("yes"), true);
    EXPECT_EQ(defaults->boolForKey("no"), false);
    EXPECT_EQ(defaults->boolForKey("zero"), false);
    EXPECT_EQ(defaults->boolForKey("real"), true);
    EXPECT_FALSE(defaults->boolForKey("text"));
    EXPECT_FALSE(defaults->stringForKey("zero"));  // a number is no text
    EXPECT_EQ(defaults->typeOf("real"), PlistType::Real);
    defaults->removeObjectForKey("real");
    EXPECT_FALSE(defaults->contains("real"));
    EXPECT_TRUE(defaults->synchronize());
}

TEST(UserDefaults, TheStandardStoreIsABinaryPlistThatPlistToolsReadAndANewProcessLoads) {
    TempDir home;
    platform::AppPaths::setHome(home.path());
    UserDefaults::resetStandard();
    auto defaults = UserDefaults::standard();
    EXPECT_EQ(defaults->path(), home.path() / "Library" / "Preferences" / "tikoleap.plist");
    platform::PlistDict group;
    group.setString("http://h/p", "1");
    defaults->setDictionary("/rerive/ads/group", group);
    defaults->setInteger("/rerive/ads/ping_interval", 30);
    defaults->setData("blob", std::vector<uint8_t>{1, 2, 3});
    ASSERT_TRUE(defaults->synchronize());

    auto file = platform::readPlistDictionaryFile(defaults->path());
    ASSERT_TRUE(file);
    EXPECT_EQ(file->getInt("/rerive/ads/ping_interval"), 30);
    const std::string xml = runCommand("plistutil -i '" + defaults->path().string() + "' -f xml 2>/dev/null");
    if (!xml.empty()) {  // plistutil comes with the bootstrap; its absence is not this store's fault
        EXPECT_NE(xml.find("<key>/rerive/ads/ping_interval</key>"), std::string::npos) << xml;
        EXPECT_NE(xml.find("<integer>30</integer>"), std::string::npos);
    }
    std::FILE* f = std::fopen(defaults->path().c_str(), "rb");
    ASSERT_NE(f, nullptr);
    char magic[8] = {};
    EXPECT_EQ(std::fread(magic, 1, 8, f), 8u);
    std::fclose(f);
    EXPECT_EQ(std::string(magic, 8), "bplist00");

    // What a later run on the same home sees.
    UserDefaults::resetStandard();
    auto reopened = UserDefaults::standard();
    EXPECT_NE(reopened, defaults);
    EXPECT_EQ(reopened->integerForKey("/rerive/ads/ping_interval"), 30);
    EXPECT_EQ(reopened->dictionaryForKey("/rerive/ads/group")->getString("http://h/p"), "1");
    EXPECT_EQ(reopened->dataForKey("blob"), (std::vector<uint8_t>{1, 2, 3}));
    UserDefaults::resetStandard();
    platform::AppPaths::setHome({});
}

TEST(UserDefaults, ChangesReachTheFileWithoutBeingAsked) {
    TempDir tmp;
    auto defaults = UserDefaults::open(tmp.file("d.plist"));
    for (int i = 0; i < 100; ++i) defaults->setInteger("n", i);
    const auto end = std::chrono::steady_clock::now() + 10s;
    std::optional<int64_t> stored;
    while (std::chrono::steady_clock::now() < end) {
        auto file = platform::readPlistDictionaryFile(defaults->path());
        if (file && (stored = file->getInt("n")) == 99) break;
        std::this_thread::sleep_for(2ms);
    }
    EXPECT_EQ(stored, 99);
    EXPECT_TRUE(defaults->synchronize());
}

TEST(UserDefaults, AFailedSaveKeepsTheChangeAndWillTerminateWritesIt) {
    TempDir tmp;
    // A file where the folder should be: every write fails until it goes.
    tmp.write("blocked", "not a folder");
    const fs::path path = tmp.path() / "blocked" / "d.plist";
    auto defaults = UserDefaults::open(path);
    {
        platform::ScopedLogSink quiet;
        defaults->setString("k", "v");
        EXPECT_FALSE(defaults->synchronize());
        EXPECT_FALSE(quiet.lines().empty());
    }
    fs::remove(tmp.path() / "blocked");
    platform::ui::NotificationCenter::defaultCenter().post(
        platform::ui::kApplicationWillTerminateNotification);
    auto file = platform::readPlistDictionaryFile(path);
    ASSERT_TRUE(file);
    EXPECT_EQ(file->getString("k"), "v");
}

TEST(UserDefaults, ChangesFromManyThreadsAllLand) {
    TempDir tmp;
    const fs::path path = tmp.file("d.plist");
    {
        auto defaults = UserDefaults::open(path);
        std::vector<std::thread> threads;
        for (int t = 0; t < 4; ++t) {
            threads.emplace_back([&, t] {
                for (int i = 0; i < 50; ++i) {
                    defaults->setInteger("t" + std::to_string(t) + "-" + std::to_string(i), i);
                    (void)defaults->integerForKey("t0-0");
                }
            });
        }
        for (auto& th : threads) th.join();
        EXPECT_TRUE(defaults->synchronize());
    }
    auto reopened = UserDefaults::open(path);
    EXPECT_EQ(reopened->dictionaryRepresentation().size(), 200u);
    EXPECT_EQ(reopened->integerForKey("t3-49"), 49);
}

TEST(UserDefaults, AnUnreadableStoreStartsEmptyAndIsKeptAsideRatherThanOverwritten) {
    TempDir tmp;
    tmp.write("d.plist", "bplist00 but nothing after");
    std::shared_ptr<UserDefaults> defaults;
    {
        platform::ScopedLogSink quiet;
        defaults = UserDefaults::open(tmp.file("d.plist"));
        EXPECT_TRUE(defaults->dictionaryRepresentation().empty());
        defaults->setString("k", "v");
        EXPECT_TRUE(defaults->synchronize());
    }
    const auto kept = tmp.read("d.plist.corrupt");
    EXPECT_EQ(std::string(kept.begin(), kept.end()), "bplist00 but nothing after");
    EXPECT_EQ(UserDefaults::open(tmp.file("d.plist"))->stringForKey("k"), "v");
}
