// The benchmarks measure the game alone: they open no sound card (the library's file-writing
// backend stands in for one), and a game restarted after its game-over screen leaves nothing of
// that screen behind.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "support/Command.h"
#include "support/TempDir.h"

TEST(Benchmarks, OpenNoSoundDeviceAndRestartGamesCleanly) {
    const std::string bench = TIKOLEAP_BINARY_DIR "/tikoleap-bench";
    if (!std::filesystem::exists(bench)) GTEST_SKIP() << "the benchmarks are not built";
    tikoleap::test::TempDir tmp;
    std::ofstream(tmp.file("card.conf")) << "[wave]\nfile = " << tmp.file("card.wav").string() << "\n";
    const auto run = tikoleap::test::runCommand(
        "ALSOFT_DRIVERS=wave ALSOFT_CONF=" + tmp.file("card.conf").string() + " " + bench +
        " --benchmark_filter='BM_RenderOneFrame$|BM_Replay100000TicksNoCapture/level:21' "
        "--benchmark_min_time=0.01 2>&1");
    ASSERT_EQ(run.code, 0) << run.out;
    EXPECT_NE(run.out.find("BM_RenderOneFrame"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("BM_Replay100000TicksNoCapture/level:21"), std::string::npos) << run.out;
    EXPECT_FALSE(std::filesystem::exists(tmp.file("card.wav"))) << "a benchmark opened the sound card";
    EXPECT_EQ(run.out.find("old subview exists"), std::string::npos) << run.out.substr(0, 2000);
}

// The memory benchmarks compare the game's peak with a bare process's: each must be the child's
// own, not the peak of the large process that started it.
TEST(Benchmarks, PeakLauncherReportsTheChildsOwnPeakFromALargeParent) {
    const std::string peak = TIKOLEAP_BINARY_DIR "/tikoleap-peak";
    if (!std::filesystem::exists(peak)) GTEST_SKIP() << "the benchmarks are not built";
    constexpr std::size_t kParent = 256u << 20;
    std::vector<char> ballast(kParent, 1);  // every page touched, so counted
    tikoleap::test::TempDir tmp;
    const auto run = tikoleap::test::runCommand(peak + " " + tmp.file("result").string() + " /bin/true");
    ASSERT_EQ(run.code, 0) << run.out;
    long kilobytes = 0;
    int code = -1;
    std::ifstream(tmp.file("result")) >> kilobytes >> code;
    EXPECT_EQ(code, 0);
    EXPECT_GT(kilobytes, 0);
    EXPECT_LT(kilobytes, 64 << 10) << "the parent's " << ballast.size() / 1024
                                   << " KiB counted as the child's";
    // A failing program's status comes through, and no made-up figure is written for one never run.
    EXPECT_EQ(tikoleap::test::runCommand(peak + " " + tmp.file("r2").string() + " /bin/false").code, 1);
    EXPECT_NE(tikoleap::test::runCommand(peak + " " + tmp.file("r3").string() + " /nonexistent").code, 0);
}
