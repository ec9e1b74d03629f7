#include "levels/LevelFallEnemy2_Tama.h"

#include "appbase/JTAppContext.h"
#include "levels/LevelFallEnemy2.h"

namespace JTApp {

LevelFallEnemy2_Tama::LevelFallEnemy2_Tama(LevelFallEnemy2* scene) : LevelEnemy2_Tama(scene) {}

LevelFallEnemy2_Tama::~LevelFallEnemy2_Tama() = default;

}  // namespace JTApp
