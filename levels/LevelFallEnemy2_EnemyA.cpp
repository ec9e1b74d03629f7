#include "levels/LevelFallEnemy2_EnemyA.h"

#include "appbase/JTAppContext.h"
#include "levels/LevelFallEnemy2.h"

namespace JTApp {

LevelFallEnemy2_EnemyA::LevelFallEnemy2_EnemyA(LevelFallEnemy2* scene) : LevelEnemy2_EnemyA(scene) {}

LevelFallEnemy2_EnemyA::~LevelFallEnemy2_EnemyA() = default;

}  // namespace JTApp
