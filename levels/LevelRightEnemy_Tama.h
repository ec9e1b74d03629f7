#pragma once
#include "levels/LevelEnemy_Tama.h"

namespace JTApp {

class LevelRightEnemy;

// A fireball of Level Right+Enemy: Level Enemy's, leaving once 100 beyond either side of the
// view that scrolls to the right.
class LevelRightEnemy_Tama : public LevelEnemy_Tama {
  public:
    explicit LevelRightEnemy_Tama(LevelRightEnemy* scene);
};

}  // namespace JTApp
