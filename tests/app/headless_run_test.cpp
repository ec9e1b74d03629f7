#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <set>
#include <thread>

#include "app/HeadlessRun.h"
#include "app/PlayDemo.h"
#include "platform/foundation/ScopedLogSink.h"
#include "platform/image/PngCodec.h"
#include "platform/runloop/RunLoop.h"
#include "platform/ui/Application.h"
#include "support/Command.h"
#include "support/LoopbackServer.h"
#include "support/RunOutput.h"
#include "support/TempDir.h"

using tikoleap::test::TempDir;

namespace fs = std::filesystem;

namespace {

using tikoleap::test::readFile;

// A run expected to succeed.
RunResult runOk(const CommandLine& cl) {
    std::string error;
    int code = -1;
    auto result = HeadlessRun(cl).run(&error, &code);
    EXPECT_TRUE(result) << error;
    EXPECT_EQ(code, 0);
    return result.value_or(RunResult{});
}

struct Replay : testing::Test {
    CommandLine options(unsigned long long seed, const std::string& tag) {
        CommandLine cl;
        cl.headless = true;
        cl.home = (tmp.path() / ("home-" + tag)).string();
        cl.seed = seed;
        cl.level = 20;
        cl.ticks = 900;
        cl.ticksGiven = true;
        cl.resources = TIKOLEAP_RESOURCES_DIR;
        cl.input = script.string();
        cl.screenshot = (tmp.path() / (tag + ".png")).string();
        cl.framesDir = (tmp.path() / ("frames-" + tag)).string();
        cl.frameEvery = 150;
        return cl;
    }
    RunResult run(const CommandLine& cl) { return runOk(cl); }
    void SetUp() override {
        script = tmp.file("input.txt");
        std::ofstream(script) << "# steer left, then right, tap once\n"
                                 "160 tilt -0.5\n300 tilt 0.4\n420 down 100 300\n425 up\n600 tilt 0\n";
    }
    TempDir tmp;
    fs::path script;
};

}  // namespace

TEST_F(Replay, SameSeedAndScriptGiveTheSameRunFrameForFrame) {
    const RunResult a = run(options(7, "a"));
    const RunResult b = run(options(7, "b"));
    EXPECT_EQ(a.toJson(), b.toJson());
    EXPECT_EQ(a.level, 20);
    EXPECT_GT(a.ticks, 150);  // got past the intro
    EXPECT_NE(a.state, "intro");
    EXPECT_EQ(readFile(tmp.path() / "a.png"), readFile(tmp.path() / "b.png"));
    int frames = 0;
    for (const auto& entry : fs::directory_iterator(tmp.path() / "frames-a")) {
        const fs::path twin = tmp.path() / "frames-b" / entry.path().filename();
        ASSERT_TRUE(fs::exists(twin)) << twin;
        EXPECT_EQ(readFile(entry.path()), readFile(twin)) << entry.path().filename();
        ++frames;
    }
    EXPECT_GE(frames, 1);
}

TEST_F(Replay, DifferentSeedsGiveDifferentPlatforms) {
    run(options(1, "one"));
    run(options(2, "two"));
    // Frame 150 is the last intro frame: the hero has not moved, only the platforms differ.
    EXPECT_NE(readFile(tmp.path() / "frames-one/frame-000150.png"),
              readFile(tmp.path() / "frames-two/frame-000150.png"));
}

TEST_F(Replay, ScreenshotIsARealPicture) {
    CommandLine cl = options(3, "pic");
    cl.input.reset();
    cl.framesDir.reset();
    run(cl);
    auto image = platform::loadPng(*cl.screenshot);
    ASSERT_TRUE(image);
    EXPECT_EQ(image->width, 320);
    EXPECT_EQ(image->height, 480);
    std::set<uint32_t> colours;
    for (size_t i = 0; i + 3 < image->pixels.size(); i += 4 * 97) {
        colours.insert(static_cast<uint32_t>(image->pixels[i]) << 16 | image->pixels[i + 1] << 8 |
                       image->pixels[i + 2]);
    }
    EXPECT_GT(colours.size(), 3u);
}

