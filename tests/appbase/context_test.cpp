#include <gtest/gtest.h>

#include "appbase/JTAppContext.h"
#include "appbase/JTCanvas.h"
#include "appbase/JTLevelManager.h"
#include "support/FakeShell.h"

using namespace JTAppBase;
using JTCore::makeRef;
using JTCore::Ref;

namespace {

class PlainScene : public JTScene {
  public:
    using JTScene::JTScene;
    float getFramePeriodMillis() const override { return 10; }
    int getCanvasWidth() const override { return 320; }
    int getCanvasHeight() const override { return 480; }
    void tick() override {}
    void render() override {}
};

// A two-level catalog whose scene factory starts a plain scene and records game overs.
class TwoLevels : public JTLevelManager {
  public:
    using JTLevelManager::JTLevelManager;
    void createLevelInfos(const Ref<JTCore::JTArrayList>& infos) override {
        for (int id : {20, 21}) {
            auto info = newLevelInfo(id);
            info->setName(makeRef<JTCore::JTString>(id == 20 ? "Level: Normal" : "Level: Fall"));
            infos->add(info);
        }
    }
    void startLevelScene(int) override {
        auto context = getAppContext();
        context->startScene(makeRef<PlainScene>(context.get()));
    }
    void onGameOver(int levelId, int score) override {
        lastGameOver = {levelId, score};
        if (score > 100)
            showMessage(makeRef<JTCore::JTString>("Congratulations"), makeRef<JTCore::JTString>("open"));
    }
    std::pair<int, int> lastGameOver{0, 0};
};

struct ContextFixture : testing::Test {
    void SetUp() override {
        context = makeRef<JTApp::MyAppContextIPhone>();
        manager = makeRef<TwoLevels>(context.get());
        manager->reloadLevels();
        context->setLevelManager(manager);
        context->setAppCore(&core);
        context->setGameView(&view);
    }
    fakes::FakeAppCore core;
    fakes::FakeGameView view{&core};
    Ref<JTAppContext> context;
    Ref<TwoLevels> manager;
};

}  // namespace

TEST_F(ContextFixture, StartLevelSavesOnlyWhenTheLevelChanges) {
    core.levelId = 20;
    context->startLevel(20);
    EXPECT_EQ(core.saves, 0);
    EXPECT_EQ(view.sceneStarts, 1);
    ASSERT_TRUE(view.scene);
    EXPECT_EQ(context->getCanvas()->getWidth(), 320);
    EXPECT_EQ(context->getCurrentLevelInfo()->getLevelId(), 20);

    context->startLevel(21);
    EXPECT_EQ(core.saves, 1);
    EXPECT_EQ(core.levelId, 21);
    EXPECT_EQ(view.levelInfo->getLevelId(), 21);
}

TEST_F(ContextFixture, UnknownLevelIsRefusedWithoutAScene) {
    context->startLevel(99);
    EXPECT_TRUE(context->isStartAborted());
    EXPECT_FALSE(context->getCurrentLevelInfo());
    EXPECT_EQ(view.sceneStarts, 0);
    EXPECT_EQ(core.saves, 0);
    // A later valid start clears the refusal.
    context->startLevel(20);
    EXPECT_FALSE(context->isStartAborted());
    EXPECT_EQ(view.sceneStarts, 1);
}

TEST_F(ContextFixture, NullSceneStillReachesTheViewAndKeepsCanvasSize) {
    context->getCanvas()->setCanvasSize(100, 200);
    context->startScene(nullptr);
    EXPECT_EQ(view.sceneStarts, 1);
    EXPECT_FALSE(view.scene);
    EXPECT_EQ(context->getCanvas()->getWidth(), 100);
}

TEST_F(ContextFixture, GameOverQueuesMessagesThenHandsTheScoreOn) {
    context->startLevel(21);
    context->gameOver(150);
    EXPECT_EQ(manager->lastGameOver, std::make_pair(21, 150));
    EXPECT_EQ(view.gameOvers, std::vector<int>{150});
    EXPECT_TRUE(core.alerts.empty());
    auto messages = manager->takePendingMessages();
    ASSERT_TRUE(messages.has_value());
    ASSERT_EQ(messages->size(), 1u);
    EXPECT_EQ((*messages)[0].first, "Congratulations");
    // Once taken, messages go straight to alerts again.
    manager->showMessage(makeRef<JTCore::JTString>("t"), makeRef<JTCore::JTString>("m"));
    EXPECT_EQ(core.alerts, std::vector<std::string>{"t|m"});
}

TEST_F(ContextFixture, BackToTitleStopsTheViewAndFlips) {
    context->backToTitle();
    EXPECT_EQ(view.stops, 1);
    EXPECT_EQ(core.calls, (std::vector<std::string>{"startTitleView", "transition 1"}));
}

TEST_F(ContextFixture, DetachingTheViewDropsTheLevelInfo) {
    view.orientation = 3;
    context->setGameView(&view);
    EXPECT_EQ(context->getInterfaceOrientation(), 3);
    context->startLevel(20);
    context->setGameView(nullptr);
    EXPECT_FALSE(context->getCurrentLevelInfo());
}

TEST_F(ContextFixture, HelpersReachTheShell) {
    context->getSoundHelper()->playEffect(3);
    context->getSoundHelper()->stopLoopingSounds();
    EXPECT_EQ(core.sounds, std::vector<int>{3});
    EXPECT_EQ(core.stops, 1);
    EXPECT_EQ(context->getKeyHelper()->getKeyState(), 0);

    auto tilt = context->getAccelerometerHelper();
    EXPECT_EQ(tilt->getAccelerationH(), 0.0f);
    EXPECT_EQ(tilt->getRotationV(), 0.0f);
    fakes::FakeTilt sensor;
    sensor.accel = 0.25;
    sensor.rotH = 0.5f;
    sensor.rotV = -0.5f;
    view.tilt = &sensor;
    EXPECT_FLOAT_EQ(tilt->getAccelerationH(), 0.25f);
    EXPECT_FLOAT_EQ(tilt->getRotationH(), 0.5f);
    EXPECT_FLOAT_EQ(tilt->getRotationV(), -0.5f);
}

TEST_F(ContextFixture, LevelManagerLookupsAndMenu) {
    EXPECT_EQ(manager->indexOfLevel(21), 1);
    EXPECT_EQ(manager->indexOfLevel(5), -1);
    EXPECT_FALSE(manager->getLevelInfo(5));
    auto info = manager->getLevelInfo(20);
    EXPECT_EQ(info->getWebLevelId(), 20);
    info->setWebLevelId(5);
    EXPECT_EQ(info->getWebLevelId(), 5);
    info->setWebLevelId(0);
    EXPECT_EQ(info->getWebLevelId(), 20);

    manager->setMenuTitlePrefix(makeRef<JTCore::JTString>("X "));
    EXPECT_EQ(manager->getMenuItemTitle(info)->toUtf8(), "X Level: Normal");

    auto items = manager->getMenuItems();
    ASSERT_EQ(items->size(), 2);
    items->getAs<JTLevelMenuItem>(1)->setLockMessage(makeRef<JTCore::JTString>("locked"));
    EXPECT_EQ(manager->getSelectableLevelId(21), 20);
    context->setLogEnabled(true);
    EXPECT_EQ(manager->getSelectableLevelId(21), 21);
    EXPECT_EQ(manager->indexOfMenuItem(21), 1);
}
