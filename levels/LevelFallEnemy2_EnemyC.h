#pragma once
#include "levels/LevelEnemy2_EnemyC.h"

namespace JTApp {

class LevelFallEnemy2;

// The circling foe of Level Fall+Enemy2, as Level Enemy2's.
class LevelFallEnemy2_EnemyC : public LevelEnemy2_EnemyC {
  public:
    explicit LevelFallEnemy2_EnemyC(LevelFallEnemy2* scene);
    ~LevelFallEnemy2_EnemyC() override;
};

}  // namespace JTApp
