// The base level catalog: lookups with repeated ids, menus that leave levels out, and the
// message queue around a game over.
#include <gtest/gtest.h>

#include "appbase/JTAppContext.h"
#include "appbase/JTLevelManager.h"
#include "support/FakeShell.h"

using namespace JTAppBase;
using JTCore::makeRef;
using JTCore::Ref;

namespace {

Ref<JTCore::JTString> str(const char* s) {
    return makeRef<JTCore::JTString>(s);
}

// Levels 20, 21, 21 (the last a newer copy of the second) and 22; level 22 is kept out of the menu.
class RepeatedIds : public JTLevelManager {
  public:
    using JTLevelManager::JTLevelManager;
    void createLevelInfos(const Ref<JTCore::JTArrayList>& infos) override {
        const char* names[] = {"Level: Normal", "Level: Fall", "Level: Fall v2", "Level: Enemy"};
        const int ids[] = {20, 21, 21, 22};
        for (int i = 0; i < 4; ++i) {
            auto info = newLevelInfo(ids[i]);
            info->setName(str(names[i]));
            infos->add(info);
        }
    }
    Ref<JTLevelMenuItem> createMenuItem(int index, const Ref<JTLevelInfo>& info) override {
        if (info->getLevelId() == 22) return nullptr;
        return JTLevelManager::createMenuItem(index, info);
    }
    void startLevelScene(int) override {}
};

struct LevelManagerFixture : testing::Test {
    void SetUp() override {
        context = makeRef<JTApp::MyAppContextIPhone>();
        context->setAppCore(&core);
        manager = makeRef<RepeatedIds>(context.get());
        manager->reloadLevels();
        context->setLevelManager(manager);
    }
    fakes::FakeAppCore core;
    Ref<JTAppContext> context;
    Ref<RepeatedIds> manager;
};

}  // namespace

TEST_F(LevelManagerFixture, RepeatedIdsResolveToTheLaterInfoButTheEarlierMenuItem) {
    EXPECT_EQ(manager->indexOfLevel(21), 2);
    EXPECT_EQ(manager->getLevelInfo(21)->getName()->toUtf8(), "Level: Fall v2");
    EXPECT_EQ(manager->indexOfMenuItem(21), 1);

    // The level kept out of the menu leaves no gap and is not selectable, yet is still known.
    auto items = manager->getMenuItems();
    ASSERT_EQ(items->size(), 3);
    EXPECT_EQ(items->getAs<JTLevelMenuItem>(2)->getLevelName()->toUtf8(), "Level: Fall v2");
    EXPECT_EQ(manager->indexOfMenuItem(22), -1);
    EXPECT_EQ(manager->getSelectableLevelId(22), 20);
    EXPECT_TRUE(manager->getLevelInfo(22));
}

TEST_F(LevelManagerFixture, TheLevelBeingPlayedAnswersLookupsOfItsIdAcrossAReload) {
    context->startLevel(21);
    auto playing = context->getCurrentLevelInfo();
    manager->reloadLevels();
    EXPECT_NE(manager->getLevelInfos()->getAs<JTLevelInfo>(2), playing);
    EXPECT_EQ(manager->getLevelInfo(21), playing);
    EXPECT_EQ(manager->getLevelInfo(21)->getAppContext(), context);
    EXPECT_NE(manager->getLevelInfo(20), playing);
}

TEST_F(LevelManagerFixture, MenuIsRebuiltOnlyWhenMarkedDirty) {
    auto first = manager->getMenuItems()->getAs<JTLevelMenuItem>(1);
    first->setLockMessage(str("locked"));
    EXPECT_EQ(manager->getMenuItems()->getAs<JTLevelMenuItem>(1), first);
    manager->setMenuDirty();
    auto rebuilt = manager->getMenuItems()->getAs<JTLevelMenuItem>(1);
    EXPECT_NE(rebuilt, first);
    EXPECT_FALSE(rebuilt->isLocked());
    // An item held from before keeps its old state.
    EXPECT_TRUE(first->isLocked());
}

TEST_F(LevelManagerFixture, MessagesQueueOnlyBetweenBeginAndTake) {
    manager->beginCollectingMessages();
    EXPECT_FALSE(manager->hasPendingMessages());
    EXPECT_FALSE(manager->takePendingMessages().has_value());
    // The empty take ended the collection: this one is shown at once.
    manager->showMessage(str("A"), str("a"));
    EXPECT_EQ(core.alerts, std::vector<std::string>{"A|a"});

    manager->beginCollectingMessages();
    manager->showMessage(str("B"), str("b"));
    manager->showMessage(str("C"), str("c"));
    EXPECT_TRUE(manager->hasPendingMessages());
    // A new game over starts afresh.
    manager->beginCollectingMessages();
    manager->showMessage(str("D"), str("d"));
    auto taken = manager->takePendingMessages();
    ASSERT_TRUE(taken.has_value());
    EXPECT_EQ(*taken, (std::vector<JTLevelManager::Message>{{"D", "d"}}));
    EXPECT_FALSE(manager->hasPendingMessages());
    EXPECT_EQ(core.alerts.size(), 1u);
}
