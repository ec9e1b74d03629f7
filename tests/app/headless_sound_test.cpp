#include <gtest/gtest.h>

#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <utility>
#include <vector>

#include "app/HeadlessRun.h"
#include "platform/foundation/ScopedLogSink.h"
#include "platform/plist/PlistDict.h"
#include "shell/PlistFiles.h"
#include "support/Command.h"
#include "support/TempDir.h"

using tikoleap::test::TempDir;

namespace {

constexpr int kFramesPerTick = 441;

struct Wav {
    int rate = 0;
    int channels = 0;
    std::vector<short> samples;
    // Loudest sample of tick t's block (ticks count from 1).
    int peakOfTick(long long t) const {
        int peak = 0;
        const size_t from = static_cast<size_t>((t - 1) * kFramesPerTick * channels);
        for (size_t i = from; i < from + kFramesPerTick * channels && i < samples.size(); ++i)
            peak = std::max(peak, std::abs(static_cast<int>(samples[i])));
        return peak;
    }
};

Wav readWav(const std::string& path) {
    Wav w;
    SF_INFO info;
    std::memset(&info, 0, sizeof info);
    SNDFILE* f = sf_open(path.c_str(), SFM_READ, &info);
    if (f == nullptr) return w;
    w.rate = info.samplerate;
    w.channels = info.channels;
    // Read as floats: the device's file holds floating-point samples, which libsndfile would
    // otherwise round to zero or scale by their peak.
    std::vector<float> samples(static_cast<size_t>(info.frames * info.channels));
    sf_readf_float(f, samples.data(), info.frames);
    for (float v : samples)
        w.samples.push_back(static_cast<short>(std::lround(std::clamp(v, -1.0f, 1.0f) * 32767)));
    sf_close(f);
    return w;
}

struct HeadlessSound : testing::Test {
    CommandLine options(int level, long long ticks) {
        CommandLine cl;
        cl.headless = true;
        cl.home = (tmp.path() / "home").string();
        cl.seed = 11;
        cl.level = level;
        cl.ticks = ticks;
        cl.resources = TIKOLEAP_RESOURCES_DIR;
        return cl;
    }
    TempDir tmp;
};

}  // namespace

TEST_F(HeadlessSound, TheMixOfAShootingLevelLinesUpWithItsTicks) {
    std::ofstream(tmp.file("shots.txt")) << "200 down 40 240\n203 up\n260 down 290 240\n263 up\n"
                                            "320 down 40 240\n323 up\n";
    CommandLine cl = options(22, 420);
    cl.input = tmp.file("shots.txt").string();
    cl.soundOut = tmp.file("run.wav").string();
    HeadlessRun run(cl);
    std::vector<std::pair<long long, int>> sounds;
    run.setSoundObserver([&](long long tick, int n) { sounds.emplace_back(tick, n); });
    std::string error;
    int code = -1;
    const auto result = run.run(&error, &code);
    ASSERT_TRUE(result) << error;

    const Wav wav = readWav(*cl.soundOut);
    EXPECT_EQ(wav.rate, 44100);
    EXPECT_EQ(wav.channels, 2);
    EXPECT_EQ(wav.samples.size(), static_cast<size_t>(result->ticks * kFramesPerTick * 2));

    std::vector<long long> shots;
    for (auto [tick, n] : sounds)
        if (n == 5) shots.push_back(tick);
    ASSERT_EQ(shots, (std::vector<long long>{200, 260, 320}));
    ASSERT_FALSE(sounds.empty());
    for (long long t = 1; t < sounds.front().first; ++t) ASSERT_EQ(wav.peakOfTick(t), 0) << "tick " << t;
    for (auto [tick, n] : sounds) EXPECT_GT(wav.peakOfTick(tick), 0) << "sound " << n << " at tick " << tick;
    // A shot that nothing else overlaps starts in its own tick, not a tick early.
    for (long long shot : shots) {
        bool alone = true;
        for (auto [tick, n] : sounds) alone = alone && (tick == shot || tick < shot - 60 || tick > shot);
        if (alone) {
            EXPECT_EQ(wav.peakOfTick(shot - 1), 0) << shot;
        }
    }
}

