#pragma once
#include "levels/LevelEnemy2_Hamburger.h"

namespace JTApp {

class LevelFallEnemy2;

// A hamburger of Level Fall+Enemy2, as Level Enemy2's.
class LevelFallEnemy2_Hamburger : public LevelEnemy2_Hamburger {
  public:
    explicit LevelFallEnemy2_Hamburger(LevelFallEnemy2* scene);
    ~LevelFallEnemy2_Hamburger() override;
};

}  // namespace JTApp
