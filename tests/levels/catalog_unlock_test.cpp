// Unlocking after a game: thresholds, several rules per level, the congratulation texts.
#include "catalog_support.h"

using catalogtest::CatalogFixture;
using catalogtest::utf8;
using Messages = std::vector<JTAppBase::JTLevelManager::Message>;

namespace {

const std::string kTail = " unlocked.\nNow you can select the new level in the Title Menu.";

Messages congratulation(const std::string& text) {
    return {{"Congratulations!", text}};
}

}  // namespace

TEST_F(CatalogFixture, TheThresholdItselfUnlocksAndOneBelowDoesNot) {
    EXPECT_EQ(play(20, 3499), Messages{});
    EXPECT_TRUE(manager->getNewlyUnlockedLevelIds().empty());
    EXPECT_EQ(openLevels(), std::vector<int>{20});
    // Nothing changed, so nothing was written.
    EXPECT_FALSE(std::filesystem::exists(stateFile()));

    EXPECT_EQ(play(20, 3500), congratulation("Level: Fall was" + kTail));
    EXPECT_EQ(manager->getNewlyUnlockedLevelIds(), std::vector<int>{21});
    EXPECT_EQ(openLevels(), (std::vector<int>{20, 21}));
    EXPECT_EQ(utf8(menuItem(21)->getLabel()), "Level: Fall");
    EXPECT_FALSE(menuItem(21)->isLocked());

    // A threshold in another level does not count for this one.
    EXPECT_EQ(play(21, 9999), congratulation("Level: Enemy was" + kTail));
    EXPECT_EQ(play(21, 9999), Messages{});
    EXPECT_EQ(play(21, 10000), congratulation("Level: Right was" + kTail));
}

TEST_F(CatalogFixture, OneGameCanOpenSeveralLevelsAndNamesThemInRuleOrder) {
    EXPECT_EQ(play(20, 10000), congratulation("Level: Fall and Level: Enemy were" + kTail));
    EXPECT_EQ(manager->getNewlyUnlockedLevelIds(), (std::vector<int>{21, 22}));
    // Repeating the game opens nothing more and says nothing.
    EXPECT_EQ(play(20, 10000), Messages{});
    EXPECT_TRUE(manager->getNewlyUnlockedLevelIds().empty());

    EXPECT_EQ(play(22, 40000),
              congratulation("Level: Right, Level: Trampoline and Level: Down were" + kTail));
    EXPECT_EQ(manager->getNewlyUnlockedLevelIds(), (std::vector<int>{25, 31, 27}));
    EXPECT_EQ(openLevels(), (std::vector<int>{20, 21, 22, 25, 31, 27}));
}

TEST_F(CatalogFixture, AnyOfSeveralRulesOpensALevelAndOnlyOnce) {
    // Enemy opens from Normal (10000) or from Fall (4500); whichever comes first wins.
    play(20, 3500);
    EXPECT_EQ(play(21, 4500), congratulation("Level: Enemy was" + kTail));
    EXPECT_EQ(play(20, 10000), Messages{});

    // Down opens from Enemy (32000), Right (16000) or Trampoline (50000): once Right has opened
    // it, the other two rules stay silent.
    EXPECT_EQ(play(21, 10000), congratulation("Level: Right was" + kTail));
    EXPECT_EQ(play(25, 16000), congratulation("Level: Trampoline and Level: Down were" + kTail));
    EXPECT_EQ(play(22, 32000), Messages{});
    EXPECT_EQ(play(31, 50000), Messages{});
}

TEST_F(CatalogFixture, CongratulationsWaitForTheGameOverScreenThenBecomeAlerts) {
    context->startLevel(20);
    context->gameOver(3500);
    EXPECT_TRUE(core.alerts.empty());
    EXPECT_TRUE(manager->hasPendingMessages());
    EXPECT_EQ(view.gameOvers, std::vector<int>{3500});
    EXPECT_EQ(manager->takePendingMessages().value_or(Messages{}), congratulation("Level: Fall was" + kTail));

    // Outside a game over an unlock is told at once.
    manager->onGameOver(21, 4500);
    EXPECT_EQ(core.alerts, std::vector<std::string>{"Congratulations!|Level: Enemy was" + kTail});
}

TEST_F(CatalogFixture, NegativeScoresAndForeignLevelsOpenNothing) {
    EXPECT_EQ(play(20, -1), Messages{});
    manager->onGameOver(99, 1000000);
    manager->onGameOver(0, 1000000);
    EXPECT_EQ(openLevels(), std::vector<int>{20});
}
