#include "levels/LevelEnemy2_Hamburger.h"

#include "appbase/JTAppContext.h"
#include "levels/LevelEnemy2.h"

namespace JTApp {

LevelEnemy2_Hamburger::LevelEnemy2_Hamburger(LevelEnemy2* scene) : LevelEnemy_Hamburger(scene) {}

LevelEnemy2_Hamburger::~LevelEnemy2_Hamburger() = default;

}  // namespace JTApp
