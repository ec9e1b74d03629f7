#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "appbase/GameSceneBase.h"
#include "appbase/JTAppContext.h"
#include "appbase/JTCanvas.h"
#include "appbase/JTLevelManager.h"
#include "appbase/JTTextLabel.h"
#include "appbase/Texture2D.h"
#include "support/FakeShell.h"
#include "support/GLTestContext.h"

using namespace JTAppBase;
using JTCore::makeRef;
using JTCore::Ref;

namespace {

// Records the state hooks; plays for `playTicks` ticks, then goes to game over.
class ScriptedScene : public JTApp::GameSceneBase {
  public:
    explicit ScriptedScene(JTAppContext* context, float period = 10)
        : GameSceneBase(context), period_(period) {
        createScoreLabel(16, 0xFFFFFFFF, 0xFF000000, 1);
        createMessageLabel(20, 0xFFFFFFFF, 0, 0);
        setGameOverDelay(1500);
        start();
        setState(kStatePlaying);
    }
    float getFramePeriodMillis() const override { return period_; }
    void render() override {}
    void enterState(int s) override { hooks.push_back("enter " + std::to_string(s)); }
    void leaveState(int s) override { hooks.push_back("leave " + std::to_string(s)); }
    void updatePlaying() override {
        addScore(1);
        if (getStateTicks() == playTicks) setState(kStateGameOver);
    }
    std::vector<std::string> hooks;
    int playTicks = 5;

  private:
    float period_;
};

class OneLevel : public JTLevelManager {
  public:
    using JTLevelManager::JTLevelManager;
    void createLevelInfos(const Ref<JTCore::JTArrayList>& infos) override { infos->add(newLevelInfo(20)); }
    void startLevelScene(int) override {}
};

struct SceneFixture : testing::Test {
    void SetUp() override {
        context = makeRef<JTAppContext>();
        auto manager = makeRef<OneLevel>(context.get());
        manager->reloadLevels();
        context->setLevelManager(manager);
        context->setAppCore(&core);
        context->setGameView(&view);
        context->startLevel(20);
        context->getCanvas()->setCanvasSize(320, 480);
    }
    GLTestContext gl{320, 480};
    fakes::FakeAppCore core;
    fakes::FakeGameView view{&core};
    Ref<JTAppContext> context;
};

}  // namespace

TEST_F(SceneFixture, StateMachineRunsHooksAndReportsGameOverOnce) {
    auto scene = makeRef<ScriptedScene>(context.get());
    EXPECT_EQ(scene->getLevelId(), 20);
    EXPECT_EQ(scene->getGameOverDelay(), 150);
    EXPECT_EQ(scene->hooks, std::vector<std::string>{"enter 0"});
    EXPECT_FALSE(view.multiTouch);

    for (int i = 0; i < 5; ++i) scene->tick();
    EXPECT_EQ(scene->getState(), JTApp::GameSceneBase::kStateGameOver);
    EXPECT_EQ(scene->getScore(), 5);
    EXPECT_EQ(scene->hooks, (std::vector<std::string>{"enter 0", "leave 0", "enter 1"}));

    for (int i = 0; i < 149; ++i) scene->tick();
    EXPECT_TRUE(view.gameOvers.empty());
    scene->tick();  // the 150th tick in the game-over state
    EXPECT_EQ(view.gameOvers, std::vector<int>{5});
    for (int i = 0; i < 300; ++i) scene->tick();
    EXPECT_EQ(view.gameOvers.size(), 1u);
    EXPECT_FLOAT_EQ(scene->getElapsedMillis(), 455 * 10.0f);

    scene->setState(JTApp::GameSceneBase::kStateNone);
    EXPECT_EQ(scene->hooks.back(), "leave 1");
}

TEST_F(SceneFixture, GameOverDelayNeverDividesByZero) {
    auto scene = makeRef<ScriptedScene>(context.get());
    scene->setGameOverDelay(5);
    EXPECT_EQ(scene->getGameOverDelay(), 1);
    auto broken = makeRef<ScriptedScene>(context.get(), 0.0f);
    EXPECT_EQ(broken->getGameOverDelay(), 1);
}

TEST_F(SceneFixture, MessageShowsForItsTicksAndEmptyTextChangesNothing) {
    auto scene = makeRef<ScriptedScene>(context.get());
    scene->playTicks = 1000;
    scene->showMessage(makeRef<JTCore::JTString>("Hello"), 3);
    ASSERT_TRUE(scene->getMessageLabel()->hasTexture());

    scene->showMessage(makeRef<JTCore::JTString>(""), 100);  // ignored: keeps "Hello" and its timing
    int visibleTicks = 0;
    for (int i = 0; i < 10; ++i) {
        const int before = context->getCanvas()->stateChanges();
        scene->drawMessage(100);
        if (context->getCanvas()->stateChanges() != before) ++visibleTicks;
        context->getCanvas()->beginRender();
        scene->tick();
    }
    EXPECT_EQ(visibleTicks, 3);
}

TEST_F(SceneFixture, GameOverImageSlidesFromTheTopEdgeAndStopsAtTenElevenths) {
    ASSERT_TRUE(gl.ok()) << gl.error();
    std::vector<uint8_t> px(16 * 8 * 4, 255);
    Texture2D image(px.data(), Texture2D::kRGBA8888, 16, 8, platform::Size{16, 8}, 1.0f);
    core.textures[0] = &image;
    auto scene = makeRef<ScriptedScene>(context.get());
    auto canvas = context->getCanvas();
    auto lit = [&](int y) { return gl.pixel(160, y)[0] > 200; };
    auto drawAt = [&](int y) {
        gl.clear(0, 0, 0, 1);
        canvas->beginRender();
        scene->drawGameOver(y);
    };

    drawAt(200);  // still playing: nothing
    EXPECT_FALSE(lit(200));
    EXPECT_FALSE(lit(2));

    for (int i = 0; i < 5; ++i) scene->tick();
    ASSERT_EQ(scene->getStateTicks(), 0);
    drawAt(200);  // centred on the top edge: only the lower half shows
    EXPECT_TRUE(lit(0));
    EXPECT_TRUE(lit(3));
    EXPECT_FALSE(lit(5));

    // Half the delay (75 ticks) in: 200 - 200 * 7.5 / 82.5, about 181.8, and it stays there.
    for (int i = 0; i < 75; ++i) scene->tick();
    for (int round = 0; round < 2; ++round) {
        drawAt(200);
        EXPECT_FALSE(lit(176));
        EXPECT_TRUE(lit(178));
        EXPECT_TRUE(lit(185));
        EXPECT_FALSE(lit(187));
        for (int i = 0; i < 50; ++i) scene->tick();
    }
    core.textures[0] = nullptr;
}

TEST_F(SceneFixture, ScoreLabelRerendersOnlyWhenTheScoreChanges) {
    auto scene = makeRef<ScriptedScene>(context.get());
    scene->drawScore(4, 4);
    const Texture2D* first = scene->getScoreLabel()->texture();
    ASSERT_NE(first, nullptr);
    scene->drawScore(4, 4);
    EXPECT_EQ(scene->getScoreLabel()->texture(), first);
    scene->addScore(10);
    scene->drawScore(4, 4);
    EXPECT_NE(scene->getScoreLabel()->texture(), first);
    EXPECT_EQ(scene->getScoreLabel()->getBuilder(false)->toString()->toUtf8(), "Score: 10");
}
