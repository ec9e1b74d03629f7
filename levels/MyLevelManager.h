#pragma once
#include "levels/UnlockByScoresLevelManager.h"

namespace JTAppBase {
class JTScene;
}

namespace JTApp {

// The game's level catalog: the ten levels in menu order, the scene of each level and the
// scores that open them. Only Level Normal is open at first.
class MyLevelManager : public JTAppBase::UnlockByScoresLevelManager {
  public:
    static constexpr int kLevelNormal = 20;

    explicit MyLevelManager(JTAppBase::JTAppContext* context);

    void createLevelInfos(const JTCore::Ref<JTCore::JTArrayList>& infos) override;
    void startLevelScene(int levelId) override;
    void createUnlockRules(const JTCore::Ref<JTCore::JTArrayList>& rules) override;

    // The level whose scene a start of levelId runs: levelId itself when it has a scene of its
    // own, otherwise Level Normal, whose scene stands in for every other id.
    static int sceneLevelIdFor(int levelId);
    // The level whose scene the last startLevelScene ran; 0 before the first.
    int getStartedSceneLevelId() const { return startedSceneLevelId_; }

  private:
    int startedSceneLevelId_ = 0;
};

}  // namespace JTApp
