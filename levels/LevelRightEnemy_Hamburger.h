#pragma once
#include "levels/LevelEnemy_Hamburger.h"

namespace JTApp {

class LevelRightEnemy;

// A hamburger of Level Right+Enemy: Level Enemy's, waiting ahead of the hero; one he passed by
// goes once it is behind the left edge of the view.
class LevelRightEnemy_Hamburger : public LevelEnemy_Hamburger {
  public:
    explicit LevelRightEnemy_Hamburger(LevelRightEnemy* scene);

  protected:
    bool isOutOfSight(const EnemyShooting& scene) const override;
};

}  // namespace JTApp
