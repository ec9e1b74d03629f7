#include <gtest/gtest.h>

#include <cairo.h>

#include "app/MyAppCore.h"
#include "appbase/JTLevelManager.h"
#include "appbase/Texture2D.h"
#include "platform/foundation/AppPaths.h"
#include "platform/gl/GLContext.h"
#include "platform/runloop/ManualRunLoop.h"
#include "shell/MyGameView.h"
#include "sound/SoundObj.h"
#include "support/SoundTestKit.h"
#include "support/TempDir.h"

using tikoleap::test::TempDir;

namespace {

void writeSolidPng(const std::string& path, int w, int h) {
    cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, w, h);
    cairo_t* cr = cairo_create(s);
    cairo_set_source_rgb(cr, 1, 0, 0);
    cairo_paint(cr);
    cairo_destroy(cr);
    cairo_surface_write_to_png(s, path.c_str());
    cairo_surface_destroy(s);
}

struct AppCoreFixture : testing::Test {
    void SetUp() override {
        platform::AppPaths::setHome(home.path());
        previous = platform::RunLoop::setMain(loop);
        std::string error;
        gl = platform::GLContext::createHeadless(&error);
        ASSERT_TRUE(gl) << error;
        gl->makeCurrent();
    }
    void TearDown() override { platform::RunLoop::setMain(previous); }

    TempDir home;
    TempDir resources{"tikoleap-res"};
    std::shared_ptr<platform::ManualRunLoop> loop = std::make_shared<platform::ManualRunLoop>();
    std::shared_ptr<platform::RunLoop> previous;
    std::shared_ptr<platform::GLContext> gl;
};

// The sound of the app core, heard on the loopback device.
struct AppCoreSound : AppCoreFixture {
    tikoleap::test::LoopbackOutput output;
};

}  // namespace

TEST_F(AppCoreFixture, TexturesFollowTheContentsScaleAndFallBackToThePlainFile) {
    writeSolidPng(resources.file("plain.png").string(), 20, 10);
    writeSolidPng(resources.file("sharp_cs200.png").string(), 40, 20);
    AppCoreBase core(resources.path().string(), gl);
    core.setContentsScaleIndex(3);
    EXPECT_FLOAT_EQ(core.contentsScaleValue(), 2.0f);

    auto plain = core.newTextureWithName("plain");
    ASSERT_TRUE(plain);
    EXPECT_FLOAT_EQ(plain->contentsScale(), 1.0f);
    EXPECT_EQ(plain->contentSize(), (platform::Size{20, 10}));
    auto sharp = core.newTextureWithName("sharp");
    ASSERT_TRUE(sharp);
    EXPECT_FLOAT_EQ(sharp->contentsScale(), 2.0f);
    EXPECT_EQ(sharp->contentSize(), (platform::Size{20, 10}));
    EXPECT_FALSE(core.newTextureWithName("missing"));

    core.loadImageAt(14, "plain");
    core.cutEdgeImageAt(14);
    ASSERT_NE(core.texture(14), nullptr);
    EXPECT_FLOAT_EQ(core.texture(14)->edgeMarginH(), 0.5f / 32);
    EXPECT_FLOAT_EQ(core.texture(14)->edgeMarginV(), 0.5f / 16);
    EXPECT_EQ(core.texture(18), nullptr);
    EXPECT_EQ(core.texture(-1), nullptr);
}

TEST_F(AppCoreFixture, GameStartsForAKnownLevelAndGoesBackToTheTitleOtherwise) {
    MyAppCore core(TIKOLEAP_RESOURCES_DIR, gl);
    core.init();
    core.appContext()->getLevelManager()->reloadLevels();
    core.setCurrentLevelId(99);
    core.startGameView();
    EXPECT_EQ(core.currentScreenName(), "title");
    ASSERT_NE(core.gameView(), nullptr);
    EXPECT_FALSE(core.gameView()->started());
    EXPECT_EQ(core.gameView()->gameScene(), nullptr);

    core.setCurrentLevelId(20);
    core.startGameView();
    EXPECT_EQ(core.currentScreenName(), "game");
    EXPECT_TRUE(core.gameView()->started());
    EXPECT_TRUE(core.gameView()->active());
    ASSERT_NE(core.texture(1), nullptr);  // the game's textures were loaded on the first start
    EXPECT_NE(core.texIconPause(), nullptr);
    loop->advance(0.5);
    EXPECT_EQ(core.gameView()->tickCount(), 50);
}

TEST_F(AppCoreSound, TheGameLoadsItsNineEffectsAndPlaysThemAtTheStepsVolume) {
    MyAppCore core(TIKOLEAP_RESOURCES_DIR, gl);
    core.init();
    core.loadResources();
    const char* names[] = {"fall2",     "jump2",   "fly2_06_22k", "hit1",  "bom1",
                           "fire1_22k", "jump1_1", "punyo1_22k",  "hanabi"};
    for (int i = 0; i < AppCoreBase::kSoundSlots; ++i) {
        ASSERT_NE(core.sound(i), nullptr) << i;
        EXPECT_EQ(core.sound(i)->resourcePath(), TIKOLEAP_RESOURCES_DIR "/" + std::string(names[i]) + ".wav");
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
    const double loud = tikoleap::test::maxOf(tikoleap::test::renderBlockPeaks(40), 30, 40);
    EXPECT_GT(loud, 0.1);
    core.setSoundVolume(1);
    core.updateSoundSetting();
    const double quiet = tikoleap::test::maxOf(tikoleap::test::renderBlockPeaks(10), 3, 10);
    EXPECT_GT(quiet, 0.005);
    EXPECT_LT(quiet, 0.35 * loud);

    core.setBgMusicMode(0);
    core.updateSoundSetting();
    EXPECT_FALSE(core.musicIsEnabled());
    core.playMusic(0);  // the game has no music: nothing to start
}