TEST_F(Replay, TheScreenScaleSizesTheCapturesAndLeavesTheGameAlone) {
    CommandLine plain = options(5, "scale1");
    plain.framesDir.reset();
    CommandLine sharp = options(5, "scale15");
    sharp.framesDir.reset();
    sharp.screenScale = 1.5f;
    const RunResult a = run(plain);
    const RunResult b = run(sharp);
    EXPECT_EQ(a.ticks, b.ticks);
    EXPECT_EQ(a.score, b.score);
    EXPECT_EQ(a.state, b.state);
    auto image = platform::loadPng(*sharp.screenshot);
    ASSERT_TRUE(image);
    EXPECT_EQ(image->width, 480);
    EXPECT_EQ(image->height, 720);
}

TEST_F(Replay, RefusesWhatItCannotDo) {
    std::string error;
    int code = 0;
    CommandLine unknown = options(1, "unknown");
    unknown.level = 99;
    EXPECT_FALSE(HeadlessRun(unknown).run(&error, &code));
    EXPECT_EQ(code, 2);
    EXPECT_NE(error.find("99"), std::string::npos);

    CommandLine unwritable = options(1, "unwritable");
    unwritable.screenshot = "/nonexistent-folder/shot.png";
    EXPECT_FALSE(HeadlessRun(unwritable).run(&error, &code));
    EXPECT_EQ(code, 1);
    EXPECT_NE(error.find("/nonexistent-folder"), std::string::npos);

    std::ofstream(script) << "10 tilt\n";
    EXPECT_FALSE(HeadlessRun(options(1, "badscript")).run(&error, &code));
    EXPECT_EQ(code, 2);
    EXPECT_NE(error.find(":1:"), std::string::npos);
}

TEST_F(Replay, ScriptedUrlsReachTheAppAtTheirTicks) {
    // The deletion is asked for, refused once, then confirmed; the title ends the game.
    std::ofstream(script) << "20 open tikoleap:///deleteAridOfThisDevice\n30 alert Cancel\n"
                             "40 open tikoleap:///deleteAridOfThisDevice\n50 alert DELETE\n60 alert OK\n"
                             "70 open tikoleap:///startTitle\n";
    CommandLine cl = options(3, "urls");
    cl.framesDir.reset();
    const fs::path keychain = fs::path(*cl.home) / "Library" / "keychain.plist";
    const RunResult result = run(cl);
    EXPECT_EQ(result.ticks, 70);  // the title stopped the game right after tick 70
    EXPECT_EQ(result.opened, std::vector<std::string>{});
    // The item was deleted: the store holds no item any more.
    const std::string store = readFile(keychain);
    EXPECT_EQ(store.find("arid"), std::string::npos);
    // The next launch makes a new id.
    std::ofstream(script) << "";
    run(cl);
    EXPECT_NE(readFile(keychain).find("arid"), std::string::npos);
}

TEST_F(Replay, ScriptedTripsToTheBackgroundPauseTheGameThroughTheAppsNotices) {
    std::ofstream(script) << "50 background\n80 foreground\n";
    CommandLine cl = options(3, "background");
    cl.framesDir.reset();
    platform::ScopedLogSink log(true);
    const RunResult result = run(cl);
    EXPECT_EQ(result.ticks, 50);  // paused right after tick 50, and still paused after coming back
    EXPECT_EQ(result.screen, "pause");
    EXPECT_TRUE(platform::ui::Application::shared().isActive());
    // The announcement check hears the trip: it shuts down, and checks again on the way back.
    std::vector<std::string> checks;
    for (const std::string& line : log.lines()) {
        for (const char* what : {"AM:shutdown", "AM:no web server to check"})
            if (line.find(what) != std::string::npos) checks.push_back(what);
    }
    EXPECT_EQ(checks, (std::vector<std::string>{"AM:no web server to check", "AM:shutdown",
                                                "AM:no web server to check", "AM:shutdown"}))
        << "launch, background, foreground, end of the run";
}

