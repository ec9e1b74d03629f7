#include "levels/LevelNormal.h"

#include <algorithm>

#include "appbase/JTAppContext.h"

namespace JTApp {

LevelNormal::LevelNormal(JTAppBase::JTAppContext* context) : VerticalLevel(context, VerticalLevelRules{}) {
    createScoreLabel(24, 0xFFFFFFFFu, 0xFF000000u, 2);
    createMessageLabel(24, 0xFFFFFF00u, 0xFF000000u, 2);
    setGameOverDelay(1500);
    start();
}

int LevelNormal::getDifficulty(int height) const {
    return std::max(height - 600, 0);
}

}  // namespace JTApp
