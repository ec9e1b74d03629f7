#pragma once
#include "levels/LevelEnemy2_Tama.h"

namespace JTApp {

class LevelFallEnemy2;

// A fireball of Level Fall+Enemy2, as Level Enemy2's.
class LevelFallEnemy2_Tama : public LevelEnemy2_Tama {
  public:
    explicit LevelFallEnemy2_Tama(LevelFallEnemy2* scene);
    ~LevelFallEnemy2_Tama() override;
};

}  // namespace JTApp
