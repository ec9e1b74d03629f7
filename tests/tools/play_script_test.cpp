// scripts/play with the local ad server: the game is handed the server's URL, the server ends
// with the game however it ends, and ADS=off plays without it. A stand-in game records what it
// was given.
#include <gtest/gtest.h>
#include <httplib.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <cstdlib>
#include <fstream>
#include <map>
#include <regex>
#include <sstream>
#include <string>

#include "support/TempDir.h"

namespace {

namespace fs = std::filesystem;

struct PlayScript : testing::Test {
    void SetUp() override {
        fs::create_directories(build);
        fs::create_symlink(fs::path(TIKOLEAP_BINARY_DIR) / "tikoleap-adserver", build / "tikoleap-adserver");
        // Records its environment and arguments, asks the server named as the web server for the
        // announcements (recording the banner unit they name) and twice for the banner (recording which
        // rich-media creative came, if any), and on "interrupt" presses Ctrl-C as a player would (the whole
        // group).
        std::ofstream game(build / "tikoleap");
        game << "#!/usr/bin/env bash\n"
                "{ echo \"ad=${TIKOLEAP_AD_SERVER-unset}\"; echo \"web=${TIKOLEAP_WEB_URL-unset}\"; "
                "echo \"args=$*\"; } > \"$PLAY_OUT\"\n"
                "if [ \"${TIKOLEAP_WEB_URL-}\" != \"${TIKOLEAP_WEB_URL#http://127.0.0.1:}\" ]; then\n"
                "  port=${TIKOLEAP_WEB_URL#http://127.0.0.1:}; port=${port%/}\n"
                "  exec 3<>/dev/tcp/127.0.0.1/$port && printf 'GET /cmd/announce HTTP/1.0\\r\\n\\r\\n' >&3 "
                "&& echo \"unit=$(grep -o 'BannerAdPublisherId</string><string>[a-z-]*' <&3 | sed "
                "'s/.*>//')\" "
                ">> \"$PLAY_OUT\"\n"
                "  for i in 1 2; do exec 3<>/dev/tcp/127.0.0.1/$port && "
                "printf 'GET /zads/ad?slotname=tikoleap-banner HTTP/1.0\\r\\n\\r\\n' >&3 && "
                "echo \"banner$i=$(grep -o \"TL_NAME = '[a-z-]*'\" <&3)\" >> \"$PLAY_OUT\"; done\n"
                "fi\n"
                "if [ \"${1-}\" = interrupt ]; then kill -INT 0; sleep 10; fi\n"
                "exit 3\n";
        game.close();
        fs::permissions(build / "tikoleap", fs::perms::owner_all);
    }

    // Runs the script in a session of its own (so the stand-in's Ctrl-C reaches only it); the
    // exit status, and what the game was given.
    int play(const std::string& env, const std::string& args, std::map<std::string, std::string>& seen) {
        const std::string command = "cd '" + tmp.path().string() + "' && env -u TIKOLEAP_AD_SERVER -u " +
                                    "TIKOLEAP_WEB_URL PLAY_OUT='" + out.string() + "' " + env +
                                    " timeout 60 setsid bash '" + TIKOLEAP_SOURCE_DIR + "/scripts/play' '" +
                                    build.string() + "' " + args + " 2>/dev/null";
        const int status = std::system(command.c_str());
        std::ifstream in(out);
        for (std::string line; std::getline(in, line);) {
            const auto eq = line.find('=');
            if (eq != std::string::npos) seen[line.substr(0, eq)] = line.substr(eq + 1);
        }
        fs::remove(out);
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    // Whether anything still answers at the URL's port.
    static bool answers(const std::string& url) {
        std::smatch m;
        if (!std::regex_match(url, m, std::regex("http://127\\.0\\.0\\.1:(\\d+)/"))) return false;
        httplib::Client client("127.0.0.1", std::stoi(m[1]));
        client.set_connection_timeout(2, 0);
        return static_cast<bool>(client.Get("/_log"));
    }

    size_t announcesLogged() const {
        std::ifstream log(build / "adserver-log.jsonl");
        size_t n = 0;
        for (std::string line; std::getline(log, line);)
            n += line.find("\"kind\":\"announce\"") != std::string::npos;
        return n;
    }

    tikoleap::test::TempDir tmp{"tikoleap-play"};
    fs::path build = tmp.path() / "build";
    fs::path out = tmp.path() / "seen.txt";
};

TEST_F(PlayScript, TheGameGetsTheServerWhichEndsWithTheGameAlsoOnCtrlC) {
    std::map<std::string, std::string> seen;
    EXPECT_EQ(play("", "--level 21", seen), 3);  // the game's own status
    ASSERT_TRUE(std::regex_match(seen["ad"], std::regex("http://127\\.0\\.0\\.1:\\d+/"))) << seen["ad"];
    EXPECT_EQ(seen["web"], seen["ad"]);
    EXPECT_EQ(seen["args"], "--level 21");
    EXPECT_EQ(announcesLogged(), 1u);
    EXPECT_FALSE(answers(seen["ad"]));
    // The banner unit rotates: the house banner, then the first rich-media banner.
    EXPECT_EQ(seen["banner1"], "");
    EXPECT_EQ(seen["banner2"], "TL_NAME = 'compliance'");
    EXPECT_EQ(seen["unit"], "tikoleap-banner");

    seen.clear();
    EXPECT_EQ(play("", "interrupt", seen), 130);
    EXPECT_EQ(announcesLogged(), 2u);
    EXPECT_FALSE(answers(seen["ad"])) << "the server outlived a Ctrl-C";

    // The server takes options of its own.
    seen.clear();
    EXPECT_EQ(play("ADSERVER_ARGS='--banner-unit tikoleap-swipe --refresh-interval 5'", "", seen), 3);
    EXPECT_EQ(seen["unit"], "tikoleap-swipe");
    EXPECT_EQ(play("ADSERVER_ARGS='--refresh-interval 0'", "", seen), 1);

    // A web server of the player's own stays; the ads still come from the local one.
    seen.clear();
    play("TIKOLEAP_WEB_URL=http://example.invalid/game/", "", seen);
    EXPECT_EQ(seen["web"], "http://example.invalid/game/");
    EXPECT_TRUE(std::regex_match(seen["ad"], std::regex("http://127\\.0\\.0\\.1:\\d+/"))) << seen["ad"];
}

TEST_F(PlayScript, AdsOffPlaysWithoutTheServer) {
    std::map<std::string, std::string> seen;
    EXPECT_EQ(play("ADS=off", "", seen), 3);
    EXPECT_EQ(seen["ad"], "unset");
    EXPECT_EQ(seen["web"], "unset");
    EXPECT_FALSE(fs::exists(build / "adserver-log.jsonl"));
    EXPECT_EQ(play("ADS=maybe", "", seen), 2);
}

}  // namespace
