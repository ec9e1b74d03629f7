#include "levels/LevelFallEnemy2_EnemyC.h"

#include "appbase/JTAppContext.h"
#include "levels/LevelFallEnemy2.h"

namespace JTApp {

LevelFallEnemy2_EnemyC::LevelFallEnemy2_EnemyC(LevelFallEnemy2* scene) : LevelEnemy2_EnemyC(scene) {}

LevelFallEnemy2_EnemyC::~LevelFallEnemy2_EnemyC() = default;

}  // namespace JTApp
