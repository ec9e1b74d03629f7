#include "levels/LevelFallEnemy2_Hamburger.h"

#include "appbase/JTAppContext.h"
#include "levels/LevelFallEnemy2.h"

namespace JTApp {

LevelFallEnemy2_Hamburger::LevelFallEnemy2_Hamburger(LevelFallEnemy2* scene) : LevelEnemy2_Hamburger(scene) {}

LevelFallEnemy2_Hamburger::~LevelFallEnemy2_Hamburger() = default;

}  // namespace JTApp
