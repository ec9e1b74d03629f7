#include "levels/LevelRightEnemy_Hamburger.h"

#include <cstdint>

#include "appbase/JTAppContext.h"
#include "levels/LevelRightEnemy.h"

namespace JTApp {

LevelRightEnemy_Hamburger::LevelRightEnemy_Hamburger(LevelRightEnemy* scene) : LevelEnemy_Hamburger(scene) {}

bool LevelRightEnemy_Hamburger::isOutOfSight(const EnemyShooting& scene) const {
    return getX() < static_cast<float>(static_cast<int64_t>(scene.viewLeft()) - 64);
}

}  // namespace JTApp
