#include <gtest/gtest.h>

#include <memory>

#include "platform/foundation/ScopedLogSink.h"
#include "platform/runloop/ManualRunLoop.h"
#include "sound/SoundEngine.h"
#include "sound/SoundMusicPlayer.h"
#include "support/SoundTestKit.h"
#include "support/TempDir.h"

using namespace tikoleap::test;

namespace {

// Music refills from the main run loop: the clock moves 10 ms with every rendered block.
struct Music : testing::Test {
    void SetUp() override {
        previous = platform::RunLoop::setMain(loop);
        ASSERT_EQ(SoundSystemInitialize(44100), 0);
    }
    void TearDown() override {
        SoundSystemTeardown();
        platform::RunLoop::setMain(previous);
    }
    std::vector<double> play(int blocks) {
        std::vector<double> peaks;
        for (int b = 0; b < blocks; ++b) {
            loop->advance(0.01);
            peaks.push_back(renderBlockPeaks(1)[0]);
        }
        return peaks;
    }
    static size_t silentBlocks(const std::vector<double>& peaks) {
        size_t n = 0;
        for (double p : peaks) n += p < 0.01;
        return n;
    }

    LoopbackOutput output;
    TempDir tmp;
    std::shared_ptr<platform::ManualRunLoop> loop = std::make_shared<platform::ManualRunLoop>();
    std::shared_ptr<platform::RunLoop> previous;
};

}  // namespace

TEST_F(Music, AShortTrackPlaysFromOneBufferAndRepeatsWithoutAGap) {
    ASSERT_TRUE(writeTone(tmp.file("short.wav").string(), 0.3, 0.5, 22050, 16, 2, 440));
    sound::SoundMusicPlayer player;
    ASSERT_EQ(player.addTrack(tmp.file("short.wav").string(), false, false), 0);
    EXPECT_EQ(player.bufferCount(), 1);
    EXPECT_EQ(player.bufferFrames(), 6615);
    player.start();
    const auto peaks = play(150);  // five passes
    EXPECT_EQ(silentBlocks(peaks), 0u);
}

TEST_F(Music, ALongTrackStreamsThroughThreeHalfSecondBuffersAndTheListRepeats) {
    ASSERT_TRUE(writeTone(tmp.file("long.wav").string(), 2.0, 0.5, 22050, 16, 1, 440));
    ASSERT_TRUE(writeTone(tmp.file("next.wav").string(), 2.0, 0.25, 22050, 16, 1, 440));
    ASSERT_EQ(SoundSystemLoadMusic(tmp.file("long.wav").string(), false, false), 0);
    ASSERT_EQ(SoundSystemLoadMusic(tmp.file("next.wav").string(), true, false), 0);
    ASSERT_EQ(SoundSystemStartMusic(), 0);
    const auto peaks = play(500);  // the first track, the second, and the first again
    EXPECT_EQ(silentBlocks(peaks), 0u) << "refills keep ahead of the source";
    EXPECT_NEAR(peaks[100] / peaks[300], 2.0, 0.1);
    EXPECT_NEAR(peaks[450] / peaks[100], 1.0, 0.05);

    SoundSystemSetMusicVolume(0.5f);
    const auto quieter = play(20);
    EXPECT_NEAR(quieter[15] / peaks[100], 0.5, 0.05);
    SoundSystemUnloadMusic();
    EXPECT_LT(maxOf(play(5), 1, 5), 0.001);
}

TEST_F(Music, BufferSizesFollowHalfASecondWithinTheirBounds) {
    struct Case {
        int rate;
        int channels;
        long long frames;
    };
    // 8 kHz mono is 8 KB a half second (raised to 16 KB); 44.1 kHz stereo is 88 KB (cut to 64 KB).
    for (Case c : {Case{8000, 1, 8192}, Case{22050, 1, 11025}, Case{44100, 2, 16384}}) {
        const std::string path = tmp.file("t" + std::to_string(c.rate) + ".wav").string();
        ASSERT_TRUE(writeTone(path, 4.0, 0.5, c.rate, 16, c.channels));
        sound::SoundMusicPlayer player;
        ASSERT_EQ(player.addTrack(path, false, false), 0);
        EXPECT_EQ(player.bufferCount(), 3) << c.rate;
        EXPECT_EQ(player.bufferFrames(), c.frames) << c.rate;
        sound::SoundMusicPlayer whole;
        ASSERT_EQ(whole.addTrack(path, false, true), 0);
        EXPECT_EQ(whole.bufferCount(), 1) << "loaded at once";
    }
}

TEST_F(Music, AFloatingPointTrackPlaysAtItsLevel) {
    ASSERT_TRUE(writeTone(tmp.file("f32.wav").string(), 0.5, 0.5, 22050, 32));
    ASSERT_TRUE(writeTone(tmp.file("s16.wav").string(), 0.5, 0.5, 22050, 16));
    double peak[2] = {};
    for (int i = 0; i < 2; ++i) {
        ASSERT_EQ(SoundSystemLoadMusic(tmp.file(i == 0 ? "f32.wav" : "s16.wav").string(), false, false), 0);
        SoundSystemStartMusic();
        peak[i] = maxOf(play(30), 2, 30);
        SoundSystemUnloadMusic();
    }
    EXPECT_GT(peak[1], 0.1);
    EXPECT_NEAR(peak[0], peak[1], 0.01);
}

TEST_F(Music, AnUnreadableTrackIsRefused) {
    tmp.write("bad.wav", std::string("not a sound"));
    platform::ScopedLogSink log;
    EXPECT_EQ(SoundSystemLoadMusic(tmp.file("bad.wav").string(), false, false), -2);
    EXPECT_EQ(log.lines(), std::vector<std::string>{"[ERROR] Error opening file: -2 (" +
                                                    tmp.file("bad.wav").string() + ")"});
    EXPECT_EQ(SoundSystemStartMusic(), 0);
    EXPECT_LT(maxOf(play(5), 0, 5), 0.001);
}
