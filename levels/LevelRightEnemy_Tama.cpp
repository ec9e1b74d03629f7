#include "levels/LevelRightEnemy_Tama.h"

#include "appbase/JTAppContext.h"
#include "levels/LevelRightEnemy.h"

namespace JTApp {

LevelRightEnemy_Tama::LevelRightEnemy_Tama(LevelRightEnemy* scene) : LevelEnemy_Tama(scene) {}

}  // namespace JTApp