TEST_F(Replay, AGameStartedByATapDrawsOnlyTheFramesCaptured) {
    // Start Game pressed on the title at tick 6.
    std::ofstream(script) << "5 down 160 293\n6 up\n";
    CommandLine bare = options(3, "tap");
    bare.level = 0;
    bare.ticks = 12;
    bare.screenshot.reset();
    bare.framesDir.reset();
    const RunResult uncaptured = run(bare);
    EXPECT_EQ(uncaptured.screen, "game");
    EXPECT_EQ(uncaptured.rendered, 0);

    CommandLine frames = bare;
    frames.home = (tmp.path() / "home-tap-frames").string();
    frames.framesDir = (tmp.path() / "frames-tap").string();
    frames.frameEvery = 6;
    EXPECT_EQ(run(frames).rendered, 2);
    // The capture in the start's own tick shows the game as it is then.
    CommandLine shot = bare;
    shot.home = (tmp.path() / "home-tap-shot").string();
    shot.ticks = 6;
    shot.screenshot = (tmp.path() / "tap.png").string();
    EXPECT_EQ(run(shot).rendered, 1);
    const auto dumped = platform::loadPng((tmp.path() / "frames-tap" / "frame-000006.png").string());
    const auto alone = platform::loadPng(*shot.screenshot);
    ASSERT_TRUE(dumped && alone);
    EXPECT_TRUE(dumped->pixels == alone->pixels);
}

namespace {

// Drawing a frame never changes the game: a replay gives the same ticks, score and state whether
// it captures every few frames, only its last one, or nothing at all, in every level.
struct EveryLevel : testing::TestWithParam<int> {
    CommandLine options(const std::string& tag) {
        CommandLine cl;
        cl.headless = true;
        cl.home = (tmp.path() / ("home-" + tag)).string();
        cl.level = GetParam();
        cl.seed = 4242;
        cl.ticks = 2400;
        cl.ticksGiven = true;
        cl.resources = TIKOLEAP_RESOURCES_DIR;
        cl.input = script.string();
        return cl;
    }
    RunResult run(const CommandLine& cl) { return runOk(cl); }
    void SetUp() override {
        // Steering back and forth and tapping both sides of the hero (the shooting levels fire),
        // away from the pause button at the top right.
        script = tmp.file("input.txt");
        std::ofstream out(script);
        for (int tick = 160; tick < 2400; tick += 90) {
            out << tick << " tilt " << ((tick / 90) % 2 == 0 ? "-0.45" : "0.5") << "\n";
            out << tick + 30 << " down " << ((tick / 90) % 3 == 0 ? 40 : 280) << " 380\n";
            out << tick + 34 << " up\n";
        }
    }
    TempDir tmp;
    fs::path script;
};

}  // namespace

TEST_P(EveryLevel, CapturesDoNotChangeTheGame) {
    const RunResult bare = run(options("bare"));

    CommandLine shot = options("shot");
    shot.screenshot = (tmp.path() / "last.png").string();
    const RunResult lastOnly = run(shot);

    CommandLine frames = options("frames");
    frames.framesDir = (tmp.path() / "frames").string();
    frames.frameEvery = 7;
    const RunResult captured = run(frames);

    EXPECT_EQ(bare.level, GetParam());
    EXPECT_GT(bare.ticks, 300) << "the script should keep the hero alive past the intro";
    EXPECT_EQ(bare.frames, bare.ticks) << "one tick per frame on the virtual clock";
    EXPECT_EQ(bare.rendered, 0);
    for (const RunResult* other : {&lastOnly, &captured}) {
        EXPECT_EQ(other->ticks, bare.ticks);
        EXPECT_EQ(other->score, bare.score);
        EXPECT_EQ(other->state, bare.state);
    }
    // The screenshot draws the game only when it shows it.
    EXPECT_EQ(lastOnly.rendered, lastOnly.screen == "game" ? 1 : 0);
    // The game drew every seventh frame, except the one whose tick ended the game (never drawn);
    // the window was captured every seventh tick of the whole run, game over or not.
    const long long endedInLast = captured.state == "gameover" && captured.frames % 7 == 0 ? 1 : 0;
    EXPECT_EQ(captured.rendered, captured.frames / 7 - endedInLast);
    int files = 0;
    for ([[maybe_unused]] const auto& entry : fs::directory_iterator(*frames.framesDir)) ++files;
    EXPECT_EQ(files, 2400 / 7);
}

