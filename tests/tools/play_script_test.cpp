// scripts/play with the local ad server: the game is handed the server's URL, the server ends
// with the game however it ends, and ADS=off plays without it. A stand-in game records what it
// was given.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <httplib.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <regex>
#include <sstream>
#include <string>
#include <thread>
#include <tuple>
#include <utility>
#include <vector>

#include "support/Command.h"
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
                "if [ \"${1-}\" = hold ]; then\n"
                "  for s in TERM HUP; do trap \"echo got=$s >> \\\"\\$PLAY_OUT\\\"; exit 0\" $s; done\n"
                "  echo ready=1 >> \"$PLAY_OUT\"; sleep 20 & wait; exit 4\n"
                "fi\n"
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
        readSeen(seen);
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    void readSeen(std::map<std::string, std::string>& seen) {
        std::ifstream in(out);
        for (std::string line; std::getline(in, line);) {
            const auto eq = line.find('=');
            if (eq != std::string::npos) seen[line.substr(0, eq)] = line.substr(eq + 1);
        }
        fs::remove(out);
    }

    // Runs the script, its stand-in game holding on, in a session of its own; once the game has
    // started, the signal goes to the script alone, as make passes its SIGTERM on. The script's
    // exit status (-1 when it had not ended 10 s later), and what the game was given and heard.
    int playAndSignal(int signal, std::map<std::string, std::string>& seen) {
        std::vector<std::string> env;
        for (char** e = environ; *e; ++e)
            if (std::string(*e).rfind("TIKOLEAP_", 0) != 0) env.push_back(*e);
        env.push_back("PLAY_OUT=" + out.string());
        std::vector<char*> envp;
        for (std::string& e : env) envp.push_back(e.data());
        envp.push_back(nullptr);
        const std::string script = std::string(TIKOLEAP_SOURCE_DIR) + "/scripts/play";
        const std::string dir = tmp.path().string();
        const std::string folder = build.string();
        const pid_t pid = fork();
        if (pid == 0) {
            setsid();
            const int null = open("/dev/null", O_WRONLY);
            if (chdir(dir.c_str()) != 0 || null < 0 || dup2(null, 2) < 0) _exit(126);
            const char* argv[] = {"bash", script.c_str(), folder.c_str(), "hold", nullptr};
            execve("/bin/bash", const_cast<char**>(argv), envp.data());
            _exit(127);
        }
        auto waitFor = [](const std::function<bool()>& done) {
            for (int i = 0; i < 100; ++i) {
                if (done()) return true;
                std::this_thread::sleep_for(std::chrono::milliseconds(100));
            }
            return false;
        };
        waitFor([&] {
            std::ifstream in(out);
            return std::string(std::istreambuf_iterator<char>(in), {}).find("ready=1") != std::string::npos;
        });
        kill(pid, signal);
        int status = 0;
        const bool ended = waitFor([&] { return waitpid(pid, &status, WNOHANG) == pid; });
        // Whatever is left of the session (the stand-in's sleep; the server, were it left behind
        // it is checked for below by its port) goes.
        kill(-pid, SIGKILL);
        if (!ended) waitpid(pid, &status, 0);
        readSeen(seen);
        return ended && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
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

TEST_F(PlayScript, TermAndHangUpReachTheGameAndTheServerEndsAfterIt) {
    for (const auto& [signal, name, code] :
         {std::tuple{SIGTERM, "TERM", 143}, std::tuple{SIGHUP, "HUP", 129}}) {
        std::map<std::string, std::string> seen;
        EXPECT_EQ(playAndSignal(signal, seen), code) << name;
        EXPECT_EQ(seen["got"], name);
        ASSERT_FALSE(seen["ad"].empty());
        EXPECT_FALSE(answers(seen["ad"])) << "the server outlived a " << name;
    }
}

TEST_F(PlayScript, MakePlaySaysOneLineWhenTheBuildIsCurrent) {
    // A project of one stand-in game, configured beforehand with each generator a tree may have,
    // which make play builds and plays.
    for (const std::string generator : {"Unix Makefiles", "Ninja"}) {
        SCOPED_TRACE(generator);
        const std::string dir = "project-" + generator.substr(0, 4);
        const std::string project = (tmp.path() / dir).string();
        tmp.write(dir + "/CMakeLists.txt",
                  std::string_view("cmake_minimum_required(VERSION 3.16)\n"
                                   "project(standin C)\nadd_executable(tikoleap main.c)\n"));
        tmp.write(dir + "/main.c",
                  std::string_view("#include <stdio.h>\nint main(void) { puts(\"played\"); }\n"));
        ASSERT_EQ(tikoleap::test::runCommand("cmake -G '" + generator + "' -S '" + project + "' -B '" +
                                             project + "/build' >/dev/null")
                      .code,
                  0);
        // As a player types it: in the checkout, so only the build make runs under it is a sub-make.
        const std::string makePlay =
            "cd '" + std::string(TIKOLEAP_SOURCE_DIR) +
            "' && env -u MAKEFLAGS -u MFLAGS -u MAKELEVEL make play ADS=off JOBS=2 BUILD='" + project +
            "/build' 2>&1";
        const auto built = tikoleap::test::runCommand(makePlay);
        ASSERT_EQ(built.code, 0) << built.out;
        EXPECT_NE(built.out.find("main.c"), std::string::npos) << "what was built shows: " << built.out;
        const auto current = tikoleap::test::runCommand(makePlay);
        EXPECT_EQ(current.code, 0);
        EXPECT_EQ(current.out, "make play: " + project + "/build is up to date\nplayed\n");
        // A failing build says so and plays nothing.
        tmp.write(dir + "/main.c", std::string_view("int main(void) { return missing; }\n"));
        const auto broken = tikoleap::test::runCommand(makePlay);
        EXPECT_NE(broken.code, 0);
        EXPECT_NE(broken.out.find("missing"), std::string::npos) << broken.out;
        EXPECT_EQ(broken.out.find("played"), std::string::npos);
        EXPECT_EQ(broken.out.find("up to date"), std::string::npos);
    }
    // The project's own tree, which these tests were built in, runs steps on every build that the
    // stand-in has not (the globbed folders' re-check, the build identifier's check): once the tree
    // is current, they are nothing to do. A tree built from an earlier commit or with sources
    // changed since is first brought up to date, as make play would.
    const std::string own = TIKOLEAP_BINARY_DIR;
    const std::string brief = "cd '" + std::string(TIKOLEAP_SOURCE_DIR) +
                              "' && env -u MAKEFLAGS -u MFLAGS -u MAKELEVEL ./scripts/build-brief '" + own +
                              "' 2 2>&1";
    ASSERT_EQ(tikoleap::test::runCommand(brief).code, 0);
    const auto ownBuild = tikoleap::test::runCommand(brief);
    EXPECT_EQ(ownBuild.code, 0);
    EXPECT_EQ(ownBuild.out, "make play: " + own + " is up to date\n");
}

// Whichever process of `make play` is told to end (make, the script, the game), all of them end
// within 3 s, the local ad server too: make passes only its SIGTERM on, and its SIGINT or SIGHUP
// alone leaves it waiting for the script.
TEST_F(PlayScript, AnEndingSignalToAnyProcessOfMakePlayEndsThemAll) {
    // A configured project whose game writes its process id and ad server, then holds on.
    tmp.write("project/CMakeLists.txt",
              std::string_view("cmake_minimum_required(VERSION 3.16)\n"
                               "project(standin C)\nadd_executable(tikoleap main.c)\n"));
    tmp.write("project/main.c",
              std::string_view("#include <stdio.h>\n#include <stdlib.h>\n#include <unistd.h>\n"
                               "int main(void) {\n"
                               "  FILE* f = fopen(getenv(\"PLAY_OUT\"), \"w\");\n"
                               "  fprintf(f, \"%d %s\\n\", (int)getpid(), "
                               "getenv(\"TIKOLEAP_AD_SERVER\"));\n"
                               "  fclose(f);\n"
                               "  for (int i = 0; i < 600; ++i) sleep(1);\n"
                               "  return 0;\n}\n"));
    const fs::path project = tmp.path() / "project";
    ASSERT_EQ(tikoleap::test::runCommand("cmake -S '" + project.string() + "' -B '" + project.string() +
                                         "/build' >/dev/null")
                  .code,
              0);
    fs::create_symlink(fs::path(TIKOLEAP_BINARY_DIR) / "tikoleap-adserver",
                       project / "build" / "tikoleap-adserver");

    std::vector<std::string> env;
    for (char** e = environ; *e; ++e) {
        const std::string entry = *e;
        if (entry.rfind("TIKOLEAP_", 0) != 0 && entry.rfind("MAKE", 0) != 0 && entry.rfind("MFLAGS", 0) != 0)
            env.push_back(entry);
    }
    env.push_back("PLAY_OUT=" + out.string());
    std::vector<char*> envp;
    for (std::string& e : env) envp.push_back(e.data());
    envp.push_back(nullptr);
    const std::string source = TIKOLEAP_SOURCE_DIR;
    const std::string buildArg = "BUILD=" + (project / "build").string();
    auto alive = [](pid_t pid) {
        std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
        std::string line;
        if (!std::getline(stat, line)) return false;
        const auto end = line.rfind(") ");
        return end != std::string::npos && line.compare(end + 2, 1, "Z") != 0;
    };
    auto parentOf = [](pid_t pid) {
        std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
        std::string line;
        std::getline(stat, line);
        const auto end = line.rfind(") ");
        return end == std::string::npos ? pid_t{0} : static_cast<pid_t>(std::atoi(line.c_str() + end + 4));
    };

    for (const auto& [signal, name] :
         {std::pair{SIGTERM, "TERM"}, std::pair{SIGINT, "INT"}, std::pair{SIGHUP, "HUP"}}) {
        for (const std::string target : {"make", "script", "game"}) {
            SCOPED_TRACE(std::string(name) + " to the " + target);
            fs::remove(out);
            const pid_t make = fork();
            if (make == 0) {
                // A session of its own, with the signals at their defaults, as in a terminal.
                setsid();
                sigset_t none;
                sigemptyset(&none);
                sigprocmask(SIG_SETMASK, &none, nullptr);
                for (int s : {SIGINT, SIGQUIT, SIGHUP, SIGTERM}) std::signal(s, SIG_DFL);
                const int null = open("/dev/null", O_RDWR);
                if (null < 0 || dup2(null, 0) < 0 || dup2(null, 1) < 0 || dup2(null, 2) < 0) _exit(126);
                const char* argv[] = {
                    "make",   "--no-print-directory", "-C",   source.c_str(), "play", "ADS=on",
                    "JOBS=2", buildArg.c_str(),       nullptr};
                execvpe("make", const_cast<char**>(argv), envp.data());
                _exit(127);
            }
            pid_t game = 0;
            std::string url;
            for (int i = 0; i < 1200 && game == 0; ++i) {
                std::ifstream in(out);
                std::string line;
                if (std::getline(in, line) && in.good()) {
                    std::istringstream fields(line);
                    fields >> game >> url;
                } else {
                    std::this_thread::sleep_for(std::chrono::milliseconds(50));
                }
            }
            const pid_t script = game != 0 ? parentOf(game) : 0;
            if (game == 0 || script == make) {
                ADD_FAILURE() << "the game did not start under the script";
                kill(-make, SIGKILL);
                waitpid(make, nullptr, 0);
                continue;
            }
            kill(target == "make" ? make : target == "script" ? script : game, signal);
            const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(3);
            int status = 0;
            bool makeEnded = false;
            while (std::chrono::steady_clock::now() < deadline) {
                makeEnded = makeEnded || waitpid(make, &status, WNOHANG) == make;
                if (makeEnded && !alive(script) && !alive(game) && !answers(url)) break;
                std::this_thread::sleep_for(std::chrono::milliseconds(50));
            }
            EXPECT_TRUE(makeEnded);
            EXPECT_FALSE(alive(script));
            EXPECT_FALSE(alive(game));
            EXPECT_FALSE(answers(url)) << "the server outlived it";
            kill(-make, SIGKILL);
            if (!makeEnded) waitpid(make, &status, 0);
        }
    }
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
