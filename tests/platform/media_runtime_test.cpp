// The video's sound output is found off the main loop: a window run waits for the answer only up
// to the time-out, then plays silent; silent runs never probe at all.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>

#include "platform/audio/AudioDevice.h"
#include "platform/foundation/AppPaths.h"
#include "platform/media/MediaRuntime.h"
#include "platform/runloop/MainContextPump.h"
#include "support/TempDir.h"

using platform::media::MediaRuntime;

namespace {

class SoundOutputChoice : public ::testing::Test {
  protected:
    void SetUp() override {
        // GStreamer's registry goes into the app's cache folder: a private one here.
        platform::AppPaths::setHome(home_.path());
        ASSERT_TRUE(MediaRuntime::start(nullptr));
        previousMode_ = platform::audio::outputMode();
        previousTimeout_ = MediaRuntime::timeout();
        MediaRuntime::forgetChoice();
    }
    void TearDown() override {
        {
            std::lock_guard lock(gate_->mutex);
            gate_->open = true;
        }
        gate_->released.notify_all();
        MediaRuntime::setProbe(nullptr);
        MediaRuntime::setTimeout(previousTimeout_);
        MediaRuntime::forgetChoice();
        platform::audio::setOutputMode(previousMode_);
        platform::AppPaths::setHome({});
    }
    // A probe that answers `sink` only once the test ends; its thread may outlive the test.
    struct Gate {
        std::mutex mutex;
        std::condition_variable released;
        bool open = false;
        std::atomic<int> probes{0};
    };
    MediaRuntime::Probe hangingProbe(std::string sink) {
        return [gate = gate_, sink] {
            ++gate->probes;
            std::unique_lock lock(gate->mutex);
            gate->released.wait(lock, [&] { return gate->open; });
            return sink;
        };
    }

    tikoleap::test::TempDir home_{"media-runtime"};
    std::shared_ptr<Gate> gate_ = std::make_shared<Gate>();
    platform::audio::OutputMode previousMode_{};
    std::chrono::milliseconds previousTimeout_{};
};

TEST_F(SoundOutputChoice, AnOutputThatNeverAnswersLeavesTheVideoSilentAfterTheTimeOut) {
    platform::audio::setOutputMode(platform::audio::OutputMode::System);
    MediaRuntime::setProbe(hangingProbe("pulsesink"));
    MediaRuntime::setTimeout(std::chrono::milliseconds(300));
    int told = 0;
    const auto start = std::chrono::steady_clock::now();
    MediaRuntime::whenAudioSinkChosen([&] { ++told; });
    MediaRuntime::whenAudioSinkChosen([&] { ++told; });
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(300))
        << "the caller never waits";
    EXPECT_EQ(told, 0);
    ASSERT_TRUE(platform::MainContextPump::waitUntil([&] { return told == 2; }, 10));
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(290));
    EXPECT_EQ(MediaRuntime::audioSinkName(), "fakesink");
    EXPECT_EQ(gate_->probes, 1) << "one attempt for both players";
    MediaRuntime::whenAudioSinkChosen([&] { ++told; });
    EXPECT_EQ(told, 3) << "once chosen, at once";
}

TEST_F(SoundOutputChoice, TheOutputThatAnswersIsUsedAndSilentRunsProbeNothing) {
    platform::audio::setOutputMode(platform::audio::OutputMode::System);
    MediaRuntime::setProbe([] { return std::string("alsasink"); });
    bool told = false;
    MediaRuntime::whenAudioSinkChosen([&] { told = true; });
    ASSERT_TRUE(platform::MainContextPump::waitUntil([&] { return told; }, 10));
    EXPECT_EQ(MediaRuntime::audioSinkName(), "alsasink");

    MediaRuntime::forgetChoice();
    platform::audio::setOutputMode(platform::audio::OutputMode::Disabled);
    MediaRuntime::setProbe(hangingProbe("pulsesink"));
    told = false;
    MediaRuntime::whenAudioSinkChosen([&] { told = true; });
    EXPECT_TRUE(told);
    EXPECT_EQ(MediaRuntime::audioSinkName(), "fakesink");
    EXPECT_EQ(gate_->probes, 0);
}

}  // namespace
