// The GStreamer player on videos made here: what reaches the view is bounded in size and rate,
// and an ordinary video comes whole.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "platform/audio/AudioDevice.h"
#include "platform/foundation/AppPaths.h"
#include "platform/media/GstMediaPlayer.h"
#include "platform/media/MediaRuntime.h"
#include "platform/runloop/MainContextPump.h"
#include "support/TempDir.h"
#include "support/TestVideo.h"

namespace {

using platform::media::GstMediaPlayer;
using platform::media::MediaRuntime;

class GstPlayerFrames : public ::testing::Test {
  protected:
    void SetUp() override {
        platform::AppPaths::setHome(home_.path());
        previousMode_ = platform::audio::outputMode();
        platform::audio::setOutputMode(platform::audio::OutputMode::Disabled);
        ASSERT_TRUE(MediaRuntime::start(nullptr));
    }
    void TearDown() override {
        platform::audio::setOutputMode(previousMode_);
        platform::AppPaths::setHome({});
    }

    // A silent VP8 video of `frames` pictures; its path, or "" when it could not be made.
    std::string encode(const std::string& name, int width, int height, int rate, int frames) {
        const std::string path = home_.file(name).string();
        return tikoleap::test::encodeTestVideo(path, "smpte", width, height, rate, frames) ? path : "";
    }

    // Plays the file to its end; the last picture handed over (its serial counts them all).
    platform::media::VideoFrame playThrough(const std::string& path) {
        platform::media::VideoFrame frame;
        auto player = GstMediaPlayer::create(nullptr);
        if (!player) return frame;
        player->replaceItem("file://" + path);
        player->play();
        platform::MainContextPump::waitUntil(
            [&] { return player->rate() == 0 || player->status() == platform::media::MediaStatus::Failed; },
            30);
        EXPECT_NE(player->status(), platform::media::MediaStatus::Failed) << path;
        player->latestFrame(frame);
        return frame;
    }

    tikoleap::test::TempDir home_{"media-player"};
    platform::audio::OutputMode previousMode_{};
};

TEST_F(GstPlayerFrames, AHugeOrFastVideoReachesTheViewScaledDownAndThrottledAndAnOrdinaryOneWhole) {
    const std::string wide = encode("wide.webm", 4096, 256, 30, 10);
    const std::string fast = encode("fast.webm", 64, 48, 300, 300);
    const std::string plain = encode("plain.webm", 320, 240, 30, 30);
    ASSERT_FALSE(wide.empty() || fast.empty() || plain.empty());

    auto frame = playThrough(wide);
    EXPECT_EQ(frame.width, GstMediaPlayer::kMaxFrameSide);
    EXPECT_LE(frame.height, 256);
    EXPECT_EQ(frame.rgba.size(), static_cast<std::size_t>(frame.width) * frame.height * 4);

    // One second of video at 300 pictures a second: the view gets at most the rate's worth.
    frame = playThrough(fast);
    EXPECT_GT(frame.serial, 30u);
    EXPECT_LE(frame.serial, static_cast<std::uint64_t>(GstMediaPlayer::kMaxFrameRate) + 2);

    // Scaling and dropping come after the decoder: a video past what it may be set to decode fails.
    const std::string heavy = encode("heavy.webm", 1024, 1024, 240, 3);
    ASSERT_FALSE(heavy.empty());
    auto player = GstMediaPlayer::create(nullptr);
    ASSERT_TRUE(player);
    player->replaceItem("file://" + heavy);
    player->play();
    EXPECT_TRUE(platform::MainContextPump::waitUntil(
        [&] { return player->status() == platform::media::MediaStatus::Failed; }, 30));
    platform::media::VideoFrame none;
    EXPECT_FALSE(player->latestFrame(none)) << "a decoded picture";

    frame = playThrough(plain);
    EXPECT_EQ(frame.width, 320);
    EXPECT_EQ(frame.height, 240);
    EXPECT_GE(frame.serial, 30u) << "every picture of an ordinary video";
}

}  // namespace
