#include "levels/LevelFallEnemy2_Toge.h"

#include "appbase/JTAppContext.h"
#include "levels/LevelFallEnemy2.h"

namespace JTApp {

LevelFallEnemy2_Toge::LevelFallEnemy2_Toge(LevelFallEnemy2* scene) : LevelEnemy2_Toge(scene) {}

LevelFallEnemy2_Toge::~LevelFallEnemy2_Toge() = default;

}  // namespace JTApp
