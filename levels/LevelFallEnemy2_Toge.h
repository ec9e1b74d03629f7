#pragma once
#include "levels/LevelEnemy2_Toge.h"

namespace JTApp {

class LevelFallEnemy2;

// A spike of Level Fall+Enemy2, as Level Enemy2's.
class LevelFallEnemy2_Toge : public LevelEnemy2_Toge {
  public:
    explicit LevelFallEnemy2_Toge(LevelFallEnemy2* scene);
    ~LevelFallEnemy2_Toge() override;
};

}  // namespace JTApp
