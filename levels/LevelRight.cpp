#include "levels/LevelRight.h"

#include "appbase/JTAppContext.h"

namespace JTApp {

LevelRight::LevelRight(JTAppBase::JTAppContext* context) : SidewaysLevel(context) {
    createScoreLabel(24, 0xFFFFFFFFu, 0xFF000000u, 2);
    createMessageLabel(24, 0xFFFFFF00u, 0xFF000000u, 2);
    setGameOverDelay(1500);
    start();
}

}  // namespace JTApp
