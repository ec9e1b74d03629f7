#pragma once
#include "levels/LevelEnemy2_EnemyB.h"

namespace JTApp {

class LevelFallEnemy2;

// The still, spike-firing foe of Level Fall+Enemy2, as Level Enemy2's.
class LevelFallEnemy2_EnemyB : public LevelEnemy2_EnemyB {
  public:
    explicit LevelFallEnemy2_EnemyB(LevelFallEnemy2* scene);
    ~LevelFallEnemy2_EnemyB() override;
};

}  // namespace JTApp