TEST_F(HeadlessSound, TheSettingsVolumeStepSetsTheLoudnessAndOffIsSilence) {
    int loudest[4] = {};
    for (int step : {0, 2, 3}) {
        SCOPED_TRACE(step);
        CommandLine cl = options(22, 300);
        cl.home = (tmp.path() / ("home" + std::to_string(step))).string();
        std::filesystem::create_directories(*cl.home + "/Documents");
        platform::PlistDict settings;
        settings.setInt("soundVolume.max3", step);
        ASSERT_TRUE(WriteDictionaryToPlistFile(*cl.home + "/Documents/settings.plist", settings));
        cl.soundOut = tmp.file("step" + std::to_string(step) + ".wav").string();
        std::string error;
        int code = -1;
        const auto result = HeadlessRun(cl).run(&error, &code);
        ASSERT_TRUE(result) << error;
        const Wav wav = readWav(*cl.soundOut);
        ASSERT_EQ(wav.samples.size(), static_cast<size_t>(result->ticks * kFramesPerTick * 2));
        for (long long t = 1; t <= result->ticks; ++t)
            loudest[step] = std::max(loudest[step], wav.peakOfTick(t));
    }
    EXPECT_EQ(loudest[0], 0);
    EXPECT_GT(loudest[2], 1000);
    EXPECT_NEAR(static_cast<double>(loudest[3]) / loudest[2], 2.0, 0.02) << "100 % against 50 %";
}

TEST_F(HeadlessSound, WithoutASoundFileNoDeviceIsOpenedAndNothingIsSaid) {
    platform::ScopedLogSink log;
    std::string error;
    int code = -1;
    ASSERT_TRUE(HeadlessRun(options(20, 300)).run(&error, &code)) << error;
    for (const auto& line : log.lines()) EXPECT_EQ(line.find("output device"), std::string::npos) << line;
}

TEST_F(HeadlessSound, AnUnwritableSoundFileStopsTheRunBeforeItStarts) {
    std::filesystem::create_directories(tmp.path() / "folder");
    for (const std::string& path :
         {(tmp.path() / "missing" / "x.wav").string(), (tmp.path() / "folder").string()}) {
        CommandLine cl = options(20, 100);
        cl.soundOut = path;
        std::string error;
        int code = -1;
        EXPECT_FALSE(HeadlessRun(cl).run(&error, &code)) << path;
        EXPECT_EQ(code, 1);
        EXPECT_NE(error.find(path), std::string::npos) << error;
    }
    EXPECT_TRUE(std::filesystem::is_directory(tmp.path() / "folder"));
}

// The window plays to the system's device. OpenAL Soft's file-writing backend stands in for a
// sound card, and a backend that does not exist for a machine without one. The window chooses the
// sound servers and ALSA itself: a backend named only in the library's configuration (as a stuck
// sound server would be) is never probed, while one named in ALSOFT_DRIVERS is the user's choice.
TEST(WindowSound, PlaysThroughTheChosenDeviceAndWithoutOneWarnsOnceAndPlaysOn) {
    if (std::system("command -v xvfb-run >/dev/null 2>&1") != 0) GTEST_SKIP() << "xvfb-run is not installed";
    TempDir tmp;
    const std::string binary = TIKOLEAP_BINARY_DIR "/tikoleap";
    std::ofstream(tmp.file("card.conf"))
        << "drivers = wave\n[wave]\nfile = " << tmp.file("card.wav").string() << "\n";
    auto window = [&](const std::string& env, int ms) {
        return tikoleap::test::runCommand(env + " ALSOFT_CONF=" + tmp.file("card.conf").string() +
                                          " xvfb-run -a -s '-screen 0 800x800x24' " + binary +
                                          " --level 20 --quit-after-ms " + std::to_string(ms) + " --home " +
                                          tmp.path().string() + "/home 2>&1");
    };

    const auto unchosen = window("env -u ALSOFT_DRIVERS", 1500);
    ASSERT_EQ(unchosen.code, 0) << unchosen.out;
    EXPECT_FALSE(std::filesystem::exists(tmp.file("card.wav"))) << "the configured backend was probed";

    const auto played = window("ALSOFT_DRIVERS=wave", 5000);
    ASSERT_EQ(played.code, 0) << played.out;
    EXPECT_EQ(played.out.find("output device"), std::string::npos) << played.out;
    const Wav card = readWav(tmp.file("card.wav").string());
    int peak = 0;
    for (short s : card.samples) peak = std::max(peak, std::abs(static_cast<int>(s)));
    EXPECT_GT(peak, 4000) << "the first landings are heard at the default step";

    const auto silent = window("ALSOFT_DRIVERS=no-such-backend", 1000);
    EXPECT_EQ(silent.code, 0) << silent.out;
    size_t warnings = 0;
    for (size_t at = silent.out.find("[WARN] Error opening output device"); at != std::string::npos;
         at = silent.out.find("[WARN] Error opening output device", at + 1))
        ++warnings;
    EXPECT_EQ(warnings, 1u) << silent.out;
}
