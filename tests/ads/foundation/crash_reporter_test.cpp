// The crash reporter: the report text, the handler chain, and a crash in a child process whose
// report reaches the server at the next launch.
#include <gtest/gtest.h>

#include <sys/utsname.h>

#include <csignal>
#include <cstdlib>
#include <fstream>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

#include "ads/foundation/DZApplication.h"
#include "ads/foundation/DZCrashReporter.h"
#include "ads/foundation/DZPinger.h"
#include "platform/defaults/MainBundle.h"
#include "platform/defaults/UserDefaults.h"
#include "platform/foundation/AppPaths.h"
#include "support/ChildProcess.h"
#include "support/LoopbackServer.h"
#include "support/MainLoopPump.h"
#include "support/TempDir.h"

// Outside the anonymous namespace, so that their names reach the stack lines. The noexcept frame
// makes the exception end the process with itself as the current exception.
[[noreturn]] void DZSlotThrow(const std::string& reason);
void DZSlotThrow(const std::string& reason) {
    throw std::runtime_error(reason);
}
[[noreturn]] void gameThrow(const std::string& reason);
void gameThrow(const std::string& reason) {
    throw std::out_of_range(reason);
}
void crashWith(const std::string& reason, bool inComponent) noexcept;
void crashWith(const std::string& reason, bool inComponent) noexcept {
    if (inComponent) DZSlotThrow(reason);
    gameThrow(reason);
}

namespace {

using tikoleap::test::LoopbackServer;
using tikoleap::test::MainLoopPump;
using tikoleap::test::TempDir;

TEST(DZCrashReporterText, NamesTheComponentOrSaysNothing) {
    EXPECT_EQ(DZCrashReporter::clean("-[DZSlot foo]: unrecognized selector"),
              "_DZSlot_foo_unrecognized_selector");
    EXPECT_TRUE(DZCrashReporter::reportText("NSRangeException", "bad index", {"app(main+0x10) [0x1]"}, "app")
                    .empty());

    const std::string text =
        DZCrashReporter::reportText("NSInvalidArgumentException", "-[DZSlot foo]: unrecognized selector",
                                    {"mygame(frame+0x1) [0x2]"}, "mygame");
    EXPECT_EQ(text, "NSInvalidArgumentException-_DZSlot_foo_unrecognized_selector-filtered(frame_0x1)_0x2_");

    // A component frame alone makes it ours; the app's name never leaves, an unrelated reason neither.
    const std::string byFrame = DZCrashReporter::reportText("E", "secret reason of mygame",
                                                            {"mygame(DZPinger::ping+0x4) [0x9]"}, "mygame");
    EXPECT_EQ(byFrame, "E-filtered-filtered(DZPinger_ping_0x4)_0x9_");

    const std::string longText = DZCrashReporter::reportText("E", "DZ" + std::string(800, 'x'), {}, "p");
    EXPECT_EQ(longText.size(), DZCrashReporter::kMaxReportLength);
}

void appHandler() {
    std::_Exit(3);
}
void otherHandler() {
    std::_Exit(4);
}

TEST(DZCrashReporterChain, EnablingTwiceAndDisablingRestoresTheAppsHandler) {
    const std::terminate_handler original = std::set_terminate(&appHandler);
    DZCrashReporter& reporter = DZCrashReporter::sharedInstance();
    reporter.enableReporting();
    const std::terminate_handler ours = std::get_terminate();
    EXPECT_NE(ours, &appHandler);
    reporter.enableReporting();
    EXPECT_EQ(std::get_terminate(), ours);
    reporter.disableReporting();
    EXPECT_EQ(std::get_terminate(), &appHandler);
    EXPECT_FALSE(reporter.isEnabled());
    reporter.enableReporting();  // disabled for good
    EXPECT_EQ(std::get_terminate(), &appHandler);
    std::set_terminate(original);
}

// Runs in a child process: a handler that replaced the reporter's survives its disabling.
TEST(DZCrashChild, DISABLED_DisableAfterAnotherHandler) {
    std::set_terminate(&appHandler);
    DZCrashReporter::sharedInstance().enableReporting();
    std::set_terminate(&otherHandler);
    DZCrashReporter::sharedInstance().disableReporting();
    std::terminate();
}

TEST(DZCrashReporterChain, DisablingLeavesAHandlerThatReplacedOursInPlace) {
    auto exit = tikoleap::test::runTestInChild("DZCrashChild.DISABLED_DisableAfterAnotherHandler", {});
    EXPECT_TRUE(exit.exited);
    EXPECT_EQ(exit.code, 4);
}

void markAndAbort() {
    if (const char* marker = std::getenv("TIKOLEAP_CHILD_MARKER"))
        std::ofstream(marker) << "previous handler ran";
    std::abort();
}

// Runs in a child process: the app's handler, the component started in front of it, and a crash.
TEST(DZCrashChild, DISABLED_Crash) {
    platform::AppPaths::setHome(std::getenv("TIKOLEAP_CHILD_HOME"));
    platform::PlistDict info;
    info.setString("CFBundleIdentifier", "org.tikoleap.crashing");
    info.setString("CFBundleVersion", "4.2");
    platform::MainBundle::setInfoDictionary(info);
    MainLoopPump pump;
    std::set_terminate(&markAndAbort);
    DZApplication::sharedInstance()->runEarlyActivities();
    crashWith(std::getenv("TIKOLEAP_CHILD_REASON"), std::getenv("TIKOLEAP_CHILD_IN_COMPONENT") != nullptr);
}

class DZCrashReporterTest : public ::testing::Test {
  protected:
    tikoleap::test::ChildExit crash(const std::string& reason, bool inComponent) {
        std::map<std::string, std::string> env = {{"TIKOLEAP_CHILD_HOME", home.path().string()},
                                                  {"TIKOLEAP_CHILD_MARKER", marker()},
                                                  {"TIKOLEAP_CHILD_REASON", reason},
                                                  {"TIKOLEAP_AD_REPORT_URL", base}};
        if (inComponent) env["TIKOLEAP_CHILD_IN_COMPONENT"] = "1";
        return tikoleap::test::runTestInChild("DZCrashChild.DISABLED_Crash", env);
    }
    std::string marker() const { return (home.path() / "marker").string(); }
    std::shared_ptr<platform::UserDefaults> storeOnDisk() {
        platform::AppPaths::setHome(home.path());
        auto d = platform::UserDefaults::open(platform::UserDefaults::standardPath());
        platform::AppPaths::setHome({});
        return d;
    }