TEST_P(EveryLevel, EachDumpedFrameIsTheScreenshotOfItsTick) {
    // Captures in a row share the GL context with the window's drawing: every frame must look as
    // the only capture of a run that stops at its tick does. The intro, then play, in every level.
    constexpr int kEvery = 100;
    CommandLine frames = options("dump");
    frames.ticks = 3 * kEvery;
    frames.framesDir = (tmp.path() / "dump").string();
    frames.frameEvery = kEvery;
    runOk(frames);
    for (int tick = kEvery; tick <= 3 * kEvery; tick += kEvery) {
        CommandLine shot = options("shot" + std::to_string(tick));
        shot.ticks = tick;
        shot.screenshot = (tmp.path() / ("shot-" + std::to_string(tick) + ".png")).string();
        const RunResult single = runOk(shot);
        char name[32];
        std::snprintf(name, sizeof name, "frame-%06d.png", tick);
        const auto dumped = platform::loadPng((fs::path(*frames.framesDir) / name).string());
        const auto alone = platform::loadPng(*shot.screenshot);
        ASSERT_TRUE(dumped && alone) << name;
        EXPECT_EQ(single.screen, "game") << name;
        EXPECT_EQ(single.rendered, 1) << name;
        EXPECT_TRUE(dumped->pixels == alone->pixels) << name << " differs from a screenshot at tick " << tick;
    }
}

INSTANTIATE_TEST_SUITE_P(Levels, EveryLevel, testing::Values(20, 21, 22, 25, 27, 28, 29, 30, 31, 32),
                         [](const testing::TestParamInfo<int>& info) { return std::to_string(info.param); });

TEST(HeadlessStart, ASlowAnnouncementServerHoldsTheStartForABoundedTimeOnly) {
    TempDir tmp;
    tikoleap::test::LoopbackServer server;
    server.slow("/cmd/announce", 2, 200, "()");
    ::setenv("TIKOLEAP_WEB_URL", server.url("/").c_str(), 1);
    struct Unset {
        ~Unset() { ::unsetenv("TIKOLEAP_WEB_URL"); }
    } unset;
    CommandLine cl;
    cl.headless = true;
    cl.home = (tmp.path() / "home").string();
    cl.ticks = 5;
    cl.ticksGiven = true;
    cl.resources = TIKOLEAP_RESOURCES_DIR;
    cl.announceWaitSeconds = 0.2;
    platform::ScopedLogSink log;
    const RunResult result = runOk(cl);
    EXPECT_EQ(result.screen, "title");
    EXPECT_EQ(server.count("/cmd/announce"), 1u);
    std::vector<std::string> warnings;
    for (const std::string& line : log.lines()) {
        if (line.rfind("[WARN] AnnounceManager", 0) == 0) warnings.push_back(line);
    }
    ASSERT_EQ(warnings.size(), 1u) << (warnings.empty() ? "" : warnings.back());
    EXPECT_NE(warnings[0].find("going on without it"), std::string::npos) << warnings[0];
}

TEST(HeadlessStart, AScoreThatCannotBeKeptFailsTheRunAfterItsResult) {
    TempDir tmp;
    CommandLine cl;
    cl.headless = true;
    cl.home = (tmp.path() / "home").string();
    cl.seed = 4;
    cl.resources = TIKOLEAP_RESOURCES_DIR;
    // The level's score file is taken by a folder, as a full disk would refuse it.
    fs::create_directories(tmp.path() / "home" / "Documents" / "LevelScores" / "20.plist");
    HeadlessRun run(cl);
    run.playUntilGameOver(PlayDemo::script(), PlayDemo::kMaxTicks);
    std::string error;
    int code = -1;
    const auto result = run.run(&error, &code);
    ASSERT_TRUE(result) << error;
    EXPECT_EQ(result->state, "gameover");
    EXPECT_EQ(code, 1);
    EXPECT_GE(result->storeWritesFailed, 1);
    EXPECT_EQ(nlohmann::json::parse(result->toJson())["storeWritesFailed"], result->storeWritesFailed);
    EXPECT_NE(error.find("store write"), std::string::npos) << error;
}

