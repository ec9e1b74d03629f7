#include "levels/LevelFallEnemy2_EnemyB.h"

#include "appbase/JTAppContext.h"
#include "levels/LevelFallEnemy2.h"

namespace JTApp {

LevelFallEnemy2_EnemyB::LevelFallEnemy2_EnemyB(LevelFallEnemy2* scene) : LevelEnemy2_EnemyB(scene) {}

LevelFallEnemy2_EnemyB::~LevelFallEnemy2_EnemyB() = default;

}  // namespace JTApp
