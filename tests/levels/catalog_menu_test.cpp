// The catalog as the title screen shows it, and the scenes its levels start.
#include "appbase/JTScene.h"
#include "catalog_support.h"
#include "levels/LevelNormal.h"

using catalogtest::CatalogFixture;
using catalogtest::utf8;
using JTAppBase::JTLevelMenuItem;

namespace {

const char* const kRulePrefix = "This level is unlocked when you score more than ";

}  // namespace

TEST_F(CatalogFixture, MenuListsTheTenLevelsInOrderWithTheirTexts) {
    auto items = manager->getMenuItems();
    std::vector<int> ids;
    std::vector<std::string> names;
    for (int i = 0; i < items->size(); ++i) {
        auto item = items->getAs<JTLevelMenuItem>(i);
        ids.push_back(item->getLevelInfo()->getLevelId());
        names.push_back(utf8(item->getLevelName()));
        EXPECT_EQ(item->getLevelInfo()->getWebLevelId(), ids.back());
        EXPECT_EQ(item->getLevelInfo()->getCanvasLayout(), -1);
        EXPECT_FALSE(item->getLevelInfo()->isDownloaded());
    }
    EXPECT_EQ(ids, (std::vector<int>{20, 21, 22, 25, 31, 27, 29, 32, 28, 30}));
    EXPECT_EQ(names, (std::vector<std::string>{"Level: Normal", "Level: Fall", "Level: Enemy", "Level: Right",
                                               "Level: Trampoline", "Level: Down", "Level: Right+Enemy",
                                               "Level: Colors", "Level: Enemy2", "Level: Fall+Enemy2"}));

    // The descriptions keep their line feeds and the blank after them.
    EXPECT_EQ(
        utf8(menuItem(20)->getInfoText()),
        "Mr.Tiko (red ball guy) is jumping eternally. Tilt your device to move him left or right, and go up "
        "platforms.\n Note that the left side of the screen is connected with the right side.");
    EXPECT_EQ(
        utf8(menuItem(22)->getInfoText()),
        "Mr.Tiko is chased by enemies named Green Stone Men. When he is caught, he is flicked away.\n Touch "
        "the left or right side of him to shoot the enemies with a fireball. Eat hamburgers to make more "
        "fireballs.");
    EXPECT_EQ(utf8(menuItem(28)->getInfoText()),
              "Similar to the Level-Enemy, but Mr.Tiko is attacked by three types of enemies!");
    EXPECT_EQ(utf8(menuItem(30)->getTitle()), "Level: Fall+Enemy2");
}

TEST_F(CatalogFixture, FreshInstallOpensOnlyNormalAndSaysHowToOpenTheRest) {
    EXPECT_EQ(openLevels(), std::vector<int>{20});
    EXPECT_EQ(utf8(menuItem(20)->getLabel()), "Level: Normal");
    EXPECT_FALSE(menuItem(20)->getLockMessage());

    EXPECT_EQ(utf8(menuItem(21)->getLabel()), "Level: Fall (Locked)");
    EXPECT_EQ(utf8(menuItem(30)->getLabel()), "Level: Fall+Enemy2 (Locked)");
    // The title of the level button stays the plain name.
    EXPECT_EQ(utf8(menuItem(21)->getTitle()), "Level: Fall");

    // One rule, two rules ("or" after the only comma), three rules ("or" after the last comma).
    EXPECT_EQ(utf8(menuItem(21)->getLockMessage()),
              std::string(kRulePrefix) + "3500 points in the Level: Normal.");
    EXPECT_EQ(
        utf8(menuItem(22)->getLockMessage()),
        std::string(kRulePrefix) + "10000 points in the Level: Normal, or 4500 points in the Level: Fall.");
    EXPECT_EQ(
        utf8(menuItem(27)->getLockMessage()),
        std::string(kRulePrefix) +
            "32000 points in the Level: Enemy, 16000 points in the Level: Right, or 50000 points in the "
            "Level: Trampoline.");
    EXPECT_EQ(
        utf8(menuItem(30)->getLockMessage()),
        std::string(kRulePrefix) +
            "55000 points in the Level: Right+Enemy, 6300 points in the Level: Colors, or 40000 points in "
            "the Level: Enemy2.");
    EXPECT_EQ(
        utf8(menuItem(28)->getLockMessage()),
        std::string(kRulePrefix) +
            "16000 points in the Level: Down, 30000 points in the Level: Right+Enemy, or 4600 points in the "
            "Level: Colors.");
    // The remaining levels, so that every rule's level and threshold is shown somewhere.
    EXPECT_EQ(
        utf8(menuItem(25)->getLockMessage()),
        std::string(kRulePrefix) + "10000 points in the Level: Fall, or 11000 points in the Level: Enemy.");
    EXPECT_EQ(
        utf8(menuItem(31)->getLockMessage()),
        std::string(kRulePrefix) + "22000 points in the Level: Enemy, or 11000 points in the Level: Right.");
    EXPECT_EQ(
        utf8(menuItem(29)->getLockMessage()),
        std::string(kRulePrefix) +
            "25000 points in the Level: Right, 70000 points in the Level: Trampoline, or 12000 points in "
            "the Level: Down.");
    EXPECT_EQ(
        utf8(menuItem(32)->getLockMessage()),
        std::string(kRulePrefix) +
            "80000 points in the Level: Trampoline, 14000 points in the Level: Down, or 20000 points in "
            "the Level: Right+Enemy.");

    // Every level but Normal is locked, each with its name and the marker as its picker label.
    for (int id : {21, 22, 25, 31, 27, 29, 32, 28, 30}) {
        EXPECT_EQ(utf8(menuItem(id)->getLabel()), utf8(menuItem(id)->getLevelName()) + " (Locked)") << id;
    }
}

TEST_F(CatalogFixture, PreselectionFallsBackToNormalUntilTheLevelOpens) {
    EXPECT_EQ(manager->getSelectableLevelId(21), 20);
    play(20, 3500);
    EXPECT_EQ(manager->getSelectableLevelId(21), 21);
    EXPECT_EQ(manager->getSelectableLevelId(22), 20);
}

TEST_F(CatalogFixture, EveryCatalogLevelStartsTheSceneTheFactoryNames) {
    const std::vector<int> ids{20, 21, 22, 25, 31, 27, 29, 32, 28, 30};
    for (int id : ids) {
        const int before = view.sceneStarts;
        context->startLevel(id);
        EXPECT_EQ(view.sceneStarts, before + 1) << id;
        ASSERT_TRUE(view.scene) << id;
        EXPECT_EQ(context->getCurrentLevelInfo()->getLevelId(), id);
        // The shell reports the level whose scene actually runs.
        EXPECT_EQ(manager->getStartedSceneLevelId(), JTApp::MyLevelManager::sceneLevelIdFor(id)) << id;
    }
    // Normal has its own scene; an id without a scene of its own runs Normal's.
    EXPECT_EQ(JTApp::MyLevelManager::sceneLevelIdFor(20), 20);
    EXPECT_EQ(JTApp::MyLevelManager::sceneLevelIdFor(99), 20);
    context->startLevel(20);
    EXPECT_TRUE(JTCore::dynamicRef<JTApp::LevelNormal>(view.scene));
}

TEST_F(CatalogFixture, AnIdOutsideTheCatalogStartsNothing) {
    context->startLevel(99);
    EXPECT_TRUE(context->isStartAborted());
    EXPECT_EQ(view.sceneStarts, 0);
    EXPECT_EQ(manager->getStartedSceneLevelId(), 0);
}
