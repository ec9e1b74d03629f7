#pragma once
#include "core/JTObject.h"

namespace JTAppBase {

// One progression rule: reaching the minimum score in one level opens another.
class UnlockByScoreRule : public JTCore::JTObject {
  public:
    // A minimum score of -1000 marks a rule that copies the from level's unlocking state to the
    // to level instead (used when a level changes its id).
    static constexpr int kCopyRule = -1000;

    UnlockByScoreRule(int fromLevelId, int minimumScore, int toLevelId)
        : fromLevelId_(fromLevelId), minimumScore_(minimumScore), toLevelId_(toLevelId) {}

    int getFromLevelId() const { return fromLevelId_; }
    int getMinimumScore() const { return minimumScore_; }
    int getToLevelId() const { return toLevelId_; }

    // Rules with a negative threshold never fire on a score and never show in a lock text.
    bool isScoreRule() const { return minimumScore_ >= 0; }
    bool isCopyRule() const { return minimumScore_ == kCopyRule; }
    // Whether a game in levelId ending with score opens the to level; reaching the threshold
    // exactly is enough.
    bool firesFor(int levelId, int score) const {
        return isScoreRule() && levelId == fromLevelId_ && minimumScore_ <= score;
    }

  private:
    const int fromLevelId_;
    const int minimumScore_;
    const int toLevelId_;
};

}  // namespace JTAppBase
