// One window per home: a second launch hands its URL over the session bus to the running window,
// which takes it as if it had been opened into it; without a bus each process stands alone.
#include <gtest/gtest.h>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

#include "app/WindowRun.h"
#include "platform/instance/SingleInstance.h"
#include "support/Command.h"
#include "support/RunOutput.h"
#include "support/TempDir.h"

using tikoleap::test::TempDir;

namespace {

using Process = tikoleap::test::CommandResult;
using tikoleap::test::runCommand;

using tikoleap::test::readFile;

bool have(const char* tool) {
    return std::system(("command -v " + std::string(tool) + " >/dev/null 2>&1").c_str()) == 0;
}

const std::string kBinary = std::string(TIKOLEAP_BINARY_DIR) + "/tikoleap";

}  // namespace

TEST(SingleInstance, InstanceIdsAreValidAndOnePerHome) {
    EXPECT_EQ(WindowRun::instanceId(std::nullopt), "net.corvane.iphone.TikoLeap");
    const std::string a = WindowRun::instanceId(std::string("/tmp/home-a"));
    EXPECT_NE(a, WindowRun::instanceId(std::string("/tmp/home-b")));
    EXPECT_EQ(a, WindowRun::instanceId(std::string("/tmp/home-a/")));
    EXPECT_EQ(a.rfind("net.corvane.iphone.TikoLeap.home_", 0), 0u);
    EXPECT_FALSE(platform::SingleInstance::create("not an id"));
}

TEST(SingleInstance, WithoutASessionBusEveryProcessStandsAlone) {
    const char* saved = std::getenv("DBUS_SESSION_BUS_ADDRESS");
    const std::string keep = saved != nullptr ? saved : "";
    setenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/tikoleap-bus", 1);
    std::string error;
    auto instance = platform::SingleInstance::create("org.tikoleap.StandAlone", &error);
    ASSERT_TRUE(instance) << error;
    EXPECT_FALSE(instance->isRemote());
    EXPECT_FALSE(instance->hasSessionBus());
    EXPECT_FALSE(instance->handOver({"tikoleap:///startTitle"}));
    if (saved != nullptr) {
        setenv("DBUS_SESSION_BUS_ADDRESS", keep.c_str(), 1);
    } else {
        unsetenv("DBUS_SESSION_BUS_ADDRESS");
    }
}

// The real thing: a window on a virtual display and a private session bus, a second process that
// hands it a URL, and a malformed URL sent straight over the bus, which the window ignores.
TEST(SingleInstance, ASecondLaunchHandsItsUrlToTheRunningWindow) {
    for (const char* tool : {"xvfb-run", "dbus-run-session", "gdbus"})
        if (!have(tool)) GTEST_SKIP() << tool << " is not installed";
    TempDir tmp;
    const std::string home = (tmp.path() / "home").string();
    const std::string id = WindowRun::instanceId(home);
    std::string objectPath = "/" + id;
    for (char& c : objectPath) c = c == '.' ? '/' : c;
    const std::filesystem::path script = tmp.file("handoff.sh");
    std::ofstream(script)
        << "primary_log=" << (tmp.path() / "primary.log").string() << "\n"
        << kBinary << " --home " << home << " --quit-after-ms 6000 2>\"$primary_log\" &\n"
        << "primary=$!\n"
        << "gdbus wait --session --timeout 60 " << id << " || echo 'primary never registered'\n"
        << kBinary << " --home " << home << " --open-url tikoleap:///deleteAridOfThisDevice 2>&1\n"
        << "echo \"second: $?\"\n"
        << "gdbus call --session --dest " << id << " --object-path " << objectPath
        << " --method org.freedesktop.Application.Open \"['tikoleap:///a b']\" '{}' >/dev/null 2>&1\n"
        << "wait $primary\n"
        << "echo \"primary: $?\"\n";
    const Process p = runCommand("xvfb-run -a -s '-screen 0 800x800x24' dbus-run-session -- sh " +
                                 script.string() + " 2>&1");
    EXPECT_EQ(p.code, 0) << p.out;
    EXPECT_NE(p.out.find("handed tikoleap:///deleteAridOfThisDevice to the window already running"),
              std::string::npos)
        << p.out;
    EXPECT_NE(p.out.find("second: 0"), std::string::npos) << p.out;
    EXPECT_NE(p.out.find("primary: 0"), std::string::npos) << p.out;
    const std::string log = readFile(tmp.path() / "primary.log");
    EXPECT_NE(log.find("opened into the app: tikoleap:///deleteAridOfThisDevice"), std::string::npos) << log;
    EXPECT_NE(log.find("ignoring a URL: URL with a control character, a space"), std::string::npos) << log;
}