TEST(HeadlessStart, AScriptedWaitRunsTheMainLoopInRealTimeWhileTheClockStandsStill) {
    TempDir tmp;
    std::ofstream(tmp.file("wait.txt")) << "3 wait 2\n";
    CommandLine cl;
    cl.headless = true;
    cl.home = (tmp.path() / "home").string();
    cl.ticks = 5;
    cl.ticksGiven = true;
    cl.resources = TIKOLEAP_RESOURCES_DIR;
    cl.input = tmp.file("wait.txt").string();
    HeadlessRun run(cl);
    // Work another thread posts a moment after tick 3 runs during the wait, at tick 3's time.
    std::thread poster;
    std::atomic<double> ranAt{-1};
    double seenAtTick4 = -1;
    run.setTickObserver([&](long long tick) {
        if (tick == 3) {
            poster = std::thread([loop = platform::RunLoop::mainLoop(), &ranAt] {
                std::this_thread::sleep_for(std::chrono::milliseconds(100));
                loop->post([loop, &ranAt] { ranAt = loop->now(); });
            });
        }
        if (tick == 4) seenAtTick4 = ranAt;
    });
    std::string error;
    int code = -1;
    const std::optional<RunResult> result = run.run(&error, &code);
    poster.join();
    ASSERT_TRUE(result) << error;
    EXPECT_NEAR(seenAtTick4, 0.03, 1e-9);
}

namespace {

using Process = tikoleap::test::CommandResult;
using tikoleap::test::runCommand;

const std::string kBinary = std::string(TIKOLEAP_BINARY_DIR) + "/tikoleap";

}  // namespace

TEST(Executable, HeadlessPrintsOneJsonLineLast) {
    TempDir tmp;
    const Process p =
        runCommand(kBinary + " --headless --level 20 --seed 9 --ticks 200 --home " + tmp.path().string() +
                   " --screenshot " + (tmp.path() / "f.png").string() + " 2>/dev/null");
    ASSERT_EQ(p.code, 0) << p.out;
    const std::string last = p.out.substr(p.out.rfind('\n', p.out.size() - 2) + 1);
    const auto json = nlohmann::json::parse(last);
    EXPECT_EQ(json["level"], 20);
    EXPECT_EQ(json["seed"], 9);
    EXPECT_EQ(json["ticks"], 200);
    EXPECT_EQ(json["frames"], 200);
    EXPECT_EQ(json["score"], 0);
    EXPECT_EQ(json["state"], "playing");
    EXPECT_EQ(json["opened"], nlohmann::json::array());
    EXPECT_EQ(json["screen"], "game");
    EXPECT_EQ(json["rendered"], 1);  // the screenshot's frame alone
    EXPECT_TRUE(fs::exists(tmp.path() / "f.png"));

    // Without a level the run shows the title screen, as the window does.
    const Process title =
        runCommand(kBinary + " --headless --ticks 20 --home " + tmp.path().string() + " 2>/dev/null");
    ASSERT_EQ(title.code, 0) << title.out;
    const auto titleJson =
        nlohmann::json::parse(title.out.substr(title.out.rfind('\n', title.out.size() - 2) + 1));
    EXPECT_EQ(titleJson["screen"], "title");
    EXPECT_EQ(titleJson["ticks"], 0);

    // A malformed URL is refused before anything runs.
    const Process bad = runCommand(kBinary + " --headless --open-url 'tikoleap:///a b' 2>&1");
    EXPECT_EQ(bad.code, 2);
    EXPECT_NE(bad.out.find("--open-url"), std::string::npos) << bad.out;

    EXPECT_EQ(runCommand(kBinary + " --headless --ticks -1 2>/dev/null").code, 2);
    EXPECT_EQ(runCommand(kBinary + " --headless --ticks 5 --screenshot /nonexistent/x.png 2>/dev/null").code,
              1);
}

