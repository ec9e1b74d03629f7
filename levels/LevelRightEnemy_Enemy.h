#pragma once
#include "levels/LevelEnemy_Enemy.h"

namespace JTApp {

class LevelRightEnemy;

// An enemy of Level Right+Enemy: Level Enemy's homing enemy, pulled with a constant strength and
// damped less, so it chases about twice as fast; one the hero has outrun far behind the view is
// given up.
class LevelRightEnemy_Enemy : public LevelEnemy_Enemy {
  public:
    explicit LevelRightEnemy_Enemy(LevelRightEnemy* scene);

  protected:
    int pull(const EnemyShooting& scene) const override;
    float damping() const override;
    bool isOutOfPlay(const EnemyShooting& scene) const override;
};

}  // namespace JTApp
