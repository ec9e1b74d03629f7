#include <gtest/gtest.h>

#include <AL/al.h>

#include <algorithm>
#include <string>

#include "platform/foundation/ScopedLogSink.h"
#include "sound/SoundEffect.h"
#include "sound/SoundEngine.h"
#include "support/SoundTestKit.h"
#include "support/TempDir.h"

using namespace tikoleap::test;

namespace {

struct Engine : testing::Test {
    void SetUp() override { ASSERT_EQ(SoundSystemInitialize(44100), sound::kSoundOk); }

    std::string tone(const std::string& name, double seconds, double amplitude, int bits = 16) {
        const std::string path = tmp.file(name).string();
        EXPECT_TRUE(writeTone(path, seconds, amplitude, 22050, bits));
        return path;
    }
    unsigned long load(const std::string& path) {
        unsigned long handle = 0;
        EXPECT_EQ(SoundSystemLoadEffect(path, &handle), 0);
        return handle;
    }

    LoopbackOutput output;
    TempDir tmp;
};

size_t firstLoudBlock(const std::vector<double>& peaks, double above = 0.01) {
    return static_cast<size_t>(std::find_if(peaks.begin(), peaks.end(), [&](double p) { return p > above; }) -
                               peaks.begin());
}

}  // namespace

TEST_F(Engine, AOneShotSoundsFromTheBlockItStartsInAtItsLevel) {
    const unsigned long h = load(tone("beep.wav", 0.2, 0.8));
    auto quiet = renderBlockPeaks(5);
    EXPECT_EQ(maxOf(quiet, 0, 5), 0.0);

    ASSERT_EQ(SoundSystemStartEffect(h), 0);
    const auto full = renderBlockPeaks(30);
    EXPECT_EQ(firstLoudBlock(full), 0u);
    const double fullPeak = maxOf(full, 2, 18);
    EXPECT_GT(fullPeak, 0.3);
    EXPECT_EQ(maxOf(full, 21, 30), 0.0) << "a 0.2 s effect is over after 20 blocks";

    SoundSystemSetEffectLevel(h, 0.5f);
    SoundSystemStartEffect(h);
    const auto half = renderBlockPeaks(20);
    EXPECT_NEAR(maxOf(half, 2, 18) / fullPeak, 0.5, 0.02);

    SoundSystemSetEffectLevel(h, 0.0f);
    SoundSystemStartEffect(h);
    EXPECT_EQ(maxOf(renderBlockPeaks(20), 0, 20), 0.0);
}

TEST_F(Engine, StartingAPlayingEffectRestartsIt) {
    const unsigned long h = load(tone("short.wav", 0.05, 0.5));  // five blocks long
    SoundSystemStartEffect(h);
    renderBlockPeaks(3);
    SoundSystemStartEffect(h);
    const auto after = renderBlockPeaks(8);
    EXPECT_GT(after[3], 0.1) << "still sounding five blocks after the restart";
    EXPECT_EQ(maxOf(after, 6, 8), 0.0);
}

TEST_F(Engine, EightAndSixteenBitFilesPlayAlike) {
    const unsigned long h8 = load(tone("eight.wav", 0.1, 0.6, 8));
    const unsigned long h16 = load(tone("sixteen.wav", 0.1, 0.6, 16));
    SoundSystemStartEffect(h8);
    const double p8 = maxOf(renderBlockPeaks(12), 1, 9);
    SoundSystemStartEffect(h16);
    const double p16 = maxOf(renderBlockPeaks(12), 1, 9);
    EXPECT_GT(p16, 0.2);
    EXPECT_NEAR(p8, p16, 0.02);
}

