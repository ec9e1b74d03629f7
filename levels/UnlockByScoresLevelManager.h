#pragma once
#include <vector>

#include "appbase/JTLevelManager.h"
#include "levels/UnlockByScoreRule.h"

namespace JTAppBase {

class JTIntIntMap;

// A level catalog whose levels open when the player reaches given scores in other levels. The
// set of open levels persists in Documents/<getUnlockingStateName>.plist; locked levels show in
// the menu with a text saying how to open them, and each game over that opens levels queues one
// congratulation.
class UnlockByScoresLevelManager : public JTLevelManager {
  public:
    explicit UnlockByScoresLevelManager(JTAppContext* context);
    ~UnlockByScoresLevelManager() override;

    JTCore::Ref<JTLevelMenuItem> createMenuItem(int index, const JTCore::Ref<JTLevelInfo>& info) override;
    void reloadLevels() override;
    void onGameOver(int levelId, int score) override;

    virtual JTCore::Ref<JTCore::JTString> getUnlockingStateName();
    virtual void applyCopyRules();
    // Opens a locked level in memory; false when it was open already. Does not save.
    virtual bool unlockLevel(int levelId);
    virtual void createUnlockRules(const JTCore::Ref<JTCore::JTArrayList>& rules) = 0;

    // The unlocking state (level id -> non-zero when open), read from the file on first use and
    // again after each reloadLevels.
    JTCore::Ref<JTIntIntMap> getUnlockingState();
    // Writes the unlocking state; a failure is logged, and the next game over tries again.
    bool saveUnlockingState();
    void lockMenuItem(const JTCore::Ref<JTLevelMenuItem>& item,
                      const JTCore::Ref<JTCore::JTString>& lockMessage);

    bool isLevelUnlocked(int levelId) { return getUnlockingStateValue(levelId) != 0; }
    // The levels the last game over opened, in rule order; empty when it opened none.
    const std::vector<int>& getNewlyUnlockedLevelIds() const { return newlyUnlocked_; }
    const JTCore::Ref<JTCore::JTArrayList>& getUnlockRules() const { return rules_; }

  private:
    int getUnlockingStateValue(int levelId);
    JTCore::Ref<JTCore::JTString> lockMessageFor(int levelId);
    JTCore::Ref<JTCore::JTString> levelNameOf(int levelId);
    void dropRulesOutsideCatalog();

    JTCore::Ref<JTIntIntMap> unlockingState_;
    JTCore::Ref<JTCore::JTArrayList> rules_;
    std::vector<int> newlyUnlocked_;
    // Set while the file lags behind the state in memory (a save failed).
    bool saveOwed_ = false;
};

}  // namespace JTAppBase
