#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <thread>

#include "platform/audio/AudioSession.h"
#include "platform/audio/DeviceOpener.h"
#include "platform/foundation/ScopedLogSink.h"
#include "sound/SoundEffect.h"
#include "sound/SoundObj.h"
#include "support/SoundTestKit.h"
#include "support/TempDir.h"

using namespace tikoleap::test;

namespace {

struct SoundObjects : testing::Test {
    void SetUp() override {
        SoundObj::setBundleDirectory(tmp.path().string());
        ASSERT_TRUE(writeTone(tmp.file("beep.wav").string(), 0.5, 0.8));
        ASSERT_TRUE(writeTone(tmp.file("hum.wav").string(), 0.05, 0.8));
    }
    void TearDown() override {
        SoundObj::teardown();
        SoundObj::setMusicIsEnabled(true);
    }
    LoopbackOutput output;
    TempDir tmp;
};

}  // namespace

TEST_F(SoundObjects, WithTheVolumeOffNothingIsOpenedUntilItIsRaised) {
    auto beep = SoundObj::newEffectWithResourceName("beep", "wav");
    SoundObj::setupWithVolume(0);
    EXPECT_FALSE(SoundObj::engineReady());
    EXPECT_EQ(beep->handle(), 0u);
    EXPECT_EQ(sound::SoundEffect::liveSources(), 0);
    beep->start();
    EXPECT_LT(maxOf(renderBlockPeaks(3), 0, 3), 0.001);

    SoundObj::setupWithVolume(50);
    EXPECT_TRUE(SoundObj::engineReady());
    EXPECT_NE(beep->handle(), 0u);
    // A later 0 only mutes; the engine stays up.
    SoundObj::setupWithVolume(0);
    EXPECT_TRUE(SoundObj::engineReady());
    beep->start();
    EXPECT_LT(maxOf(renderBlockPeaks(10), 0, 10), 0.001);
}

TEST_F(SoundObjects, EffectsMadeEarlierLoadInOrderAndPlayAtMasterTimesOwnVolume) {
    auto a = SoundObj::newEffectWithResourceName("beep", "wav");
    auto b = SoundObj::newEffectWithResourceName("beep", "wav");
    auto missing = SoundObj::newEffectWithResourceName("nothing", "wav");
    b->setVolume(30);
    {
        platform::ScopedLogSink log;
        SoundObj::setupWithVolume(100);
        EXPECT_EQ(log.lines(), std::vector<std::string>{"[ERROR] Error opening file: -2 (" +
                                                        tmp.path().string() + "/nothing.wav)"});
    }
    ASSERT_NE(a->handle(), 0u);
    EXPECT_GT(b->handle(), a->handle());
    EXPECT_EQ(missing->handle(), 0u);
    missing->start();  // nothing loaded, nothing happens

    a->start();
    const double full = maxOf(renderBlockPeaks(20), 2, 20);
    a->stop();
    b->start();
    EXPECT_NEAR(maxOf(renderBlockPeaks(20), 2, 20) / full, 0.3, 0.01);

    // A change of master volume reaches an effect while it plays.
    SoundObj::setupWithVolume(20);
    const auto later = renderBlockPeaks(10);
    EXPECT_NEAR(maxOf(later, 3, 10) / full, 0.3 * 0.2, 0.005);
}

TEST_F(SoundObjects, LoopingEffectsStopOnRequestAndOneStartedEarlyStaysSilent) {
    auto early = SoundObj::newLoopingEffectWithResourceName("hum", "wav");
    early->start();
    EXPECT_TRUE(early->playingLoop());
    SoundObj::setupWithVolume(100);
    EXPECT_LT(maxOf(renderBlockPeaks(5), 0, 5), 0.001) << "marked playing, but never started";

    early->stop();
    early->start();
    EXPECT_GT(maxOf(renderBlockPeaks(30), 20, 30), 0.1) << "loops past its five blocks";
    SoundObj::stopLoopingEffects(false, true);
    EXPECT_TRUE(early->playingLoop()) << "music only";
    SoundObj::stopLoopingEffects(true, false);
    EXPECT_FALSE(early->playingLoop());
    EXPECT_LT(maxOf(renderBlockPeaks(3), 1, 3), 0.001);
}