TEST_F(Engine, UnreadableFilesFailWithTheirLineAndTheOthersStillPlay) {
    const std::string good = tone("good.wav", 0.1, 0.5);
    tmp.write("text.wav", std::string("RIFF? no, just words\n"));
    ASSERT_TRUE(writeTone(tmp.file("float.wav").string(), 0.1, 0.5, 22050, 32));
    const auto bytes = tmp.read("good.wav");
    tmp.write("cut.wav", std::vector<uint8_t>(bytes.begin(), bytes.begin() + bytes.size() / 2));
    struct Case {
        std::string path;
        std::string line;
    };
    // Each line names its file.
    auto named = [](const std::string& path) { return " (" + path + ")"; };
    const std::string missing = tmp.file("missing.wav").string(), text = tmp.file("text.wav").string();
    const std::string cut = tmp.file("cut.wav").string(), floating = tmp.file("float.wav").string();
    const Case cases[] = {
        {missing, "Error opening file: -2" + named(missing)},
        {text, "Error opening file: -2" + named(text)},
        {cut, "Error reading file data: -3" + named(cut)},
        {floating, "Error loading file info: -4" + named(floating)},  // effects are PCM only
        {"", "Error opening file: 3"},
    };
    const int sourcesBefore = sound::SoundEffect::liveSources();
    for (const Case& c : cases) {
        platform::ScopedLogSink log;
        unsigned long handle = 0;
        EXPECT_NE(SoundSystemLoadEffect(c.path, &handle), 0) << c.path;
        EXPECT_EQ(handle, 0u);
        ASSERT_EQ(log.lines().size(), 1u) << c.path;
        EXPECT_EQ(log.lines()[0], "[ERROR] " + c.line);
    }
    EXPECT_EQ(sound::SoundEffect::liveSources(), sourcesBefore) << "a failed load keeps no source";

    const unsigned long h = load(good);
    SoundSystemStartEffect(h);
    EXPECT_GT(maxOf(renderBlockPeaks(5), 0, 5), 0.1);
}

TEST_F(Engine, ALoopingEffectPlaysItsAttackOnceLoopsUntilStoppedThenDecaysOnce) {
    // Told apart by loudness: attack 0.3, loop 0.6, decay 0.15.
    unsigned long h = 0;
    ASSERT_EQ(SoundSystemLoadLoopingEffect(tone("loop.wav", 0.05, 0.6), tone("attack.wav", 0.1, 0.3),
                                           tone("decay.wav", 0.1, 0.15), &h),
              0);
    platform::ScopedLogSink log;
    SoundSystemStartEffect(h);
    const auto playing = renderBlockPeaks(60);
    const double attack = maxOf(playing, 1, 9);
    const double loop = maxOf(playing, 12, 60);
    EXPECT_NEAR(loop / attack, 2.0, 0.1) << "after ten blocks of attack the loop goes on";
    for (size_t b = 12; b < 60; ++b) EXPECT_NEAR(playing[b], loop, 0.05 * loop) << "block " << b;

    SoundSystemStopEffect(h, true);
    const auto stopping = renderBlockPeaks(30);
    // At most one pass of the loop (five blocks), then ten blocks of decay, then silence.
    const size_t decayStart = static_cast<size_t>(
        std::find_if(stopping.begin(), stopping.end(), [&](double p) { return p < 0.75 * loop; }) -
        stopping.begin());
    ASSERT_LE(decayStart, 6u);
    EXPECT_NEAR(maxOf(stopping, decayStart + 1, decayStart + 9) / loop, 0.25, 0.03);
    EXPECT_EQ(maxOf(stopping, decayStart + 12, 30), 0.0);

    int refusals = 0;
    for (const auto& line : log.lines()) refusals += line.find("fixed-priority") != std::string::npos;
    EXPECT_LE(refusals, 1) << "a refused priority is said once, not at every start";
}

TEST_F(Engine, StoppingWithoutDecayOrWithoutADecayPartIsImmediate) {
    unsigned long withDecay = 0;
    unsigned long plain = 0;
    ASSERT_EQ(
        SoundSystemLoadLoopingEffect(tone("l1.wav", 0.05, 0.5), "", tone("d1.wav", 0.1, 0.5), &withDecay), 0);
    ASSERT_EQ(SoundSystemLoadLoopingEffect(tone("l2.wav", 0.05, 0.5), "", "", &plain), 0);
    for (auto [handle, decay] : {std::pair{withDecay, false}, std::pair{plain, true}}) {
        SoundSystemStartEffect(handle);
        EXPECT_GT(maxOf(renderBlockPeaks(20), 10, 20), 0.1) << "loops past its five blocks";
        SoundSystemStopEffect(handle, decay);
        EXPECT_EQ(maxOf(renderBlockPeaks(3), 1, 3), 0.0);
    }
}

