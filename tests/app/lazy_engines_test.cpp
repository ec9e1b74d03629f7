// The game pays only for what it uses: the web engine and the media framework (WebKitGTK,
// JavaScriptCore, GTK, libsoup, GStreamer and what they bring) are mapped by a run only once it
// shows a page. The loader's own record of every object it maps (LD_DEBUG=files) is read, so a
// library that is linked, or opened at any moment of the run, is seen.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>
#include <set>
#include <string>

#include "support/Command.h"
#include "support/TempDir.h"
#include "tools/adserver/AdServer.h"

namespace {

using tikoleap::test::runCommand;
using tikoleap::test::TempDir;

const std::string kBinary = std::string(TIKOLEAP_BINARY_DIR) + "/tikoleap";

// The objects every process of a run mapped (the loader writes one record per process).
std::set<std::string> mappedBy(const std::string& env, const std::string& args, const TempDir& tmp,
                               const std::string& name) {
    const auto records = tmp.path() / (name + "-ld");
    std::filesystem::create_directories(records);
    const auto p = runCommand("LD_DEBUG=files LD_DEBUG_OUTPUT=" + (records / "ld").string() + " " + env +
                              " " + kBinary + " --headless --home " + tmp.file(name + "/home").string() +
                              " " + args + " >/dev/null 2>&1");
    EXPECT_EQ(p.code, 0);
    std::set<std::string> objects;
    const std::regex file(R"(file=(\S+) \[)");
    for (const auto& entry : std::filesystem::directory_iterator(records)) {
        std::ifstream in(entry.path());
        for (std::string line; std::getline(in, line);) {
            std::smatch match;
            if (std::regex_search(line, match, file))
                objects.insert(std::filesystem::path(match[1].str()).filename().string());
        }
    }
    return objects;
}

std::set<std::string> engineLibraries(const std::set<std::string>& objects) {
    const std::regex engine("webkit|javascriptcore|libgtk|libgdk-3|libsoup|libgst|tikoleap-(web|media)",
                            std::regex::icase);
    std::set<std::string> found;
    for (const auto& name : objects)
        if (std::regex_search(name, engine)) found.insert(name);
    return found;
}

constexpr const char* kDieAndClose = "10 tilt 2\n400 down 16 16\n401 up\n500 alert OK\n";

}  // namespace

// A game without an ad server shows no page, up to its game-over screen: with a display to start
// the engine on, it still maps none of the engine's libraries, nor the media framework's. Once a
// game over shows the server's banner, the engine's library is opened.
TEST(LazyEngines, AGameMapsTheWebEngineAndMediaFrameworkOnlyOnceItShowsAPage) {
    TempDir tmp;
    const auto plain = mappedBy("", "--level 32 --seed 1 --ticks 10000", tmp, "plain");
    ASSERT_GT(plain.size(), 10u);  // the record was read
    EXPECT_TRUE(plain.count("libtikoleap_platform.so"));
    EXPECT_EQ(engineLibraries(plain), std::set<std::string>{});

    if (!std::getenv("DISPLAY") && !std::getenv("WAYLAND_DISPLAY")) GTEST_SKIP() << "no display";
    tikoleap::adserver::AdServer server;
    ASSERT_TRUE(server.start(0, ""));
    tmp.write("die.txt", std::string_view(kDieAndClose));
    const auto withAd =
        mappedBy("TIKOLEAP_AD_SERVER=" + server.baseURL() + " TIKOLEAP_WEB_URL=" + server.baseURL(),
                 "--level 20 --seed 7 --input " + (tmp.path() / "die.txt").string(), tmp, "ad");
    const auto opened = engineLibraries(withAd);
    EXPECT_TRUE(opened.count("libtikoleap-web.so"));
    EXPECT_TRUE(opened.count("libwebkit2gtk-4.1.so.0"));
}