    TempDir home;
    int port = LoopbackServer().port();  // free now; the server is down while the child crashes
    std::string base = "http://127.0.0.1:" + std::to_string(port);
};

TEST_F(DZCrashReporterTest, AnUnrelatedCrashIsNotReportedAndStillReachesTheAppsHandler) {
    auto exit = crash("bad index", false);
    EXPECT_TRUE(exit.signaled && exit.signal == SIGABRT);
    EXPECT_TRUE(std::ifstream(marker()).good());
    EXPECT_FALSE(storeOnDisk()->dictionaryForKey(kDZCrashReportingGroupKey));
}

TEST_F(DZCrashReporterTest, AComponentCrashIsStoredAndSentAtTheNextLaunch) {
    auto exit = crash("-[DZSlot foo]: unrecognized selector", true);
    EXPECT_TRUE(exit.signaled && exit.signal == SIGABRT);
    EXPECT_TRUE(std::ifstream(marker()).good());

    auto defaults = storeOnDisk();
    auto group = defaults->dictionaryForKey(kDZCrashReportingGroupKey);
    ASSERT_TRUE(group);
    ASSERT_EQ(group->size(), 1u);
    const std::string url = group->keys().at(0);
    EXPECT_EQ(url.rfind(base + "/adpage/gen_204?", 0), 0u) << url;
    EXPECT_EQ(group->getDict(url)->getNumberAsInt(kDZRetryCountKey), 3);

    MainLoopPump pump;
    LoopbackServer server(port);
    server.reply("/adpage/gen_204", 204);
    auto pinger = DZPinger::create(defaults);
    pinger->start();
    pump.loop().advance(pinger->pingInterval());
    ASSERT_TRUE(server.waitForHits("/adpage/gen_204", 1));
    const auto hit = server.hits("/adpage/gen_204").at(0);
    EXPECT_EQ(hit.param("id"), "gmob-apps-report-exception");
    EXPECT_EQ(hit.param("os"), "8.0");
    EXPECT_EQ(hit.param("js"), "zazo-sdk-i-v7.5.2");
    // The app and the device as the application state and the device facts name them.
    EXPECT_EQ(hit.param("appid"), "org.tikoleap.crashing");
    EXPECT_EQ(hit.param("api"), "4.2");
    utsname system{};
    ASSERT_EQ(::uname(&system), 0);
    EXPECT_EQ(hit.param("device"), system.sysname);
    const std::string stack = hit.param("stacktrace");
    EXPECT_EQ(stack.rfind("std::runtime_error-_DZSlot_foo_unrecognized_selector-", 0), 0u) << stack;
    // The frame the process ended in; what lay above it may already be unwound.
    EXPECT_NE(stack.find("crashWith"), std::string::npos) << stack;
    EXPECT_EQ(stack.find(program_invocation_short_name), std::string::npos) << stack;
    EXPECT_LE(stack.size(), DZCrashReporter::kMaxReportLength);
    ASSERT_TRUE(pump.until([&] { return pinger->pingsInFlight() == 0; }));
    pinger->drain();
    EXPECT_EQ(defaults->dictionaryForKey(kDZCrashReportingGroupKey)->size(), 0u);
    defaults->synchronize();  // the save under way ends before the folder goes
}

}  // namespace
