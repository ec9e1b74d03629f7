#include <gtest/gtest.h>

#include "platform/foundation/AppPaths.h"
#include "platform/gl/GLContext.h"
#include "platform/runloop/ManualRunLoop.h"
#include "shell/MyAppCore.h"
#include "sound/SoundObj.h"
#include "support/SoundTestKit.h"
#include "support/TempDir.h"

using namespace tikoleap::test;

namespace {

struct AppCoreSound : testing::Test {
    void SetUp() override {
        platform::AppPaths::setHome(home.path());
        previous = platform::RunLoop::setMain(loop);
        std::string error;
        gl = platform::GLContext::createHeadless(&error);
        ASSERT_TRUE(gl) << error;
        gl->makeCurrent();
    }
    void TearDown() override { platform::RunLoop::setMain(previous); }

    LoopbackOutput output;
    TempDir home;
    std::shared_ptr<platform::ManualRunLoop> loop = std::make_shared<platform::ManualRunLoop>();
    std::shared_ptr<platform::RunLoop> previous;
    std::shared_ptr<platform::GLContext> gl;
};

}  // namespace

TEST_F(AppCoreSound, VolumeStepsMapToPercentages) {
    const int expected[] = {0, 0, 20, 50, 100, 0};
    for (int step = -1; step <= 4; ++step) EXPECT_EQ(AppCoreBase::soundVolumePercent(step), expected[step + 1]);
}

TEST_F(AppCoreSound, TheGameLoadsItsNineEffectsAndPlaysThemAtTheStepsVolume) {
    MyAppCore core(TIKOLEAP_RESOURCES_DIR, gl);
    core.init();
    core.loadResources();
    const char* names[] = {"fall2", "jump2",   "fly2_06_22k", "hit1", "bom1", "fire1_22k",
                           "jump1_1", "punyo1_22k", "hanabi"};
    for (int i = 0; i < AppCoreBase::kSoundSlots; ++i) {
        ASSERT_NE(core.sound(i), nullptr) << i;
        EXPECT_EQ(core.sound(i)->resourcePath(), std::string(TIKOLEAP_RESOURCES_DIR) + "/" + names[i] + ".wav");
        EXPECT_FLOAT_EQ(core.sound(i)->sndVolume(), i == 7 ? 0.3f : 1.0f) << i;
    }
    EXPECT_EQ(core.sound(9), nullptr);
    EXPECT_EQ(core.sound(-1), nullptr);

    core.setSoundVolume(0);
    core.updateSoundSetting();
    EXPECT_FALSE(SoundObj::engineReady()) << "OFF at launch opens nothing";

    core.setSoundVolume(3);
    core.updateSoundSetting();
    for (int i = 0; i < AppCoreBase::kSoundSlots; ++i) EXPECT_NE(core.sound(i)->handle(), 0u) << i;
    core.playSound(8);  // the firework: long enough to hear a change of step while it plays
    const double loud = maxOf(renderBlockPeaks(40), 30, 40);
    EXPECT_GT(loud, 0.1);
    core.setSoundVolume(1);
    core.updateSoundSetting();
    const double quiet = maxOf(renderBlockPeaks(10), 3, 10);
    EXPECT_GT(quiet, 0.005);
    EXPECT_LT(quiet, 0.35 * loud);

    core.setBgMusicMode(0);
    core.updateSoundSetting();
    EXPECT_FALSE(core.musicIsEnabled());
    core.playMusic(0);  // the game has no music: nothing to start
}
