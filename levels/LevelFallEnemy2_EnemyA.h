#pragma once
#include "levels/LevelEnemy2_EnemyA.h"

namespace JTApp {

class LevelFallEnemy2;

// The homing foe of Level Fall+Enemy2, as Level Enemy2's.
class LevelFallEnemy2_EnemyA : public LevelEnemy2_EnemyA {
  public:
    explicit LevelFallEnemy2_EnemyA(LevelFallEnemy2* scene);
    ~LevelFallEnemy2_EnemyA() override;
};

}  // namespace JTApp