TEST(Executable, TheHomeKeepsTheGLLibrarysShaderCacheToo) {
    TempDir tmp;
    // The user's own cache folder, as the GL library would find it without the home.
    const fs::path userCache = tmp.path() / "user-cache";
    const Process p = runCommand(
        "env -u MESA_SHADER_CACHE_DIR -u MESA_GLSL_CACHE_DIR XDG_CACHE_HOME=" + userCache.string() + " " +
        kBinary + " --headless --ticks 5 --home " + (tmp.path() / "home").string() + " --screenshot " +
        (tmp.path() / "shot.png").string() + " 2>&1");
    ASSERT_EQ(p.code, 0) << p.out;
    EXPECT_FALSE(fs::exists(userCache)) << "written outside the home";
    if (!std::getenv("MESA_SHADER_CACHE_DISABLE")) {
        EXPECT_TRUE(fs::is_directory(tmp.path() / "home" / "Caches" / "mesa_shader_cache"));
    }
}

TEST(Executable, WithoutADisplayPlayShowsAShortGameToItsEnd) {
    TempDir tmp;
    const fs::path said = tmp.path() / "stderr.txt";
    const Process p = runCommand("env -u DISPLAY -u WAYLAND_DISPLAY -u SDL_VIDEODRIVER " + kBinary +
                                 " --seed 4 --home " + tmp.path().string() + " 2>" + said.string());
    ASSERT_EQ(p.code, 0) << p.out;
    const auto json = nlohmann::json::parse(p.out.substr(p.out.rfind('\n', p.out.size() - 2) + 1));
    // Started through the title's button: a game ran, and ended.
    EXPECT_GT(json["ticks"].get<int>(), 150) << p.out;
    EXPECT_EQ(json["state"], "gameover");
    EXPECT_EQ(json["screen"], "gameover");
    const std::string line = "demo game of level 20 over: " + std::to_string(json["score"].get<int>()) +
                             " points; last frame written to " +
                             (tmp.path() / "tmp/tikoleap-last-frame.png").string();
    const std::vector<uint8_t> err = tmp.read("stderr.txt");
    EXPECT_NE(std::string(err.begin(), err.end()).find(line), std::string::npos) << p.out;
    EXPECT_TRUE(fs::exists(tmp.path() / "tmp/tikoleap-last-frame.png"));

    // Without --home the demo is still no game of the player's: nothing of it (a score dated by the
    // run's virtual clock, an unlock) lands in their own folders; its last frame is in the
    // temporary folder as before.
    const fs::path user = tmp.path() / "user";
    const Process own = runCommand(
        "env -u DISPLAY -u WAYLAND_DISPLAY -u SDL_VIDEODRIVER HOME=" + user.string() +
        " XDG_DATA_HOME=" + (user / "data").string() + " XDG_CACHE_HOME=" + (user / "cache").string() +
        " TMPDIR=" + (user / "tmp").string() + " " + kBinary + " --seed 4 2>/dev/null");
    ASSERT_EQ(own.code, 0) << own.out;
    EXPECT_FALSE(fs::exists(user / "data" / "tikoleap")) << "the demo wrote into the player's data folder";
    EXPECT_TRUE(
        fs::exists(user / "tmp" / ("tikoleap-" + std::to_string(getuid())) / "tikoleap-last-frame.png"));
}

TEST(Executable, WindowOpensUnderXvfbAndQuitsCleanly) {
    if (std::system("command -v xvfb-run >/dev/null 2>&1") != 0) GTEST_SKIP() << "xvfb-run is not installed";
    TempDir tmp;
    const Process p = runCommand("xvfb-run -a -s '-screen 0 800x800x24' " + kBinary +
                                 " --quit-after-ms 1000 --home " + tmp.path().string() + " 2>&1");
    EXPECT_EQ(p.code, 0) << p.out;
}