// The installed desktop file makes the game the desktop's handler of its URL scheme, launched
// with the URL as --open-url.
TEST(SingleInstance, InstalledDesktopFileHandlesTheAppsScheme) {
    if (!have("gio")) GTEST_SKIP() << "gio is not installed";
    TempDir xdg;
    const std::string env = "XDG_DATA_HOME=" + (xdg.path() / "data").string() +
                            " XDG_CONFIG_HOME=" + (xdg.path() / "config").string() +
                            " XDG_DATA_DIRS=" + (xdg.path() / "none").string();
    const Process install = runCommand(env + " " + TIKOLEAP_SOURCE_DIR + "/scripts/install-desktop " +
                                       TIKOLEAP_BINARY_DIR + " 2>&1");
    ASSERT_EQ(install.code, 0) << install.out;
    const std::string desktop = readFile(xdg.path() / "data" / "applications" / "tikoleap.desktop");
    EXPECT_NE(desktop.find("\"" + kBinary + "\" %u\n"), std::string::npos) << desktop;
    EXPECT_NE(desktop.find("MimeType=x-scheme-handler/tikoleap;"), std::string::npos) << desktop;
    const Process query = runCommand(env + " gio mime x-scheme-handler/tikoleap 2>&1");
    const size_t line = query.out.find("Default application for");
    ASSERT_NE(line, std::string::npos) << query.out;
    EXPECT_EQ(query.out.find(": tikoleap.desktop", line), query.out.find('\n', line) - 18) << query.out;
}

// Launched from the menu the entry gets no URL: the game starts then, without --open-url; with a
// URL it hands it over whole. A stand-in for the game records what it was given.
TEST(SingleInstance, TheDesktopEntryStartsTheGameWithoutAURLAndHandsOneOver) {
    if (!have("gio")) GTEST_SKIP() << "gio is not installed";
    TempDir tmp;
    tmp.write("game", std::string_view("#!/bin/sh\necho \"$#:$*\" >> \"$0.args\"\n"));
    std::filesystem::permissions(tmp.path() / "game", std::filesystem::perms::owner_all);
    std::string entry = readFile(std::filesystem::path(TIKOLEAP_SOURCE_DIR) / "app" / "tikoleap.desktop.in");
    const std::string placeholder = "@TIKOLEAP_BINARY@";
    ASSERT_NE(entry.find(placeholder), std::string::npos) << entry;
    entry.replace(entry.find(placeholder), placeholder.size(), (tmp.path() / "game").string());
    tmp.write("tikoleap.desktop", entry);
    const std::string desktop = (tmp.path() / "tikoleap.desktop").string();
    // gio starts the entry's command and leaves: each launch is waited for through the record.
    const std::string args = (tmp.path() / "game.args").string();
    std::string seen;
    for (const std::string& url : {std::string(), std::string("'tikoleap:///startTitle?x=a b'")}) {
        const auto lines = std::count(seen.begin(), seen.end(), '\n');
        ASSERT_EQ(runCommand("gio launch '" + desktop + "' " + url + " 2>&1").code, 0);
        for (int i = 0; i < 100 && std::count(seen.begin(), seen.end(), '\n') == lines; ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
            seen = std::filesystem::exists(args) ? readFile(args) : "";
        }
    }
    EXPECT_EQ(seen, "0:\n2:--open-url tikoleap:///startTitle?x=a b\n");
}