TEST_F(Engine, UnloadingOrRestartingDuringTheAttackIsSafe) {
    const std::string loop = tone("l.wav", 0.05, 0.5);
    const std::string attack = tone("a.wav", 1.0, 0.5);
    for (int i = 0; i < 20; ++i) {
        unsigned long h = 0;
        ASSERT_EQ(SoundSystemLoadLoopingEffect(loop, attack, "", &h), 0);
        SoundSystemStartEffect(h);
        if (i % 2) renderBlockPeaks(1);
        SoundSystemStartEffect(h);  // a second start while the first one's worker waits
        if (i % 3 == 0) SoundSystemStopEffect(h, true);
        EXPECT_EQ(SoundSystemUnloadEffect(h), 0);
    }
    EXPECT_EQ(sound::SoundEffect::liveSources(), 0);
}

TEST_F(Engine, UnloadTeardownAndReinitialisationLeaveNoSourceOrBufferBehind) {
    unsigned long shot = load(tone("s.wav", 0.1, 0.5));
    unsigned long loop = 0;
    ASSERT_EQ(SoundSystemLoadLoopingEffect(tone("l.wav", 0.05, 0.5), tone("a.wav", 0.1, 0.5),
                                           tone("d.wav", 0.1, 0.5), &loop),
              0);
    EXPECT_EQ(sound::SoundEffect::liveSources(), 2);
    EXPECT_EQ(sound::SoundEffect::liveBuffers(), 4);

    ALint buffer = 0;
    alGetSourcei(static_cast<ALuint>(shot), AL_BUFFER, &buffer);
    ASSERT_TRUE(alIsBuffer(static_cast<ALuint>(buffer)));
    SoundSystemUnloadEffect(shot);
    EXPECT_FALSE(alIsBuffer(static_cast<ALuint>(buffer)));
    EXPECT_FALSE(alIsSource(static_cast<ALuint>(shot)));
    EXPECT_EQ(SoundSystemStartEffect(shot), sound::kSoundNoEffect);

    SoundSystemStartEffect(loop);
    SoundSystemTeardown();
    EXPECT_EQ(sound::SoundEffect::liveSources(), 0);
    EXPECT_EQ(sound::SoundEffect::liveBuffers(), 0);
    EXPECT_EQ(SoundSystemStartEffect(loop), sound::kSoundNotSetUp);
    EXPECT_EQ(SoundSystemSetEffectLevel(loop, 1), sound::kSoundNotSetUp);
    EXPECT_EQ(SoundSystemSetListenerPosition(0, 0, 1), sound::kSoundNotSetUp);

    ASSERT_EQ(SoundSystemInitialize(44100), 0);
    shot = load(tone("s.wav", 0.1, 0.5));
    SoundSystemStartEffect(shot);
    EXPECT_GT(maxOf(renderBlockPeaks(5), 0, 5), 0.1);
    ASSERT_EQ(SoundSystemInitialize(44100), 0);
    EXPECT_EQ(sound::SoundEffect::liveSources(), 0) << "initialising again drops the old effects";
}

TEST(EngineWithoutOutput, LoadsNothingAndRendersSilenceWithoutAWarningWhenSoundIsOff) {
    const auto previous = platform::audio::outputMode();
    platform::audio::setOutputMode(platform::audio::OutputMode::Disabled);
    TempDir tmp;
    ASSERT_TRUE(writeTone(tmp.file("t.wav").string(), 0.1, 0.5));
    platform::ScopedLogSink log;
    EXPECT_EQ(SoundSystemInitialize(44100), sound::kSoundNoDevice);
    unsigned long h = 0;
    EXPECT_EQ(SoundSystemLoadEffect(tmp.file("t.wav").string(), &h), sound::kSoundNoDevice);
    EXPECT_EQ(h, 0u);
    EXPECT_TRUE(log.lines().empty());
    EXPECT_EQ(maxOf(renderBlockPeaks(3), 0, 3), 0.0);
    SoundSystemTeardown();
    platform::audio::setOutputMode(previous);
}

TEST(EngineWithoutOutput, LoadingBeforeInitialisationBringsTheOutputUp) {
    LoopbackOutput output;
    SoundSystemTeardown();
    TempDir tmp;
    ASSERT_TRUE(writeTone(tmp.file("t.wav").string(), 0.1, 0.5));
    unsigned long h = 0;
    ASSERT_EQ(SoundSystemLoadEffect(tmp.file("t.wav").string(), &h), 0);
    SoundSystemStartEffect(h);
    EXPECT_GT(maxOf(renderBlockPeaks(5), 0, 5), 0.1);
}
