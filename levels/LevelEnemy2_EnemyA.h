#pragma once
#include "levels/LevelEnemy2_EnemyBase.h"

namespace JTApp {

// The homing foe of Level Enemy2: pulled toward the hero harder as the level gets harder, it
// follows him until it is shot.
class LevelEnemy2_EnemyA : public LevelEnemy2_EnemyBase {
  public:
    explicit LevelEnemy2_EnemyA(LevelEnemy2* scene);
    ~LevelEnemy2_EnemyA() override;

    void update() override;
    void draw() override;
    virtual void place(float x, float y);

    float getVx() const { return vx_; }
    float getVy() const { return vy_; }

  private:
    // Velocity in 1/256 units per three ticks.
    float vx_ = 0;
    float vy_ = 0;
};

}  // namespace JTApp