TEST_F(SoundObjects, MusicFollowsTheSwitchAndTheSession) {
    auto& session = platform::audio::AudioSession::shared();
    SoundObj::setMusicIsEnabled(false);
    auto music = SoundObj::newMusicWithResourceName("beep", "wav");
    SoundObj::setupWithVolume(100);
    EXPECT_EQ(session.category(), platform::audio::AudioSession::Category::Ambient);
    music->start();
    EXPECT_FALSE(music->playingLoop());
    SoundObj::setMusicIsEnabled(true);
    EXPECT_EQ(session.category(), platform::audio::AudioSession::Category::SoloAmbient);
    EXPECT_FALSE(music->playingLoop()) << "enabling does not start it";

    music->start();
    EXPECT_TRUE(music->playingLoop());
    EXPECT_GT(maxOf(renderBlockPeaks(10), 2, 10), 0.1);
    auto other = SoundObj::newMusicWithResourceName("hum", "wav");
    other->start();
    EXPECT_FALSE(music->playingLoop()) << "one music at a time";
    SoundObj::stopLoopingEffects(true, true);
    EXPECT_FALSE(other->playingLoop());
}

TEST_F(SoundObjects, DisposeAndTeardownEmptyTheRegistryAndFreeTheEngine) {
    auto a = SoundObj::newEffectWithResourceName("beep", "wav");
    auto b = SoundObj::newLoopingEffectWithResourceName("hum", "wav");
    SoundObj::setupWithVolume(50);
    EXPECT_EQ(SoundObj::soundObjs().size(), 2u);
    EXPECT_EQ(sound::SoundEffect::liveSources(), 2);
    a->dispose();
    EXPECT_EQ(a->handle(), 0u);
    EXPECT_EQ(SoundObj::soundObjs().size(), 1u);
    b->start();
    SoundObj::teardown();
    EXPECT_TRUE(SoundObj::soundObjs().empty());
    EXPECT_FALSE(SoundObj::engineReady());
    EXPECT_EQ(sound::SoundEffect::liveSources(), 0);
    EXPECT_EQ(sound::SoundEffect::liveBuffers(), 0);
}

// A backend stuck on a lock: the device's open does not answer until the test lets it.
TEST_F(SoundObjects, ADeviceThatDoesNotAnswerIsWaitedForBrieflyOnceAndHeardWhenItAnswers) {
    using platform::audio::DeviceOpener;
    using namespace std::chrono_literals;
    std::promise<void> answer;
    std::shared_future<void> answered = answer.get_future().share();
    std::atomic<int> opens{0};
    DeviceOpener::setTimeout(50ms);
    DeviceOpener::setOpenFunction(
        [answered, &opens](int rate, platform::audio::AudioDevice::Failure* failure) {
            ++opens;
            answered.wait();
            return platform::audio::AudioDevice::open(rate, failure);
        });
    struct Restore {
        std::promise<void>& answer;
        ~Restore() {
            answer.set_value();
            DeviceOpener::settle(10s);
            DeviceOpener::setOpenFunction({});
            DeviceOpener::setTimeout(1000ms);
        }
    } restore{answer};

    auto beep = SoundObj::newEffectWithResourceName("beep", "wav");
    platform::ScopedLogSink log;
    SoundObj::setupWithVolume(100);
    EXPECT_TRUE(SoundObj::engineReady());
    EXPECT_EQ(beep->handle(), 0u);
    beep->start();
    EXPECT_EQ(maxOf(renderBlockPeaks(3), 0, 3), 0.0);
    // The next game starts while the device still has not answered: no new wait, no new warning.
    SoundObj::setupWithVolume(50);
    SoundObj::teardown();
    beep = SoundObj::newEffectWithResourceName("beep", "wav");
    SoundObj::setupWithVolume(100);
    EXPECT_EQ(opens.load(), 1);
    ASSERT_EQ(log.lines().size(), 1u);
    EXPECT_EQ(log.lines()[0].rfind("[WARN] Error opening output device: no answer within 50 ms", 0), 0u)
        << log.lines()[0];

    answer.set_value();
    answer = std::promise<void>();  // the restorer's own, now that this one is kept
    const auto deadline = std::chrono::steady_clock::now() + 10s;
    while (beep->handle() == 0u && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(1ms);
        SoundObj::setupWithVolume(100);
    }
    ASSERT_NE(beep->handle(), 0u) << "the device that answered late is taken at a game start";
    beep->start();
    EXPECT_GT(maxOf(renderBlockPeaks(10), 0, 10), 0.1);
    EXPECT_EQ(log.lines().size(), 1u);
}
